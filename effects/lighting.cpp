#include "effects/lighting.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include <emmintrin.h>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "effects/byte_convert.h"
#include "effects/color_effects.h"

namespace kira {

namespace {

using ld = long double;

struct TCentre {
  float cx = 0, cy = 0, r2 = 0;
};

TCentre CentreOf(const TBitmap& bitmap, std::int32_t radiusPx) {
  TCentre c;
  c.cx = static_cast<float>(bitmap.Width() / static_cast<ld>(2));
  c.cy = static_cast<float>(bitmap.Height() / static_cast<ld>(2));
  // Made in 64 bits so that a radius beyond 46340 cannot wrap around.
  c.r2 = static_cast<float>(static_cast<std::int64_t>(radiusPx) * radiusPx);
  return c;
}

// d2 of column x in a row whose (y - cy)^2 is dy2.
inline float SquaredDistance(int x, float cx, ld dy2) {
  const ld dx = x - static_cast<ld>(cx);
  return static_cast<float>(dx * dx + dy2);
}

inline ld RowTerm(int y, float cy) {
  const ld dy = y - static_cast<ld>(cy);
  return dy * dy;
}

// (1 - d2 / r2) * 1.1 in single precision: the spotlight's brightening factor.
inline float LightFactor(float d2, float r2) {
  return static_cast<float>((1 - static_cast<ld>(d2) / r2) * 1.1L);
}

// The same factor from double-precision arithmetic when that settles it.
// Against (1 - d2 / r2) * 1.1 taken exactly, the double result errs by less
// than (1 + q) 2^-50 and the extended one by less than (1 + q) 2^-60, q =
// d2 / r2. When both ends of v -+ (1 + q) 2^-48 round to the same float, so
// does the extended result. False when it is too close to call.
inline bool LightFactorFast(float d2, float r2, float& f) {
  const double q = static_cast<double>(d2) / r2;
  const double v = (1 - q) * 1.1;
  const double e = 0x1p-48 * (1 + q);
  const float lo = static_cast<float>(v - e);
  if (lo != static_cast<float>(v + e)) return false;
  f = lo;
  return true;
}

inline float LightFactorOf(float d2, float r2) {
  float f;
  return LightFactorFast(d2, r2, f) ? f : LightFactor(d2, r2);
}

// The d2 of every pixel of a row. For sides up to 2^25 the squares of x - cx
// and y - cy and their sum are exact in double precision, so rounding the sum
// to single precision gives the d2 of the extended formula; larger pictures
// take the extended formula itself.
class TRowDistances {
 public:
  TRowDistances(const TCentre& c, int w, int h)
      : c_(c), exact_(std::max(w, h) <= (1 << 25)), d2_(static_cast<std::size_t>(w)) {
    if (exact_) {
      dx2_.resize(static_cast<std::size_t>(w));
      for (int x = 0; x < w; ++x) {
        const double dx = x - static_cast<double>(c.cx);
        dx2_[static_cast<std::size_t>(x)] = dx * dx;
      }
    }
  }

  const float* Row(int y) {
    const int w = static_cast<int>(d2_.size());
    if (exact_) {
      const double dy = y - static_cast<double>(c_.cy);
      const double dy2 = dy * dy;
      for (int x = 0; x < w; ++x) d2_[static_cast<std::size_t>(x)] = static_cast<float>(dx2_[static_cast<std::size_t>(x)] + dy2);
    } else {
      const ld dy2 = RowTerm(y, c_.cy);
      for (int x = 0; x < w; ++x) d2_[static_cast<std::size_t>(x)] = SquaredDistance(x, c_.cx, dy2);
    }
    return d2_.data();
  }

