#include "effects/art.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include <immintrin.h>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "core/vector_level.h"
#include "effects/edge_bands.h"

namespace kira {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// ---------------------------------------------------------------- watercolour

// Sliding histograms. Each column keeps its 3 x 16 bin counts over the rows of
// the window; the window's histogram moves along the row by adding the column
// entering on the right and removing the one leaving on the left. A bin is kept
// as the key count * 16 + (15 - bin), so that the largest key is the largest
// count and, among equal counts, the lowest bin: one maximum per channel gives
// the first strictly greater count of a scan from bin 0.
template <typename Key>
void WatercolorRows(const TBitmap& src, TBitmap& dst, int reachX, int reachY, int y0, int y1) {
  const int w = src.Width(), h = src.Height();
  const int pad = reachX + 1;
  const std::size_t cols = static_cast<std::size_t>(w) + 2 * static_cast<std::size_t>(pad);
  std::vector<Key> column(cols * 48, 0);  // zero columns on either side
  auto countRow = [&](int row, Key step, bool add) {
    const std::uint8_t* s = src.ScanLine(row);
    Key* c = column.data() + static_cast<std::size_t>(pad) * 48;
    for (int x = 0; x < w; ++x, s += 3, c += 48) {
      for (int ch = 0; ch < 3; ++ch) {
        Key& bin = c[16 * ch + (s[ch] >> 4)];
        bin = add ? static_cast<Key>(bin + step) : static_cast<Key>(bin - step);
      }
    }
  };
  for (int r = std::max(0, y0 - reachY); r <= std::min(h - 1, y0 + reachY); ++r) countRow(r, 16, true);

  alignas(64) Key window[48];
  for (int y = y0; y < y1; ++y) {
    if (y > y0) {
      if (y - reachY - 1 >= 0) countRow(y - reachY - 1, 16, false);
      if (y + reachY < h) countRow(y + reachY, 16, true);
    }
    for (int i = 0; i < 48; ++i) window[i] = static_cast<Key>(15 - (i & 15));
    // Columns -reachX .. reachX of pixel 0 (padded index pad - reachX = 1 on).
    for (int x = 1; x <= 2 * reachX + 1; ++x) {
      const Key* c = column.data() + static_cast<std::size_t>(x) * 48;
      for (int i = 0; i < 48; ++i) window[i] = static_cast<Key>(window[i] + c[i]);
    }
    std::uint8_t* out = dst.ScanLine(y);
    for (int x = 0; x < w; ++x, out += 3) {
      if (x > 0) {
        const Key* in = column.data() + static_cast<std::size_t>(x + pad + reachX) * 48;
        const Key* off = column.data() + static_cast<std::size_t>(x + pad - reachX - 1) * 48;
        for (int i = 0; i < 48; ++i) window[i] = static_cast<Key>(window[i] + in[i] - off[i]);
      }
      for (int ch = 0; ch < 3; ++ch) {
        Key best = 0;
        for (int b = 0; b < 16; ++b) best = std::max(best, window[16 * ch + b]);
        out[ch] = static_cast<std::uint8_t>((15 - (best & 15)) * 16);
      }
    }
  }
}

// The same with 16-bit keys, the window in six vector registers. The keys are
// kept with 0x8000 added (mod 2^16), so that signed word maxima order them as
// unsigned numbers; the low four bits, which name the bin, are unchanged.
void WatercolorRows16(const TBitmap& src, TBitmap& dst, int reachX, int reachY, int y0, int y1) {
  const int w = src.Width(), h = src.Height();
  const int pad = reachX + 1;
  const std::size_t cols = static_cast<std::size_t>(w) + 2 * static_cast<std::size_t>(pad);
  std::vector<std::uint16_t> column(cols * 48, 0);  // zero columns on either side
  auto countRow = [&](int row, bool add) {
    const std::uint8_t* s = src.ScanLine(row);
    std::uint16_t* c = column.data() + static_cast<std::size_t>(pad) * 48;
    const std::uint16_t step = add ? 16 : static_cast<std::uint16_t>(0x10000 - 16);
    for (int x = 0; x < w; ++x, s += 3, c += 48) {
      c[s[0] >> 4] = static_cast<std::uint16_t>(c[s[0] >> 4] + step);
      c[16 + (s[1] >> 4)] = static_cast<std::uint16_t>(c[16 + (s[1] >> 4)] + step);
      c[32 + (s[2] >> 4)] = static_cast<std::uint16_t>(c[32 + (s[2] >> 4)] + step);
    }
  };
  for (int r = std::max(0, y0 - reachY); r <= std::min(h - 1, y0 + reachY); ++r) countRow(r, true);
  auto load = [&](std::size_t col, int i) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(column.data() + col * 48 + 8 * i));
  };
  auto bestBin = [](__m128i a, __m128i b) {
    __m128i m = _mm_max_epi16(a, b);
    m = _mm_max_epi16(m, _mm_shuffle_epi32(m, 0x4E));
    m = _mm_max_epi16(m, _mm_shuffle_epi32(m, 0xB1));
    m = _mm_max_epi16(m, _mm_shufflelo_epi16(m, 0xB1));
    return static_cast<std::uint8_t>((15 - (_mm_cvtsi128_si32(m) & 15)) * 16);
  };
  for (int y = y0; y < y1; ++y) {
    if (y > y0) {
      if (y - reachY - 1 >= 0) countRow(y - reachY - 1, false);
      if (y + reachY < h) countRow(y + reachY, true);
    }
    const __m128i first = _mm_setr_epi16(15, 14, 13, 12, 11, 10, 9, 8), second = _mm_setr_epi16(7, 6, 5, 4, 3, 2, 1, 0);
    const __m128i bias = _mm_set1_epi16(static_cast<short>(0x8000));
    __m128i win[6];
    for (int i = 0; i < 6; ++i) win[i] = _mm_xor_si128(i % 2 ? second : first, bias);
    // Columns -reachX .. reachX of pixel 0 (padded index pad - reachX = 1 on).
    for (int x = 1; x <= 2 * reachX + 1; ++x)
      for (int i = 0; i < 6; ++i) win[i] = _mm_add_epi16(win[i], load(static_cast<std::size_t>(x), i));
    std::uint8_t* out = dst.ScanLine(y);
    for (int x = 0; x < w; ++x, out += 3) {
      if (x > 0) {
        const auto in = static_cast<std::size_t>(x + pad + reachX), off = static_cast<std::size_t>(x + pad - reachX - 1);
        for (int i = 0; i < 6; ++i) win[i] = _mm_sub_epi16(_mm_add_epi16(win[i], load(in, i)), load(off, i));
      }
      out[0] = bestBin(win[0], win[1]);
      out[1] = bestBin(win[2], win[3]);
      out[2] = bestBin(win[4], win[5]);
    }
  }
}

