#include "effects/noise.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/parallel_rows.h"
#include "effects/random.h"

namespace kira {

namespace {

std::uint8_t Limit(std::int64_t v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// The draws of one pixel are taken from the seed before it by jumps of 1, 2
// and 3 steps, so that consecutive pixels depend on each other through one
// multiply-add instead of three.
template <int kDraws>
struct TPixelDraws {
  TLcgJump Step[kDraws];
  TPixelDraws() {
    for (int i = 0; i < kDraws; ++i) Step[i] = LcgJump(static_cast<std::uint64_t>(i) + 1);
  }
};

// Runs pixel(row pointer, x, seed before the pixel's draws) over all pixels in
// rows top to bottom, handing each block of rows its own start seed, and
// leaves the generator after all the draws.
template <int kDraws, class Pixel>
void ForEachPixelWithSeed(TBitmap& bitmap, int threads, Pixel pixel) {
  const int w = bitmap.Width(), h = bitmap.Height();
  const std::uint32_t seed0 = RandSeed();
  const std::uint64_t perRow = static_cast<std::uint64_t>(kDraws) * static_cast<std::uint64_t>(w);
  ForEachRowBlock(h, threads, [&](std::int32_t begin, std::int32_t end) {
    std::uint32_t seed = LcgJump(perRow * static_cast<std::uint64_t>(begin)).Apply(seed0);
    for (int y = begin; y < end; ++y) {
      std::uint8_t* row = bitmap.ScanLine(y);
      for (int x = 0; x < w; ++x) seed = pixel(row + 3 * static_cast<std::ptrdiff_t>(x), seed);
    }
  });
  RandSeed() = LcgJump(perRow * static_cast<std::uint64_t>(h)).Apply(seed0);
}

}  // namespace

bool ColorNoise(TBitmap& bitmap, int p, int threads) {
  if (!Is24(bitmap) || p < 0) return false;
  static const TPixelDraws<3> draws;
  const auto n = static_cast<std::uint32_t>(p);
  const std::int64_t half = p / 2;
  ForEachPixelWithSeed<3>(bitmap, threads, [&](std::uint8_t* px, std::uint32_t seed) {
    const std::uint32_t s1 = draws.Step[0].Apply(seed);
    const std::uint32_t s2 = draws.Step[1].Apply(seed);
    const std::uint32_t s3 = draws.Step[2].Apply(seed);
    px[0] = Limit(px[0] + static_cast<std::int64_t>(RandomFromSeed(s1, n)) - half);
    px[1] = Limit(px[1] + static_cast<std::int64_t>(RandomFromSeed(s2, n)) - half);
    px[2] = Limit(px[2] + static_cast<std::int64_t>(RandomFromSeed(s3, n)) - half);
    return s3;
  });
  return true;
}

bool MonoNoise(TBitmap& bitmap, int p, int threads) {
  if (!Is24(bitmap) || p < 0) return false;
  const auto n = static_cast<std::uint32_t>(p);
  const std::int64_t half = p / 2;
  ForEachPixelWithSeed<1>(bitmap, threads, [&](std::uint8_t* px, std::uint32_t seed) {
    seed = seed * 134775813u + 1u;
    const std::int64_t r = static_cast<std::int64_t>(RandomFromSeed(seed, n)) - half;
    px[0] = Limit(px[0] + r);
    px[1] = Limit(px[1] + r);
    px[2] = Limit(px[2] + r);
    return seed;
  });
  return true;
}

bool Ripple(TBitmap& bitmap, int p, int threads) {
  if (p < 0) return false;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  RandomizeFromClock();
  const int w = bitmap.Width(), h = bitmap.Height();
  const int b = std::min(h / 2, p);
  const int rows = h - b;  // rows H-1-b down to 0
  const std::uint32_t seed0 = RandSeed();
  if (rows > 0 && w > 0) {
    // A copy never leaves its column, so the columns can be shared between
    // threads. Row j (counted from the first one processed) uses draw
    // j W + x, counted from 1, for column x >= 1; column 0 uses offset 0.
    const auto n = static_cast<std::uint32_t>(b);
    TBmpData24 rowsOf(bitmap);
    ForEachRowBlock(w, threads, [&](std::int32_t x0, std::int32_t x1) {
      const std::int32_t first = std::max(x0, 1);  // first column that uses a draw
      std::uint32_t seed = LcgJump(static_cast<std::uint64_t>(first) - 1).Apply(seed0);
      const TLcgJump nextRow = LcgJump(static_cast<std::uint64_t>(w) + first - std::max(x1, first));
      for (int j = 0; j < rows; ++j) {
        const int n0 = h - 1 - b - j;
        const std::uint8_t* from = rowsOf.Row(n0);
        for (int x = x0; x < x1; ++x) {
          // The offset is held in a byte.
          std::uint8_t e = 0;
          if (x >= 1) {
            seed = seed * 134775813u + 1u;
            e = static_cast<std::uint8_t>(RandomFromSeed(seed, n));
          }
          std::uint8_t* to = rowsOf.Row(n0 + e) + 3 * static_cast<std::ptrdiff_t>(x);
          const std::uint8_t* src = from + 3 * static_cast<std::ptrdiff_t>(x);
          to[0] = src[0], to[1] = src[1], to[2] = src[2];
        }
        seed = nextRow.Apply(seed);
      }
    });
  }
  RandSeed() = LcgJump(static_cast<std::uint64_t>(std::max(rows, 0)) * static_cast<std::uint64_t>(w))
                   .Apply(seed0);
  return true;
}

bool Spray(TBitmap& bitmap, int p) {
  if (!Is24(bitmap) || p < 0) return false;
  static const TPixelDraws<3> draws;
  const int w = bitmap.Width(), h = bitmap.Height();
  const auto n = static_cast<std::uint32_t>(p);
  std::uint32_t seed = RandSeed();
  if (w > 0 && h > 0) {
    TBmpData24 px(bitmap);
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) {
        const std::uint32_t s1 = draws.Step[0].Apply(seed);
        const std::uint32_t s2 = draws.Step[1].Apply(seed);
        seed = draws.Step[2].Apply(seed);
        const std::uint32_t d = RandomFromSeed(s1, n);
        const std::int64_t e = RandomFromSeed(s2, 2 * d);
        const std::int64_t f = RandomFromSeed(seed, 2 * d);
        const std::int64_t sx = x + static_cast<std::int64_t>(d) - e;
        const std::int64_t sy = y + static_cast<std::int64_t>(d) - f;
        if (sx < 0 || sx >= w || sy < 0 || sy >= h) continue;
        const std::uint8_t* src = px.Pixel(static_cast<int>(sx), static_cast<int>(sy));
        std::uint8_t* dst = px.Pixel(x, y);
        dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
      }
    }
  }
  RandSeed() = seed;
  return true;
}

}  // namespace kira
