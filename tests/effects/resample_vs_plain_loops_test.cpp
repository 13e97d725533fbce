// A second reading of the resampler, written as one plain loop
// per destination pixel with no code shared with the library: no half-pixel
// offset, the bilinear edge rule, out-of-range kernel taps reading the
// truncated position with their own weight, unnormalised sums, B-spline
// weights as differences of cubes, extended precision and RoundClampByte.
// ResampleBitmap must give the same bytes for every method code on many small
// random pictures, in both directions and at the extremes of the factors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "core/bitmap.h"
#include "effects/resample.h"
#include "tests/effects/resample_oracle.h"

namespace kira {
namespace {

using namespace resample_oracle;

std::mt19937 gRng(5021208);
int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gRng); }

// Full-range noise, or hard black/white edges, which drive the negative lobes
// of the sharper kernels outside 0..255.
Pic RandomPicture(int w, int h, bool edges) {
  Pic p(w, h);
  for (auto& v : p.px) v = static_cast<std::uint8_t>(edges ? (Rand(0, 1) ? 255 : 0) : Rand(0, 255));
  return p;
}

::testing::AssertionResult SamePic(const Pic& want, const TBitmap& got) {
  if (got.PixelFormat() != TPixelFormat::pf24bit) return ::testing::AssertionFailure() << "not 24-bit";
  if (got.Width() != want.W || got.Height() != want.H)
    return ::testing::AssertionFailure() << "size " << got.Width() << "x" << got.Height();
  for (int y = 0; y < want.H; ++y)
    for (int x = 0; x < want.W; ++x)
      for (int c = 0; c < 3; ++c)
        if (got.ScanLine(y)[3 * x + c] != want.at(x, y)[c])
          return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") channel " << c << ": got "
                                               << int(got.ScanLine(y)[3 * x + c]) << ", want "
                                               << int(want.at(x, y)[c]);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult Agrees(const Pic& src, int nw, int nh, int code, int threads = 1,
                                  TResamplePath path = TResamplePath::Best, TResampleCounts* counts = nullptr) {
  const Pic want = OwnResample(src, nw, nh, code);
  const TBitmap in = ToBitmap(src);
  TBitmap got;
  if (!ResampleIntoOn(in, got, nw, nh, static_cast<std::uint8_t>(code), threads, path, counts))
    return ::testing::AssertionFailure() << "refused";
  return SamePic(want, got) << " (" << src.W << "x" << src.H << " -> " << nw << "x" << nh << ", code " << code
                            << ", path " << static_cast<int>(path) << ", threads " << threads << ")";
}

// The oracle itself against the hand-worked rows.
TEST(ResamplePlainLoopOracle, HandWorkedRows) {
  Pic two(2, 1);
  for (int c = 0; c < 3; ++c) two.at(1, 0)[c] = 200;
  const Pic cubic = OwnResample(two, 4, 1, 2);
  EXPECT_EQ(cubic.at(0, 0)[0], 0);
  EXPECT_EQ(cubic.at(1, 0)[1], 125);
  EXPECT_EQ(cubic.at(2, 0)[2], 200);
  EXPECT_EQ(cubic.at(3, 0)[0], 225);
  for (int c = 0; c < 3; ++c) two.at(1, 0)[c] = 100;
  const Pic lin = OwnResample(two, 4, 1, 1);
  EXPECT_EQ(lin.at(1, 0)[0], 50);
  EXPECT_EQ(lin.at(2, 0)[0], 100);
  EXPECT_EQ(lin.at(3, 0)[0], 100);
  Pic four(4, 1);
  for (int x = 0; x < 4; ++x) four.at(x, 0)[0] = static_cast<std::uint8_t>(10 * x);
  const Pic near = OwnResample(four, 8, 1, 0);
  const int cols[8] = {0, 0, 1, 2, 2, 2, 3, 3};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(near.at(x, 0)[0], 10 * cols[x]) << x;
  // Same-size weights at distances 1, 0, 1.
  EXPECT_NEAR(static_cast<double>(Kernel(5, 1)), 1.0 / 18, 1e-15);
  EXPECT_NEAR(static_cast<double>(Kernel(5, 0)), 8.0 / 9, 1e-15);
  EXPECT_EQ(Kernel(6, 1), 0.125L);
  EXPECT_EQ(Kernel(6, 0), 0.75L);
  EXPECT_EQ(Kernel(2, 1), 0);
  EXPECT_EQ(Kernel(8, 2), 0);
}

// The library's own kernel values against the oracle's, over a fine grid of
// distances.
TEST(ResampleVsPlainLoops, KernelsAsWritten) {
  for (int code : {2, 4, 5, 6, 7, 8})
    for (int n = 0; n <= 2048; ++n) {
      const long double t = n / 1024.0L;
      if (code == 4 && t > 1) break;
      EXPECT_EQ(ResampleKernel(static_cast<std::uint8_t>(code), t), Kernel(code, t)) << code << " t " << n << "/1024";
    }
}

TEST(ResampleVsPlainLoops, EveryCodeOnRandomPictures) {
  const int sizes[][2] = {{1, 1}, {2, 2}, {1, 3}, {3, 1}, {5, 4}, {7, 3}, {13, 11}, {40, 30}, {29, 17}};
  for (int code = 0; code <= 8; ++code)
    for (const auto& sz : sizes) {
      const Pic src = RandomPicture(sz[0], sz[1], code % 2 == 0);
      const int W = sz[0], H = sz[1];
      const int targets[][2] = {{W, H},          {1, 1},     {1, H},         {W, 1},     {2 * W, 2 * H},
                                {3 * W + 1, H},  {W, 5 * H}, {W + 1, H + 1}, {(W + 1) / 2, (H + 1) / 2},
                                {W / 3 + 1, H},  {7, 5},     {Rand(1, 45), Rand(1, 35)}};
      for (const auto& t : targets) ASSERT_TRUE(Agrees(src, t[0], t[1], code));
    }
}

// Big factors both ways and the ratios that are not whole numbers.
TEST(ResampleVsPlainLoops, LargeFactorsAndOddRatios) {
  const Pic tiny = RandomPicture(2, 3, false);
  const Pic wide = RandomPicture(97, 2, true);
  const Pic mid = RandomPicture(21, 19, false);
  for (int code = 0; code <= 8; ++code) {
    ASSERT_TRUE(Agrees(tiny, 61, 47, code));
    ASSERT_TRUE(Agrees(tiny, 1, 90, code));
    ASSERT_TRUE(Agrees(wide, 3, 1, code));
    ASSERT_TRUE(Agrees(wide, 1, 7, code));
    ASSERT_TRUE(Agrees(mid, 13, 29, code));
    ASSERT_TRUE(Agrees(mid, 22, 18, code));
    ASSERT_TRUE(Agrees(mid, 20, 20, code, 2));
  }
}

// Random sizes and targets: enlargements by whole factors, reductions,
// arbitrary ratios and thin targets, threads 1 and 2, both vector paths.
TEST(ResampleVsPlainLoops, RandomSizes) {
  for (int rep = 0; rep < 900; ++rep) {
    const int W = Rand(1, 24), H = Rand(1, 12);
    const Pic src = RandomPicture(W, H, rep % 3 == 0);
    int nw, nh;
    switch (rep % 4) {
      case 0: nw = Rand(1, 60); nh = Rand(1, 30); break;
      case 1: nw = W * Rand(1, 5); nh = H * Rand(1, 5); break;
      case 2: nw = std::max(1, W / Rand(1, 4)); nh = std::max(1, H / Rand(1, 4)); break;
      default: nw = Rand(1, 3); nh = Rand(40, 70); break;
    }
    const TResamplePath path = rep % 3 == 1 ? TResamplePath::Sse2 : TResamplePath::Best;
    ASSERT_TRUE(Agrees(src, nw, nh, rep % 9, 1 + rep % 2, path)) << "run " << rep;
  }
}

// ---- The vector paths and the values they leave to extended precision.

// Smooth shading with fine texture, a hard-edged block and a little noise,
// like a crop of a photograph.
Pic PhotoCrop(int w, int h) {
  Pic p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        const double base = 40 + 150.0 * (x + 2 * y + 30 * c) / (w + 2 * h + 60);
        const double texture = 18 * std::sin(0.7 * x + c) * std::cos(0.45 * y);
        const bool block = (x * 3 / std::max(w, 1) + y * 2 / std::max(h, 1)) % 3 == 1;
        const double v = (block ? 255 - base : base) + texture + Rand(-4, 4);
        p.at(x, y)[c] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
      }
  return p;
}

