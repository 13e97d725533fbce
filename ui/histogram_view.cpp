#include "ui/histogram_view.h"

namespace kira {

QImage RenderHistogram(const TBitmap& /*image*/, bool /*rgb*/, int width, int height) {
  // The curves come with the histogram itself; until then a blank picture.
  QImage picture(width > 0 ? width : 1, height > 0 ? height : 1, QImage::Format_RGB32);
  picture.fill(Qt::white);
  return picture;
}

}  // namespace kira