// ------------------------------------------------------------ colour distance

// dist depends only on the integer sum of the squared differences (0..195075),
// so one table holds it exactly.
constexpr int kMaxSquareSum = 3 * 255 * 255;

const std::array<std::uint8_t, kMaxSquareSum + 1>& DistanceTable() {
  static const auto table = [] {
    std::array<std::uint8_t, kMaxSquareSum + 1> t{};
    const long double root3 = 1.7320508f;
    for (int s = 0; s <= kMaxSquareSum; ++s)
      t[s] = static_cast<std::uint8_t>(std::trunc(std::sqrt(static_cast<long double>(s)) / root3));
    return t;
  }();
  return table;
}

inline int SquareSum(const std::uint8_t* p, const std::uint8_t* q) {
  const int b = p[0] - q[0], g = p[1] - q[1], r = p[2] - q[2];
  return b * b + g * g + r * r;
}

// Distances to the right and to the lower neighbour of every pixel of row y;
// 0 where the neighbour is missing.
void RowDistances(const TBitmap& image, int y, std::uint8_t* dh, std::uint8_t* dv) {
  const auto& dist = DistanceTable();
  const int w = image.Width();
  const std::uint8_t* row = image.ScanLine(y);
  const std::uint8_t* below = y + 1 < image.Height() ? image.ScanLine(y + 1) : nullptr;
  for (int x = 0; x < w; ++x) {
    dh[x] = x + 1 < w ? dist[SquareSum(row + 3 * x, row + 3 * x + 3)] : 0;
    dv[x] = below ? dist[SquareSum(row + 3 * x, below + 3 * x)] : 0;
  }
}

// ---------------------------------------------------------------------- Sobel

// RoundClampByte(sqrt(n)) for n = Sx^2 + Sy^2 below 255.5^2; above it is 255.
constexpr int kSobelTable = 65281;

const std::array<std::uint8_t, kSobelTable>& SobelTable() {
  static const auto table = [] {
    std::array<std::uint8_t, kSobelTable> t{};
    for (int n = 0; n < kSobelTable; ++n) t[n] = RoundClampByte(std::sqrt(static_cast<long double>(n)));
    return t;
  }();
  return table;
}

std::atomic<bool> gAvx2Allowed{true};

bool UseAvx2() {
  return OfferedVectorLevel() >= kVectorAvx2 && gAvx2Allowed.load(std::memory_order_relaxed);
}

// Byte i of a row, l and r being the bytes of the columns left and right.
inline void SobelByte(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
                      std::uint8_t* out, int i, int l, int r) {
  const int sx = (up[r] + 2 * mid[r] + down[r]) - (up[l] + 2 * mid[l] + down[l]);
  const int sy = (down[l] + 2 * down[i] + down[r]) - (up[l] + 2 * up[i] + up[r]);
  const int n = sx * sx + sy * sy;
  out[i] = n < kSobelTable ? SobelTable()[n] : 255;
}

// The vector paths take bytes whose left and right columns are both in the
// row. They give root[n] as the float square root of n rounded to the nearest
// integer and saturated to 255: n < 2^24 converts exactly, and the float root
// lies within half an ulp (at most 2^-14 below 2048) of the true one, while
// the root of an integer is never within 0.25 / 2889 of a half
// (|n - (k + 1/2)^2| >= 1/4 and n <= 2 * 1020^2), so both round alike; from
// n = 65281 on both roots are past 255.5 and the byte is 255. Sx and Sy stay
// within +-1020 and fit 16-bit lanes; n = Sx^2 + Sy^2 is one multiply-add of
// the interleaved pairs.
void SobelInnerSse2(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
                    std::uint8_t* out, int from, int to) {
  const __m128i zero = _mm_setzero_si128();
  const auto load = [&](const std::uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  };
  int i = from;
  for (; i + 8 <= to; i += 8) {
    const __m128i ul = load(up + i - 3), um = load(up + i), ur = load(up + i + 3);
    const __m128i ml = load(mid + i - 3), mr = load(mid + i + 3);
    const __m128i dl = load(down + i - 3), dm = load(down + i), dr = load(down + i + 3);
    const __m128i sx = _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(ur, dr), _mm_add_epi16(mr, mr)),
                                     _mm_add_epi16(_mm_add_epi16(ul, dl), _mm_add_epi16(ml, ml)));
    const __m128i sy = _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(dl, dr), _mm_add_epi16(dm, dm)),
                                     _mm_add_epi16(_mm_add_epi16(ul, ur), _mm_add_epi16(um, um)));
    const __m128i lo = _mm_unpacklo_epi16(sx, sy), hi = _mm_unpackhi_epi16(sx, sy);
    const __m128i rlo = _mm_cvtps_epi32(_mm_sqrt_ps(_mm_cvtepi32_ps(_mm_madd_epi16(lo, lo))));
    const __m128i rhi = _mm_cvtps_epi32(_mm_sqrt_ps(_mm_cvtepi32_ps(_mm_madd_epi16(hi, hi))));
    const __m128i words = _mm_packs_epi32(rlo, rhi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
  }
  for (; i < to; ++i) SobelByte(up, mid, down, out, i, i - 3, i + 3);
}

