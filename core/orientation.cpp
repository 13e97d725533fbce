#include "core/orientation.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kira {

namespace {

void SwapPixels(std::uint8_t* a, std::uint8_t* b) {
  std::swap(a[0], b[0]);
  std::swap(a[1], b[1]);
  std::swap(a[2], b[2]);
}

void MirrorRow(std::uint8_t* row, int width) {
  for (int x = 0, mirror = width - 1; x < mirror; ++x, --mirror) SwapPixels(row + 3 * x, row + 3 * mirror);
}

// Values 2 to 4: the picture keeps its size, so pixels trade places in it.
void FlipInPlace(TBitmap& picture, bool leftRight, bool topBottom) {
  const int width = picture.Width(), height = picture.Height();
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  if (!topBottom) {
    for (int y = 0; y < height; ++y) MirrorRow(picture.ScanLine(y), width);
    return;
  }
  for (int y = 0, mirror = height - 1; y < mirror; ++y, --mirror) {
    std::uint8_t* a = picture.ScanLine(y);
    std::uint8_t* b = picture.ScanLine(mirror);
    if (leftRight) {
      for (int x = 0; x < width; ++x) SwapPixels(a + 3 * x, b + 3 * (width - 1 - x));
    } else {
      std::swap_ranges(a, a + rowBytes, b);
    }
  }
  if (leftRight && height % 2 != 0) MirrorRow(picture.ScanLine(height / 2), width);
}

// Values 5 to 8: upright pixel (x, y) is stored pixel (column, row) with
// column = y or width - 1 - y, row = x or height - 1 - x. Made in square
// tiles, so that the stored rows a tile reads stay in the cache while its
// upright rows are written.
TBitmap Transposed(const TBitmap& stored, bool mirrorColumns, bool reverseRows) {
  constexpr int kTile = 64;
  const int width = stored.Width(), height = stored.Height();
  TBitmap upright(height, width, TPixelFormat::pf24bit);
  const TConstBmpData24 rows(stored);
  for (int y0 = 0; y0 < width; y0 += kTile) {
    const int y1 = std::min(width, y0 + kTile);
    for (int x0 = 0; x0 < height; x0 += kTile) {
      const int x1 = std::min(height, x0 + kTile);
      for (int y = y0; y < y1; ++y) {
        const std::size_t column = 3 * static_cast<std::size_t>(mirrorColumns ? width - 1 - y : y);
        std::uint8_t* out = upright.ScanLine(y) + 3 * static_cast<std::size_t>(x0);
        for (int x = x0; x < x1; ++x, out += 3) {
          std::memcpy(out, rows.Row(reverseRows ? height - 1 - x : x) + column, 3);
        }
      }
    }
  }
  return upright;
}

}  // namespace

bool OrientUpright(TBitmap& picture, int orientation) {
  if (picture.PixelFormat() != TPixelFormat::pf24bit) return false;
  if (picture.Empty()) return true;
  switch (orientation) {
    case 2: FlipInPlace(picture, true, false); break;
    case 3: FlipInPlace(picture, true, true); break;
    case 4: FlipInPlace(picture, false, true); break;
    case 5: picture = Transposed(picture, false, false); break;
    case 6: picture = Transposed(picture, false, true); break;
    case 7: picture = Transposed(picture, true, true); break;
    case 8: picture = Transposed(picture, true, false); break;
    default: break;  // 1, or a value no camera writes: as stored
  }
  return true;
}

}  // namespace kira
