// Hand editing of the bright-point picture: removing the points inside a
// rectangle and adding white points, plus the conversion of image-window
// pointer positions into picture pixels by the zoom percent.
#pragma once

#include "core/bitmap.h"

namespace kira {

// Pixel rectangle; Right and Bottom are exclusive.
struct TPixelRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

// Sets to black every pixel with Left <= x < Right and Top <= y < Bottom; the
// part outside the picture is ignored, an empty rectangle cuts nothing.
bool CutBrightPoints(TBitmap& image, const TPixelRect& rect);

// Writes a white block for the point (x, y): size 1 the pixel itself, size 2
// the 2 x 2 block to the right and below, size 3 the 3 x 3 block centred on
// it; pixels of a block beyond an edge are left out. Any other size, or a
// point outside the picture (also any point of an empty picture), writes
// nothing.
bool PutBrightPoint(TBitmap& image, int x, int size, int y);

// Picture pixel under a pointer position relative to the picture control:
// RoundHalfEven(pos * 100 / zoomPercent). At 200 %, (20, 40) -> (10, 20).
int PointerToPixel(int pos, int zoomPercent);

// Shape1's rectangle between the press point and the current point (client
// coordinates): left and top the smaller coordinates, width and height the
// absolute differences, whichever way the pointer moved.
struct TShapeRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  friend bool operator==(const TShapeRect&, const TShapeRect&) = default;
};
TShapeRect SelectionShape(int pressX, int pressY, int currentX, int currentY);

// The cut rectangle in picture pixels for a drag between two client points,
// with the picture control at (imageLeft, imageTop), not clipped.
TPixelRect SelectionToPixels(int pressX, int pressY, int currentX, int currentY, int imageLeft,
                             int imageTop, int zoomPercent);

}  // namespace kira
