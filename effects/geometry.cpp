#include "effects/geometry.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kira {

bool FlipBitmap(TBitmap& bitmap, std::uint8_t mirror) {
  if (!Is24(bitmap)) return false;
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  TBmpData24 d(bitmap);
  if (mirror != 0) {
    // In place: swapping pixel x with W-1-x gives the same bytes as reading
    // every pixel from a copy.
    for (int y = 0; y < h; ++y) {
      std::uint8_t* row = d.Rows[y];
      for (int x = 0, r = w - 1; x < r; ++x, --r) {
        std::uint8_t* a = row + 3 * x;
        std::uint8_t* b = row + 3 * r;
        std::swap(a[0], b[0]);
        std::swap(a[1], b[1]);
        std::swap(a[2], b[2]);
      }
    }
  } else {
    const std::size_t bytes = static_cast<std::size_t>(w) * 3;
    std::vector<std::uint8_t> tmp(bytes);
    for (int y = 0, r = h - 1; y < r; ++y, --r) {
      std::memcpy(tmp.data(), d.Rows[y], bytes);
      std::memcpy(d.Rows[y], d.Rows[r], bytes);
      std::memcpy(d.Rows[r], tmp.data(), bytes);
    }
  }
  return true;
}

bool RotateBitmap90(TBitmap& bitmap, std::uint8_t direction) {
  if (!Is24(bitmap)) return false;
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  TBitmap result(h, w, TPixelFormat::pf24bit);
  {
    TBmpData24 src(bitmap);
    TBmpData24 dst(result);
    // Square tiles keep both the rows read and the rows written in cache.
    constexpr int kTile = 64;
    for (int ty = 0; ty < h; ty += kTile) {
      const int yEnd = std::min(ty + kTile, h);
      for (int tx = 0; tx < w; tx += kTile) {
        const int xEnd = std::min(tx + kTile, w);
        for (int x = tx; x < xEnd; ++x) {
          // Destination row for input column x.
          std::uint8_t* out = direction != 0 ? dst.Rows[x] : dst.Rows[w - 1 - x];
          for (int y = ty; y < yEnd; ++y) {
            const std::uint8_t* p = src.Rows[y] + 3 * x;
            std::uint8_t* q = out + 3 * (direction != 0 ? h - 1 - y : y);
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
          }
        }
      }
    }
  }
  bitmap = std::move(result);
  return true;
}

}  // namespace kira
