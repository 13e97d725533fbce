// Bright points of the star filter: the pixels whose brightness sum B + G + R
// exceeds a threshold, optionally thinned so that no two lie close together.
// A bright point keeps its source colour; every other pixel is black. All
// functions refuse a bitmap that is not 24 bits per pixel (false, unchanged).
#pragma once

#include "core/bitmap.h"

namespace kira {

// Largest B + G + R over the picture (0..765); 0 for a picture without pixels.
// Other pixel formats are measured on a 24-bit copy.
int MaxBrightness(const TBitmap& image);

// In place: a pixel stays when B + G + R > threshold (strictly), otherwise it
// becomes black. Then, when density is not 10, ThinBrightPoints with
// h = 10 - density. threshold 764 keeps pure white only, 765 nothing, 0 every
// non-black pixel. density 0..10 (SpinEditM).
bool ExtractBrightPoints(TBitmap& image, int threshold, int density);

// Greedy thinning in place, rows top to bottom, pixels left to right: a pixel
// whose blue byte is non-zero when visited clears the pixels of its own row and
// the h rows below, h columns to either side (rows above are never touched).
// A half-width below 1 counts as 1.
bool ThinBrightPoints(TBitmap& image, int h);

}  // namespace kira
