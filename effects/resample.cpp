#include "effects/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>
#include <vector>

#include "core/parallel_rows.h"

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

// One source index and its weight. The weights depend only on the
// destination column (or row), so they are worked out once per axis: the
// kernel is the same function of the same argument, hence the same value as
// an evaluation per tap.
struct TTap {
  std::int32_t index;
  long double weight;
};

// Per destination position: [first[d], first[d + 1]) in taps.
struct TAxisTaps {
  std::vector<std::int32_t> first;
  std::vector<TTap> taps;
};

// Taps of the kernel methods along one axis of n destination positions over
// a source side of length `side`. Rows and columns differ only for the
// B-spline, whose row weights are built from (g + k)^3 and column weights
// from (k - f)^3.
TAxisTaps KernelAxis(std::uint8_t method, std::int32_t side, std::int32_t n, long double ratio, bool rows) {
  TAxisTaps axis;
  axis.first.reserve(static_cast<std::size_t>(n) + 1);
  axis.taps.reserve(static_cast<std::size_t>(n) * 4);
  const int lo = method == kResampleHermite ? 0 : -1;
  const int hi = method == kResampleHermite ? 1 : 2;
  for (std::int32_t d = 0; d < n; ++d) {
    axis.first.push_back(static_cast<std::int32_t>(axis.taps.size()));
    const long double s = d * ratio;
    const std::int32_t is = static_cast<std::int32_t>(std::trunc(s));
    long double w[4];
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
      for (int k = lo; k <= hi; ++k) w[k - lo] = ResampleKernel(method, std::fabs(s - (is + k)));
    }
    for (int k = lo; k <= hi; ++k) {
      const long double weight = w[k - lo];
      // A zero weight adds a zero product to a sum that is never -0, which
      // leaves the sum as it was; such taps are dropped.
      if (weight == 0) continue;
      const std::int32_t i = is + k;
      // Out of range: the truncated position, not the edge. is itself is
      // always inside, since s < side for every destination position.
      axis.taps.push_back(TTap{(i >= 0 && i <= side - 1) ? i : is, weight});
    }
  }
  axis.first.push_back(static_cast<std::int32_t>(axis.taps.size()));
  return axis;
}

struct TLinear {
  std::int32_t i0, i1;
  long double f, g;  // fraction and 1 - fraction
};

std::vector<TLinear> LinearAxis(std::int32_t side, std::int32_t n, long double ratio) {
  std::vector<TLinear> axis(static_cast<std::size_t>(n));
  for (std::int32_t d = 0; d < n; ++d) {
    const long double s = d * ratio;
    std::int32_t i0 = static_cast<std::int32_t>(std::trunc(s));
    if (i0 < 0) i0 = 0;
    const std::int32_t i1 = i0 + 1 > side - 1 ? i0 : i0 + 1;
    const long double f = s - i0;
    axis[d] = TLinear{i0, i1, f, 1 - f};
  }
  return axis;
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

void Bilinear(const TBitmap& src, TBitmap& dst, long double rx, long double ry, int threads) {
  const std::vector<TLinear> cols = LinearAxis(src.Width(), dst.Width(), rx);
  const std::vector<TLinear> rows = LinearAxis(src.Height(), dst.Height(), ry);
  ForEachRowBlock(dst.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    for (std::int32_t y = y0; y < y1; ++y) {
      const TLinear& r = rows[y];
      const std::uint8_t* top = src.ScanLine(r.i0);
      const std::uint8_t* bottom = src.ScanLine(r.i1);
      std::uint8_t* out = dst.ScanLine(y);
      const long double rg = r.g, rf = r.f;
      for (const TLinear& c : cols) {
        const std::uint8_t* a = top + 3 * static_cast<std::ptrdiff_t>(c.i0);
        const std::uint8_t* b = top + 3 * static_cast<std::ptrdiff_t>(c.i1);
        const std::uint8_t* d = bottom + 3 * static_cast<std::ptrdiff_t>(c.i0);
        const std::uint8_t* e = bottom + 3 * static_cast<std::ptrdiff_t>(c.i1);
        // A fraction of exactly 0 makes p * 1 + q * 0 equal to p, bit for
        // bit, so on whole-number positions (halving, same size) the mixing
        // is skipped without changing a byte.
        if (c.f == 0 && rf == 0) {
          out[0] = a[0];
          out[1] = a[1];
          out[2] = a[2];
        } else if (c.f == 0) {
          for (int k = 2; k >= 0; --k) out[k] = RoundClampByteFast(Value(a[k]) * rg + Value(d[k]) * rf);
        } else {
          const long double cg = c.g, cf = c.f;
          for (int k = 2; k >= 0; --k) {  // red, green, blue
            const long double t = Value(a[k]) * cg + Value(b[k]) * cf;
            if (rf == 0) {
              out[k] = RoundClampByteFast(t);
              continue;
            }
            const long double u = Value(d[k]) * cg + Value(e[k]) * cf;
            out[k] = RoundClampByteFast(t * rg + u * rf);
          }
        }
        out += 3;
      }
    }
  });
}