__attribute__((target("avx2"))) inline __m256i SobelLoad16(const std::uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) void SobelInnerAvx2(const std::uint8_t* up, const std::uint8_t* mid,
                                                    const std::uint8_t* down, std::uint8_t* out, int from,
                                                    int to) {
  int i = from;
  for (; i + 16 <= to; i += 16) {
    const __m256i ul = SobelLoad16(up + i - 3), um = SobelLoad16(up + i), ur = SobelLoad16(up + i + 3);
    const __m256i ml = SobelLoad16(mid + i - 3), mr = SobelLoad16(mid + i + 3);
    const __m256i dl = SobelLoad16(down + i - 3), dm = SobelLoad16(down + i), dr = SobelLoad16(down + i + 3);
    const __m256i sx = _mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(ur, dr), _mm256_add_epi16(mr, mr)),
                                        _mm256_add_epi16(_mm256_add_epi16(ul, dl), _mm256_add_epi16(ml, ml)));
    const __m256i sy = _mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(dl, dr), _mm256_add_epi16(dm, dm)),
                                        _mm256_add_epi16(_mm256_add_epi16(ul, ur), _mm256_add_epi16(um, um)));
    // The unpacks and packs work within 128-bit halves, so the words come
    // back in order; the permute joins the two halves' bytes.
    const __m256i lo = _mm256_unpacklo_epi16(sx, sy), hi = _mm256_unpackhi_epi16(sx, sy);
    const __m256i rlo = _mm256_cvtps_epi32(_mm256_sqrt_ps(_mm256_cvtepi32_ps(_mm256_madd_epi16(lo, lo))));
    const __m256i rhi = _mm256_cvtps_epi32(_mm256_sqrt_ps(_mm256_cvtepi32_ps(_mm256_madd_epi16(hi, hi))));
    const __m256i words = _mm256_packs_epi32(rlo, rhi);
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(bytes));
  }
  SobelInnerSse2(up, mid, down, out, i, to);
}

void SobelRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
              std::uint8_t* out, int w) {
  const int bytes = 3 * w;
  if (w < 3) {
    for (int i = 0; i < bytes; ++i) SobelByte(up, mid, down, out, i, i >= 3 ? i - 3 : i, i + 3 < bytes ? i + 3 : i);
    return;
  }
  for (int i = 0; i < 3; ++i) SobelByte(up, mid, down, out, i, i, i + 3);  // column 0 reads itself on the left
  if (UseAvx2())
    SobelInnerAvx2(up, mid, down, out, 3, bytes - 3);
  else
    SobelInnerSse2(up, mid, down, out, 3, bytes - 3);
  for (int i = bytes - 3; i < bytes; ++i) SobelByte(up, mid, down, out, i, i - 3, i);  // the last column
}

// -------------------------------------------------------------------- fisheye
//
// The lens is defined by extended-precision sines, cosines and an arc tangent
// whose results are rounded to single precision, and those functions cost
// about 150 ns each here. Every single-precision quantity is therefore first
// estimated in double precision together with a generous bound on the
// estimate's error (many times the worst case of the formulas below); when all
// values within that bound round to the same float, that float is the one the
// extended-precision formula gives. Otherwise, rarely, the extended formula is
// evaluated. The bytes are the same either way.

struct TLens {
  int w = 0, h = 0;
  float k = 0, cx = 0, cy = 0, radius = 0;
};

// The float that every value within e of v rounds to, if there is one.
inline bool OneFloat(double v, double e, float& out) {
  const float lo = static_cast<float>(v - e), hi = static_cast<float>(v + e);
  if (lo != hi) return false;
  out = lo;
  return true;
}

// sin a for 0 <= a <= 1.75 by its Taylor series to a^21 (the remainder is
// below 2e-17, the rounding of the evaluation below 1e-14).
inline double SinTaylor(double a) {
  const double a2 = a * a;
  double p = 1.0 / 51090942171709440000.0;  // 1/21!
  p = p * a2 - 1.0 / 121645100408832000.0;  // 1/19!
  p = p * a2 + 1.0 / 355687428096000.0;
  p = p * a2 - 1.0 / 1307674368000.0;
  p = p * a2 + 1.0 / 6227020800.0;
  p = p * a2 - 1.0 / 39916800.0;
  p = p * a2 + 1.0 / 362880.0;
  p = p * a2 - 1.0 / 5040.0;
  p = p * a2 + 1.0 / 120.0;
  p = p * a2 - 1.0 / 6.0;
  p = p * a2 + 1.0;
  return p * a;
}

// atan near c = i/64, i = 0..64, as its Taylor polynomial in h = t - c to
// h^8: atan(c + h) = atan c + sum g_(n-1) h^n / n, where g_n are the Taylor
// coefficients of 1 / (1 + x^2) at c, from g_0 = 1 / q0 and
// g_n = -(2c g_(n-1) + g_(n-2)) / q0 with q0 = 1 + c^2. The coefficients are
// formed in extended precision; for |h| <= 1/128 the remainder is below 2e-20.
struct TAtanPiece {
  double a[9];
};

const std::array<TAtanPiece, 65>& AtanPieces() {
  static const auto table = [] {
    std::array<TAtanPiece, 65> t{};
    for (int i = 0; i <= 64; ++i) {
      const long double c = static_cast<long double>(i) / 64, q0 = 1 + c * c;
      long double g[8];
      g[0] = 1 / q0;
      g[1] = -(2 * c * g[0]) / q0;
      for (int n = 2; n < 8; ++n) g[n] = -(2 * c * g[n - 1] + g[n - 2]) / q0;
      t[i].a[0] = static_cast<double>(std::atan(c));
      for (int n = 1; n <= 8; ++n) t[i].a[n] = static_cast<double>(g[n - 1] / n);
    }
    return t;
  }();
  return table;
}

// The angle of (ax, ay), ax, ay >= 0 not both zero, in 0..pi/2, within
// 3e-15: atan of the ratio t of the smaller to the larger (t rounded once, so
// within 2^-53), from the nearest piece. The subtraction t - c is exact.
inline double QuadrantAngle(double ax, double ay, const std::array<TAtanPiece, 65>& pieces) {
  constexpr double kHalfPi = 1.5707963267948966192;
  const bool steep = ay > ax;
  const double t = steep ? ax / ay : ay / ax;
  const int i = static_cast<int>(t * 64 + 0.5);
  const double h = t - i * (1.0 / 64);
  const double* a = pieces[i].a;
  const double at =
      a[0] + h * (a[1] + h * (a[2] + h * (a[3] + h * (a[4] + h * (a[5] + h * (a[6] + h * (a[7] + h * a[8])))))));
  return steep ? kHalfPi - at : at;
}

// The extended-precision steps, for the values the estimates cannot settle.
float DistanceExact(long double dx, long double dy) { return static_cast<float>(std::sqrt(dx * dx + dy * dy)); }

float SineExact(const TLens& lens, float d) {
  return static_cast<float>(std::sin(static_cast<long double>(lens.k) * d * kPi / (2.0L * lens.radius)));
}

