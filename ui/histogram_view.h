// The picture of the RGB histogram under the effect pages.
#pragma once

#include <QImage>

#include "core/bitmap.h"

namespace kira {

// Renders the histogram of a bitmap into a width x height picture; rgb adds
// the three channel curves to the luminance curve.
QImage RenderHistogram(const TBitmap& image, bool rgb, int width, int height);

}  // namespace kira
