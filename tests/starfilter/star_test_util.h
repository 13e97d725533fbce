// Small helpers for the star-filter tests: pictures built pixel by pixel.
#pragma once

#include <cstdint>
#include <random>

#include "core/bitmap.h"

namespace kira::startest {

inline TBitmap Black(int w, int h) { return TBitmap(w, h, TPixelFormat::pf24bit); }

inline void Set(TBitmap& b, int x, int y, int blue, int green, int red) {
  std::uint8_t* p = b.ScanLine(y) + 3 * x;
  p[0] = static_cast<std::uint8_t>(blue);
  p[1] = static_cast<std::uint8_t>(green);
  p[2] = static_cast<std::uint8_t>(red);
}
inline void SetGrey(TBitmap& b, int x, int y, int v) { Set(b, x, y, v, v, v); }

inline int Ch(const TBitmap& b, int x, int y, int ch) { return b.ScanLine(y)[3 * x + ch]; }
inline int Blue(const TBitmap& b, int x, int y) { return Ch(b, x, y, 0); }

inline bool IsBlack(const TBitmap& b, int x, int y) {
  return Ch(b, x, y, 0) == 0 && Ch(b, x, y, 1) == 0 && Ch(b, x, y, 2) == 0;
}

inline int CountNonBlack(const TBitmap& b) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += !IsBlack(b, x, y);
  return n;
}

// Black picture with about `percent` % of its pixels set to random colours.
inline TBitmap RandomPoints(std::mt19937& rng, int w, int h, int percent) {
  TBitmap b = Black(w, h);
  std::uniform_int_distribution<int> pc(0, 99), v(0, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (pc(rng) < percent) Set(b, x, y, v(rng), v(rng), v(rng));
  return b;
}

}  // namespace kira::startest