float FactorExact(float s) { return static_cast<float>(std::sqrt(static_cast<long double>(s)) + 0.1L); }

// What a pixel needs of its offset (dx, dy) from the centre that depends only
// on |dx| and |dy|, so is shared by the four pixels (cx +- |dx|, cy +- |dy|).
struct TRing {
  double inverse = 0;  // 1 / sqrt(dx^2 + dy^2), 0 at the centre
  double dm = 0;       // d * m, exact (48 bits)
  double angle = 0;    // estimate of atan2(|dy|, |dx|)
};

TRing LensRing(const TLens& lens, double dx, double dy, const std::array<TAtanPiece, 65>& pieces) {
  const double sumsq = dx * dx + dy * dy;  // exact: quarter-integers below 2^51
  const double root = std::sqrt(sumsq);
  float d;
  if (!OneFloat(root, root * 0x1p-48, d)) d = DistanceExact(dx, dy);
  // The argument in double is within 1e-15 of the extended one.
  const double arg = static_cast<double>(lens.k) * d * 3.1415926535897932385 / (2.0 * lens.radius);
  float s, m;
  if (!OneFloat(SinTaylor(arg), 0x1p-40, s)) s = SineExact(lens, d);
  if (!OneFloat(std::sqrt(static_cast<double>(s)) + 0.1, 0x1p-48, m)) m = FactorExact(s);
  TRing ring;
  ring.dm = static_cast<double>(d) * m;
  if (sumsq > 0) {
    ring.inverse = 1 / root;
    ring.angle = QuadrantAngle(std::fabs(dx), std::fabs(dy), pieces);
  }
  return ring;
}

// LensRing's d * m and 1 / root of four columns x .. x + 3 of a row at once:
// the same operations in the same order on vector lanes, so the same doubles.
// Returns the lanes (bits 0..3) whose estimates all settled; the others take
// LensRing itself.
__attribute__((target("avx2"))) inline __m256d HornerStep(__m256d p, __m256d a2, double c) {
  return _mm256_add_pd(_mm256_mul_pd(p, a2), _mm256_set1_pd(c));
}

__attribute__((target("avx2"))) inline __m256d SinTaylor4(__m256d a) {
  const __m256d a2 = _mm256_mul_pd(a, a);
  __m256d p = _mm256_set1_pd(1.0 / 51090942171709440000.0);
  p = HornerStep(p, a2, -(1.0 / 121645100408832000.0));
  p = HornerStep(p, a2, 1.0 / 355687428096000.0);
  p = HornerStep(p, a2, -(1.0 / 1307674368000.0));
  p = HornerStep(p, a2, 1.0 / 6227020800.0);
  p = HornerStep(p, a2, -(1.0 / 39916800.0));
  p = HornerStep(p, a2, 1.0 / 362880.0);
  p = HornerStep(p, a2, -(1.0 / 5040.0));
  p = HornerStep(p, a2, 1.0 / 120.0);
  p = HornerStep(p, a2, -(1.0 / 6.0));
  p = HornerStep(p, a2, 1.0);
  return _mm256_mul_pd(p, a);
}

// The float that every value within e of v rounds to, per lane, and whether
// the lanes found one (bits 0..3 set where they did).
__attribute__((target("avx2"))) inline __m128 OneFloat4(__m256d v, __m256d e, int& settled) {
  const __m128 lo = _mm256_cvtpd_ps(_mm256_sub_pd(v, e)), hi = _mm256_cvtpd_ps(_mm256_add_pd(v, e));
  settled &= _mm_movemask_ps(_mm_cmpeq_ps(lo, hi));
  return lo;
}

__attribute__((target("avx2"))) int EstimateRings4(const TLens& lens, int x, double dy, double* inverse,
                                                   double* dm) {
  const __m256d dx = _mm256_sub_pd(_mm256_setr_pd(x, x + 1, x + 2, x + 3), _mm256_set1_pd(lens.cx));
  const __m256d vdy = _mm256_set1_pd(dy);
  const __m256d sumsq = _mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(vdy, vdy));
  const __m256d root = _mm256_sqrt_pd(sumsq);
  int settled = 15;
  const __m256d d = _mm256_cvtps_pd(OneFloat4(root, _mm256_mul_pd(root, _mm256_set1_pd(0x1p-48)), settled));
  const __m256d arg =
      _mm256_div_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(static_cast<double>(lens.k)), d),
                                  _mm256_set1_pd(3.1415926535897932385)),
                    _mm256_set1_pd(2.0 * lens.radius));
  const __m128 sf = OneFloat4(SinTaylor4(arg), _mm256_set1_pd(0x1p-40), settled);
  const __m256d factor = _mm256_add_pd(_mm256_sqrt_pd(_mm256_cvtps_pd(sf)), _mm256_set1_pd(0.1));
  const __m256d m = _mm256_cvtps_pd(OneFloat4(factor, _mm256_set1_pd(0x1p-48), settled));
  _mm256_storeu_pd(dm, _mm256_mul_pd(d, m));
  const __m256d positive = _mm256_cmp_pd(sumsq, _mm256_setzero_pd(), _CMP_GT_OQ);
  _mm256_storeu_pd(inverse, _mm256_and_pd(_mm256_div_pd(_mm256_set1_pd(1.0), root), positive));
  return settled;
}

// RoundClampByte of the bilinear mix, exact in extended precision when fx and
// fy are multiples of 2^-23 (sources at 1 or beyond): the mix times 2^46 is
// then an integer below 2^54.
inline void BilinearExactInt(const std::uint8_t* p0, const std::uint8_t* p1, std::int64_t fx, std::int64_t fy,
                             std::uint8_t* out) {
  constexpr std::int64_t kOne = std::int64_t{1} << 23;
  constexpr std::int64_t kHalf = std::int64_t{1} << 45;
  for (int ch = 0; ch < 3; ++ch) {
    const std::int64_t top = p0[ch] * (kOne - fx) + p0[ch + 3] * fx;
    const std::int64_t bottom = p1[ch] * (kOne - fx) + p1[ch + 3] * fx;
    const std::int64_t v = top * (kOne - fy) + bottom * fy;
    // Halves to even, without a branch: the carry out of the low 46 bits
    // happens above a half, and at a half only when the quotient is odd.
    const std::int64_t q = (v + (kHalf - 1) + ((v >> 46) & 1)) >> 46;
    out[ch] = static_cast<std::uint8_t>(q);  // a mix of bytes stays within 0..255
  }
}

