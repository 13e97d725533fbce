#include "effects/resample.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>
#include <vector>

#include "core/parallel_rows.h"
#include "effects/resample_rows.h"

namespace kira {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
// Both derived from the held pi in extended arithmetic: pi / 2 exactly, and
// pi * pi / 2 with the square rounded (one unit in the last place above the
// true pi^2 / 2).
constexpr long double kPiHalf = kPi / 2;
constexpr long double kPiSquaredHalf = kPi * kPi / 2;

// Each kernel is evaluated exactly as written, powers first as products of
// their own; exact halves are common in enlargements, so the order of the
// operations decides bytes.
long double CubicConvolution(long double t) {
  if (t < 1) {
    const long double t2 = t * t;
    return (t2 - t - 1) * (t - 1);
  }
  const long double d2 = (t - 2) * (t - 2);
  return -((t - 1) * d2);
}

long double Hermite(long double t) { return (2 * t - 3) * t * t + 1; }

long double Mitchell(long double t) {
  const long double t2 = t * t;
  const long double t3 = t * t * t;
  if (t < 1) return (7 * t3) / 6 - 2 * t2 + 8.0L / 9.0L;
  return 2 * t2 - (10 * t) / 3 - (7 * t3) / 18 + 16.0L / 9.0L;
}

long double Bell(long double t) {
  if (t < 0.5L) return 0.75L - t * t;
  if (t < 1.5L) {
    const long double d2 = (t - 1.5L) * (t - 1.5L);
    return 0.5L * d2;
  }
  return 0;
}

long double Lanczos2(long double t) {
  if (t == 0) return 1;
  return std::sin(kPi * t) * std::sin(kPiHalf * t) / (t * kPiSquaredHalf * t);
}

long double Lagrange(long double t) {
  if (t < 1) return (t - 2) * 0.5L * (t + 1) * (t - 1);
  return -((t - 3) * (t - 2) * (t - 1)) / 6;
}

long double Cube(long double v) { return v * v * v; }

// Byte values as floats: exact, and loaded straight onto the floating-point
// stack from the table, without a trip through an integer register.
constexpr std::array<float, 256> kByteValue = [] {
  std::array<float, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<float>(i);
  return t;
}();

inline long double Value(std::uint8_t byte) { return kByteValue[byte]; }

// RoundClampByte without the library call: nearbyintl saves and restores the
// whole floating-point environment on every call, which costs more than the
// rest of a bilinear pixel. Both forms below round in the default mode, to
// nearest with ties to even, as nearbyint does.
static_assert(std::numeric_limits<long double>::digits == 64, "extended precision is the x87 80-bit format");
inline std::uint8_t RoundClampByteFast(long double value) {
  if (!(value >= 0)) return 0;  // also NaN
  if (value > 255) return 255;
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  // The x87 store-integer instruction rounds by the current mode.
  long long rounded;
  asm("fistpll %0" : "=m"(rounded) : "t"(value) : "st");
  return static_cast<std::uint8_t>(rounded);
#else
  // Adding 2^63 leaves a 64-bit significand whose unit is 1: the sum is the
  // value rounded, and its low bits are the rounded value.
  const long double shifted = value + 0x1p63L;
  std::uint64_t significand;
  std::memcpy(&significand, &shifted, sizeof significand);
  return static_cast<std::uint8_t>(significand);
#endif
}

std::vector<std::int32_t> NearestAxis(std::int32_t side, std::int32_t n, long double ratio) {
  std::vector<std::int32_t> axis(static_cast<std::size_t>(n));
  for (std::int32_t d = 0; d < n; ++d) {
    const long double s = d * ratio;
    std::int32_t i = static_cast<std::int32_t>(std::nearbyint(s));  // ties to even
    if (i > side - 1) i = side - 1;
    axis[d] = i;
  }
  return axis;
}

void Nearest(const TBitmap& src, TBitmap& dst, long double rx, long double ry, int threads) {
  const std::vector<std::int32_t> cols = NearestAxis(src.Width(), dst.Width(), rx);
  const std::vector<std::int32_t> rows = NearestAxis(src.Height(), dst.Height(), ry);
  // Whole destination rows per thread; the bytes do not depend on the split.
  ForEachRowBlock(dst.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    for (std::int32_t y = y0; y < y1; ++y) {
      const std::uint8_t* in = src.ScanLine(rows[y]);
      std::uint8_t* out = dst.ScanLine(y);
      for (std::size_t x = 0; x < cols.size(); ++x, out += 3) {
        const std::uint8_t* p = in + 3 * static_cast<std::ptrdiff_t>(cols[x]);
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
      }
    }
  });
}