 private:
  TCentre c_;
  bool exact_;
  std::vector<double> dx2_;
  std::vector<float> d2_;
};

// True when v is within 10^-9 of a half, where a double-precision estimate
// cannot tell how the extended formula rounds.
inline bool NearHalf(double v) {
  const double off = v - _mm_cvtsd_si32(_mm_set_sd(v));  // within 0.5 of v
  return 0.5 - std::fabs(off) < 1e-9;
}

// Round(0.04 rho^3 / r2) with ties to even, rho = sqrt(d2) in single precision.
std::int32_t VaselineReach(float d2, float r2) {
  const float rho = static_cast<float>(std::sqrt(static_cast<ld>(d2)));
  return RoundHalfEven(0.04L * rho * rho * rho / r2);
}

// Smallest single-precision d2 >= 0 whose reach is at least k. The reach
// never falls as d2 grows (every step is a rounded monotone operation), and
// positive floats are ordered like their bit patterns, so a search over the
// patterns finds the exact boundary.
float ReachThreshold(std::int32_t k, float r2) {
  std::uint32_t lo = 0, hi = 0x7F800000u;  // 0 .. +infinity
  while (lo < hi) {
    const std::uint32_t mid = lo + (hi - lo) / 2;
    float d2;
    std::memcpy(&d2, &mid, sizeof d2);
    if (VaselineReach(d2, r2) >= k) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  float t;
  std::memcpy(&t, &lo, sizeof t);
  return t;
}

// q = (s * m) >> 32 equals s div c for every window sum s < 2^17 when
// m = floor(2^32 / c) + 1: the error s (m - 2^32 / c) / 2^32 stays below
// 2^-15, less than the 1 / c between s / c and the next integer.
constexpr int kMaxReach = 10;
constexpr int kMaxCount = (2 * kMaxReach + 1) * (2 * kMaxReach + 1);

const std::array<std::uint64_t, kMaxCount + 1>& Reciprocals() {
  static const std::array<std::uint64_t, kMaxCount + 1> table = [] {
    std::array<std::uint64_t, kMaxCount + 1> t{};
    for (int c = 1; c <= kMaxCount; ++c) t[c] = (std::uint64_t{1} << 32) / c + 1;
    return t;
  }();
  return table;
}

}  // namespace

bool SpotLight(TBitmap& bitmap, std::int32_t radiusPx, int threads) {
  if (!Is24(bitmap) || radiusPx < 1) return false;
  const TCentre c = CentreOf(bitmap, radiusPx);
  TBmpData24 data(bitmap);
  const int w = data.Width();
  // Each pixel depends only on itself, so working in place gives the bytes of
  // reading a copy of the picture after blacking it out.
  ForEachRowBlock(data.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    TRowDistances distances(c, w, data.Height());
    for (std::int32_t y = y0; y < y1; ++y) {
      const float* d2 = distances.Row(y);
      std::uint8_t* p = data.Row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const float f = LightFactorOf(d2[x], c.r2);
        if (f >= 0) {
          // A byte times a float is exact in double precision.
          for (int k = 0; k < 3; ++k) p[k] = RoundClampByteSse(p[k] * static_cast<double>(f));
        } else {
          p[0] = p[1] = p[2] = 0;
        }
      }
    }
  });
  return true;
}

namespace {

// The colour spotlight's mix inside the disc, in extended precision.
void SpotMix(std::uint8_t* p, float g) {
  const int b = p[0], gr = p[1], r = p[2];
  const ld u = 1 - static_cast<ld>(g);
  const ld wr = u * kSatWeightRed;
  const ld wg = u * kSatWeightGreen;
  const ld wb = u * kSatWeightBlue;
  p[2] = RoundClampByteX87(r * (g + wr) + gr * wg + b * wb);
  p[1] = RoundClampByteX87(b * wb + (r * wr + gr * (g + wg)));
  p[0] = RoundClampByteX87(gr * wg + r * wr + b * (g + wb));
}

// The same mix in double precision. With 0 < g <= 1.1 every term stays below
// 600, so double and extended results both lie within 10^-12 of the exact
// value; they round alike unless it is near a half (false, nothing written).
bool SpotMixFast(std::uint8_t* p, float g) {
  const int b = p[0], gr = p[1], r = p[2];
  const double gd = g;
  const double u = 1 - gd;
  const double wr = u * 0.3086;
  const double wg = u * 0.6094;
  const double wb = u * 0.082;
  const double red = r * (gd + wr) + gr * wg + b * wb;
  const double green = b * wb + (r * wr + gr * (gd + wg));
  const double blue = gr * wg + r * wr + b * (gd + wb);
  if (NearHalf(red) || NearHalf(green) || NearHalf(blue)) return false;
  p[2] = RoundClampByteSse(red);
  p[1] = RoundClampByteSse(green);
  p[0] = RoundClampByteSse(blue);
  return true;
}

}  // namespace

bool ColorSpotLight(TBitmap& bitmap, std::int32_t radiusPx, int threads) {
  if (!Is24(bitmap) || radiusPx < 1) return false;
  const TCentre c = CentreOf(bitmap, radiusPx);
  std::array<ld, 256> greyR, greyG, greyB;
  for (int v = 0; v < 256; ++v) {
    greyR[v] = kSatWeightRed * v;
    greyG[v] = kSatWeightGreen * v;
    greyB[v] = kSatWeightBlue * v;
  }
  TBmpData24 data(bitmap);
  const int w = data.Width();
  ForEachRowBlock(data.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    TRowDistances distances(c, w, data.Height());
    for (std::int32_t y = y0; y < y1; ++y) {
      const float* d2 = distances.Row(y);
      std::uint8_t* p = data.Row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const float g = LightFactorOf(d2[x], c.r2);
        if (g > 0) {
          if (!SpotMixFast(p, g)) SpotMix(p, g);
          continue;
        }
        // The grey's exact value is n / 10^4 with n = 3086 R + 6094 G + 820 B,
        // and the extended sum lies within 10^-15 of it: unless n is a
        // multiple of 10^4 its integer part is n div 10^4.
        const int b = p[0], gr = p[1], r = p[2];
        const int n = 3086 * r + 6094 * gr + 820 * b;
        const int q = n / 10000;
        const std::uint8_t grey = static_cast<std::uint8_t>(
            q * 10000 != n ? q : TruncNonNegativeX87(greyR[r] + greyG[gr] + greyB[b]));
        p[0] = p[1] = p[2] = grey;
      }
    }
  });
  return true;
}

