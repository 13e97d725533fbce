// Monochrome filters: every pixel becomes grey, all three bytes set to
//
//   ClampByte(wR * R + wG * G + wB * B)
//
// with single-precision weights, the products and the sums formed in double
// precision from left to right (exact for weights of the usual size: a float
// times a byte needs at most 32 bits).
#pragma once

#include <cstdint>

#include "core/bitmap.h"

namespace kira {

struct TGreyWeights {
  float Red = 0, Green = 0, Blue = 0;
};

// The five kinds of the monochrome page, in the order of its radio buttons.
enum class TGreyKind : std::uint8_t { Monochrome, RedFilter, GreenFilter, BlueFilter, Greyscale };

// monochrome 0.299, 0.587, 0.114; red filter 0.8, 0.1, 0.1; green filter
// 0.1, 0.8, 0.1; blue filter 0.1, 0.1, 0.8; greyscale 0.333, 0.334, 0.333
// (red, green, blue).
TGreyWeights GreyWeightsFor(TGreyKind kind);

// In place. False and the picture unchanged when it is not 24 bits per pixel.
bool WeightedGrey(TBitmap& bitmap, float wRed, float wGreen, float wBlue, int threads = 1);
bool WeightedGrey(TBitmap& bitmap, TGreyWeights weights, int threads = 1);
// result := source, then the conversion, in one pass; source may be result.
bool WeightedGrey(const TBitmap& source, TBitmap& result, TGreyWeights weights, int threads = 1);

}  // namespace kira