void BilinearExtended(const std::uint8_t* p0, const std::uint8_t* p1, float fx, float fy, std::uint8_t* out) {
  for (int ch = 0; ch < 3; ++ch) {
    const long double top = p0[ch] * (1.0L - fx) + p0[ch + 3] * static_cast<long double>(fx);
    const long double bottom = p1[ch] * (1.0L - fx) + p1[ch + 3] * static_cast<long double>(fx);
    out[ch] = RoundClampByte(top * (1.0L - fy) + bottom * static_cast<long double>(fy));
  }
}

// Writes pixel (x, y) from the source point (sx, sy); outside 0..W-2 x 0..H-2
// the grey fill stays.
inline void FishEyePixel(const TBitmap& src, std::uint8_t* out, float sx, float sy, float maxX, float maxY) {
  if (!(sx >= 0 && sx <= maxX && sy >= 0 && sy <= maxY)) return;
  const int l = static_cast<int>(sx), t = static_cast<int>(sy);
  const float fx = sx - static_cast<float>(l), fy = sy - static_cast<float>(t);
  const std::uint8_t* p0 = src.ScanLine(t) + 3 * l;
  const std::uint8_t* p1 = src.ScanLine(t + 1) + 3 * l;
  if (sx >= 1 && sy >= 1)
    BilinearExactInt(p0, p1, static_cast<std::int64_t>(static_cast<double>(fx) * 0x1p23),
                     static_cast<std::int64_t>(static_cast<double>(fy) * 0x1p23), out);
  else
    BilinearExtended(p0, p1, fx, fy, out);
}

// Row y and, when `partner` >= 0, row partner = H - y, whose dy is -dy. Where
// the estimates settle the angle and sx of pixel (x, y), its mirror (x,
// partner) has exactly the negated angle, the same cosine estimate and the
// negated sine estimate, so the same sx; its sy is settled on its own.
struct TRowPair {
  std::vector<double> inverse, dm;  // the rings, column by column
  std::vector<double> angle;        // estimate of atan2(|dy|, dx)
  std::vector<float> thetaF, sx, sy, sx2, sy2;  // sx2, sy2: the partner row's
  std::vector<std::uint8_t> unsettled;          // 1: angle or sx, 2: sy, 4: sy2
  explicit TRowPair(int w)
      : inverse(w), dm(w), angle(w), thetaF(w), sx(w), sy(w), sx2(w), sy2(w), unsettled(w) {}
};

constexpr double kPiD = 3.1415926535897932385;
constexpr double kAngleBound = 0x1p-44;

// The estimates of a row pair, without branches so that they run on vector
// registers. cos and sin of thetaF = theta + delta come from those of the
// pixel's own direction (dx / D, dy / D); |delta| < 2e-7, so the turn by delta
// to the second order is exact within 2e-21. At the centre d * m = 0 and the
// estimates give cx, cy exactly.
__attribute__((target_clones("avx2", "default"))) void EstimateRowPair(
    int w, double cx, double cy, double dy, double bound, const double* __restrict inverse,
    const double* __restrict dm, const double* __restrict angle, float* __restrict thetaF,
    float* __restrict sx, float* __restrict sy, float* __restrict sy2, std::uint8_t* __restrict unsettled) {
  const double flip = dy < 0 ? -1.0 : 1.0;
  for (int x = 0; x < w; ++x) {
    const double dx = static_cast<double>(x) - cx;
    const double theta = flip * angle[x];
    const float tLow = static_cast<float>(theta - kAngleBound), tHigh = static_cast<float>(theta + kAngleBound);
    const double delta = static_cast<double>(tLow) - theta;
    const double c0 = dx * inverse[x], s0 = dy * inverse[x];
    const double half = 1 - delta * delta / 2;
    const double c = c0 * half - s0 * delta;
    const double s = s0 * half + c0 * delta;
    const double vx = c * dm[x] + cx, vy = s * dm[x] + cy, vy2 = -s * dm[x] + cy;
    const float xLow = static_cast<float>(vx - bound), xHigh = static_cast<float>(vx + bound);
    const float yLow = static_cast<float>(vy - bound), yHigh = static_cast<float>(vy + bound);
    const float y2Low = static_cast<float>(vy2 - bound), y2High = static_cast<float>(vy2 + bound);
    thetaF[x] = tLow;
    sx[x] = xLow;
    sy[x] = yLow;
    sy2[x] = y2Low;
    unsettled[x] = static_cast<std::uint8_t>((tLow != tHigh) | (xLow != xHigh) | ((yLow != yHigh) << 1) |
                                             ((y2Low != y2High) << 2));
  }
}

// One pixel pair the row estimates could not settle, step by step.
void SettlePixelPair(const TLens& lens, double bound, double dx, double dy, double inverse, double dm,
                     double angleUp, bool pair, float& sx, float& sy, float& sx2, float& sy2) {
  auto exactAngle = [](double y, double x) {
    return static_cast<float>(std::atan2(static_cast<long double>(y), static_cast<long double>(x)));
  };
  auto exactX = [&](float t) {
    return static_cast<float>(std::cos(static_cast<long double>(t)) * static_cast<long double>(dm) + lens.cx);
  };
  auto exactY = [&](float t) {
    return static_cast<float>(std::sin(static_cast<long double>(t)) * static_cast<long double>(dm) + lens.cy);
  };
  const double c0 = dx * inverse;
  auto settle = [&](double ddy, float& outX, float& outY) {
    const double theta = ddy < 0 ? -angleUp : angleUp;
    float thetaF;
    if (!OneFloat(theta, kAngleBound, thetaF)) thetaF = exactAngle(ddy, dx);
    const double delta = static_cast<double>(thetaF) - theta;
    const double s0 = ddy * inverse;
    const double half = 1 - delta * delta / 2;
    if (!OneFloat((c0 * half - s0 * delta) * dm + lens.cx, bound, outX)) outX = exactX(thetaF);
    if (!OneFloat((s0 * half + c0 * delta) * dm + lens.cy, bound, outY)) outY = exactY(thetaF);
  };
  settle(dy, sx, sy);
  if (pair) settle(-dy, sx2, sy2);
}

