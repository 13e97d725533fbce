#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/bitmap.h"
#include "core/rounding.h"
#include "effects/laplacian.h"

namespace kira {
namespace {

TBitmap Grey(int w, int h, std::uint8_t v) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = v;
  return b;
}

void SetPixel(TBitmap& b, int x, int y, std::uint8_t v) {
  for (int c = 0; c < 3; ++c) b.ScanLine(y)[3 * x + c] = v;
}

// Plain loop: the nine differences to the centre, summed as a real.
TBitmap LaplacianOracle(const TBitmap& in, int p, TLaplacianMode mode) {
  const int w = in.Width(), h = in.Height();
  const double k = mode == TLaplacianMode::Continuous ? static_cast<double>(p) / 10 : p;
  TBitmap out = in;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int ch = 0; ch < 3; ++ch) {
        const int centre = in.ScanLine(y)[3 * x + ch];
        double s = 0;
        for (int j = -1; j <= 1; ++j)
          for (int i = -1; i <= 1; ++i) {
            const int row = std::clamp(y + j, 0, h - 1), col = std::clamp(x + i, 0, w - 1);
            s += in.ScanLine(row)[3 * col + ch] - centre;
          }
        out.ScanLine(y)[3 * x + ch] = mode == TLaplacianMode::Continuous
                                          ? ClampByte(static_cast<double>(255.0L - static_cast<long double>(s) * k))
                                          : (s > k ? 255 : 0);
      }
  return out;
}

TEST(LaplacianEdges, UniformIsWhiteWhenContinuousAndBlackByThreshold) {
  for (int p : {1, 20, 100}) {
    TBitmap c = Grey(5, 4, 123);
    ASSERT_TRUE(LaplacianEdges(c, p, TLaplacianMode::Continuous));
    EXPECT_EQ(c, Grey(5, 4, 255)) << p;
    TBitmap t = Grey(5, 4, 123);
    ASSERT_TRUE(LaplacianEdges(t, p, TLaplacianMode::Threshold));
    EXPECT_EQ(t, Grey(5, 4, 0)) << p;
  }
}

TEST(LaplacianEdges, ThresholdMarksTheDarkPixelOnly) {
  TBitmap b = Grey(5, 5, 255);
  SetPixel(b, 2, 2, 0);
  ASSERT_TRUE(LaplacianEdges(b, 1, TLaplacianMode::Threshold));
  EXPECT_EQ(b.ScanLine(2)[6], 255);  // S = 2040
  EXPECT_EQ(b.ScanLine(1)[3], 0);    // S = -255 for each of the eight neighbours
  EXPECT_EQ(b.ScanLine(3)[9 + 2], 0);
}

TEST(LaplacianEdges, ContinuousDarkensInProportion) {
  // Centre 100, neighbours 110, p = 10 (k = 1): S = 80 -> 175.
  TBitmap b = Grey(3, 3, 110);
  SetPixel(b, 1, 1, 100);
  ASSERT_TRUE(LaplacianEdges(b, 10, TLaplacianMode::Continuous));
  EXPECT_EQ(b.ScanLine(1)[3], 175);
  // A corner of the same picture: S = -10 (the centre read twice among its
  // replicated neighbours), 255 + 10 limited to 255.
  EXPECT_EQ(b.ScanLine(0)[0], 255);
}

TEST(LaplacianEdges, ThresholdIsStrictAndHalvesRoundAway) {
  // Centre 100 among 110 gives S = 80: p = 80 gives 0, p = 79 gives 255.
  // Continuous p = 25 (k = 2.5): 255 - 200 = 55; p = 3: 255 - 24 = 231; the
  // half of p = 15 on S = 1: 255 - 1.5 = 253.5 -> 254.
  struct Case { std::uint8_t centre; int p; TLaplacianMode mode; std::uint8_t out; };
  const Case cases[] = {{100, 80, TLaplacianMode::Threshold, 0},    {100, 79, TLaplacianMode::Threshold, 255},
                        {100, 25, TLaplacianMode::Continuous, 55},   {100, 3, TLaplacianMode::Continuous, 231},
                        {110, 100, static_cast<TLaplacianMode>(7), 0}};
  for (const Case& c : cases) {
    TBitmap b = Grey(3, 3, 110);
    SetPixel(b, 1, 1, c.centre);
    ASSERT_TRUE(LaplacianEdges(b, c.p, c.mode));
    EXPECT_EQ(b.ScanLine(1)[3], c.out) << c.p;
  }
  TBitmap half = Grey(3, 3, 0);
  half.ScanLine(0)[0] = 1;  // blue of the top-left neighbour
  ASSERT_TRUE(LaplacianEdges(half, 15, TLaplacianMode::Continuous));
  EXPECT_EQ(half.ScanLine(1)[3], 254);
}

TEST(LaplacianEdges, OnePixelPictureHasNoEdge) {
  TBitmap c = Grey(1, 1, 42);
  ASSERT_TRUE(LaplacianEdges(c, 20, TLaplacianMode::Continuous));
  EXPECT_EQ(c, Grey(1, 1, 255));
  TBitmap t = Grey(1, 1, 42);
  ASSERT_TRUE(LaplacianEdges(t, 1, TLaplacianMode::Threshold));
  EXPECT_EQ(t, Grey(1, 1, 0));
}

TEST(LaplacianEdges, OtherFormatsAreRefusedUnchanged) {
  TBitmap g(4, 4, TPixelFormat::pf8bit);
  g.ScanLine(1)[1] = 9;
  const TBitmap in = g;
  EXPECT_FALSE(LaplacianEdges(g, 20, TLaplacianMode::Continuous));
  EXPECT_EQ(g, in);
}

TEST(LaplacianEdges, MatchesThePlainLoop) {
  const int sizes[][2] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {17, 13}, {64, 9}};
  unsigned seed = 1;
  for (const auto& s : sizes)
    for (int p : {1, 5, 15, 20, 33, 100, 1000})
      for (auto mode : {TLaplacianMode::Threshold, TLaplacianMode::Continuous}) {
        TBitmap in(s[0], s[1]);
        std::mt19937 rng(seed++);
        for (int y = 0; y < s[1]; ++y)
          for (int i = 0; i < 3 * s[0]; ++i)
            in.ScanLine(y)[i] = static_cast<std::uint8_t>(seed % 2 ? rng() : (rng() % 2 ? 255 : 0));
        for (int threads : {1, 2}) {
          TBitmap b = in;
          ASSERT_TRUE(LaplacianEdges(b, p, mode, threads));
          ASSERT_EQ(b, LaplacianOracle(in, p, mode)) << s[0] << "x" << s[1] << " p " << p;
        }
      }
}

}  // namespace
}  // namespace kira
