#include "effects/blur.h"

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/parallel_rows.h"
#include "core/rounding.h"

namespace kira {

namespace {

std::atomic<bool> gSimdAllowed{true};

bool UseAvx2Fma() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has && gSimdAllowed.load(std::memory_order_relaxed);
}

// ---------------------------------------------------------------- box blur
//
// The window of a pixel is every pairing of a list of rows with a list of
// columns (each position beyond an edge replaced by the pixel's own row or
// column), so its sum splits: per row y, C(x) = the column's sum over the rows
// in range plus (rows out of range) * p(x, y); the total is the sum of C over
// the columns in range plus (columns out of range) * C(x). The sums are
// integers, so sliding them row by row and taking prefix sums along the row
// gives exactly the window's sum.

// Radii up to 7 (the page goes to 6): every sum fits 16 bits, since
// 255 * 15 * 15 < 2^16, and the mean is (total * m) >> s in 32 bits with s the
// least shift where 255 n^2 < 2^s and m = ceil(2^s / n): the error
// total (m - 2^s / n) / 2^s stays under 1 / n, and total * m under 2^32.
constexpr std::int64_t kSmallBox = 7;

struct TSmallDivide {
  std::uint32_t m = 0;
  int s = 0;
  explicit TSmallDivide(std::uint32_t n) {
    while (std::uint64_t{255} * n * n >= (std::uint64_t{1} << s)) ++s;
    m = static_cast<std::uint32_t>(((std::uint64_t{1} << s) + n - 1) / n);
  }
};

__attribute__((target_clones("avx2", "default"))) void AddBytes(std::uint16_t* __restrict sum,
                                                               const std::uint8_t* __restrict row, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) sum[i] = static_cast<std::uint16_t>(sum[i] + row[i]);
}

__attribute__((target_clones("avx2", "default"))) void SubtractBytes(std::uint16_t* __restrict sum,
                                                                    const std::uint8_t* __restrict row,
                                                                    std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) sum[i] = static_cast<std::uint16_t>(sum[i] - row[i]);
}

__attribute__((target_clones("avx2", "default"))) void ColumnPlusOwn(std::uint16_t* __restrict c,
                                                                    const std::uint16_t* __restrict column,
                                                                    const std::uint8_t* __restrict own,
                                                                    std::uint16_t times, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) c[i] = static_cast<std::uint16_t>(column[i] + times * own[i]);
}

// total[k] = c[k] + c[k + 3] + ... + c[k + 3 (taps - 1)], then the mean.
__attribute__((target_clones("avx2", "default"))) void WindowMeans(std::uint8_t* __restrict out,
                                                                  std::uint16_t* __restrict total,
                                                                  const std::uint16_t* __restrict c, int taps,
                                                                  std::size_t n, std::uint32_t m, int s) {
  for (std::size_t k = 0; k < n; ++k) total[k] = c[k];
  for (int j = 1; j < taps; ++j) {
    const std::uint16_t* p = c + 3 * j;
    for (std::size_t k = 0; k < n; ++k) total[k] = static_cast<std::uint16_t>(total[k] + p[k]);
  }
  for (std::size_t k = 0; k < n; ++k) out[k] = static_cast<std::uint8_t>((total[k] * m) >> s);
}