// A row of pixels from their source points, one at a time.
void BilinearRow(const TBitmap& src, std::uint8_t* out, const float* sx, const float* sy, int x0, int w,
                 float maxX, float maxY) {
  for (int x = x0; x < w; ++x) FishEyePixel(src, out + 3 * x, sx[x], sy[x], maxX, maxY);
}

// v / 2^46 rounded half to even, as BilinearExactInt does it.
__attribute__((target("avx2"))) inline __m256i RoundLanes46(__m256i v) {
  const __m256i rounding = _mm256_set1_epi64x((std::int64_t{1} << 45) - 1), low = _mm256_set1_epi64x(1);
  return _mm256_srli_epi64(
      _mm256_add_epi64(_mm256_add_epi64(v, rounding), _mm256_and_si256(_mm256_srli_epi64(v, 46), low)), 46);
}

// The same, eight pixels at a time where all four neighbours lie at 1 or
// beyond: BilinearExactInt's integer sums on vector lanes (the neighbours'
// bytes read as 32-bit words, the 23-bit weights multiplied in 32 bits,
// the rows' mix in 64). Other lanes take the one-pixel path.
__attribute__((target("avx2"))) void BilinearRowAvx2(const TBitmap& src, std::uint8_t* out, const float* sx,
                                                     const float* sy, int w, float maxX, float maxY) {
  const std::uint8_t* bytes = src.Bits();
  const std::ptrdiff_t rowStride = src.Stride();
  const __m256i stride = _mm256_set1_epi32(src.Stride());
  const __m256 one = _mm256_set1_ps(1.0f), vMaxX = _mm256_set1_ps(maxX), vMaxY = _mm256_set1_ps(maxY);
  const __m256 scale = _mm256_set1_ps(0x1p23f);
  const __m256i kOne = _mm256_set1_epi32(1 << 23), byte = _mm256_set1_epi32(255);
  alignas(32) std::uint32_t result[3][8];
  int x = 0;
  for (; x + 8 <= w; x += 8) {
    const __m256 vx = _mm256_loadu_ps(sx + x), vy = _mm256_loadu_ps(sy + x);
    const __m256 inside = _mm256_and_ps(
        _mm256_and_ps(_mm256_cmp_ps(vx, one, _CMP_GE_OQ), _mm256_cmp_ps(vx, vMaxX, _CMP_LE_OQ)),
        _mm256_and_ps(_mm256_cmp_ps(vy, one, _CMP_GE_OQ), _mm256_cmp_ps(vy, vMaxY, _CMP_LE_OQ)));
    const int lanes = _mm256_movemask_ps(inside);
    if (lanes != 0) {
      const __m256i keep = _mm256_castps_si256(inside);
      const __m256 cx = _mm256_and_ps(vx, inside), cy = _mm256_and_ps(vy, inside);  // 0 elsewhere
      const __m256i l = _mm256_cvttps_epi32(cx), t = _mm256_cvttps_epi32(cy);
      const __m256i fx = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_sub_ps(cx, _mm256_cvtepi32_ps(l)), scale));
      const __m256i fy = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_sub_ps(cy, _mm256_cvtepi32_ps(t)), scale));
      const __m256i at = _mm256_and_si256(
          _mm256_add_epi32(_mm256_mullo_epi32(t, stride), _mm256_add_epi32(l, _mm256_add_epi32(l, l))), keep);
      // Eight bytes from 2 before the pixel (l >= 1) hold both neighbours of
      // a row; a0 = B G R of (l, t) and B of (l + 1, t), a1 = R of (l, t)
      // and B G R of (l + 1, t), b0 and b1 the same of row t + 1.
      alignas(32) std::int32_t offset[8];
      alignas(32) std::uint32_t words[4][8] = {};
      _mm256_store_si256(reinterpret_cast<__m256i*>(offset), at);
      for (int j = 0; j < 8; ++j) {
        if (!(lanes >> j & 1)) continue;
        std::uint64_t up, down;
        std::memcpy(&up, bytes + offset[j] - 2, 8);
        std::memcpy(&down, bytes + offset[j] + rowStride - 2, 8);
        words[0][j] = static_cast<std::uint32_t>(up >> 16);
        words[1][j] = static_cast<std::uint32_t>(up >> 32);
        words[2][j] = static_cast<std::uint32_t>(down >> 16);
        words[3][j] = static_cast<std::uint32_t>(down >> 32);
      }
      const __m256i a0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(words[0]));
      const __m256i a1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(words[1]));
      const __m256i b0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(words[2]));
      const __m256i b1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(words[3]));
      const __m256i rx = _mm256_sub_epi32(kOne, fx), ry = _mm256_sub_epi32(kOne, fy);
      const __m256i ryOdd = _mm256_srli_epi64(ry, 32), fyOdd = _mm256_srli_epi64(fy, 32);
      for (int ch = 0; ch < 3; ++ch) {
        const __m128i s0 = _mm_cvtsi32_si128(8 * ch), s1 = _mm_cvtsi32_si128(8 * ch + 8);
        const __m256i top = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(_mm256_srl_epi32(a0, s0), byte), rx),
                                             _mm256_mullo_epi32(_mm256_and_si256(_mm256_srl_epi32(a1, s1), byte), fx));
        const __m256i bottom =
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(_mm256_srl_epi32(b0, s0), byte), rx),
                             _mm256_mullo_epi32(_mm256_and_si256(_mm256_srl_epi32(b1, s1), byte), fx));
        const __m256i even = _mm256_add_epi64(_mm256_mul_epu32(top, ry), _mm256_mul_epu32(bottom, fy));
        const __m256i odd = _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(top, 32), ryOdd),
                                             _mm256_mul_epu32(_mm256_srli_epi64(bottom, 32), fyOdd));
        const __m256i q = _mm256_blend_epi32(RoundLanes46(even), _mm256_slli_epi64(RoundLanes46(odd), 32), 0xAA);
        _mm256_store_si256(reinterpret_cast<__m256i*>(result[ch]), q);
      }
    }
    for (int j = 0; j < 8; ++j) {
      std::uint8_t* p = out + 3 * (x + j);
      if (lanes >> j & 1) {
        p[0] = static_cast<std::uint8_t>(result[0][j]);
        p[1] = static_cast<std::uint8_t>(result[1][j]);
        p[2] = static_cast<std::uint8_t>(result[2][j]);
      } else {
        FishEyePixel(src, p, sx[x + j], sy[x + j], maxX, maxY);
      }
    }
  }
  BilinearRow(src, out, sx, sy, x, w, maxX, maxY);
}

