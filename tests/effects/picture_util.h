// Pictures for the effect tests: random bytes, one grey level, one colour.
#pragma once

#include <cstdint>
#include <random>

#include "core/bitmap.h"

namespace kira::testpic {

inline TBitmap Random24(int w, int h, unsigned seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
  return b;
}

inline TBitmap Uniform(int w, int h, std::uint8_t v) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = v;
  return b;
}

inline TBitmap Solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  TBitmap bm(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = bm.ScanLine(y) + 3 * x;
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  return bm;
}

}  // namespace kira::testpic