void BoxRowsSmall(const TBitmap& copy, TBitmap& image, int r, int y0, int y1) {
  const int w = image.Width(), h = image.Height(), side = 2 * r + 1;
  const TSmallDivide div(static_cast<std::uint32_t>(side * side));
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  std::vector<std::uint16_t> column(bytes, 0), c(bytes), total(bytes);
  for (int k = std::max(0, y0 - r); k <= std::min(h - 1, y0 + r); ++k) AddBytes(column.data(), copy.ScanLine(k), bytes);
  const int left = std::min(r, w), right = std::max(left, w - r);
  for (int y = y0; y < y1; ++y) {
    if (y > y0) {
      if (y + r <= h - 1) AddBytes(column.data(), copy.ScanLine(y + r), bytes);
      if (y - r - 1 >= 0) SubtractBytes(column.data(), copy.ScanLine(y - r - 1), bytes);
    }
    const int rowsIn = std::min(h - 1, y + r) - std::max(0, y - r) + 1;
    ColumnPlusOwn(c.data(), column.data(), copy.ScanLine(y), static_cast<std::uint16_t>(side - rowsIn), bytes);
    std::uint8_t* out = image.ScanLine(y);
    const auto edge = [&](int x) {
      const int lo = std::max(0, x - r), hi = std::min(w - 1, x + r);
      const std::uint32_t outX = static_cast<std::uint32_t>(side - (hi - lo + 1));
      for (int ch = 0; ch < 3; ++ch) {
        std::uint32_t t = outX * c[3 * x + ch];
        for (int l = lo; l <= hi; ++l) t += c[3 * l + ch];
        out[3 * x + ch] = static_cast<std::uint8_t>((t * div.m) >> div.s);
      }
    };
    for (int x = 0; x < left; ++x) edge(x);
    // Inside, every column of the window is in range.
    if (right > left)
      WindowMeans(out + 3 * left, total.data(), c.data() + 3 * (left - r), side,
                  3 * static_cast<std::size_t>(right - left), div.m, div.s);
    for (int x = right; x < w; ++x) edge(x);
  }
}

// Larger radii: floor(v / n) as (v * m) >> s, exact for 0 <= v <= 255 n when n
// is odd, above 1 and below 2^31 / 255: with s = 32 + floor(log2 n),
// m = ceil(2^s / n) is at most 2^32 and the error v (m - 2^s / n) / 2^s stays
// under 1 / n.
struct TMagicDivide {
  std::uint64_t m = 0;
  int s = 0;
  explicit TMagicDivide(std::uint32_t n) {
    int log2 = 0;
    while ((std::uint64_t{2} << log2) <= n) ++log2;
    s = 32 + log2;
    m = ((std::uint64_t{1} << s) + n - 1) / n;
  }
  std::uint32_t operator()(std::uint32_t v) const { return static_cast<std::uint32_t>((v * m) >> s); }
};

// Sums and division for a radius whose whole window total fits 32 bits, and
// for any larger radius.
struct TBoxNarrow {
  using Sum = std::uint32_t;  // differences of prefix sums are taken modulo 2^32
  TMagicDivide div;
  explicit TBoxNarrow(std::int64_t n) : div(static_cast<std::uint32_t>(n)) {}
  std::uint8_t Mean(Sum total) const { return static_cast<std::uint8_t>(div(total)); }
};

struct TBoxWide {
  using Sum = unsigned __int128;
  unsigned __int128 n;
  explicit TBoxWide(std::int64_t side) : n(static_cast<unsigned __int128>(side) * side) {}
  std::uint8_t Mean(Sum total) const { return static_cast<std::uint8_t>(total / n); }
};

