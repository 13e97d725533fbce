// Randomised effects: colour and monochrome noise, ripple and spray. All draw
// from the program's one generator (effects/random.h), so a given generator
// state always gives the same picture; each call leaves the generator where
// the same draws one after another would have left it. The strength p is
// 1 .. 128 on the page; p = 1 leaves the picture as it is (every draw is 0).
// A negative p is refused (false, nothing changed, no draw). The noises and
// the spray refuse a bitmap that is not 24 bits per pixel (false, unchanged).
// The bytes do not depend on `threads`.
#pragma once

#include "core/bitmap.h"

namespace kira {

// Rows top to bottom, pixels left to right; per pixel three draws rb, rg, rr
// = Random(p) in that order, and each channel c := ClampByte(c + r - p div 2).
// Offsets run over -(p div 2) .. p - 1 - p div 2 (-32 .. 31 for p = 64).
bool ColorNoise(TBitmap& bitmap, int p, int threads = 1);

// As ColorNoise with one draw r = Random(p) - p div 2 per pixel added to all
// three channels, so grey stays grey (up to the limits).
bool MonoNoise(TBitmap& bitmap, int p, int threads = 1);

// Vertical streaks. The bitmap is first made 24 bits per pixel (any format is
// taken), then the generator is reseeded from the clock. With b = min(H div 2,
// p), rows n = H-1-b down to 0 are copied pixel by pixel to row n + e, where e
// is 0 for the leftmost column and Random(b) drawn after each column for the
// next one. The leftmost column and the bottom row (b >= 1) never change;
// heights up to 3 change nothing.
bool Ripple(TBitmap& bitmap, int p, int threads = 1);

// Columns left to right, rows top to bottom: per pixel d = Random(p), e =
// Random(2d), f = Random(2d); pixel (x, y) takes the colour of (x + d - e,
// y + d - f) when that lies inside the picture, as it is at that moment (the
// work is in place). The three numbers are drawn in every case.
bool Spray(TBitmap& bitmap, int p);

}  // namespace kira