// The taps of one destination position along one axis, zero weights
// included: n = 2 for bilinear and Hermite, 4 for the other kernel codes.
// index already follows the out-of-range rule.
struct TPosition {
  std::int32_t index[4];
  long double weight[4];
};

struct TAxis {
  int n = 0;
  std::vector<TPosition> at;
};

// Taps of codes 1..8 along one axis of `count` destination positions over a
// source side of length `side`. Rows and columns differ only for the
// B-spline, whose row weights are built from (g + k)^3 and column weights
// from (k - f)^3. The weights depend only on the destination column (or
// row), so they are worked out once per axis: the kernel is the same function
// of the same argument, hence the same value as an evaluation per tap.
TAxis AxisTaps(std::uint8_t method, std::int32_t side, std::int32_t count, long double ratio, bool rows) {
  TAxis axis;
  axis.n = (method == kResampleBilinear || method == kResampleHermite) ? 2 : 4;
  axis.at.resize(static_cast<std::size_t>(count));
  const int lo = axis.n == 2 ? 0 : -1;
  for (std::int32_t d = 0; d < count; ++d) {
    TPosition& pos = axis.at[static_cast<std::size_t>(d)];
    const long double s = d * ratio;
    std::int32_t is = static_cast<std::int32_t>(std::trunc(s));
    if (method == kResampleBilinear) {
      if (is < 0) is = 0;
      const long double f = s - is;
      pos.index[0] = is;
      pos.index[1] = is + 1 > side - 1 ? is : is + 1;  // the last column mixes only with itself
      pos.weight[0] = 1 - f;
      pos.weight[1] = f;
      continue;
    }
    long double* w = pos.weight;
    if (method == kResampleBSpline) {
      const long double f = s - is;
      if (!rows) {
        const long double a1 = Cube(1 - f) / 6, a2 = Cube(2 - f) / 6, a3 = Cube(3 - f) / 6,
                          a4 = Cube(4 - f) / 6;
        w[0] = a1;
        w[1] = a2 - 4 * a1;
        w[2] = a3 - 4 * a2 + 6 * a1;
        w[3] = a4 - 4 * a3 + 6 * a2 - 4 * a1;
      } else {
        const long double b0 = Cube(f + 0) / 6, b1 = Cube(f + 1) / 6, b2 = Cube(f + 2) / 6,
                          b3 = Cube(f + 3) / 6;
        w[3] = b0;
        w[2] = b1 - 4 * b0;
        w[1] = b2 - 4 * b1 + 6 * b0;
        w[0] = b3 - 4 * b2 + 6 * b1 - 4 * b0;
      }
    } else {
      for (int k = 0; k < axis.n; ++k) w[k] = ResampleKernel(method, std::fabs(s - (is + lo + k)));
    }
    for (int k = 0; k < axis.n; ++k) {
      // Out of range: the truncated position, not the edge. is itself is
      // always inside, since s < side for every destination position.
      const std::int32_t i = is + lo + k;
      pos.index[k] = (i >= 0 && i <= side - 1) ? i : is;
    }
  }
  return axis;
}

// ---- The extended-precision evaluation of single values, as the rule is
// written. It decides every value the double pass cannot.

// Taps with a zero weight add a zero product to a sum that is never -0,
// which leaves the sum as it was; they are dropped here.
struct TTap {
  std::int32_t offset;  // bytes from the start of the row (columns) or the row index (rows)
  long double weight;
};

struct TExtendedAxis {
  std::vector<std::int32_t> first;  // [first[d], first[d + 1]) in taps
  std::vector<TTap> taps;
};