template <class TBox>
void BoxRows(const TBitmap& copy, TBitmap& image, std::int64_t r, const TBox& box, int y0, int y1) {
  using Sum = typename TBox::Sum;
  const std::int64_t w = image.Width(), h = image.Height();
  const std::int64_t side = 2 * r + 1;
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  std::vector<Sum> column(bytes, 0), c(bytes), q(bytes + 3);
  const auto addRow = [&](std::int64_t k, bool add) {
    const std::uint8_t* p = copy.ScanLine(static_cast<int>(k));
    if (add) {
      for (std::size_t i = 0; i < bytes; ++i) column[i] += p[i];
    } else {
      for (std::size_t i = 0; i < bytes; ++i) column[i] -= p[i];
    }
  };
  for (std::int64_t k = std::max<std::int64_t>(0, y0 - r); k <= std::min(h - 1, y0 + r); ++k) addRow(k, true);
  for (std::int64_t y = y0; y < y1; ++y) {
    if (y > y0) {
      if (y + r <= h - 1) addRow(y + r, true);
      if (y - r - 1 >= 0) addRow(y - r - 1, false);
    }
    const std::int64_t rowsIn = std::min(h - 1, y + r) - std::max<std::int64_t>(0, y - r) + 1;
    const Sum outY = static_cast<Sum>(side - rowsIn);
    const std::uint8_t* own = copy.ScanLine(static_cast<int>(y));
    for (std::size_t i = 0; i < bytes; ++i) c[i] = column[i] + outY * own[i];
    q[0] = q[1] = q[2] = 0;
    for (std::size_t i = 0; i < bytes; ++i) q[i + 3] = q[i] + c[i];
    std::uint8_t* out = image.ScanLine(static_cast<int>(y));
    const auto edge = [&](std::int64_t x) {
      const std::int64_t lo = std::max<std::int64_t>(0, x - r), hi = std::min(w - 1, x + r);
      const Sum outX = static_cast<Sum>(side - (hi - lo + 1));
      for (int ch = 0; ch < 3; ++ch) {
        const std::size_t i = static_cast<std::size_t>(3 * x + ch);
        out[i] = box.Mean(q[3 * (hi + 1) + ch] - q[3 * lo + ch] + outX * c[i]);
      }
    };
    const std::int64_t left = std::min(r, w), right = std::max(left, w - r);
    for (std::int64_t x = 0; x < left; ++x) edge(x);
    // Inside, every column of the window is in range.
    const std::size_t step = static_cast<std::size_t>(3 * r + 3), back = static_cast<std::size_t>(3 * r);
    for (std::size_t i = static_cast<std::size_t>(3 * left); i < static_cast<std::size_t>(3 * right); ++i)
      out[i] = box.Mean(q[i + step] - q[i - back]);
    for (std::int64_t x = right; x < w; ++x) edge(x);
  }
}

// ---------------------------------------------------------------- Gaussian
//
// Every pixel adds its taps in order (left to right, top to bottom), each
// addition rounded to single precision. A byte times a single-precision
// weight is exact in 32 bits, and with weights of at least exp(-4.5) > 2^-7
// and sums below 255 * 76 < 2^15 the exact sum of an accumulator and a
// product needs at most 45 bits: both a double sum rounded to float and a
// fused multiply-add give that exact sum rounded once. A tap beyond the edge
// is skipped; adding the product 0 instead leaves the sum as it is, so the
// horizontal pass reads zeros there, and the weight sum of each position is
// the sum of the weights it really uses. Vector lanes hold neighbouring
// pixels (or bytes), each adding its own taps in its own order.

inline float AddTap(float acc, float value, float weight) {
  return static_cast<float>(static_cast<double>(acc) + static_cast<double>(value) * static_cast<double>(weight));
}

// Weight sums of the positions 0 .. size-1, taps in order.
std::vector<float> WeightSums(int size, int radius, const std::vector<float>& w) {
  std::vector<float> sums(static_cast<std::size_t>(std::max(size, 0)));
  for (int x = 0; x < size; ++x) {
    float s = 0;
    for (int t = x - radius; t <= x + radius; ++t)
      if (t >= 0 && t < size) s = s + w[std::abs(t - x)];
    sums[x] = s;
  }
  return sums;
}

// acc / weight sum with RoundClampByte. A double quotient rounds the same way
// as an extended one: both sums are single-precision numbers, so a quotient
// that is not itself a half lies further from one than either rounding error.
inline std::uint8_t Normalise(float acc, float weightSum) {
  return RoundClampByte(static_cast<double>(acc) / static_cast<double>(weightSum));
}

constexpr int kLanes = 8;
constexpr int kBlock = 8 * kLanes;  // bytes in flight per step