// A ramp across and down, one slope per channel.
Pic Gradient(int w, int h) {
  Pic p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      p.at(x, y)[0] = static_cast<std::uint8_t>(255 * x / std::max(w - 1, 1));
      p.at(x, y)[1] = static_cast<std::uint8_t>(255 * y / std::max(h - 1, 1));
      p.at(x, y)[2] = static_cast<std::uint8_t>(255 * (x + y) / std::max(w + h - 2, 1));
    }
  return p;
}

// Random rows, each one colour along its whole length: mixing across then
// gives back the row's value up to the extended rounding, and halves down
// put many values on or next to k + 1/2.
Pic UniformRows(int w, int h) {
  Pic p(w, h);
  for (int y = 0; y < h; ++y)
    for (int c = 0; c < 3; ++c) {
      const auto v = static_cast<std::uint8_t>(Rand(0, 255));
      for (int x = 0; x < w; ++x) p.at(x, y)[c] = v;
    }
  return p;
}

enum class Kind { Noise, Edges, Photo, Ramp, Rows };

Pic Make(Kind kind, int w, int h) {
  switch (kind) {
    case Kind::Noise: return RandomPicture(w, h, false);
    case Kind::Edges: return RandomPicture(w, h, true);
    case Kind::Photo: return PhotoCrop(w, h);
    case Kind::Ramp: return Gradient(w, h);
    case Kind::Rows: return UniformRows(w, h);
  }
  return Pic(w, h);
}