TExtendedAxis ExtendedAxis(const TAxis& axis, bool rows) {
  TExtendedAxis out;
  out.first.reserve(axis.at.size() + 1);
  for (const TPosition& pos : axis.at) {
    out.first.push_back(static_cast<std::int32_t>(out.taps.size()));
    for (int k = 0; k < axis.n; ++k)
      if (pos.weight[k] != 0) out.taps.push_back(TTap{rows ? pos.index[k] : 3 * pos.index[k], pos.weight[k]});
  }
  out.first.push_back(static_cast<std::int32_t>(out.taps.size()));
  return out;
}

// One channel (0 blue, 1 green, 2 red) of destination pixel (x, y) of a
// kernel method: p * wx * wy added over the taps, rows outer, columns inner.
std::uint8_t KernelValue(const TBitmap& src, const TExtendedAxis& cols, const TExtendedAxis& rows,
                         std::int32_t x, std::int32_t y, int channel) {
  long double sum = 0;
  for (std::int32_t r = rows.first[y]; r < rows.first[y + 1]; ++r) {
    const std::uint8_t* line = src.ScanLine(rows.taps[r].offset) + channel;
    const long double wy = rows.taps[r].weight;
    for (std::int32_t c = cols.first[x]; c < cols.first[x + 1]; ++c)
      sum += Value(line[cols.taps[c].offset]) * cols.taps[c].weight * wy;
  }
  return RoundClampByteFast(sum);
}

// One channel of a bilinear pixel: top and bottom mixed across, then down.
std::uint8_t BilinearValue(const TBitmap& src, const TAxis& cols, const TAxis& rows, std::int32_t x,
                           std::int32_t y, int channel) {
  const TPosition& c = cols.at[static_cast<std::size_t>(x)];
  const TPosition& r = rows.at[static_cast<std::size_t>(y)];
  const std::uint8_t* top = src.ScanLine(r.index[0]) + channel;
  const std::uint8_t* bottom = src.ScanLine(r.index[1]) + channel;
  const long double t = Value(top[3 * c.index[0]]) * c.weight[0] + Value(top[3 * c.index[1]]) * c.weight[1];
  const long double b =
      Value(bottom[3 * c.index[0]]) * c.weight[0] + Value(bottom[3 * c.index[1]]) * c.weight[1];
  return RoundClampByteFast(t * r.weight[0] + b * r.weight[1]);
}

// ---- The double-precision pass and its error bound (see resample.h).

struct TAxisBound {
  long double sumAbs = 0;        // max over positions of sum |w|
  long double sumAbsDouble = 0;  // ... of sum |w rounded to double|
  long double roundings = 0;     // ... of sum m_k |w_k rounded|, m_k the roundings product k passes
  long double weightError = 0;   // ... of sum |w rounded - w|
};

// Weights with at most this many bits after the binary point, all doubles,
// form a grid on which both passes can be exact.
constexpr int kGridBits = 24;

struct TDoubleAxis {
  int n = 0;
  std::vector<std::int32_t> index;  // n per position: source index
  std::vector<double> weight;       // n per position
  // The taps of weight other than 0, in order, n slots per position.
  std::vector<std::int32_t> liveOffset;
  std::vector<double> liveWeight;
  std::vector<std::uint8_t> live;  // how many, at least 1
  TAxisBound bound;
  bool plainCopy = true;  // one tap of weight 1 and zeros at every position
  // Positions whose weights lie on the grid, and over them the most bits
  // after the point and the largest sum |w|.
  std::vector<std::uint8_t> onGrid;
  int gridBits = 0;
  long double gridSumAbs = 0;
};

// Bits after the binary point of a long double (0 for whole numbers).
int FractionBits(long double w) {
  int exponent = 0;
  const long double m = std::frexp(w, &exponent);  // w = m * 2^exponent, 0.5 <= |m| < 1
  std::uint64_t bits = static_cast<std::uint64_t>(std::ldexp(std::fabs(m), 64));
  int trailing = 0;
  while ((bits & 1) == 0) {
    bits >>= 1;
    ++trailing;
  }
  return std::max(0, 64 - exponent - trailing);
}

