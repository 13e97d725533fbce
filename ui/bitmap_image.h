// A QImage that looks at a bitmap's rows without copying or converting them.
#pragma once

#include <QImage>

#include "core/bitmap.h"

namespace kira {

// A read-only view over a 24-bit bitmap (bytes blue, green, red, rows padded
// to 4: QImage::Format_BGR888 with the bitmap's stride). It is valid only while
// the bitmap keeps its size and storage; a null image for an empty or
// non-24-bit bitmap.
QImage BitmapView(const TBitmap& bitmap);

}  // namespace kira