// Horizontal pass over one row of interleaved channel values: in[i] is byte
// i as a float, with 3 radius zeros before and after; taps lie 3 apart.
void HorizontalPlain(const float* in, std::uint8_t* out, std::size_t bytes, int radius, const float* w,
                     const float* sums) {
  for (std::size_t i = 0; i < bytes; ++i) {
    float acc = 0;
    for (int j = -radius; j <= radius; ++j) acc = AddTap(acc, in[static_cast<std::ptrdiff_t>(i) + 3 * j], w[std::abs(j)]);
    out[i] = Normalise(acc, sums[i]);
  }
}

// Vertical pass over bytes [0, count) of one output row: the taps are the
// rows rows[0 .. taps-1] with weights w[0 .. taps-1].
void VerticalPlain(const std::uint8_t* const* rows, const float* w, int taps, std::size_t count, float sum,
                   std::uint8_t* out) {
  for (std::size_t i = 0; i < count; ++i) {
    float acc = 0;
    for (int t = 0; t < taps; ++t) acc = AddTap(acc, rows[t][i], w[t]);
    out[i] = Normalise(acc, sum);
  }
}

// Eight sums to bytes. The single-precision quotient lies within 2^-16 of the
// exact one (values up to 256), so it rounds the same way unless it is within
// 2^-15 of a half; such lanes are worked out one by one.
__attribute__((target("avx2,fma"))) inline void NormaliseAvx2(__m256 acc, __m256 sum, std::uint8_t* out) {
  const __m256 q = _mm256_div_ps(acc, sum);
  const __m256 r = _mm256_round_ps(q, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
  const __m256 off = _mm256_and_ps(_mm256_sub_ps(_mm256_and_ps(_mm256_sub_ps(q, r), absMask), _mm256_set1_ps(0.5f)),
                                   absMask);
  if (_mm256_movemask_ps(_mm256_cmp_ps(off, _mm256_set1_ps(0x1p-15f), _CMP_LT_OQ)) != 0) {
    alignas(32) float a[kLanes], s[kLanes];
    _mm256_store_ps(a, acc);
    _mm256_store_ps(s, sum);
    for (int k = 0; k < kLanes; ++k) out[k] = Normalise(a[k], s[k]);
    return;
  }
  const __m256 clamped = _mm256_min_ps(_mm256_max_ps(r, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
  const __m256i v = _mm256_cvtps_epi32(clamped);
  const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

__attribute__((target("avx2,fma"))) void HorizontalAvx2(const float* in, std::uint8_t* out, std::size_t bytes,
                                                       int radius, const float* w, const float* sums) {
  std::size_t i0 = 0;
  for (; i0 + kBlock <= bytes; i0 += kBlock) {
    __m256 acc[8];
    for (auto& a : acc) a = _mm256_setzero_ps();
    const float* p = in + i0 - 3 * static_cast<std::ptrdiff_t>(radius);
    for (int j = -radius; j <= radius; ++j, p += 3) {
      const __m256 wt = _mm256_set1_ps(w[std::abs(j)]);
      for (int u = 0; u < 8; ++u) acc[u] = _mm256_fmadd_ps(_mm256_loadu_ps(p + u * kLanes), wt, acc[u]);
    }
    for (int u = 0; u < 8; ++u) NormaliseAvx2(acc[u], _mm256_loadu_ps(sums + i0 + u * kLanes), out + i0 + u * kLanes);
  }
  HorizontalPlain(in + i0, out + i0, bytes - i0, radius, w, sums + i0);
}

__attribute__((target("avx2,fma"))) void VerticalAvx2(const std::uint8_t* const* rows, const float* w, int taps,
                                                     std::size_t count, float sum, std::uint8_t* out) {
  std::size_t i = 0;
  const __m256 sums = _mm256_set1_ps(sum);
  for (; i + kBlock <= count; i += kBlock) {
    __m256 acc[8];
    for (auto& a : acc) a = _mm256_setzero_ps();
    for (int t = 0; t < taps; ++t) {
      const __m256 wt = _mm256_set1_ps(w[t]);
      const std::uint8_t* p = rows[t] + i;
      for (int u = 0; u < 8; ++u) {
        const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + u * kLanes));
        acc[u] = _mm256_fmadd_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(b)), wt, acc[u]);
      }
    }
    for (int u = 0; u < 8; ++u) NormaliseAvx2(acc[u], sums, out + i + u * kLanes);
  }
  for (; i < count; ++i) {
    float acc = 0;
    for (int t = 0; t < taps; ++t) acc = AddTap(acc, rows[t][i], w[t]);
    out[i] = Normalise(acc, sum);
  }
}

