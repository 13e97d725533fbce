#include "starfilter/editing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/rounding.h"

namespace kira {

bool CutBrightPoints(TBitmap& image, const TPixelRect& rect) {
  if (!Is24(image)) return false;
  const int left = std::max(rect.Left, 0);
  const int right = std::min(rect.Right, image.Width());
  const int top = std::max(rect.Top, 0);
  const int bottom = std::min(rect.Bottom, image.Height());
  if (left >= right) return true;
  for (int y = top; y < bottom; ++y)
    std::memset(image.ScanLine(y) + 3 * left, 0, 3 * static_cast<std::size_t>(right - left));
  return true;
}

bool PutBrightPoint(TBitmap& image, int x, int size, int y) {
  if (!Is24(image)) return false;
  // A release outside the picture (or over an emptied one) must not write.
  if (x < 0 || y < 0 || x >= image.Width() || y >= image.Height()) return true;
  int x0, y0, x1, y1;
  switch (size) {
    case 1: x0 = x1 = x; y0 = y1 = y; break;
    case 2: x0 = x; y0 = y; x1 = x + 1; y1 = y + 1; break;
    case 3: x0 = x - 1; y0 = y - 1; x1 = x + 1; y1 = y + 1; break;
    default: return true;
  }
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, image.Width() - 1);
  y1 = std::min(y1, image.Height() - 1);
  for (int j = y0; j <= y1; ++j)
    std::memset(image.ScanLine(j) + 3 * x0, 255, 3 * static_cast<std::size_t>(x1 - x0 + 1));
  return true;
}

int PointerToPixel(int pos, int zoomPercent) {
  return RoundHalfEven(static_cast<long double>(pos) * 100 / zoomPercent);
}

TShapeRect SelectionShape(int pressX, int pressY, int currentX, int currentY) {
  return {std::min(pressX, currentX), std::min(pressY, currentY), std::abs(currentX - pressX),
          std::abs(currentY - pressY)};
}

TPixelRect SelectionToPixels(int pressX, int pressY, int currentX, int currentY, int imageLeft,
                             int imageTop, int zoomPercent) {
  return {PointerToPixel(std::min(pressX, currentX) - imageLeft, zoomPercent),
          PointerToPixel(std::min(pressY, currentY) - imageTop, zoomPercent),
          PointerToPixel(std::max(pressX, currentX) - imageLeft, zoomPercent),
          PointerToPixel(std::max(pressY, currentY) - imageTop, zoomPercent)};
}

}  // namespace kira