void Kernel(const TBitmap& src, TBitmap& dst, std::uint8_t method, long double rx, long double ry,
            int threads) {
  const TAxisTaps cols = KernelAxis(method, src.Width(), dst.Width(), rx, false);
  const TAxisTaps rows = KernelAxis(method, src.Height(), dst.Height(), ry, true);
  // Column taps as byte offsets and weights in separate arrays, so that the
  // inner loop walks two plain sequences.
  std::vector<std::ptrdiff_t> colOffset(cols.taps.size());
  std::vector<long double> colWeight(cols.taps.size());
  for (std::size_t k = 0; k < cols.taps.size(); ++k) {
    colOffset[k] = 3 * static_cast<std::ptrdiff_t>(cols.taps[k].index);
    colWeight[k] = cols.taps[k].weight;
  }
  const std::int32_t width = dst.Width();
  ForEachRowBlock(dst.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    for (std::int32_t y = y0; y < y1; ++y) {
      const TTap* rowBegin = rows.taps.data() + rows.first[y];
      const TTap* rowEnd = rows.taps.data() + rows.first[y + 1];
      const bool rowIsOne = rowEnd - rowBegin == 1 && rowBegin->weight == 1;
      std::uint8_t* out = dst.ScanLine(y);
      for (std::int32_t x = 0; x < width; ++x, out += 3) {
        const std::int32_t c0 = cols.first[x], c1 = cols.first[x + 1];
        if (rowIsOne && c1 - c0 == 1 && colWeight[c0] == 1) {
          // One tap of weight 1 on both axes: 0 + p * 1 * 1 is p exactly.
          const std::uint8_t* p = src.ScanLine(rowBegin->index) + colOffset[c0];
          out[0] = p[0];
          out[1] = p[1];
          out[2] = p[2];
          continue;
        }
        long double red = 0, green = 0, blue = 0;
        for (const TTap* rt = rowBegin; rt != rowEnd; ++rt) {
          const std::uint8_t* line = src.ScanLine(rt->index);
          const long double wy = rt->weight;
          for (std::int32_t c = c0; c < c1; ++c) {
            const std::uint8_t* p = line + colOffset[c];
            const long double wx = colWeight[c];
            red += Value(p[2]) * wx * wy;
            green += Value(p[1]) * wx * wy;
            blue += Value(p[0]) * wx * wy;
          }
        }
        out[0] = RoundClampByteFast(blue);
        out[1] = RoundClampByteFast(green);
        out[2] = RoundClampByteFast(red);
      }
    }
  });
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

bool ResampleInto(const TBitmap& source, TBitmap& result, std::int32_t newWidth, std::int32_t newHeight,
                  std::uint8_t method, int threads) {
  // An empty source has no pixel for even the truncated position to read;
  // a new side below 1 would divide by zero.
  if (!Is24(source) || source.Empty() || newWidth < 1 || newHeight < 1 || method > kResampleLagrange) {
    return false;
  }
  const long double ratioX = static_cast<long double>(source.Width()) / newWidth;
  const long double ratioY = static_cast<long double>(source.Height()) / newHeight;
  TBitmap out(newWidth, newHeight, TPixelFormat::pf24bit);
  switch (method) {
    case kResampleNearest: Nearest(source, out, ratioX, ratioY, threads); break;
    case kResampleBilinear: Bilinear(source, out, ratioX, ratioY, threads); break;
    default: Kernel(source, out, method, ratioX, ratioY, threads); break;
  }
  result = std::move(out);
  return true;
}

bool ResampleBitmap(TBitmap& bitmap, std::int32_t newWidth, std::int32_t newHeight, std::uint8_t method,
                    int threads) {
  TBitmap out;
  if (!ResampleInto(bitmap, out, newWidth, newHeight, method, threads)) return false;
  bitmap = std::move(out);
  return true;
}

}  // namespace kira