TDoubleAxis DoubleAxis(const TAxis& axis) {
  TDoubleAxis out;
  out.n = axis.n;
  out.index.reserve(axis.at.size() * axis.n);
  out.weight.reserve(axis.at.size() * axis.n);
  TAxisBound& b = out.bound;
  for (const TPosition& pos : axis.at) {
    long double sumAbs = 0, sumAbsDouble = 0, roundings = 0, weightError = 0;
    int ones = 0, zeros = 0, bits = 0;
    bool representable = true;
    for (int k = 0; k < axis.n; ++k) {
      const long double w = pos.weight[k];
      const double wd = static_cast<double>(w);
      const long double wdl = wd;
      out.index.push_back(pos.index[k]);
      out.weight.push_back(wd);
      // The first product passes through its own rounding and the n - 1
      // additions; product k > 0 through its own and n - k additions.
      const int passes = k == 0 ? axis.n : 1 + axis.n - k;
      sumAbs += std::fabs(w);
      sumAbsDouble += std::fabs(wdl);
      roundings += passes * std::fabs(wdl);
      weightError += std::fabs(wdl - w);
      if (w != 0) {
        bits = std::max(bits, FractionBits(w));
        if (wdl != w) representable = false;
      }
      ones += w == 1;
      zeros += w == 0;
    }
    if (ones != 1 || zeros != axis.n - 1) out.plainCopy = false;
    int alive = 0;
    for (int k = 0; k < axis.n; ++k)
      if (pos.weight[k] != 0) {
        out.liveOffset.push_back(3 * pos.index[k]);
        out.liveWeight.push_back(static_cast<double>(pos.weight[k]));
        ++alive;
      }
    if (alive == 0) {
      out.liveOffset.push_back(3 * pos.index[0]);
      out.liveWeight.push_back(0);
      alive = 1;
    }
    out.live.push_back(static_cast<std::uint8_t>(alive));
    for (int k = alive; k < axis.n; ++k) {
      out.liveOffset.push_back(out.liveOffset.back());
      out.liveWeight.push_back(0);
    }
    const bool onGrid = representable && bits <= kGridBits;
    out.onGrid.push_back(onGrid);
    if (onGrid) {
      out.gridBits = std::max(out.gridBits, bits);
      out.gridSumAbs = std::max(out.gridSumAbs, sumAbs);
    }
    b.sumAbs = std::max(b.sumAbs, sumAbs);
    b.sumAbsDouble = std::max(b.sumAbsDouble, sumAbsDouble);
    b.roundings = std::max(b.roundings, roundings);
    b.weightError = std::max(b.weightError, weightError);
  }
  return out;
}

// Whether both passes are exact for every pixel whose column and row both
// lie on the grid: every product and partial sum is then a multiple of
// 2^-(bits of the column + bits of the row) below 2^53 such units.
bool GridIsExact(const TDoubleAxis& x, const TDoubleAxis& y) {
  const long double byteMax = 255, limit = 0x1p53L;
  const long double unit = std::ldexp(1.0L, x.gridBits + y.gridBits);
  return byteMax * x.gridSumAbs * unit < limit && byteMax * y.gridSumAbs * unit < limit &&
         byteMax * x.gridSumAbs * y.gridSumAbs * unit < limit;
}

// The tolerance E of the flag test.
long double Tolerance(const TAxisBound& x, const TAxisBound& y, int nx, int ny) {
  const long double byteMax = 255;
  const long double u = 0x1p-53L, ue = 0x1p-64L;
  const long double doublePass = byteMax * (u * (x.roundings * y.sumAbsDouble + x.sumAbsDouble * y.roundings) +
                                            x.weightError * y.sumAbsDouble + x.sumAbs * y.weightError);
  const long double extendedPass = byteMax * ue * (nx * ny + 1) * x.sumAbs * y.sumAbs;
  // The first-order terms above miss products of two or more rounding
  // errors, each below 2^-40 of the whole.
  return (doublePass + extendedPass) * (1 + 0x1p-20L);
}

resample_rows::TKernels Kernels(TResamplePath path) {
  static const bool avx2 = resample_rows::Avx2Supported();
  if (path != TResamplePath::Sse2 && avx2) return resample_rows::Avx2Kernels();
  return resample_rows::BaselineKernels();
}

bool Ssse3Supported() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}

