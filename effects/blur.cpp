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
// integers, so column sums slid from row to row and then added along the row
// give exactly the window's sum.

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
// lie close together, are still in the cache. The angle blur's samples of a
// tile spread along an arc through it; its tiles go ring by ring about the
// centre and by direction within a ring, so that each tile's arc mostly
// overlaps the one before.
template <class TPixel>
void ForTiles(TBitmap& image, int y0, int y1, bool polar, const TPixel& pixel) {
  constexpr int kTile = 32;
  const int w = image.Width();
  struct TTile {
    int x, y;
    double ring, angle;
  };
  std::vector<TTile> tiles;
  for (int ty = y0; ty < y1; ty += kTile)
    for (int tx = 0; tx < w; tx += kTile) {
      TTile t{tx, ty, 0, 0};
      if (polar) {
        const double dx = tx + kTile / 2 - w / 2.0, dy = ty + kTile / 2 - image.Height() / 2.0;
        t.ring = std::floor(std::sqrt(dx * dx + dy * dy) / kTile);
        t.angle = std::atan2(dy, dx);
      }
      tiles.push_back(t);
    }
  if (polar)
    std::stable_sort(tiles.begin(), tiles.end(), [](const TTile& a, const TTile& b) {
      return a.ring != b.ring ? a.ring < b.ring : a.angle < b.angle;
    });
  for (const TTile& t : tiles)
    for (int y = t.y; y < std::min(t.y + kTile, y1); ++y) {
      std::uint8_t* out = image.ScanLine(y);
      for (int x = t.x; x < std::min(t.x + kTile, w); ++x) pixel(x, y, out);
    }
}

// Four samples at a time: the bytes of the copy as one block reached by
// 32-bit offsets.
struct TLaneSource {
  const std::uint8_t* base;
  std::int32_t stride, lastX, lastY;
  explicit TLaneSource(const TBitmap& copy)
      : base(copy.ScanLine(0)), stride(copy.Stride()), lastX(copy.Width() - 1), lastY(copy.Height() - 1) {}
  static bool Fits(const TBitmap& copy) { return copy.SizeInBytes() < (std::size_t{1} << 31); }
};

struct TLaneSums {
  __m128i b, g, r, count;
};

// Lanes where v lies within kNearHalf of a half (r is v rounded).
__attribute__((target("avx2"))) inline __m256d NearHalf(__m256d v, __m256d r) {
  const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
  const __m256d off =
      _mm256_and_pd(_mm256_sub_pd(_mm256_and_pd(_mm256_sub_pd(v, r), absMask), _mm256_set1_pd(0.5)), absMask);
  return _mm256_cmp_pd(off, _mm256_set1_pd(kNearHalf), _CMP_LT_OQ);
}