void GaussianHorizontal(const TBitmap& src, TBitmap& dst, int radius, const std::vector<float>& w,
                        const std::vector<float>& sums, bool simd, int y0, int y1) {
  const std::size_t bytes = 3 * static_cast<std::size_t>(src.Width()), pad = 3 * static_cast<std::size_t>(radius);
  std::vector<float> in(pad + bytes + pad, 0.0f), byteSums(bytes);
  for (std::size_t i = 0; i < bytes; ++i) byteSums[i] = sums[i / 3];
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* row = src.ScanLine(y);
    for (std::size_t i = 0; i < bytes; ++i) in[pad + i] = row[i];
    if (simd)
      HorizontalAvx2(in.data() + pad, dst.ScanLine(y), bytes, radius, w.data(), byteSums.data());
    else
      HorizontalPlain(in.data() + pad, dst.ScanLine(y), bytes, radius, w.data(), byteSums.data());
  }
}

void GaussianVertical(const TBitmap& src, TBitmap& dst, int radius, const std::vector<float>& w,
                      const std::vector<float>& sums, bool simd, int y0, int y1) {
  const int height = src.Height();
  const std::size_t bytes = 3 * static_cast<std::size_t>(src.Width());
  std::vector<const std::uint8_t*> rows(2 * static_cast<std::size_t>(radius) + 1);
  std::vector<float> wt(rows.size());
  // Strips of columns keep the rows of a window in the cache.
  constexpr std::size_t kStrip = 4 * kBlock;
  for (std::size_t i0 = 0; i0 < bytes; i0 += kStrip) {
    const std::size_t count = std::min(kStrip, bytes - i0);
    for (int y = y0; y < y1; ++y) {
      int taps = 0;
      for (int t = std::max(0, y - radius); t <= std::min(height - 1, y + radius); ++t, ++taps) {
        rows[taps] = src.ScanLine(t) + i0;
        wt[taps] = w[std::abs(t - y)];
      }
      if (simd)
        VerticalAvx2(rows.data(), wt.data(), taps, count, sums[y], dst.ScanLine(y) + i0);
      else
        VerticalPlain(rows.data(), wt.data(), taps, count, sums[y], dst.ScanLine(y) + i0);
    }
  }
}

// ------------------------------------------------------ centre-based blurs
//
// Both blurs are defined in extended precision. The fast way computes in
// double and falls back to the extended computation wherever the double
// result could round differently: a position within 2^-20 of a half, or a
// single-precision value within 2^-40 of the halfway point between two
// floats. For pictures and reaches up to 2^22 the double results lie within
// 2^-26 of the extended ones, so every other rounding is the same.

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr std::int64_t kFastLimit = std::int64_t{1} << 22;
constexpr double kNearHalf = 0x1p-20;

struct TSums {
  std::int64_t b = 0, g = 0, r = 0, count = 0;
};

// The sample's position, or false when it is beyond any picture.
inline bool RoundPosition(long double v, std::int64_t& out) {
  if (!(v > -0x1p62L && v < 0x1p62L)) return false;
  out = static_cast<std::int64_t>(std::rint(v));
  return true;
}

// The point-in-rectangle test against (0, 0, W - 1, H - 1): the right and
// bottom edges are outside, so the last column and row are never taken.
inline void Take(const TBitmap& copy, std::int64_t px, std::int64_t py, TSums& s) {
  if (px < 0 || py < 0 || px >= copy.Width() - 1 || py >= copy.Height() - 1) return;
  const std::uint8_t* p = copy.ScanLine(static_cast<int>(py)) + 3 * px;
  s.b += p[0];
  s.g += p[1];
  s.r += p[2];
  ++s.count;
}