std::vector<TResamplePath> Paths() {
  std::vector<TResamplePath> paths{TResamplePath::Sse2};
  if (ResamplePathAvailable(TResamplePath::Avx2)) paths.push_back(TResamplePath::Avx2);
  return paths;
}

struct PathCase {
  Kind kind;
  int w, h, nw, nh;
};

// Every method code on both paths and both thread counts: 1 x 1, whole and
// mixed enlargements (3/2 across and 2 down is thirds by halves), odd
// reductions, one-pixel-wide pictures and widths that leave vector tails.
TEST(ResamplePaths, EveryPathGivesTheOraclesBytes) {
  if (!ResamplePathAvailable(TResamplePath::Avx2)) std::puts("AVX2 not available: SSE2 only");
  const PathCase cases[] = {
      {Kind::Noise, 1, 1, 1, 1},    {Kind::Noise, 1, 1, 17, 9},   {Kind::Noise, 3, 2, 1, 1},
      {Kind::Noise, 20, 10, 30, 20}, {Kind::Noise, 21, 13, 31, 27}, {Kind::Noise, 30, 20, 45, 30},
      {Kind::Edges, 16, 12, 24, 24}, {Kind::Edges, 17, 9, 51, 18},  {Kind::Edges, 40, 30, 13, 7},
      {Kind::Photo, 40, 30, 60, 60}, {Kind::Photo, 48, 36, 32, 18}, {Kind::Photo, 33, 25, 99, 50},
      {Kind::Ramp, 24, 18, 36, 36},  {Kind::Ramp, 25, 19, 50, 38},  {Kind::Ramp, 31, 23, 11, 17},
      {Kind::Rows, 20, 16, 60, 32},  {Kind::Rows, 12, 20, 18, 40},  {Kind::Noise, 1, 23, 5, 35},
      {Kind::Noise, 37, 1, 56, 3},   {Kind::Photo, 45, 33, 30, 22}, {Kind::Edges, 9, 7, 27, 14},
      // pixels copied: halves (vector runs and tails), the same size, thirds
      {Kind::Noise, 34, 6, 17, 3},   {Kind::Noise, 16, 4, 8, 2},    {Kind::Photo, 202, 8, 101, 4},
      {Kind::Noise, 31, 4, 31, 4},   {Kind::Noise, 60, 9, 20, 3},
  };
  for (const PathCase& c : cases) {
    const Pic src = Make(c.kind, c.w, c.h);
    for (int code = 0; code <= 8; ++code)
      for (TResamplePath path : Paths())
        for (int threads : {1, 2})
          ASSERT_TRUE(Agrees(src, c.nw, c.nh, code, threads, path)) << "kind " << static_cast<int>(c.kind);
  }
}