// Destination pixels 0, 1, ... of a row taken from source pixels 0, 2, 4, ...
// of a source row `srcWidth` pixels wide: eight at a time, 48 source bytes
// shuffled into 24. Returns how many it did; the rest are left to the caller
// (at least the ones whose 48 bytes would reach past the source row).
__attribute__((target("ssse3"))) std::int32_t HalveRowSsse3(const std::uint8_t* in, std::int32_t srcWidth,
                                                           std::uint8_t* out, std::int32_t width) {
  // Source pixel 2k is bytes 6k .. 6k+2: output bytes 0..15 come from bytes
  // 0..2, 6..8, 12..14 (first load) and 18..20, 24..26, 30 (second), output
  // bytes 16..23 from 31 (second) and 32, 36..38, 42..44 (third).
  const __m128i a0 = _mm_setr_epi8(0, 1, 2, 6, 7, 8, 12, 13, 14, -1, -1, -1, -1, -1, -1, -1);
  const __m128i b0 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 3, 4, 8, 9, 10, 14);
  const __m128i b1 = _mm_setr_epi8(15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i c1 = _mm_setr_epi8(-1, 0, 4, 5, 6, 10, 11, 12, -1, -1, -1, -1, -1, -1, -1, -1);
  std::int32_t x = 0;
  for (; x + 8 <= width && 6 * static_cast<std::int64_t>(x) + 48 <= 3 * static_cast<std::int64_t>(srcWidth); x += 8) {
    const std::uint8_t* p = in + 6 * static_cast<std::ptrdiff_t>(x);
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    std::uint8_t* q = out + 3 * static_cast<std::ptrdiff_t>(x);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_or_si128(_mm_shuffle_epi8(a, a0), _mm_shuffle_epi8(b, b0)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 16), _mm_or_si128(_mm_shuffle_epi8(b, b1), _mm_shuffle_epi8(c, c1)));
  }
  return x;
}

