#include "starfilter/brightpoints.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kira {

int MaxBrightness(const TBitmap& image) {
  if (image.Empty()) return 0;
  const TBitmap* src = &image;
  TBitmap copy;
  if (!Is24(image)) {
    copy = image;
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    src = &copy;
  }
  int best = 0;
  for (int y = 0; y < src->Height(); ++y) {
    const std::uint8_t* p = src->ScanLine(y);
    for (int x = 0; x < src->Width(); ++x, p += 3) best = std::max(best, p[0] + p[1] + p[2]);
  }
  return best;
}

bool ExtractBrightPoints(TBitmap& image, int threshold, int density) {
  if (!Is24(image)) return false;
  // Each new pixel depends on the old pixel at the same place only, so the
  // new picture can be written over the old one.
  for (int y = 0; y < image.Height(); ++y) {
    std::uint8_t* p = image.ScanLine(y);
    for (int x = 0; x < image.Width(); ++x, p += 3)
      if (p[0] + p[1] + p[2] <= threshold) p[0] = p[1] = p[2] = 0;
  }
  if (density != 10) ThinBrightPoints(image, 10 - density);
  return true;
}

bool ThinBrightPoints(TBitmap& image, int h) {
  if (!Is24(image)) return false;
  h = std::max(h, 1);
  const int w = image.Width();
  const int hgt = image.Height();
  for (int y = 0; y < hgt; ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      // Only the blue byte makes a centre, tested as the pixel is reached.
      if (row[3 * x] == 0) continue;
      const int left = std::max(x - h, 0);
      const int right = std::min(x + h, w - 1);
      const int bottom = std::min(y + h, hgt - 1);
      for (int j = y; j <= bottom; ++j) {
        std::uint8_t* r = image.ScanLine(j);
        if (j == y) {
          std::memset(r + 3 * left, 0, 3 * static_cast<std::size_t>(x - left));
          std::memset(r + 3 * (x + 1), 0, 3 * static_cast<std::size_t>(right - x));
        } else {
          std::memset(r + 3 * left, 0, 3 * static_cast<std::size_t>(right - left + 1));
        }
      }
    }
  }
  return true;
}

}  // namespace kira