// Exact ties decided by the extended rounding and values within a few units
// of the last place of k + 1/2: a skipped or misrounded recomputation, or a
// tolerance below what the double pass can be off, changes bytes here. Many
// pictures per case, since each value is a fresh chance.
TEST(ResamplePaths, ValuesNearHalvesAreDecidedAsInExtendedPrecision) {
  struct Case {
    Kind kind;
    int code, w, h, nw, nh;
    bool someRecomputed;
  };
  const Case cases[] = {
      {Kind::Noise, 1, 20, 12, 30, 24, true},  // thirds across, halves down
      {Kind::Rows, 1, 16, 12, 48, 24, true},   // thirds across on uniform rows: exact extended ties
      {Kind::Rows, 2, 16, 12, 48, 24, true},
      {Kind::Rows, 8, 16, 12, 48, 24, true},
      {Kind::Noise, 2, 20, 12, 30, 24, true},
      {Kind::Noise, 8, 20, 12, 30, 24, true},
      {Kind::Photo, 5, 24, 18, 36, 36, false},
      {Kind::Noise, 3, 18, 14, 27, 28, false},
      {Kind::Noise, 7, 14, 10, 21, 20, false},
      {Kind::Noise, 4, 15, 10, 45, 20, true},
      {Kind::Edges, 6, 14, 10, 21, 20, false},
      {Kind::Noise, 2, 30, 21, 21, 15, false},  // 10/7 down: no grid at all
  };
  for (const Case& c : cases) {
    TResampleCounts counts;
    for (int rep = 0; rep < 12; ++rep) {
      const Pic src = Make(c.kind, c.w, c.h);
      for (TResamplePath path : Paths())
        ASSERT_TRUE(Agrees(src, c.nw, c.nh, c.code, 1 + rep % 2, path, &counts)) << "picture " << rep;
    }
    if (c.someRecomputed) {
      EXPECT_GT(counts.recomputed, 0u) << "code " << c.code;
    }
  }
}

// Where every weight is a short binary fraction (bicubic, Lagrange, bilinear,
// Hermite and Bell at whole and half positions; not B-spline or Mitchell,
// whose weights hold sixths and ninths) the double pass is exact and decides
// every value itself; whole-pixel positions are copies.
TEST(ResamplePaths, ExactWeightGridsRecomputeNothing) {
  const int cases[][5] = {
      // code, w, h, new w, new h
      {2, 20, 15, 40, 30}, {8, 20, 15, 40, 30}, {1, 20, 15, 40, 30}, {4, 21, 15, 42, 60},
      {6, 20, 15, 40, 60}, {2, 30, 21, 20, 14}, {1, 30, 21, 20, 14}, {8, 40, 30, 20, 15},
      {2, 13, 11, 13, 11}, {6, 16, 16, 32, 32}, {8, 7, 5, 28, 20},
  };
  for (const auto& c : cases) {
    const Pic src = Make(Kind::Noise, c[1], c[2]);
    for (TResamplePath path : Paths()) {
      TResampleCounts counts;
      ASSERT_TRUE(Agrees(src, c[3], c[4], c[0], 1, path, &counts));
      EXPECT_EQ(counts.values, 3u * c[3] * c[4]);
      EXPECT_EQ(counts.recomputed, 0u) << "code " << c[0] << " " << c[1] << "x" << c[2] << " -> " << c[3] << "x"
                                       << c[4];
    }
  }
}

// B-spline and Mitchell at whole positions weigh 1/6, 2/3, 1/6 and 1/18,
// 8/9, 1/18: many sums are exactly k + 1/2 in real arithmetic, and which side
// the extended result falls on is a matter of its last bits. Bright pictures
// make the units of the last place, and with them the double pass's error,
// as large as they get below 255: a tolerance even two bits short of the
// bound lets a wrong side through here.
TEST(ResamplePaths, SmoothingAtWholePositionsNearTheTop) {
  std::mt19937 rng(5);
  for (int code : {3, 5})
    for (int rep = 0; rep < 24; ++rep) {
      Pic src(24, 18);
      for (auto& v : src.px)
        v = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(rep % 2 ? 200 : 0, 255)(rng));
      for (TResamplePath path : Paths()) {
        ASSERT_TRUE(Agrees(src, 24, 18, code, 1, path)) << "picture " << rep;
        ASSERT_TRUE(Agrees(src, 48, 36, code, 2, path)) << "picture " << rep;
      }
    }
}

}  // namespace
}  // namespace kira