// Takes the samples at (x, y) of the lanes in `valid` (all ones per lane),
// except those whose x or y lies too close to a half for the double to
// decide: their rounded positions go to rx, ry and the result has bit l
// (x) or bit 4 + l (y) set for them; the caller works those out.
__attribute__((target("avx2"))) inline int TakeLanes(const TLaneSource& src, __m256d x, __m256d y, __m128i valid,
                                                     TLaneSums& s, double* rx, double* ry) {
  const __m256d rxv = _mm256_round_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256d ryv = _mm256_round_pd(y, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256d nx = NearHalf(x, rxv), ny = NearHalf(y, ryv);
  const int mask = _mm256_movemask_pd(nx) | (_mm256_movemask_pd(ny) << 4);
  __m128i take = valid;
  if (mask != 0) {
    _mm256_storeu_pd(rx, rxv);
    _mm256_storeu_pd(ry, ryv);
    const __m256i both = _mm256_castpd_si256(_mm256_or_pd(nx, ny));
    const __m128i low = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(both, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
    take = _mm_andnot_si128(low, take);
  }
  const __m128i px = _mm256_cvtpd_epi32(rxv), py = _mm256_cvtpd_epi32(ryv);
  const __m128i minus1 = _mm_set1_epi32(-1);
  take = _mm_and_si128(take, _mm_and_si128(_mm_cmpgt_epi32(px, minus1), _mm_cmpgt_epi32(py, minus1)));
  take = _mm_and_si128(take, _mm_and_si128(_mm_cmpgt_epi32(_mm_set1_epi32(src.lastX), px),
                                           _mm_cmpgt_epi32(_mm_set1_epi32(src.lastY), py)));
  const __m128i offset =
      _mm_add_epi32(_mm_mullo_epi32(py, _mm_set1_epi32(src.stride)), _mm_add_epi32(px, _mm_add_epi32(px, px)));
  const __m128i word = _mm_mask_i32gather_epi32(_mm_setzero_si128(), reinterpret_cast<const int*>(src.base), offset,
                                                take, 1);
  const __m128i byte = _mm_set1_epi32(0xff);
  s.b = _mm_add_epi32(s.b, _mm_and_si128(word, byte));
  s.g = _mm_add_epi32(s.g, _mm_and_si128(_mm_srli_epi32(word, 8), byte));
  s.r = _mm_add_epi32(s.r, _mm_and_si128(_mm_srli_epi32(word, 16), byte));
  s.count = _mm_sub_epi32(s.count, take);
  return mask;
}

// Adds the four lanes' sums to those of the pixel.
__attribute__((target("avx2"))) inline void AddLanes(const TLaneSums& s, TSums& sums) {
  const auto total = [](__m128i v) {
    alignas(16) std::int32_t a[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(a), v);
    return std::int64_t{a[0]} + a[1] + a[2] + a[3];
  };
  sums.b += total(s.b);
  sums.g += total(s.g);
  sums.r += total(s.r);
  sums.count += total(s.count);
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

// A pixel's ray worked out in double: false when theta's rounding to single
// precision is not certain.
struct TRay {
  std::int64_t rho;
  float theta;
  double cs, sn;
};

bool RadialSetup(const TCentre& c, int x, int y, TRay& ray) {
  const double dx = x - static_cast<double>(c.cx), dy = y - static_cast<double>(c.cy);
  const double sq = dx * dx + dy * dy;  // exact: quarters below 2^46
  const double r = std::sqrt(sq);
  // A root that is not a half lies at least 2^-26 from one here.
  ray.rho = static_cast<std::int64_t>(std::rint(r));
  const double t = std::atan2(dy, dx);
  if (!SafeFloat(t, ray.theta)) return false;
  if (sq > 0) {
    // cos and sin of theta from those of the exact direction, turned by the
    // small difference e between theta and it.
    const double e = static_cast<double>(ray.theta) - t;
    const double ce = 1 - e * e / 2;
    ray.cs = (dx * ce - dy * e) / r;
    ray.sn = (dy * ce + dx * e) / r;
  } else {
    ray.cs = std::cos(static_cast<double>(ray.theta));
    ray.sn = std::sin(static_cast<double>(ray.theta));
  }
  return true;
}

// The exact position of sample k on the ray where the double was too close
// to a half.
inline std::int64_t RadialExact(const TRay& ray, std::int64_t k, float centre, bool vertical) {
  const long double v = vertical ? std::sin(static_cast<long double>(ray.theta)) : std::cos(static_cast<long double>(ray.theta));
  std::int64_t p = -1;
  RoundPosition(v * k + centre, p);
  return p;
}

void RadialPixel(const TBitmap& copy, const TCentre& c, const TRay& ray, std::int64_t n, std::uint8_t* out) {
  TSums s;
  for (std::int64_t k = std::max<std::int64_t>(ray.rho - n, 0); k <= ray.rho + n; ++k) {
    const double kd = static_cast<double>(k);
    std::int64_t px = -1, py = -1;
    if (!SafeRound(ray.cs * kd + c.cx, px)) px = RadialExact(ray, k, c.cx, false);
    if (!SafeRound(ray.sn * kd + c.cy, py)) py = RadialExact(ray, k, c.cy, true);
    Take(copy, px, py, s);
  }
  Store(out, s);
}

// RadialPixel with four distances at a time.
__attribute__((target("avx2"))) void RadialLanes(const TBitmap& copy, const TLaneSource& src, const TCentre& c,
                                                const TRay& ray, std::int64_t n, std::uint8_t* out) {
  const __m256d cs = _mm256_set1_pd(ray.cs), sn = _mm256_set1_pd(ray.sn);
  const __m256d cx = _mm256_set1_pd(c.cx), cy = _mm256_set1_pd(c.cy);
  const __m256d step = _mm256_setr_pd(0, 1, 2, 3);
  const std::int64_t first = std::max<std::int64_t>(ray.rho - n, 0), last = ray.rho + n;
  const __m256d lastK = _mm256_set1_pd(static_cast<double>(last));
  TLaneSums s{_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
  TSums sums;
  double rx[4], ry[4];
  for (std::int64_t k0 = first; k0 <= last; k0 += 4) {
    const __m256d k = _mm256_add_pd(_mm256_set1_pd(static_cast<double>(k0)), step);
    const __m256i le = _mm256_castpd_si256(_mm256_cmp_pd(k, lastK, _CMP_LE_OQ));
    const __m128i valid =
        _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(le, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
    const __m256d x = _mm256_add_pd(_mm256_mul_pd(cs, k), cx), y = _mm256_add_pd(_mm256_mul_pd(sn, k), cy);
    const int mask = TakeLanes(src, x, y, valid, s, rx, ry);
    if (mask == 0) continue;
    for (int l = 0; l < 4 && k0 + l <= last; ++l) {
      if ((mask & (0x11 << l)) == 0) continue;
      const std::int64_t kl = k0 + l;
      const std::int64_t px = mask & (1 << l) ? RadialExact(ray, kl, c.cx, false) : static_cast<std::int64_t>(rx[l]);
      const std::int64_t py = mask & (16 << l) ? RadialExact(ray, kl, c.cy, true) : static_cast<std::int64_t>(ry[l]);
      Take(copy, px, py, sums);
    }
  }
  AddLanes(s, sums);
  Store(out, sums);
}

void RadialRows(const TBitmap& copy, TBitmap& image, std::int64_t n, bool simd, int y0, int y1) {
  const int w = image.Width(), h = image.Height();
  const TCentre c(w, h);
  const bool fast = w <= kFastLimit && h <= kFastLimit && n <= kFastLimit;
  const bool lanes = simd && TLaneSource::Fits(copy);
  const TLaneSource src(copy);
  ForTiles(image, y0, y1, false, [&](int x, int y, std::uint8_t* out) {
    TRay ray;
    if (!fast || !RadialSetup(c, x, y, ray))
      RadialPixelExact(copy, c, x, y, n, out + 3 * x);
    else if (lanes)
      RadialLanes(copy, src, c, ray, n, out + 3 * x);
    else
      RadialPixel(copy, c, ray, n, out + 3 * x);
  });
}

// cos and sin of k degrees (k pi / 180 in extended precision) for the whole
// degrees from .. to.
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

// A pixel's circle and direction worked out in double: false when a rounding
// is not certain.
struct TArc {
  float rho;
  std::int64_t a;
};

bool AngleSetup(const TCentre& c, int x, int y, TArc& arc) {
  const double dx = x - static_cast<double>(c.cx), dy = y - static_cast<double>(c.cy);
  return SafeFloat(std::sqrt(dx * dx + dy * dy), arc.rho) &&
         SafeRound(std::atan2(dy, dx) * static_cast<double>(180 / kPi), arc.a);
}

inline std::int64_t AngleExact(const TDegreeTable& table, std::size_t i, float rho, float centre, bool vertical) {
  std::int64_t p = -1;
  RoundPosition((vertical ? table.sinx[i] : table.cosx[i]) * rho + centre, p);
  return p;
}

void AnglePixel(const TBitmap& copy, const TCentre& c, const TDegreeTable& table, const TArc& arc, std::int64_t n,
                std::uint8_t* out) {
  const double rd = arc.rho;
  TSums s;
  for (std::int64_t k = arc.a - n; k <= arc.a + n; ++k) {
    const std::size_t i = static_cast<std::size_t>(k - table.first);
    std::int64_t px = -1, py = -1;
    if (!SafeRound(table.cosd[i] * rd + c.cx, px)) px = AngleExact(table, i, arc.rho, c.cx, false);
    if (!SafeRound(table.sind[i] * rd + c.cy, py)) py = AngleExact(table, i, arc.rho, c.cy, true);
    Take(copy, px, py, s);
  }
  Store(out, s);
}

// AnglePixel with four degrees at a time (the tables run 3 entries beyond
// the last degree).
__attribute__((target("avx2"))) void AngleLanes(const TBitmap& copy, const TLaneSource& src, const TCentre& c,
                                               const TDegreeTable& table, const TArc& arc, std::int64_t n,
                                               std::uint8_t* out) {
  const __m256d rho = _mm256_set1_pd(arc.rho);
  const __m256d cx = _mm256_set1_pd(c.cx), cy = _mm256_set1_pd(c.cy);
  const std::int64_t steps = 2 * n + 1;
  const std::size_t i0 = static_cast<std::size_t>(arc.a - n - table.first);
  TLaneSums s{_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
  TSums sums;
  double rx[4], ry[4];
  for (std::int64_t j = 0; j < steps; j += 4) {
    const std::size_t i = i0 + static_cast<std::size_t>(j);
    const __m128i valid = _mm_cmpgt_epi32(_mm_set1_epi32(static_cast<int>(std::min<std::int64_t>(steps - j, 4))),
                                          _mm_setr_epi32(0, 1, 2, 3));
    const __m256d x = _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(table.cosd.data() + i), rho), cx);
    const __m256d y = _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(table.sind.data() + i), rho), cy);
    const int mask = TakeLanes(src, x, y, valid, s, rx, ry);
    if (mask == 0) continue;
    for (int l = 0; l < 4 && j + l < steps; ++l) {
      if ((mask & (0x11 << l)) == 0) continue;
      const std::int64_t px =
          mask & (1 << l) ? AngleExact(table, i + l, arc.rho, c.cx, false) : static_cast<std::int64_t>(rx[l]);
      const std::int64_t py =
          mask & (16 << l) ? AngleExact(table, i + l, arc.rho, c.cy, true) : static_cast<std::int64_t>(ry[l]);
      Take(copy, px, py, sums);
    }
  }
  AddLanes(s, sums);
  Store(out, sums);
}

void AngleRows(const TBitmap& copy, TBitmap& image, std::int64_t n, bool simd, int y0, int y1) {
  const int w = image.Width(), h = image.Height();
  const TCentre c(w, h);
  const bool fast = w <= kFastLimit && h <= kFastLimit && n <= kAngleTableLimit;
  if (!fast) {
    for (int y = y0; y < y1; ++y)
      for (int x = 0; x < w; ++x) AnglePixelExact(copy, c, x, y, n, image.ScanLine(y) + 3 * x);
    return;
  }
  const TDegreeTable table(-180 - n, 180 + n + 3);
  const bool lanes = simd && TLaneSource::Fits(copy);
  const TLaneSource src(copy);
  ForTiles(image, y0, y1, true, [&](int x, int y, std::uint8_t* out) {
    TArc arc;
    if (!AngleSetup(c, x, y, arc))
      AnglePixelExact(copy, c, x, y, n, out + 3 * x);
    else if (lanes)
      AngleLanes(copy, src, c, table, arc, n, out + 3 * x);
    else
      AnglePixel(copy, c, table, arc, n, out + 3 * x);
  });
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
  const bool simd = UseAvx2Fma();
  ForEachRowBlock(image.Height(), threads,
                  [&](std::int32_t y0, std::int32_t y1) { RadialRows(copy, image, reachPx, simd, y0, y1); });
  return true;
}

bool AngleBlur(TBitmap& image, std::int32_t reachDeg, int threads) {
  if (!Is24(image)) return false;
  if (reachDeg < 0 || image.Empty()) return true;
  const TBitmap copy = DuplicateBitmap(image);
  const bool simd = UseAvx2Fma();
  ForEachRowBlock(image.Height(), threads,
                  [&](std::int32_t y0, std::int32_t y1) { AngleRows(copy, image, reachDeg, simd, y0, y1); });
  return true;
}

}  // namespace kira