std::atomic<int> gFishEyeVectors{1};

bool FishEyeAvx2() {
  return OfferedVectorLevel() >= kVectorAvx2 && gFishEyeVectors.load(std::memory_order_relaxed) >= 1;
}

void FishEyeRowPair(const TBitmap& src, TBitmap& dst, const TLens& lens, int y, int partner, TRowPair& row) {
  const int w = lens.w;
  const float maxX = static_cast<float>(w - 2), maxY = static_cast<float>(lens.h - 2);
  const double bound = 0x1p-40 * (3 * (static_cast<double>(lens.cx) + lens.cy) + 1);  // d * m < 1.1 (cx + cy)
  const double dy = static_cast<double>(y) - lens.cy;
  EstimateRowPair(w, lens.cx, lens.cy, dy, bound, row.inverse.data(), row.dm.data(), row.angle.data(),
                  row.thetaF.data(), row.sx.data(), row.sy.data(), row.sy2.data(), row.unsettled.data());
  // sx2: the partner row's sources across; the same as sx unless settled apart.
  std::copy(row.sx.begin(), row.sx.end(), row.sx2.begin());
  for (int x = 0; x < w; ++x) {
    if (const int u = row.unsettled[x]) {
      auto exactY = [&](float t) {
        return static_cast<float>(std::sin(static_cast<long double>(t)) * static_cast<long double>(row.dm[x]) +
                                  lens.cy);
      };
      if (u & 1) {
        SettlePixelPair(lens, bound, static_cast<double>(x) - lens.cx, dy, row.inverse[x], row.dm[x], row.angle[x],
                        partner >= 0, row.sx[x], row.sy[x], row.sx2[x], row.sy2[x]);
      } else {
        if (u & 2) row.sy[x] = exactY(row.thetaF[x]);
        if (u & 4) row.sy2[x] = exactY(-row.thetaF[x]);
      }
    }
  }
  const bool avx2 = FishEyeAvx2();
  auto fill = [&](int rowY, const std::vector<float>& sx, const std::vector<float>& sy) {
    std::uint8_t* out = dst.ScanLine(rowY);
    if (avx2)
      BilinearRowAvx2(src, out, sx.data(), sy.data(), w, maxX, maxY);
    else
      BilinearRow(src, out, sx.data(), sy.data(), 0, w, maxX, maxY);
  };
  fill(y, row.sx, row.sy);
  if (partner >= 0) fill(partner, row.sx2, row.sy2);
}

// Rows y and H - y lie at the same |dy|, and columns x and W - x at the same
// |dx|: one set of rings serves both rows of a pair. Pairs 0 .. H/2; row 0
// and, for an even height, row H/2 have no partner.
// The pairs are taken alternately from both ends of 0 .. H/2 (index i: pair
// i / 2 or the (i / 2)-th from the last), so that every block of indices holds
// as many pairs near the picture's edges, where most sources fall outside, as
// near its middle, and the threads' blocks cost alike. Each pair's rows are
// filled with the grey here, by the thread that writes them.
void FishEyePairs(const TBitmap& src, TBitmap& dst, const TLens& lens, int i0, int i1) {
  const auto& pieces = AtanPieces();
  const int pairs = lens.h / 2 + 1;
  const auto rowBytes = 3 * static_cast<std::size_t>(lens.w);
  TRowPair row(lens.w);
  const bool avx2 = FishEyeAvx2();
  for (int i = i0; i < i1; ++i) {
    const int y = i % 2 == 0 ? i / 2 : pairs - 1 - i / 2;
    std::memset(dst.ScanLine(y), 128, rowBytes);
    if (lens.h - y > y && lens.h - y < lens.h) std::memset(dst.ScanLine(lens.h - y), 128, rowBytes);
    const double dy = static_cast<double>(y) - lens.cy;
    int settled = 0;
    double inverse[4], dm[4];
    for (int x = 0; 2 * x <= lens.w; ++x) {
      if (avx2 && x % 4 == 0) settled = 2 * (x + 3) <= lens.w ? EstimateRings4(lens, x, dy, inverse, dm) : 0;
      TRing ring;
      const double dx = static_cast<double>(x) - lens.cx;
      if (settled >> (x % 4) & 1) {
        ring.inverse = inverse[x % 4];
        ring.dm = dm[x % 4];
        if (ring.inverse != 0) ring.angle = QuadrantAngle(std::fabs(dx), std::fabs(dy), pieces);
      } else {
        ring = LensRing(lens, dx, dy, pieces);
      }
      for (int col : {x, lens.w - x}) {
        if (col >= lens.w) continue;
        row.inverse[col] = ring.inverse;
        row.dm[col] = ring.dm;
        // The angle of the upper half-plane: pi - angle left of the centre.
        row.angle[col] = 2 * col < lens.w ? kPiD - ring.angle : ring.angle;
      }
    }
    const int partner = lens.h - y;
    FishEyeRowPair(src, dst, lens, y, partner > y && partner < lens.h ? partner : -1, row);
  }
}

}  // namespace

void LimitFishEyeVectors(int level) { gFishEyeVectors.store(level, std::memory_order_relaxed); }

bool Watercolor(TBitmap& image, std::int32_t reach, int threads) {
  if (!Is24(image)) return false;
  const int w = image.Width(), h = image.Height();
  if (w <= 0 || h <= 0) return true;
  if (reach < 0) {
    // An empty window counts nothing: every channel takes bin 0.
    for (int y = 0; y < h; ++y) std::memset(image.ScanLine(y), 0, 3 * static_cast<std::size_t>(w));
    return true;
  }
  // A reach beyond the picture covers the same pixels as one just reaching it.
  const int reachX = static_cast<int>(std::min<std::int64_t>(reach, w));
  const int reachY = static_cast<int>(std::min<std::int64_t>(reach, h));
  const std::uint64_t maxCount = static_cast<std::uint64_t>(std::min<std::int64_t>(2LL * reach + 1, w)) *
                                 static_cast<std::uint64_t>(std::min<std::int64_t>(2LL * reach + 1, h));
  const TBitmap src = DuplicateBitmap(image);
  ForEachRowBlock(h, threads, [&](std::int32_t y0, std::int32_t y1) {
    if (maxCount * 16 + 15 <= 0xFFFF)
      WatercolorRows16(src, image, reachX, reachY, y0, y1);
    else if (maxCount * 16 + 15 <= 0xFFFFFFFFu)
      WatercolorRows<std::uint32_t>(src, image, reachX, reachY, y0, y1);
    else
      WatercolorRows<std::uint64_t>(src, image, reachX, reachY, y0, y1);
  });
  return true;
}