// Codes 1..8: the double pass, horizontal into a ring of rows, then vertical,
// with the flagged values decided again in extended precision.
void Separable(const TBitmap& src, TBitmap& dst, std::uint8_t method, long double rx, long double ry,
               int threads, TResamplePath path, TResampleCounts* counts) {
  const std::int32_t width = dst.Width(), height = dst.Height();
  const TAxis colTaps = AxisTaps(method, src.Width(), width, rx, false);
  const TAxis rowTaps = AxisTaps(method, src.Height(), height, ry, true);
  const TDoubleAxis cols = DoubleAxis(colTaps);
  const TDoubleAxis rows = DoubleAxis(rowTaps);
  const std::int32_t count = 3 * width;
  const int n = rows.n;
  if (counts) counts->values += static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(height);

  if (cols.plainCopy && rows.plainCopy) {
    // p * 1 + q * 0 + ... is p exactly, in either precision.
    auto one = [](const TDoubleAxis& axis, std::int32_t d) {
      const std::size_t at = static_cast<std::size_t>(d) * axis.n;
      std::size_t k = 0;
      while (axis.weight[at + k] != 1) ++k;
      return axis.index[at + k];
    };
    std::vector<std::int32_t> from(static_cast<std::size_t>(width));
    bool halving = true;  // every other source pixel, from the first
    for (std::int32_t x = 0; x < width; ++x) {
      from[static_cast<std::size_t>(x)] = 3 * one(cols, x);
      halving = halving && one(cols, x) == 2 * x;
    }
    const bool shuffle = halving && path != TResamplePath::Sse2 && Ssse3Supported();
    ForEachRowBlock(height, threads, [&](std::int32_t y0, std::int32_t y1) {
      for (std::int32_t y = y0; y < y1; ++y) {
        const std::uint8_t* in = src.ScanLine(one(rows, y));
        std::uint8_t* out = dst.ScanLine(y);
        std::int32_t x = shuffle ? HalveRowSsse3(in, src.Width(), out, width) : 0;
        // A pixel moves as a 4-byte word whose last byte is overwritten by
        // the next pixel; the row's last pixel moves alone. Source rows have
        // slack beyond their last pixel for the fourth byte read.
        for (; x + 1 < width; ++x) {
          std::uint32_t v;
          std::memcpy(&v, in + from[static_cast<std::size_t>(x)], 4);
          std::memcpy(out + 3 * static_cast<std::ptrdiff_t>(x), &v, 4);
        }
        if (x < width) std::memcpy(out + 3 * static_cast<std::ptrdiff_t>(x), in + from[static_cast<std::size_t>(x)], 3);
      }
    });
    return;
  }

  // The flag test per value: none where the column and the row both lie on
  // an exact grid, otherwise |D - Round(D)| >= 1/2 - E, with the threshold
  // rounded down so that it flags at least every value within E of a half.
  const long double e = Tolerance(cols.bound, rows.bound, cols.n, rows.n);
  const double within = static_cast<double>(0.5L - e);
  const double threshold = static_cast<long double>(within) > 0.5L - e ? std::nextafter(within, 0.0) : within;
  const bool gridExact = GridIsExact(cols, rows);
  const std::size_t padded = static_cast<std::size_t>(count) + resample_rows::kRowSlack;
  const std::vector<double> thresholdOff(padded, threshold);
  std::vector<double> thresholdOn(padded, threshold);
  std::int32_t columnsOnGrid = 0;
  for (std::int32_t x = 0; x < width; ++x)
    if (gridExact && cols.onGrid[static_cast<std::size_t>(x)]) {
      std::fill_n(thresholdOn.begin() + 3 * static_cast<std::ptrdiff_t>(x), 3, 1.0);
      ++columnsOnGrid;
    }
  // One threshold serves a row unless it is on the grid and its columns differ.
  const bool columnsDiffer = columnsOnGrid != 0 && columnsOnGrid != width;
  const bool bilinear = method == kResampleBilinear;
  const TExtendedAxis extCols = bilinear ? TExtendedAxis{} : ExtendedAxis(colTaps, false);
  const TExtendedAxis extRows = bilinear ? TExtendedAxis{} : ExtendedAxis(rowTaps, true);
  // The source columns any tap reads; only they are converted to doubles.
  std::vector<std::int32_t> used(cols.index);
  std::sort(used.begin(), used.end());
  used.erase(std::unique(used.begin(), used.end()), used.end());
  const bool allUsed = static_cast<std::int32_t>(used.size()) == src.Width();

  const resample_rows::TKernels kernels = Kernels(path);
  std::atomic<std::uint64_t> recomputed{0};
  ForEachRowBlock(height, threads, [&](std::int32_t y0, std::int32_t y1) {
    std::vector<double> line(kernels.horizontalBytes ? 0 : static_cast<std::size_t>(3) * src.Width() + resample_rows::kRowSlack, 0.0);
    std::vector<std::uint8_t> bytes(kernels.horizontalBytes ? static_cast<std::size_t>(3) * src.Width() + 4 : 0, 0);
    // A ring of horizontally resampled source rows, by source row index.
    std::vector<std::vector<double>> slot(static_cast<std::size_t>(n));
    for (auto& s : slot) s.assign(static_cast<std::size_t>(count) + resample_rows::kRowSlack, 0.0);
    std::vector<std::int32_t> slotRow(static_cast<std::size_t>(n), -1);
    std::vector<std::int32_t> flagged(static_cast<std::size_t>(count) + 16);
    const double* rowPtr[4];
    std::int32_t need[4];
    double needWeight[4];
    std::uint64_t ownRecomputed = 0;
    for (std::int32_t y = y0; y < y1; ++y) {
      // Rows of weight 0 are left out of the vertical pass: adding a zero
      // product changes no byte, and the bound only counts fewer roundings.
      int m = 0;
      for (int k = 0; k < n; ++k) {
        const std::size_t at = static_cast<std::size_t>(y) * n + k;
        if (rows.weight[at] == 0 && !(k == n - 1 && m == 0)) continue;
        need[m] = rows.index[at];
        needWeight[m++] = rows.weight[at];
      }
      for (int k = 0; k < m; ++k) {
        int s = 0;
        while (s < n && slotRow[s] != need[k]) ++s;
        if (s == n) {
          // Reuse the slot of the lowest row this destination row does not
          // read; rows only move down, so it is not needed again.
          s = -1;
          for (int t = 0; t < n; ++t) {
            if (std::find(need, need + m, slotRow[t]) != need + m) continue;
            if (s < 0 || slotRow[t] < slotRow[s]) s = t;
          }
          const std::uint8_t* in = src.ScanLine(need[k]);
          if (kernels.horizontalBytes) {
            // Straight from a copy of the bytes (with slack for the last
            // pixel's whole-vector read), without a row of doubles between.
            std::memcpy(bytes.data(), in, static_cast<std::size_t>(3) * src.Width());
            kernels.horizontalBytes(bytes.data(), cols.liveOffset.data(), cols.liveWeight.data(), cols.live.data(),
                                    cols.n, width, slot[s].data());
            slotRow[s] = need[k];
            rowPtr[k] = slot[s].data();
            continue;
          }
          if (allUsed) {
            kernels.widen(in, 3 * src.Width(), line.data());
          } else {
            for (std::int32_t i : used) {
              double* to = line.data() + 3 * static_cast<std::ptrdiff_t>(i);
              const std::uint8_t* from = in + 3 * static_cast<std::ptrdiff_t>(i);
              to[0] = from[0];
              to[1] = from[1];
              to[2] = from[2];
            }
          }
          // Taps of weight 0 are left out here too, for the same reason.
          kernels.horizontal(line.data(), cols.liveOffset.data(), cols.liveWeight.data(), cols.live.data(), cols.n,
                             width,
                             slot[s].data());
          slotRow[s] = need[k];
        }
        rowPtr[k] = slot[s].data();
      }
      std::uint8_t* out = dst.ScanLine(y);
      const bool rowOnGrid = rows.onGrid[static_cast<std::size_t>(y)];
      const double* flagAt = rowOnGrid ? thresholdOn.data() : thresholdOff.data();
      const std::int32_t nf = kernels.vertical(rowPtr, needWeight, m, count, flagAt, rowOnGrid && columnsDiffer,
                                               out, flagged.data());
      for (std::int32_t f = 0; f < nf; ++f) {
        const std::int32_t e = flagged[f];
        out[e] = bilinear ? BilinearValue(src, colTaps, rowTaps, e / 3, y, e % 3)
                          : KernelValue(src, extCols, extRows, e / 3, y, e % 3);
      }
      ownRecomputed += static_cast<std::uint64_t>(nf);
    }
    recomputed += ownRecomputed;
  });
  if (counts) counts->recomputed += recomputed;
}

}  // namespace

