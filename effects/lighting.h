// Lighting effects that depend on each pixel's distance from the centre of a
// 24-bit bitmap, in place. All refuse a bitmap that is not 24 bits per pixel
// and a radius below 1 (false, unchanged).
//
// The centre is cx = W / 2, cy = H / 2 in single precision (a width of 7 gives
// 3.5). The squared distance of pixel (x, y) is d2 = (x - cx)^2 + (y - cy)^2,
// rounded to single precision; r2 = r * r is made as an integer and held in
// single precision. Other arithmetic is in extended precision.
#pragma once

#include <cstdint>

#include "core/bitmap.h"

namespace kira {

// Factor f = (1 - d2 / r2) * 1.1, rounded to single precision. Where f >= 0
// each channel becomes RoundClampByte(channel * f); elsewhere the pixel is
// black. The centre is 10 % brighter, d2 = r2 / 11 unchanged, d >= r black.
bool SpotLight(TBitmap& bitmap, std::int32_t radiusPx, int threads = 1);

// g as f above. Where g > 0 the pixel gets the saturation mix with factor g
// (u = 1 - g, w = u * weight):
//   red'   = RoundClampByte(R (g + wr) + G wg + B wb)
//   green' = RoundClampByte(B wb + (R wr + G (g + wg)))
//   blue'  = RoundClampByte(G wg + R wr + B (g + wb))
// elsewhere every channel becomes the grey Trunc(0.3086 R + 0.6094 G + 0.082 B)
// (truncated, where the mix inside rounds).
bool ColorSpotLight(TBitmap& bitmap, std::int32_t radiusPx, int threads = 1);

// Blur growing toward the edges. rho = sqrt(d2) in single precision; reach
// n = Round(0.04 * rho * rho * rho / r2) with ties to even. A pixel with n <= 1
// keeps its value; otherwise n is limited to 10 and each channel becomes the
// mean (integer sum div count) of the (2n + 1) x (2n + 1) square around it,
// counting only the positions inside the picture. Reads the original picture
// throughout.
bool Vaseline(TBitmap& bitmap, std::int32_t radiusPx, int threads = 1);

}  // namespace kira
