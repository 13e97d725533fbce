// The plain resampling oracle of the tests: one loop per destination pixel
// with no code shared with the library. No half-pixel offset, the bilinear
// edge rule, out-of-range kernel taps reading the truncated position with
// their own weight, unnormalised sums, B-spline weights as differences of
// cubes, extended precision and limit-then-round-half-even.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/bitmap.h"

namespace kira::resample_oracle {

struct Pic {
  int W = 0, H = 0;
  std::vector<std::uint8_t> px;  // B, G, R per pixel, rows from the top, no padding
  Pic(int w, int h) : W(w), H(h), px(static_cast<std::size_t>(3) * w * h, 0) {}
  std::uint8_t* at(int x, int y) { return &px[(static_cast<std::size_t>(y) * W + x) * 3]; }
  const std::uint8_t* at(int x, int y) const { return &px[(static_cast<std::size_t>(y) * W + x) * 3]; }
};

inline TBitmap ToBitmap(const Pic& p) {
  TBitmap b(p.W, p.H);
  for (int y = 0; y < p.H; ++y)
    for (int x = 0; x < p.W; ++x)
      for (int c = 0; c < 3; ++c) b.ScanLine(y)[3 * x + c] = p.at(x, y)[c];
  return b;
}

// Limit to 0..255 first, then nearest with halves to even.
inline std::uint8_t OwnRoundClampByte(long double v) {
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<std::uint8_t>(std::nearbyint(v));
}

inline const long double kPi = 3.14159265358979323846264338327950288L;
inline const long double kHalfPi = kPi / 2;
// Formed from the held pi in extended arithmetic; it lies one unit in the
// last place from the nearest extended value of the true pi^2 / 2. No byte
// has been found to depend on which of the two is held.
inline const long double kPiSquaredHalf = kPi * kPi / 2;

// The kernels as written: t^3 is t*t*t and t^2 is t*t formed first, then the
// expression left to right.
inline long double Kernel(int code, long double t) {
  const long double t2 = t * t;
  const long double t3 = t * t * t;
  switch (code) {
    case 2:  // cubic convolution, a = -1
      if (t < 1) return (t2 - t - 1) * (t - 1);
      return -((t - 1) * ((t - 2) * (t - 2)));
    case 4:  // Hermite
      return (2 * t - 3) * t * t + 1;
    case 5:  // Mitchell, B = C = 1/3
      if (t < 1) return (7 * t3) / 6 - 2 * t2 + 8.0L / 9.0L;
      return 2 * t2 - (10 * t) / 3 - (7 * t3) / 18 + 16.0L / 9.0L;
    case 6:  // Bell
      if (t < 0.5L) return 0.75L - t2;
      if (t < 1.5L) return 0.5L * ((t - 1.5L) * (t - 1.5L));
      return 0;
    case 7:  // Lanczos, two lobes
      if (t == 0) return 1;
      return std::sin(kPi * t) * std::sin(kHalfPi * t) / (t * kPiSquaredHalf * t);
    case 8:  // cubic Lagrange
      if (t < 1) return (t - 2) * 0.5L * (t + 1) * (t - 1);
      return -((t - 3) * (t - 2) * (t - 1)) / 6;
  }
  return 0;
}

inline Pic OwnResample(const Pic& src, int nw, int nh, int code) {
  const int W = src.W, H = src.H;
  const long double ratioX = static_cast<long double>(W) / nw;
  const long double ratioY = static_cast<long double>(H) / nh;
  Pic dst(nw, nh);
  for (int y = 0; y < nh; ++y)
    for (int x = 0; x < nw; ++x) {
      const long double sx = x * ratioX, sy = y * ratioY;
      std::uint8_t* d = dst.at(x, y);
      if (code == 0) {
        long long i = static_cast<long long>(std::nearbyint(sx));
        if (i > W - 1) i = W - 1;
        long long j = static_cast<long long>(std::nearbyint(sy));
        if (j > H - 1) j = H - 1;
        for (int c = 0; c < 3; ++c) d[c] = src.at(static_cast<int>(i), static_cast<int>(j))[c];
        continue;
      }
      if (code == 1) {
        long long x0 = static_cast<long long>(std::trunc(sx));
        if (x0 < 0) x0 = 0;
        const long long x1 = x0 + 1 > W - 1 ? x0 : x0 + 1;
        long long y0 = static_cast<long long>(std::trunc(sy));
        if (y0 < 0) y0 = 0;
        const long long y1 = y0 + 1 > H - 1 ? y0 : y0 + 1;
        const long double fx = sx - x0, fy = sy - y0;
        for (int c = 2; c >= 0; --c) {  // red, green, blue
          auto p = [&](long long i, long long j) -> long double {
            return src.at(static_cast<int>(i), static_cast<int>(j))[c];
          };
          const long double top = p(x0, y0) * (1 - fx) + p(x1, y0) * fx;
          const long double bottom = p(x0, y1) * (1 - fx) + p(x1, y1) * fx;
          d[c] = OwnRoundClampByte(top * (1 - fy) + bottom * fy);
        }
        continue;
      }
      const long long ix = static_cast<long long>(std::trunc(sx));
      const long long iy = static_cast<long long>(std::trunc(sy));
      const long long lo = code == 4 ? 0 : -1, hi = code == 4 ? 1 : 2;
      // B-spline weights once per pixel, as differences of cubes.
      long double bx[4] = {}, by[4] = {};
      if (code == 3) {
        const long double f = sx - ix, g = sy - iy;
        long double a[5], b[4];
        for (int k = 1; k <= 4; ++k) {
          const long double e = k - f;
          a[k] = e * e * e / 6;
        }
        for (int k = 0; k <= 3; ++k) {
          const long double e = g + k;
          b[k] = e * e * e / 6;
        }
        bx[0] = a[1];
        bx[1] = a[2] - 4 * a[1];
        bx[2] = a[3] - 4 * a[2] + 6 * a[1];
        bx[3] = a[4] - 4 * a[3] + 6 * a[2] - 4 * a[1];
        // rows from iy + 2 down to iy - 1
        by[3] = b[0];
        by[2] = b[1] - 4 * b[0];
        by[1] = b[2] - 4 * b[1] + 6 * b[0];
        by[0] = b[3] - 4 * b[2] + 6 * b[1] - 4 * b[0];
      }
      long double sum[3] = {0, 0, 0};  // red, green, blue
      for (long long j = iy + lo; j <= iy + hi; ++j)
        for (long long i = ix + lo; i <= ix + hi; ++i) {
          long double wx, wy;
          if (code == 3) {
            wx = bx[i - ix + 1];
            wy = by[j - iy + 1];
          } else {
            wx = Kernel(code, std::fabs(sx - i));
            wy = Kernel(code, std::fabs(sy - j));
          }
          const long long ii = (i >= 0 && i <= W - 1) ? i : ix;
          const long long jj = (j >= 0 && j <= H - 1) ? j : iy;
          const std::uint8_t* s = src.at(static_cast<int>(ii), static_cast<int>(jj));
          sum[0] += s[2] * wx * wy;
          sum[1] += s[1] * wx * wy;
          sum[2] += s[0] * wx * wy;
        }
      d[2] = OwnRoundClampByte(sum[0]);
      d[1] = OwnRoundClampByte(sum[1]);
      d[0] = OwnRoundClampByte(sum[2]);
    }
  return dst;
}

// The oracle on and into bitmaps.
inline Pic FromBitmap(const TBitmap& b) {
  Pic p(b.Width(), b.Height());
  for (int y = 0; y < p.H; ++y)
    for (int x = 0; x < p.W; ++x)
      for (int c = 0; c < 3; ++c) p.at(x, y)[c] = b.ScanLine(y)[3 * x + c];
  return p;
}

inline TBitmap OracleBitmap(const TBitmap& src, int nw, int nh, int code) {
  return ToBitmap(OwnResample(FromBitmap(src), nw, nh, code));
}

}  // namespace kira::resample_oracle
