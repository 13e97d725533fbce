#include "document/view_geometry.h"

#include <algorithm>

#include "core/rounding.h"

namespace kira {

int ZoomIn(int zoomPercent) {
  return zoomPercent < kZoomMax ? zoomPercent + kZoomStep : zoomPercent;
}

int ZoomOut(int zoomPercent) {
  return zoomPercent > kZoomMin ? zoomPercent - kZoomStep : zoomPercent;
}

int ZoomedLength(int length, int zoomPercent) {
  const long long product = static_cast<long long>(length) * zoomPercent;
  return RoundHalfEven(static_cast<long double>(product) / 100.0L);
}

int ShownLength(int length, int zoomPercent) {
  const long long product = static_cast<long long>(length) * zoomPercent;
  return RoundHalfAway(static_cast<long double>(product) / 100.0L);
}

int ZoomedPosition(int position, int oldLength, int newLength, int clientLength,
                   int outerLength) {
  if (oldLength <= 0) return (outerLength - newLength) / 2;
  const int c = clientLength / 2;
  const long double r = static_cast<long double>(c - position) / oldLength;
  return c - RoundHalfEven(newLength * r);
}

int CentredPosition(int outerLength, int length) {
  // Integer division truncates toward zero, as the window's "div" does.
  return std::max(0, (outerLength - length) / 2);
}

int KeepCentreShift(int oldLength, int newLength) {
  return RoundHalfAway(oldLength / 2.0L - newLength / 2.0L);
}

std::string FileCaption(const std::string& fileName, int width, int height) {
  return fileName + " (" + std::to_string(width) + "x" + std::to_string(height) + ")";
}

std::string ZoomCaption(int zoomPercent) {
  return std::string(kAppTitle) + " (" + std::to_string(zoomPercent) + "%)";
}

}  // namespace kira
