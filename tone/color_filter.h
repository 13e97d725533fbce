// The colour filter: a coloured glass in front of the lens. Every channel of
// every pixel is multiplied by a factor taken from the filter colour C and a
// strength s in per cent (the page passes 100 - density):
//
//   factor = (C + (255 - C) * s / 100) / 255        (double precision)
//   byte   = ClampByte(byte * factor)
//
// s = 0 is the full filter (factor C / 255), s = 100 no change. Within
// 0..100 the factors lie in 0..1; outside, the bytes are limited to 0..255.
#pragma once

#include <cstdint>

#include "core/bitmap.h"
#include "tone/byte_map.h"

namespace kira {

// The filter colour as the colour dialog gives it: 0x00BBGGRR (red in the
// lowest byte); the top byte is ignored.
constexpr std::uint32_t ColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
         (static_cast<std::uint32_t>(blue) << 16);
}

// The three byte functions of the filter as tables.
TChannelTables ColorFilterTables(std::uint32_t color, int strength);

// In place. False and the picture unchanged when it is not 24 bits per pixel.
bool ColorFilter(TBitmap& bitmap, std::uint32_t color, int strength, int threads = 1);
// result := source, then the filter, in one pass; source may be result.
bool ColorFilter(const TBitmap& source, TBitmap& result, std::uint32_t color, int strength, int threads = 1);

}  // namespace kira