long double ResampleKernel(std::uint8_t method, long double t) {
  switch (method) {
    case kResampleBicubic: return CubicConvolution(t);
    case kResampleHermite: return Hermite(t);
    case kResampleMitchell: return Mitchell(t);
    case kResampleBell: return Bell(t);
    case kResampleLanczos2: return Lanczos2(t);
    case kResampleLagrange: return Lagrange(t);
    default: return 0;
  }
}

bool ResampleIntoOn(const TBitmap& source, TBitmap& result, std::int32_t newWidth, std::int32_t newHeight,
                    std::uint8_t method, int threads, TResamplePath path, TResampleCounts* counts) {
  // An empty source has no pixel for even the truncated position to read;
  // a new side below 1 would divide by zero.
  if (!Is24(source) || source.Empty() || newWidth < 1 || newHeight < 1 || method > kResampleLagrange) {
    return false;
  }
  const long double ratioX = static_cast<long double>(source.Width()) / newWidth;
  const long double ratioY = static_cast<long double>(source.Height()) / newHeight;
  TBitmap out = TBitmap::ForOverwrite(newWidth, newHeight, TPixelFormat::pf24bit);  // every pixel is written
  switch (method) {
    case kResampleNearest: Nearest(source, out, ratioX, ratioY, threads); break;
    default: Separable(source, out, method, ratioX, ratioY, threads, path, counts); break;
  }
  result = std::move(out);
  return true;
}

bool ResampleInto(const TBitmap& source, TBitmap& result, std::int32_t newWidth, std::int32_t newHeight,
                  std::uint8_t method, int threads) {
  return ResampleIntoOn(source, result, newWidth, newHeight, method, threads, TResamplePath::Best);
}

bool ResamplePathAvailable(TResamplePath path) {
  return path != TResamplePath::Avx2 || resample_rows::Avx2Supported();
}

bool ResampleBitmap(TBitmap& bitmap, std::int32_t newWidth, std::int32_t newHeight, std::uint8_t method,
                    int threads) {
  TBitmap out;
  if (!ResampleInto(bitmap, out, newWidth, newHeight, method, threads)) return false;
  bitmap = std::move(out);
  return true;
}

}  // namespace kira