bool Vaseline(TBitmap& bitmap, std::int32_t radiusPx, int threads) {
  if (!Is24(bitmap) || radiusPx < 1) return false;
  const TCentre c = CentreOf(bitmap, radiusPx);
  std::array<float, kMaxReach + 1> threshold{};  // [k]: least d2 with reach >= k
  for (int k = 2; k <= kMaxReach; ++k) threshold[k] = ReachThreshold(k, c.r2);
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  if (w == 0 || h == 0) return true;

  // The windows are summed from a table of running sums (integer sums, so the
  // same as adding the pixels one by one). Each block of rows keeps its own
  // ring of table rows, which starts above the block's first row: the rows
  // are read from a copy, since another block, or an earlier piece of the
  // same block, has written the rows above by then.
  const TBitmap copy = DuplicateBitmap(bitmap);
  const TConstBmpData24 src(copy);
  TBmpData24 dst(bitmap);
  const auto& reciprocal = Reciprocals();

  ForEachRowBlock(h, threads, [&](std::int32_t y0, std::int32_t y1) {
    constexpr int kRing = 2 * kMaxReach + 4;
    const std::size_t stride = static_cast<std::size_t>(w + 1) * 3;
    // Wrap-around arithmetic: differences of the running sums are exact for
    // any picture size, since a window sums to far less than 2^32.
    std::vector<std::uint32_t> ring(stride * kRing, 0);
    std::vector<std::uint8_t> reach(static_cast<std::size_t>(w));
    const std::int32_t origin = std::max(0, y0 - kMaxReach);
    std::int32_t built = 0;  // table rows 0..built exist (row j sums source rows origin .. origin + j - 1)
    const auto tableRow = [&](std::int32_t j) { return ring.data() + stride * static_cast<std::size_t>(j % kRing); };
    const auto buildUpTo = [&](std::int32_t j) {
      for (; built < j; ++built) {
        const std::uint32_t* above = tableRow(built);
        std::uint32_t* next = tableRow(built + 1);
        const std::uint8_t* row = src.Row(origin + built);
        std::uint32_t s0 = 0, s1 = 0, s2 = 0;
        next[0] = next[1] = next[2] = 0;
        for (int x = 0; x < w; ++x) {
          s0 += row[3 * x];
          s1 += row[3 * x + 1];
          s2 += row[3 * x + 2];
          next[3 * x + 3] = above[3 * x + 3] + s0;
          next[3 * x + 4] = above[3 * x + 4] + s1;
          next[3 * x + 5] = above[3 * x + 5] + s2;
        }
      }
    };
    TRowDistances distances(c, w, h);
    for (std::int32_t y = y0; y < y1; ++y) {
      const float* d2 = distances.Row(y);
      int most = 0;
      for (int x = 0; x < w; ++x) {
        int n = 1;
        while (n < kMaxReach && d2[x] >= threshold[n + 1]) ++n;
        reach[x] = static_cast<std::uint8_t>(n);
        most = std::max(most, n);
      }
      if (most <= 1) continue;
      buildUpTo(std::min(h, y + most + 1) - origin);
      const std::uint32_t* top[kMaxReach + 1];
      const std::uint32_t* bottom[kMaxReach + 1];
      int rows[kMaxReach + 1];
      for (int n = 2; n <= most; ++n) {
        const std::int32_t a = std::max(0, y - n);
        const std::int32_t b = std::min(h - 1, y + n);
        top[n] = tableRow(a - origin);
        bottom[n] = tableRow(b + 1 - origin);
        rows[n] = b - a + 1;
      }
      std::uint8_t* out = dst.Row(y);
      for (int x = 0; x < w; ++x) {
        const int n = reach[x];
        if (n <= 1) continue;
        const int l = std::max(0, x - n);
        const int r = std::min(w - 1, x + n) + 1;
        const std::uint64_t m = reciprocal[static_cast<std::size_t>((r - l) * rows[n])];
        const std::uint32_t* t = top[n];
        const std::uint32_t* u = bottom[n];
        for (int k = 0; k < 3; ++k) {
          const std::uint32_t sum = u[3 * r + k] - u[3 * l + k] - t[3 * r + k] + t[3 * l + k];
          out[3 * x + k] = static_cast<std::uint8_t>((sum * m) >> 32);
        }
      }
    }
  });
  return true;
}

}  // namespace kira
