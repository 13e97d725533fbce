#include <gtest/gtest.h>

#include <random>

#include "core/bitmap.h"
#include "effects/geometry.h"
#include "tests/effects/picture_util.h"

namespace kira {
namespace {

using testpic::Random24;

// Plain per-pixel oracles, straight from the definitions.
TBitmap RotateOracle(const TBitmap& in, bool right) {
  const int w = in.Width(), h = in.Height();
  TBitmap out(h, w);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int dx = right ? h - 1 - y : y;
      const int dy = right ? x : w - 1 - x;
      for (int c = 0; c < 3; ++c) out.ScanLine(dy)[3 * dx + c] = in.ScanLine(y)[3 * x + c];
    }
  return out;
}

TBitmap FlipOracle(const TBitmap& in, bool leftRight) {
  const int w = in.Width(), h = in.Height();
  TBitmap out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int dx = leftRight ? w - 1 - x : x;
      const int dy = leftRight ? y : h - 1 - y;
      for (int c = 0; c < 3; ++c) out.ScanLine(dy)[3 * dx + c] = in.ScanLine(y)[3 * x + c];
    }
  return out;
}

TEST(Geometry, RightTurnPutsTheTopRowIntoTheRightColumn) {
  TBitmap b(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b.ScanLine(y)[3 * x] = static_cast<std::uint8_t>(10 * y + x);
  ASSERT_TRUE(RotateBitmap90(b, 1));
  ASSERT_EQ(b.Width(), 2);
  ASSERT_EQ(b.Height(), 3);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(b.ScanLine(y)[3 * 1], y);       // top row, read downwards
    EXPECT_EQ(b.ScanLine(y)[0], 10 + y);      // bottom row in the left column
  }
  ASSERT_TRUE(RotateBitmap90(b, 0));
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.ScanLine(1)[3 * 2], 12);
}

TEST(Geometry, FastPathsMatchThePlainLoopsOnManySizes) {
  const int sizes[][2] = {{1, 1}, {1, 7}, {7, 1}, {2, 3}, {63, 65}, {64, 64}, {129, 70}, {5, 200},
                          {4, 4}, {6, 5}, {8, 131}, {133, 67}, {70, 4}, {67, 129}};
  unsigned seed = 1;
  for (const auto& s : sizes) {
    const TBitmap in = Random24(s[0], s[1], seed++);
    for (bool dir : {false, true}) {
      for (const bool simd : {false, true}) {
        geometry_detail::gSimdAllowed = simd;
        TBitmap r = in, into = Random24(3, 2, seed);
        ASSERT_TRUE(RotateBitmap90(r, dir ? 1 : 0));
        EXPECT_EQ(r, RotateOracle(in, dir)) << s[0] << "x" << s[1] << " simd " << simd;
        ASSERT_TRUE(RotateBitmap90Into(in, into, dir ? 1 : 0));
        EXPECT_EQ(into, r);
      }
      TBitmap f = in, into = Random24(2, 5, seed);
      ASSERT_TRUE(FlipBitmap(f, dir ? 1 : 0));
      EXPECT_EQ(f, FlipOracle(in, dir)) << s[0] << "x" << s[1];
      ASSERT_TRUE(FlipBitmapInto(in, into, dir ? 1 : 0));
      EXPECT_EQ(into, f);
    }
  }
}

TEST(Geometry, TurnsAndFlipsUndoThemselves) {
  const TBitmap in = Random24(37, 21, 99);
  TBitmap b = in;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(RotateBitmap90(b, 1));
  EXPECT_EQ(b, in);
  ASSERT_TRUE(RotateBitmap90(b, 1));
  ASSERT_TRUE(RotateBitmap90(b, 0));
  EXPECT_EQ(b, in);
  ASSERT_TRUE(FlipBitmap(b, 1));
  EXPECT_NE(b, in);
  ASSERT_TRUE(FlipBitmap(b, 1));
  EXPECT_EQ(b, in);
  TBitmap column = Random24(1, 9, 5);
  const TBitmap columnBefore = column;
  ASSERT_TRUE(FlipBitmap(column, 1));
  EXPECT_EQ(column, columnBefore);
}

TEST(Geometry, RefusesEightBitBitmapsUnchanged) {
  TBitmap g(4, 3, TPixelFormat::pf8bit);
  g.ScanLine(0)[1] = 5;
  const TBitmap before = g;
  EXPECT_FALSE(RotateBitmap90(g, 1));
  EXPECT_FALSE(FlipBitmap(g, 1));
  EXPECT_EQ(g, before);
  TBitmap empty;
  EXPECT_TRUE(RotateBitmap90(empty, 1));
  EXPECT_TRUE(empty.Empty());
}

}  // namespace
}  // namespace kira
