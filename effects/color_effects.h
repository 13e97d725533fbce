// Saturation and lightness of a 24-bit bitmap, in place.
//
// AdjustSaturation mixes each pixel with its grey 0.3086 R + 0.6094 G +
// 0.082 B (a colour matrix); AdjustLuminance scales the lightness of an
// integer hue / saturation / lightness form and converts back. Both refuse a
// bitmap that is not 24 bits per pixel (false, unchanged).
#pragma once

#include <cstdint>

#include "core/bitmap.h"

namespace kira {

// The grey weights of the saturation mix, also used by the lighting effects.
inline constexpr long double kSatWeightRed = 0.3086L;
inline constexpr long double kSatWeightGreen = 0.6094L;
inline constexpr long double kSatWeightBlue = 0.082L;

// s = amount / 100 + 1 (the page passes -100..100: -100 gives grey, 0 leaves
// the picture as it is, 100 doubles the distance from the grey). With
// u = 1 - s and w = u * weight:
//   red'   = RoundClampByte(R (s + wr) + wg G + wb B)
//   green' = RoundClampByte(wb B + (wr R + G (s + wg)))
//   blue'  = RoundClampByte(wg G + wr R + B (s + wb))
// in extended precision, summed in the order written. Any amount is taken.
bool AdjustSaturation(TBitmap& bitmap, long double amount, int threads = 1);
// For tests: the widest vectors AdjustSaturation may use (0 SSE2, 1 AVX2,
// 2 AVX-512, each only where the processor offers it); the bytes are the same.
void LimitSaturationVectors(int level);

// An integer hue / saturation / lightness triple. Each is truncated toward
// zero when made, so a round trip loses detail.
struct THsl {
  std::int32_t Hue = 0;         // 0..359 degrees; 0 red, 120 green, 240 blue
  std::int32_t Saturation = 0;  // 0..100 percent
  std::int32_t Lightness = 0;   // 0..100 percent
};

// color = red * 65536 + green * 256 + blue. A grey (max - min below 0.000001)
// gives hue 0 and saturation 0. Ties of the maximum go to red, then green.
THsl RgbToHsl(std::int32_t color);

// Writes the three bytes of the pixel at `pixel` (blue, green, red) from a
// triple with hue 0..359; each channel is Trunc(value * 255). Saturation 0
// gives the grey Trunc(lightness / 100 * 255).
void HslToRgb(std::uint8_t* pixel, std::int32_t hue, std::int32_t saturation, std::int32_t lightness);

// Per pixel: (H, S, L) = RgbToHsl, L' = min(100, Trunc((amount / 100 + 1) L)),
// then HslToRgb(H, S, L'). Amount 0 is not the identity (a grey 128 becomes
// 127); -100 makes every pixel black. Refused (false, unchanged) when amount
// is outside -100..100.
bool AdjustLuminance(TBitmap& bitmap, std::int32_t amount, int threads = 1);

}  // namespace kira
