// The blur family: a square-window mean, a separable Gaussian, and two blurs
// about the picture's centre (along the ray and along the circle). All work in
// place on a 24-bit bitmap, read from a copy of the input and refuse any other
// format (false, unchanged). threads > 1 shares the rows among that many
// threads; the bytes never depend on it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/bitmap.h"

namespace kira {

// Mean of the (2r + 1)^2 window around each pixel, truncated (integer
// division). A window position beyond an edge reads the pixel's own row or
// column, not the nearest edge: at the top-left corner with r = 1 the window
// is (0,0) x4, (1,0) x2, (0,1) x2, (1,1) x1. r = 0 leaves the picture as it is;
// so does a negative radius.
bool BoxBlur(TBitmap& image, std::int32_t radiusPx, int threads = 1);

// Gaussian of sigma s pixels, radius 3s, as a horizontal then a vertical pass
// with single-precision weights exp(-d^2 / (2 s^2)) and single-precision sums
// rounded at every addition. Taps beyond an edge are left out, weight
// included, so border pixels are the mean of the taps that exist. Each pass
// stores bytes with RoundClampByte. Refused (false, unchanged) for s outside
// 1..30.
bool GaussianBlur(TBitmap& image, std::int32_t sigmaPx, int threads = 1);
// The same from source into result (not the source itself), which becomes a
// picture of the source's size; on refusal result is unchanged. Saves the
// copy of the source an in-place call on a copy would need.
bool GaussianBlurInto(const TBitmap& source, TBitmap& result, std::int32_t sigmaPx, int threads = 1);

// Mean of the 2n + 1 samples at distances rho - n .. rho + n (negative ones
// skipped) along the ray from the centre (W/2, H/2) through the pixel, rho
// being the pixel's own distance rounded half to even. Positions round half to
// even; a sample in the last row or column or outside is not taken. A pixel
// with no sample keeps its value; so does every pixel for n < 0.
bool RadialBlur(TBitmap& image, std::int32_t reachPx, int threads = 1);

// Mean of the samples at whole degrees a - n .. a + n on the circle about the
// centre through the pixel, a being the pixel's direction rounded half to
// even; otherwise as RadialBlur.
bool AngleBlur(TBitmap& image, std::int32_t reachDeg, int threads = 1);

// For tests: false keeps the Gaussian on its portable path even where the
// processor offers vector instructions (the bytes are the same either way).
void SetBlurSimd(bool allowed);
// For tests: false keeps the radial and angle blurs off their AVX-512 path
// (AVX2 is still used where allowed and offered).
void SetBlurAvx512(bool allowed);
// For tests: the vector Gaussian runs both passes together, row by row, while
// its ring of horizontal results (2 radius + 4 rows of floats per thread)
// needs at most this many bytes, else one pass after the other (default
// 64 MiB).
void SetGaussianRingLimit(std::size_t bytes);

}  // namespace kira