inline void Store(std::uint8_t* out, const TSums& s) {
  if (s.count <= 0) return;
  out[0] = static_cast<std::uint8_t>(s.b / s.count);
  out[1] = static_cast<std::uint8_t>(s.g / s.count);
  out[2] = static_cast<std::uint8_t>(s.r / s.count);
}

// A double that rounds to an integer the way the extended value it stands
// for does, unless it lies within kNearHalf of a half.
inline bool SafeRound(double v, std::int64_t& out) {
  const double r = std::rint(v);
  if (std::fabs(std::fabs(v - r) - 0.5) < kNearHalf) return false;
  out = static_cast<std::int64_t>(r);
  return true;
}

// (float) of the value that the double d approximates to within 2^-50 of
// itself, or false when that rounding is not certain.
inline bool SafeFloat(double d, float& out) {
  const double e = std::fabs(d) * 0x1p-40;
  const float f = static_cast<float>(d);
  if (static_cast<float>(d - e) != f || static_cast<float>(d + e) != f) return false;
  out = f;
  return true;
}

struct TCentre {
  float cx, cy;
  TCentre(int w, int h) : cx(static_cast<float>(w) / 2), cy(static_cast<float>(h) / 2) {}
};

// Pixels in small tiles, so that the samples of neighbouring pixels, which
// lie close together, are still in the cache.
template <class TPixel>
void ForTiles(TBitmap& image, int y0, int y1, const TPixel& pixel) {
  constexpr int kTileRows = 16, kTileColumns = 64;
  const int w = image.Width();
  for (int ty = y0; ty < y1; ty += kTileRows)
    for (int tx = 0; tx < w; tx += kTileColumns)
      for (int y = ty; y < std::min(ty + kTileRows, y1); ++y) {
        std::uint8_t* out = image.ScanLine(y);
        for (int x = tx; x < std::min(tx + kTileColumns, w); ++x) pixel(x, y, out);
      }
}

void RadialPixelExact(const TBitmap& copy, const TCentre& c, int x, int y, std::int64_t n, std::uint8_t* out) {
  const long double dx = x - static_cast<long double>(c.cx), dy = y - static_cast<long double>(c.cy);
  const std::int64_t rho = static_cast<std::int64_t>(std::rint(std::sqrt(dx * dx + dy * dy)));
  const float theta = static_cast<float>(std::atan2(dy, dx));
  const long double cs = std::cos(static_cast<long double>(theta)), sn = std::sin(static_cast<long double>(theta));
  TSums s;
  for (std::int64_t k = rho - n; k <= rho + n; ++k) {
    if (k < 0) continue;
    std::int64_t px, py;
    if (RoundPosition(cs * k + c.cx, px) && RoundPosition(sn * k + c.cy, py)) Take(copy, px, py, s);
  }
  Store(out, s);
}

