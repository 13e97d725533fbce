// Resampling a 24-bit bitmap to any new size by one of nine methods.
//
// Destination pixel (x, y) reads the source around sx = x * W / newWidth,
// sy = y * H / newHeight (extended precision, no half-pixel offset: column 0
// maps to 0, the last column to (newWidth - 1) * W / newWidth < W).
//
//   code  method             taps per axis
//   0     nearest neighbour  1: Round(sx) with ties to even, limited to W - 1
//   1     bilinear           2: x0, x0 + 1; the last column mixes with itself
//   2     bicubic            4: ix - 1 .. ix + 2 (cubic convolution, a = -1)
//   3     B-spline           4  (weights as differences of cubes)
//   4     Hermite            2: ix .. ix + 1
//   5     Mitchell           4  (B = C = 1/3)
//   6     Bell               4
//   7     Lanczos, 2 lobes   4
//   8     Lagrange           4  (cubic Lagrange interpolation)
//
// The kernel methods (2..8) add p * wx * wy over the taps, rows outer and
// columns inner, and do not divide by the sum of the weights. A tap outside
// the picture reads the pixel at the truncated position ix = Trunc(sx) (iy for
// rows), not the nearest edge pixel, and keeps its own weight. Every channel
// value is converted back with RoundClampByte (limit, then halves to even).
#pragma once

#include <cstdint>

#include "core/bitmap.h"

namespace kira {

inline constexpr std::uint8_t kResampleNearest = 0;
inline constexpr std::uint8_t kResampleBilinear = 1;
inline constexpr std::uint8_t kResampleBicubic = 2;
inline constexpr std::uint8_t kResampleBSpline = 3;
inline constexpr std::uint8_t kResampleHermite = 4;
inline constexpr std::uint8_t kResampleMitchell = 5;
inline constexpr std::uint8_t kResampleBell = 6;
inline constexpr std::uint8_t kResampleLanczos2 = 7;
inline constexpr std::uint8_t kResampleLagrange = 8;

// Replaces the bitmap by a newWidth x newHeight resampling of it.
// Refused (false, bitmap unchanged) when the bitmap is not 24 bits per pixel,
// when it is empty (there is no pixel to read), when a new side is below 1 or
// when the method code is above 8. threads > 1 shares the destination rows
// among that many threads; the bytes do not depend on it. An allocation
// failure throws and leaves the bitmap unchanged.
bool ResampleBitmap(TBitmap& bitmap, std::int32_t newWidth, std::int32_t newHeight, std::uint8_t method,
                    int threads = 1);

// The same, writing the new picture into result and leaving source alone
// (saves a copy of a large source that is only read). result must not be
// source. On refusal result is unchanged.
bool ResampleInto(const TBitmap& source, TBitmap& result, std::int32_t newWidth, std::int32_t newHeight,
                  std::uint8_t method, int threads = 1);

// The weight of a tap at distance t >= 0 for the kernel codes 2 and 4..8, as
// the kernels are written (powers formed first as products, then left to
// right). 0 for the other codes.
long double ResampleKernel(std::uint8_t method, long double t);

}  // namespace kira
