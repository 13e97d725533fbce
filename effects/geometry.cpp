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
    // Each row is copied aside once and written back reversed: the same bytes
    // as reading every pixel from a duplicate of the picture.
    std::vector<std::uint8_t> tmp(static_cast<std::size_t>(w) * 3 + 1);
    for (int y = 0; y < h; ++y) {
      std::uint8_t* row = d.Row(y);
      std::memcpy(tmp.data(), row, static_cast<std::size_t>(w) * 3);
      const std::uint8_t* src = tmp.data() + static_cast<std::size_t>(w - 1) * 3;
      int x = 0;
      // Four bytes at a time (the fourth is overwritten by the next pixel);
      // the last pixel of the row is copied alone so nothing is written past it.
      for (; x + 1 < w; ++x, src -= 3) {
        std::uint32_t v;
        std::memcpy(&v, src, 4);
        std::memcpy(row + 3 * x, &v, 4);
      }
      if (w > 0) {
        std::memcpy(row + 3 * x, src, 3);
      }
    }
  } else {
    const std::size_t bytes = static_cast<std::size_t>(w) * 3;
    std::vector<std::uint8_t> tmp(bytes);
    for (int y = 0, r = h - 1; y < r; ++y, --r) {
      std::memcpy(tmp.data(), d.Row(y), bytes);
      std::memcpy(d.Row(y), d.Row(r), bytes);
      std::memcpy(d.Row(r), tmp.data(), bytes);
    }
  }
  return true;
}

bool RotateBitmap90(TBitmap& bitmap, std::uint8_t direction) {
  if (!Is24(bitmap)) return false;
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  TBitmap result = TBitmap::ForOverwrite(h, w, TPixelFormat::pf24bit);  // every pixel is moved
  {
    const TConstBmpData24 src(std::as_const(bitmap));
    TBmpData24 dst(result);
    // Square tiles keep the rows read and the rows written in cache. A pixel
    // moves as one 4-byte word; its fourth byte lands on the next pixel of
    // the output row, which is written after it (the tiles are visited in the
    // order that makes this hold). The last pixel of an output row is moved
    // with three bytes so nothing beyond the row is touched.
    constexpr int kTile = 64;
    auto move4 = [](std::uint8_t* q, const std::uint8_t* p) {
      std::uint32_t v;
      std::memcpy(&v, p, 4);
      std::memcpy(q, &v, 4);
    };
    if (direction != 0) {
      // (H-1-y, x) := (x, y); output positions grow as y falls.
      for (int ty = ((h - 1) / kTile) * kTile; ty >= 0; ty -= kTile) {
        const int yEnd = std::min(ty + kTile, h);
        for (int tx = 0; tx < w; tx += kTile) {
          const int xEnd = std::min(tx + kTile, w);
          for (int x = tx; x < xEnd; ++x) {
            std::uint8_t* row = dst.Row(x);
            const std::ptrdiff_t px = 3 * static_cast<std::ptrdiff_t>(x);
            for (int y = yEnd - 1; y >= std::max(ty, 1); --y) move4(row + 3 * static_cast<std::ptrdiff_t>(h - 1 - y), src.Row(y) + px);
            if (ty == 0) std::memcpy(row + 3 * static_cast<std::ptrdiff_t>(h - 1), src.Row(0) + px, 3);
          }
        }
      }
    } else {
      // (y, W-1-x) := (x, y); output positions grow with y.
      for (int ty = 0; ty < h; ty += kTile) {
        const int yEnd = std::min(ty + kTile, h);
        const int yLast = std::min(yEnd, h - 1);
        for (int tx = 0; tx < w; tx += kTile) {
          const int xEnd = std::min(tx + kTile, w);
          for (int x = tx; x < xEnd; ++x) {
            std::uint8_t* row = dst.Row(w - 1 - x);
            const std::ptrdiff_t px = 3 * static_cast<std::ptrdiff_t>(x);
            for (int y = ty; y < yLast; ++y) move4(row + 3 * static_cast<std::ptrdiff_t>(y), src.Row(y) + px);
            if (yEnd == h) std::memcpy(row + 3 * static_cast<std::ptrdiff_t>(h - 1), src.Row(h - 1) + px, 3);
          }
        }
      }
    }
  }
  bitmap = std::move(result);
  return true;
}

}  // namespace kira
