#include "tone/color_filter.h"

#include "core/rounding.h"

namespace kira {

namespace {

TToneTable ChannelTable(std::uint8_t c, int strength) {
  const double factor = (c + (255 - c) * static_cast<double>(strength) / 100) / 255;
  TToneTable t{};
  for (int v = 0; v < 256; ++v) t[v] = ClampByte(v * factor);
  return t;
}

}  // namespace

TChannelTables ColorFilterTables(std::uint32_t color, int strength) {
  return {ChannelTable(static_cast<std::uint8_t>(color >> 16), strength),
          ChannelTable(static_cast<std::uint8_t>(color >> 8), strength),
          ChannelTable(static_cast<std::uint8_t>(color), strength)};
}

bool ColorFilter(TBitmap& bitmap, std::uint32_t color, int strength, int threads) {
  return ColorFilter(bitmap, bitmap, color, strength, threads);
}

bool ColorFilter(const TBitmap& source, TBitmap& result, std::uint32_t color, int strength, int threads) {
  if (!Is24(source)) return false;
  return MapBytes(source, result, ColorFilterTables(color, strength), threads);
}

}  // namespace kira
