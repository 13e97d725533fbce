// Art effects: watercolour, solarization, fisheye lens, Sobel edges, two edge
// drawings built on a colour distance, automatic levels of a grey picture and
// the negative.
//
// Every function except AutoLevels8 refuses a bitmap that is not 24 bits per
// pixel (false, unchanged). Neighbourhood effects read a copy of the input and
// write the input. ThresholdEdges leaves a 1-bit bitmap, ShadedEdges an 8-bit
// grey one and SobelEdges (grey = true) an 8-bit grey one in the caller's
// object. Functions with a `threads` parameter share rows between threads; the
// bytes do not depend on the thread count.
//
// Colour distance of two pixels, used by the two edge drawings:
//   dist = Trunc(sqrt(dB^2 + dG^2 + dR^2) / 1.7320508f), 0 (equal) .. 255
// (black against white), the root and the division in extended precision.
#pragma once

#include <cstdint>

#include "core/bitmap.h"

namespace kira {

// Each channel becomes 16 * (the most frequent bin), the bins being value / 16,
// counted over the (2 reach + 1)^2 window of the pixel; positions outside the
// picture are skipped, not replaced. A tie goes to the lower bin. Outputs are
// multiples of 16, 0..240 (a uniform 200 gives 192). A reach below 0 counts
// nothing and gives black.
bool Watercolor(TBitmap& image, std::int32_t reach, int threads = 1);

// Every channel value v < threshold becomes 255 - v; the others stay.
// threshold 0 changes nothing, 256 inverts everything.
bool Solarize(TBitmap& image, std::int32_t threshold);

// Fisheye lens about the picture's centre with strength 0.1..1.1 (outside
// that range, compared in single precision: false, unchanged). A pixel at
// distance d from the centre (cx = W/2, cy = H/2, R = half diagonal) takes the
// source point at distance d * m along its own direction, where
// m = sqrt(sin(strength * d * pi / (2R))) + 0.1, and reads it bilinearly
// (RoundClampByte). Points outside 0..W-2 x 0..H-2 give grey 128, 128, 128.
// d, the angle, m and the source point are held in single precision; sines,
// cosines, roots and the arc tangent are evaluated in extended precision.
bool FishEye(TBitmap& image, float strength, int threads = 1);
// For tests: 0 keeps the fisheye's reading of its sources on the portable path
// even where the processor offers AVX2 (the bytes are the same either way).
void LimitFishEyeVectors(int level);

// Per channel RoundClampByte(sqrt(Sx^2 + Sy^2)) of the Sobel sums over the
// 3 x 3 window; a neighbour beyond an edge reads the pixel's own row or
// column. A uniform picture gives black, a 0 | 255 step 255 on both sides of
// it. grey = true finishes with ConvertToGrey8 (an 8-bit result).
bool SobelEdges(TBitmap& image, bool grey, int threads = 1);

// Black line drawing on white, as a 1-bit bitmap of the same size (bit set =
// white). A pixel turns black when its colour distance to the right or to the
// lower neighbour is at least `threshold`; the last column and row have no
// such neighbour and compare only with the other one.
bool ThresholdEdges(TBitmap& image, std::int32_t threshold);

// 8-bit grey picture of the same size: 255 - dist(right) - dist(lower),
// limited to 0..255 (a missing neighbour counts 0). stretch = true finishes
// with AutoLevels8.
bool ShadedEdges(TBitmap& image, bool stretch);

// Stretches an 8-bit grey picture: with clip = 1.5 % of the pixel count
// (rounded half to even), low / high are the first levels from below / above
// whose running count exceeds clip; v becomes
// RoundClampByte((v - low) * (255 / (high - low + 1) in single precision)).
// False, unchanged, when the bitmap is not 8 bits per pixel; an empty bitmap is
// left as it is.
bool AutoLevels8(TBitmap& grey8);

// Every channel value v becomes 255 - v. Applied twice it restores the image.
bool Negative(TBitmap& image);

// For tests: false keeps the Sobel edges on their SSE2 path even where the
// processor offers AVX2 (the bytes are the same either way).
void SetArtSimd(bool allowed);

}  // namespace kira
