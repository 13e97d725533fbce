// Plain readings of the tone family, one byte or pixel at a time, as the test
// oracle for the table and vector paths.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>

#include "core/bitmap.h"
#include "core/rounding.h"
#include "tone/byte_map.h"

namespace kira::test {

enum class TCurve { Gamma, Tilt, Shift, Contrast };

inline std::uint8_t OracleCurveByte(TCurve curve, double p, int v) {
  switch (curve) {
    case TCurve::Gamma: {
      double x = p;
      if (x == -3.5) x = -3.49;
      const double g = x >= 0 ? 1 + x : (x + 3.5) * 0.22 + 0.23;
      const double e = 1 / g;
      if (v == 0) return 0;
      return ClampByte(255 * std::pow(v / 255.0, e));
    }
    case TCurve::Tilt: {
      const double k = std::tan((45 - std::fabs(p)) * (3.14159265358979323846 / 180.0));
      if (p > 0) return static_cast<std::uint8_t>(255 - ClampByte(k * (255 - v)));
      if (p < 0) return ClampByte(k * v);
      return static_cast<std::uint8_t>(v);
    }
    case TCurve::Shift: return ClampByte(v + 2.55 * p);
    case TCurve::Contrast: {
      const long long d = RoundHalfAway(p / 100 * (v - 127.5));
      const long long f = v + d;
      return static_cast<std::uint8_t>(f < 0 ? 0 : (f > 255 ? 255 : f));
    }
  }
  return 0;
}

inline void OracleCurve(TBitmap& b, TCurve curve, double p) {
  if (p == 0) return;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < 3 * b.Width(); ++x) b.ScanLine(y)[x] = OracleCurveByte(curve, p, b.ScanLine(y)[x]);
}

inline void OracleColorFilter(TBitmap& b, std::uint32_t color, int s) {
  const int c[3] = {static_cast<int>((color >> 16) & 255), static_cast<int>((color >> 8) & 255),
                    static_cast<int>(color & 255)};
  double factor[3];
  for (int i = 0; i < 3; ++i) factor[i] = (c[i] + (255 - c[i]) * static_cast<double>(s) / 100) / 255;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      for (int i = 0; i < 3; ++i) {
        std::uint8_t& v = b.ScanLine(y)[3 * x + i];
        v = ClampByte(v * factor[i]);
      }
}

inline void OracleWeightedGrey(TBitmap& b, float wR, float wG, float wB) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      std::uint8_t* p = b.ScanLine(y) + 3 * x;
      const double v = static_cast<double>(wR) * p[2] + static_cast<double>(wG) * p[1] +
                       static_cast<double>(wB) * p[0];
      p[0] = p[1] = p[2] = ClampByte(v);
    }
}

// Random bytes.
inline TBitmap RandomPicture(int w, int h, std::mt19937& rng) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 3 * w; ++x) b.ScanLine(y)[x] = static_cast<std::uint8_t>(rng());
  return b;
}

// Every byte value in every channel position, then random bytes.
inline TBitmap AllValuesPicture(std::mt19937& rng) {
  TBitmap b(256, 3);
  for (int x = 0; x < 256; ++x)
    for (int c = 0; c < 3; ++c) {
      b.ScanLine(0)[3 * x + c] = static_cast<std::uint8_t>(x);
      b.ScanLine(1)[3 * x + c] = static_cast<std::uint8_t>(255 - x);
      b.ScanLine(2)[3 * x + c] = static_cast<std::uint8_t>(rng());
    }
  return b;
}

struct TSize {
  int w, h;
};
inline constexpr TSize kSizes[] = {{1, 1}, {1, 7}, {2, 1}, {3, 5}, {5, 3}, {16, 2}, {17, 9}, {21, 4},
                                   {22, 3}, {43, 2}, {63, 3}, {64, 2}, {65, 5}, {100, 37}, {129, 4}};

// The inner-loop levels to check: the plain loop and, where the processor has
// it, the vector one. The guard puts the detected level back.
inline constexpr TSimdLevel kLevels[] = {TSimdLevel::Plain, TSimdLevel::Avx512Vbmi};

struct TLevelGuard {
  explicit TLevelGuard(TSimdLevel level) { LimitSimdLevel(level); }
  ~TLevelGuard() { LimitSimdLevel(TSimdLevel::Avx512Vbmi); }
};

}  // namespace kira::test
