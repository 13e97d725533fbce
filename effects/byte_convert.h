// Conversions of extended-precision values to integers for the inner loops of
// the colour and lighting effects, with the results of RoundClampByte and of
// truncation. A plain conversion of a long double to an integer switches the
// x87 rounding mode twice per value (fldcw), which costs far more than the
// arithmetic around it on the machines this runs on. Here the value is stored
// with fistp in the mode in force, which is nearest with ties to even, as rint.
#pragma once

#include <cstdint>

#include <emmintrin.h>

namespace kira {

static_assert(__LDBL_MANT_DIG__ == 64, "x87 extended precision expected");

// Nearest integer, ties to even, for |x| < 2^63.
inline std::int64_t RoundX87(long double x) {
  std::int64_t r;
  asm("fistpll %0" : "=m"(r) : "t"(x) : "st");
  return r;
}

// RoundClampByte: 0 below 0 (and for NaN), 255 above 255, otherwise nearest
// with ties to even.
inline std::uint8_t RoundClampByteX87(long double value) {
  if (!(value >= 0)) return 0;
  if (value > 255) return 255;
  return static_cast<std::uint8_t>(RoundX87(value));
}

// Trunc for 0 <= x < 2^62 (toward zero, so the integer part).
inline std::uint64_t TruncNonNegativeX87(long double x) {
  // Adding and taking away 1.5 * 2^63, where the unit of the 64-bit
  // significand is 1, gives the nearest integer exactly; one less when that
  // lies above x.
  constexpr long double kShift = 0x1.8p63L;
  long double n = (x + kShift) - kShift;
  if (n > x) n -= 1;
  return static_cast<std::uint64_t>(RoundX87(n));
}

// RoundClampByte of a double, through cvtsd2si (SSE2) in the mode in force.
inline std::uint8_t RoundClampByteSse(double value) {
  if (!(value >= 0)) return 0;
  if (value > 255) return 255;
  return static_cast<std::uint8_t>(_mm_cvtsd_si32(_mm_set_sd(value)));
}

}  // namespace kira
