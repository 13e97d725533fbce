// The 12-megapixel picture the file benchmarks encode and decode: a smooth
// gradient plus a little noise, about a photo's worth of work for JPEG and
// the lossless coders alike.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>

#include "core/bitmap.h"

namespace kira::bench {

inline TBitmap PhotoLikePicture(unsigned seed) {
  TBitmap b(4000, 3000);
  std::mt19937 rng(seed);
  for (int y = 0; y < b.Height(); ++y) {
    std::uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, p += 3) {
      const int noise = static_cast<int>(rng() % 9) - 4;
      p[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / 3999 + noise, 0, 255));
      p[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / 2999 + noise, 0, 255));
      p[2] = static_cast<std::uint8_t>(std::clamp((x + y) * 255 / 6998 + noise, 0, 255));
    }
  }
  return b;
}

}  // namespace kira::bench
