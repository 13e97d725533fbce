// The three rounding rules of the program. They are not interchangeable:
// - RoundHalfAway / ClampByte: the editor's own effect code, the histogram and
//   the display of a working image (halves away from zero).
// - RoundClampByte: the effects library (limit first, then halves to even).
// - RoundHalfEven: the image window's zoom and coordinate conversion (halves
//   to even). The thumbnail fit rounds the same way, on exact fractions in
//   integers (pages/thumbnails.cpp).
#pragma once

#include <cmath>
#include <cstdint>

namespace kira {

// For x >= 0 the integer part of x + 0.5, for x < 0 that of x - 0.5, in
// extended precision. 2.5 -> 3, -0.5 -> -1, 0.49 -> 0.
// Values beyond the 32-bit range are limited to it.
inline std::int32_t RoundHalfAway(long double x) {
  const long double r = x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L);
  if (!(r > -2147483648.0L)) return INT32_MIN;
  if (r > 2147483647.0L) return INT32_MAX;
  return static_cast<std::int32_t>(r);
}

// RoundHalfAway, then limited to 0..255. The argument is a double.
// 254.5 -> 255, 255.5 -> 255, -0.5 -> 0.
inline std::uint8_t ClampByte(double x) {
  // Values far outside the byte range are limited before the integer
  // conversion so that huge arguments cannot overflow it.
  if (x >= 256.0) return 255;
  if (x <= -256.0) return 0;
  const std::int32_t r = RoundHalfAway(x);
  return static_cast<std::uint8_t>(r > 255 ? 255 : (r < 0 ? 0 : r));
}

// 0 below 0, 255 above 255, otherwise nearest with ties to even.
// 0.5 -> 0, 1.5 -> 2, 126.5 -> 126, 127.5 -> 128.
inline std::uint8_t RoundClampByte(long double value) {
  if (!(value >= 0)) return 0;  // also NaN
  if (value > 255) return 255;
  // rint rounds in the default mode (nearest, ties to even) like nearbyint,
  // without nearbyint's costly save and restore of the floating-point state.
  return static_cast<std::uint8_t>(std::rint(value));
}

// Nearest integer, exact halves to the even neighbour: 2.5 -> 2, 3.5 -> 4.
// Values beyond the 32-bit range are limited to it.
inline std::int32_t RoundHalfEven(long double x) {
  const long double r = std::rint(x);
  if (!(r > -2147483648.0L)) return INT32_MIN;
  if (r > 2147483647.0L) return INT32_MAX;
  return static_cast<std::int32_t>(r);
}

}  // namespace kira