void RadialRows(const TBitmap& copy, TBitmap& image, std::int64_t n, int y0, int y1) {
  const int w = image.Width(), h = image.Height();
  const TCentre c(w, h);
  const bool fast = w <= kFastLimit && h <= kFastLimit && n <= kFastLimit;
  const auto pixel = [&](int x, int y, std::uint8_t* out) {
      if (!fast) {
        RadialPixelExact(copy, c, x, y, n, out + 3 * x);
        return;
      }
      const double dx = x - static_cast<double>(c.cx), dy = y - static_cast<double>(c.cy);
      const double sq = dx * dx + dy * dy;  // exact: quarters below 2^46
      const double r = std::sqrt(sq);
      // A root that is not a half lies at least 2^-26 from one here.
      const std::int64_t rho = static_cast<std::int64_t>(std::rint(r));
      const double t = std::atan2(dy, dx);
      float theta;
      if (!SafeFloat(t, theta)) {
        RadialPixelExact(copy, c, x, y, n, out + 3 * x);
        return;
      }
      // cos and sin of theta from those of the exact direction, turned by
      // the small difference e between theta and it.
      double cs = 1, sn = 0;
      if (sq > 0) {
        const double e = static_cast<double>(theta) - t;
        const double ce = 1 - e * e / 2;
        cs = (dx * ce - dy * e) / r;
        sn = (dy * ce + dx * e) / r;
      } else {
        cs = std::cos(static_cast<double>(theta));
        sn = std::sin(static_cast<double>(theta));
      }
      long double csx = 0, snx = 0;
      bool exact = false;
      TSums s;
      for (std::int64_t k = std::max<std::int64_t>(rho - n, 0); k <= rho + n; ++k) {
        const double kd = static_cast<double>(k);
        std::int64_t px = -1, py = -1;
        const bool okX = SafeRound(cs * kd + c.cx, px), okY = SafeRound(sn * kd + c.cy, py);
        if (!okX || !okY) {
          if (!exact) {
            csx = std::cos(static_cast<long double>(theta));
            snx = std::sin(static_cast<long double>(theta));
            exact = true;
          }
          if (!okX) RoundPosition(csx * k + c.cx, px);
          if (!okY) RoundPosition(snx * k + c.cy, py);
        }
        Take(copy, px, py, s);
      }
      Store(out + 3 * x, s);
  };
  ForTiles(image, y0, y1, pixel);
}

// cos and sin of k degrees (k pi / 180 in extended precision) for the whole
// degrees first .. first + size - 1.
struct TDegreeTable {
  std::int64_t first = 0;
  std::vector<long double> cosx, sinx;
  std::vector<double> cosd, sind;
  TDegreeTable(std::int64_t from, std::int64_t to) : first(from) {
    const std::size_t size = static_cast<std::size_t>(to - from + 1);
    cosx.resize(size);
    sinx.resize(size);
    cosd.resize(size);
    sind.resize(size);
    for (std::size_t i = 0; i < size; ++i) {
      const long double phi = static_cast<long double>(from + static_cast<std::int64_t>(i)) * kPi / 180;
      cosx[i] = std::cos(phi);
      sinx[i] = std::sin(phi);
      cosd[i] = static_cast<double>(cosx[i]);
      sind[i] = static_cast<double>(sinx[i]);
    }
  }
};

void AnglePixelExact(const TBitmap& copy, const TCentre& c, int x, int y, std::int64_t n, std::uint8_t* out) {
  const long double dx = x - static_cast<long double>(c.cx), dy = y - static_cast<long double>(c.cy);
  const float rho = static_cast<float>(std::sqrt(dx * dx + dy * dy));
  const std::int64_t a = static_cast<std::int64_t>(std::rint(std::atan2(dy, dx) * 180 / kPi));
  TSums s;
  for (std::int64_t k = a - n; k <= a + n; ++k) {
    const long double phi = static_cast<long double>(k) * kPi / 180;
    std::int64_t px, py;
    if (RoundPosition(std::cos(phi) * rho + c.cx, px) && RoundPosition(std::sin(phi) * rho + c.cy, py))
      Take(copy, px, py, s);
  }
  Store(out, s);
}

constexpr std::int64_t kAngleTableLimit = 1 << 16;

