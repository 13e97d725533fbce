#include "effects/geometry.h"

#include <immintrin.h>

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

bool FlipBitmapInto(const TBitmap& source, TBitmap& result, std::uint8_t mirror) {
  if (&source == &result) return FlipBitmap(result, mirror);
  if (!Is24(source)) return false;
  const int w = source.Width();
  const int h = source.Height();
  TBitmap flipped = TBitmap::ForOverwrite(w, h, TPixelFormat::pf24bit);  // every pixel is moved
  {
    const TConstBmpData24 src(source);
    TBmpData24 dst(flipped);
    const std::size_t bytes = static_cast<std::size_t>(w) * 3;
    for (int y = 0; y < h; ++y) {
      std::uint8_t* row = dst.Row(y);
      if (mirror == 0) {
        std::memcpy(row, src.Row(h - 1 - y), bytes);
        continue;
      }
      // As in FlipBitmap: four bytes a pixel, the row's last pixel alone.
      const std::uint8_t* from = src.Row(y) + bytes - 3;
      int x = 0;
      for (; x + 1 < w; ++x, from -= 3) {
        std::uint32_t v;
        std::memcpy(&v, from, 4);
        std::memcpy(row + 3 * x, &v, 4);
      }
      if (w > 0) std::memcpy(row + 3 * x, from, 3);
    }
  }
  result = std::move(flipped);
  return true;
}

namespace {

bool UseSsse3() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has && geometry_detail::gSimdAllowed.load(std::memory_order_relaxed);
}

// One 4 x 4 block of TurnSsse3: source rows y0 .. y0+3, columns x0 .. x0+3.
__attribute__((target("ssse3"))) inline void TurnBlockSsse3(const TConstBmpData24& src, TBmpData24& dst, int w,
                                                          int h, bool right, int x0, int y0) {
  const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  __m128i r[4];
  for (int k = 0; k < 4; ++k)
    r[k] = _mm_shuffle_epi8(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src.Row(y0 + k) + 3 * static_cast<std::ptrdiff_t>(x0))),
        widen);
  // a .. d in the order of the output row.
  const __m128i a = right ? r[3] : r[0], b = right ? r[2] : r[1], c = right ? r[1] : r[2],
                d = right ? r[0] : r[3];
  const __m128i t0 = _mm_unpacklo_epi32(a, b), t1 = _mm_unpacklo_epi32(c, d);
  const __m128i t2 = _mm_unpackhi_epi32(a, b), t3 = _mm_unpackhi_epi32(c, d);
  const __m128i o[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1), _mm_unpacklo_epi64(t2, t3),
                        _mm_unpackhi_epi64(t2, t3)};
  const bool last = right ? y0 == 0 : y0 + 4 == h;
  const std::ptrdiff_t col = 3 * static_cast<std::ptrdiff_t>(right ? h - 4 - y0 : y0);
  for (int j = 0; j < 4; ++j) {
    std::uint8_t* q = dst.Row(right ? x0 + j : w - 1 - x0 - j) + col;
    const __m128i v = _mm_shuffle_epi8(o[j], narrow);
    if (!last) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q), v);
    } else {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(q), v);
      const std::int32_t tail = _mm_cvtsi128_si32(_mm_srli_si128(v, 8));
      std::memcpy(q + 8, &tail, 4);
    }
  }
}

// The quarter turn in 64-pixel square tiles, within each tile in blocks of
// 4 x 4 pixels: the four source rows are read 16 bytes at a time, spread to
// one 32-bit word a pixel, transposed as a 4 x 4 matrix of words and packed
// back to 12 bytes for each of the four output rows. A block is stored with
// 16 bytes, whose last 4 fall on the next pixel of the output row; that pixel
// is written after it (blocks and tiles are visited in the order of growing
// output positions), and the block at the end of an output row is stored
// with exactly 12 bytes. Rows of a tile beyond whole blocks and columns
// beyond whole groups of four (or too near the end of the source row for a
// 16-byte read) move pixel by pixel.
__attribute__((target("ssse3"))) void TurnSsse3(const TConstBmpData24& src, TBmpData24& dst, int w, int h,
                                                bool right) {
  constexpr int kTile = 64;
  const auto outRow = [&](int x) { return dst.Row(right ? x : w - 1 - x); };
  const auto outCol = [&](int y) { return 3 * static_cast<std::ptrdiff_t>(right ? h - 1 - y : y); };
  // One pixel, with 4 bytes unless it ends its output row.
  const auto pixel = [&](int x, int y) {
    std::uint8_t* q = outRow(x) + outCol(y);
    const std::uint8_t* p = src.Row(y) + 3 * static_cast<std::ptrdiff_t>(x);
    if (y == (right ? 0 : h - 1)) {
      std::memcpy(q, p, 3);
    } else {
      std::uint32_t v;
      std::memcpy(&v, p, 4);
      std::memcpy(q, &v, 4);
    }
  };
  const int tiles = (h + kTile - 1) / kTile;
  for (int t = 0; t < tiles; ++t) {
    const int ty = (right ? tiles - 1 - t : t) * kTile, yEnd = std::min(ty + kTile, h);
    const int rem = (yEnd - ty) % 4;
    // Whole blocks from yLo, the leftover rows below it (right turn) or
    // above the blocks (left turn).
    const int yLo = right ? ty + rem : ty, yHi = right ? yEnd : yEnd - rem;
    for (int tx = 0; tx < w; tx += kTile) {
      const int xEnd = std::min(tx + kTile, w);
      int x = tx;
      for (; x + 4 <= xEnd && 3 * static_cast<std::ptrdiff_t>(x) + 16 <= 3 * static_cast<std::ptrdiff_t>(w); x += 4) {
        if (right) {
          for (int y0 = yHi - 4; y0 >= yLo; y0 -= 4) TurnBlockSsse3(src, dst, w, h, right, x, y0);
          for (int y = yLo - 1; y >= ty; --y)
            for (int j = 0; j < 4; ++j) pixel(x + j, y);
        } else {
          for (int y0 = yLo; y0 + 4 <= yHi; y0 += 4) TurnBlockSsse3(src, dst, w, h, right, x, y0);
          for (int y = yHi; y < yEnd; ++y)
            for (int j = 0; j < 4; ++j) pixel(x + j, y);
        }
      }
      for (; x < xEnd; ++x) {
        if (right) {
          for (int y = yEnd - 1; y >= ty; --y) pixel(x, y);
        } else {
          for (int y = ty; y < yEnd; ++y) pixel(x, y);
        }
      }
    }
  }
}

}  // namespace

bool RotateBitmap90Into(const TBitmap& source, TBitmap& result, std::uint8_t direction) {
  if (!Is24(source)) return false;
  const int w = source.Width();
  const int h = source.Height();
  TBitmap turned = TBitmap::ForOverwrite(h, w, TPixelFormat::pf24bit);  // every pixel is moved
  {
    const TConstBmpData24 src(source);
    TBmpData24 dst(turned);
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
    if (UseSsse3()) {
      TurnSsse3(src, dst, w, h, direction != 0);
    } else if (direction != 0) {
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
  result = std::move(turned);
  return true;
}

bool RotateBitmap90(TBitmap& bitmap, std::uint8_t direction) { return RotateBitmap90Into(bitmap, bitmap, direction); }

}  // namespace kira