bool Solarize(TBitmap& image, std::int32_t threshold) {
  if (!Is24(image)) return false;
  std::array<std::uint8_t, 256> map{};
  for (int v = 0; v < 256; ++v) map[v] = static_cast<std::uint8_t>(v < threshold ? 255 - v : v);
  for (int y = 0; y < image.Height(); ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int i = 0; i < 3 * image.Width(); ++i) row[i] = map[row[i]];
  }
  return true;
}

bool Negative(TBitmap& image) {
  if (!Is24(image)) return false;
  // Each byte depends on itself only, so the inversion can run in place.
  for (int y = 0; y < image.Height(); ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int i = 0; i < 3 * image.Width(); ++i) row[i] = static_cast<std::uint8_t>(255 - row[i]);
  }
  return true;
}

bool FishEye(TBitmap& image, float strength, int threads) {
  if (!Is24(image)) return false;
  // Compared in single precision, so that the page's 1.1f is still accepted.
  if (!(strength >= 0.1f && strength <= 1.1f)) return false;
  if (image.Empty()) return true;
  const TBitmap src = DuplicateBitmap(image);
  TLens lens;
  lens.w = image.Width();
  lens.h = image.Height();
  lens.k = strength;
  lens.cx = static_cast<float>(lens.w / 2.0L);
  lens.cy = static_cast<float>(lens.h / 2.0L);
  lens.radius = static_cast<float>(
      std::sqrt(static_cast<long double>(lens.cx) * lens.cx + static_cast<long double>(lens.cy) * lens.cy));
  ForEachRowBlock(lens.h / 2 + 1, threads,
                  [&](std::int32_t p0, std::int32_t p1) { FishEyePairs(src, image, lens, p0, p1); });
  return true;
}

bool SobelEdges(TBitmap& image, bool grey, int threads) {
  if (!Is24(image)) return false;
  const int w = image.Width();
  // In place, band by band, each band keeping the originals of its previous
  // and current rows aside as it goes.
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  ForEachEdgeBand(image, threads, [&](int y0, int y1, const std::vector<std::uint8_t>& above,
                                      const std::vector<std::uint8_t>& below) {
    std::vector<std::uint8_t> prev = above, cur(image.ScanLine(y0), image.ScanLine(y0) + bytes);
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* next = y + 1 < y1 ? image.ScanLine(y + 1) : below.data();
      SobelRow(prev.data(), cur.data(), next, image.ScanLine(y), w);
      prev.swap(cur);
      if (y + 1 < y1) std::memcpy(cur.data(), next, bytes);
    }
  });
  if (grey) ConvertToGrey8(image);
  return true;
}

void SetArtSimd(bool allowed) { gAvx2Allowed.store(allowed, std::memory_order_relaxed); }

bool ThresholdEdges(TBitmap& image, std::int32_t threshold) {
  if (!Is24(image)) return false;
  const int w = image.Width(), h = image.Height();
  TBitmap lines(w, h, TPixelFormat::pf1bit);
  // A fresh bitmap is black here; the drawing starts on white.
  for (int y = 0; y < h; ++y) std::memset(lines.ScanLine(y), 0xFF, static_cast<std::size_t>(lines.Stride()));
  std::vector<std::uint8_t> dh(static_cast<std::size_t>(w)), dv(static_cast<std::size_t>(w));
  {
    const TBmpData1 bits(lines);
    for (int y = 0; y < h; ++y) {
      RowDistances(image, y, dh.data(), dv.data());
      for (int x = 0; x < w; ++x)
        if (dh[x] >= threshold || dv[x] >= threshold) bits.SetBit(x, y, false);
    }
  }
  image = std::move(lines);
  return true;
}

bool ShadedEdges(TBitmap& image, bool stretch) {
  if (!Is24(image)) return false;
  const int w = image.Width(), h = image.Height();
  TBitmap shade(w, h, TPixelFormat::pf8bit);
  SetGreyPalette(shade);
  std::vector<std::uint8_t> dh(static_cast<std::size_t>(w)), dv(static_cast<std::size_t>(w));
  for (int y = 0; y < h; ++y) {
    RowDistances(image, y, dh.data(), dv.data());
    std::uint8_t* out = shade.ScanLine(y);
    for (int x = 0; x < w; ++x) out[x] = static_cast<std::uint8_t>(std::max(0, 255 - dh[x] - dv[x]));
  }
  if (stretch) AutoLevels8(shade);
  image = std::move(shade);
  return true;
}

bool AutoLevels8(TBitmap& grey8) {
  if (grey8.PixelFormat() != TPixelFormat::pf8bit) return false;
  const int w = grey8.Width(), h = grey8.Height();
  if (w <= 0 || h <= 0) return true;
  std::array<std::int64_t, 256> count{};
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = grey8.ScanLine(y);
    for (int x = 0; x < w; ++x) ++count[row[x]];
  }
  const std::int64_t pixels = static_cast<std::int64_t>(w) * h;
  const long double clip = std::rint(static_cast<long double>(pixels) * 0.015L);
  // clip stays below half the pixel count, so both levels exist and low <= high.
  int low = 0, high = 255;
  std::int64_t total = 0;
  for (low = 0; low < 255; ++low)
    if ((total += count[low]) > clip) break;
  total = 0;
  for (high = 255; high > 0; --high)
    if ((total += count[high]) > clip) break;
  const float scale = static_cast<float>(255.0L / (high - low + 1));
  std::array<std::uint8_t, 256> map{};
  for (int v = 0; v < 256; ++v) map[v] = RoundClampByte(static_cast<long double>(v - low) * scale);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = grey8.ScanLine(y);
    for (int x = 0; x < w; ++x) row[x] = map[row[x]];
  }
  return true;
}

}  // namespace kira