void AngleRows(const TBitmap& copy, TBitmap& image, std::int64_t n, int y0, int y1) {
  const int w = image.Width(), h = image.Height();
  const TCentre c(w, h);
  const bool fast = w <= kFastLimit && h <= kFastLimit && n <= kAngleTableLimit;
  if (!fast) {
    for (int y = y0; y < y1; ++y)
      for (int x = 0; x < w; ++x) AnglePixelExact(copy, c, x, y, n, image.ScanLine(y) + 3 * x);
    return;
  }
  const TDegreeTable table(-180 - n, 180 + n);
  const long double degPerRad = 180 / kPi;
  const auto pixel = [&](int x, int y, std::uint8_t* out) {
      const double dx = x - static_cast<double>(c.cx), dy = y - static_cast<double>(c.cy);
      float rho;
      if (!SafeFloat(std::sqrt(dx * dx + dy * dy), rho)) {
        AnglePixelExact(copy, c, x, y, n, out + 3 * x);
        return;
      }
      std::int64_t a;
      if (!SafeRound(std::atan2(dy, dx) * static_cast<double>(degPerRad), a)) {
        AnglePixelExact(copy, c, x, y, n, out + 3 * x);
        return;
      }
      const double rd = rho;
      TSums s;
      for (std::int64_t k = a - n; k <= a + n; ++k) {
        const std::size_t i = static_cast<std::size_t>(k - table.first);
        std::int64_t px = -1, py = -1;
        if (!SafeRound(table.cosd[i] * rd + c.cx, px)) RoundPosition(table.cosx[i] * rho + c.cx, px);
        if (!SafeRound(table.sind[i] * rd + c.cy, py)) RoundPosition(table.sinx[i] * rho + c.cy, py);
        Take(copy, px, py, s);
      }
      Store(out + 3 * x, s);
  };
  ForTiles(image, y0, y1, pixel);
}

}  // namespace

void SetBlurSimd(bool allowed) { gSimdAllowed.store(allowed, std::memory_order_relaxed); }

bool BoxBlur(TBitmap& image, std::int32_t radiusPx, int threads) {
  if (!Is24(image)) return false;
  if (radiusPx <= 0 || image.Empty()) return true;
  const TBitmap copy = DuplicateBitmap(image);
  const std::int64_t r = radiusPx, side = 2 * r + 1;
  ForEachRowBlock(image.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    if (r <= kSmallBox)
      BoxRowsSmall(copy, image, static_cast<int>(r), y0, y1);
    else if (r <= 1000)
      BoxRows(copy, image, r, TBoxNarrow(side * side), y0, y1);
    else
      BoxRows(copy, image, r, TBoxWide(side), y0, y1);
  });
  return true;
}

bool GaussianBlur(TBitmap& image, std::int32_t sigmaPx, int threads) {
  if (!Is24(image) || sigmaPx < 1 || sigmaPx > 30) return false;
  if (image.Empty()) return true;
  const int s = sigmaPx, radius = 3 * s;
  std::vector<float> w(static_cast<std::size_t>(radius) + 1);
  for (int d = 0; d <= radius; ++d)
    w[d] = static_cast<float>(std::exp(-static_cast<long double>(d * d) / static_cast<long double>(2 * s * s)));
  const std::vector<float> sumsX = WeightSums(image.Width(), radius, w);
  const std::vector<float> sumsY = WeightSums(image.Height(), radius, w);
  const bool simd = UseAvx2Fma();
  // Every byte of the second picture is written by the first pass.
  TBitmap pass(image.Width(), image.Height());
  ForEachRowBlock(image.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    GaussianHorizontal(image, pass, radius, w, sumsX, simd, y0, y1);
  });
  ForEachRowBlock(image.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    GaussianVertical(pass, image, radius, w, sumsY, simd, y0, y1);
  });
  return true;
}

bool RadialBlur(TBitmap& image, std::int32_t reachPx, int threads) {
  if (!Is24(image)) return false;
  if (reachPx < 0 || image.Empty()) return true;
  const TBitmap copy = DuplicateBitmap(image);
  ForEachRowBlock(image.Height(), threads,
                  [&](std::int32_t y0, std::int32_t y1) { RadialRows(copy, image, reachPx, y0, y1); });
  return true;
}

bool AngleBlur(TBitmap& image, std::int32_t reachDeg, int threads) {
  if (!Is24(image)) return false;
  if (reachDeg < 0 || image.Empty()) return true;
  const TBitmap copy = DuplicateBitmap(image);
  ForEachRowBlock(image.Height(), threads,
                  [&](std::int32_t y0, std::int32_t y1) { AngleRows(copy, image, reachDeg, y0, y1); });
  return true;
}

}  // namespace kira
