#include "ui/bitmap_image.h"

namespace kira {

QImage BitmapView(const TBitmap& bitmap) {
  if (bitmap.Empty() || !Is24(bitmap)) return QImage();
  return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
                QImage::Format_BGR888);
}

}  // namespace kira
