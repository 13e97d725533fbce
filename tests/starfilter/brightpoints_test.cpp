#include "starfilter/brightpoints.h"

#include <gtest/gtest.h>

#include "tests/starfilter/star_test_util.h"

namespace kira {
namespace {

using namespace startest;

TEST(ExtractBrightPoints, StrictThresholdKeepsSourceColour) {
  TBitmap b = Black(4, 1);
  SetGrey(b, 0, 0, 255);    // 765
  Set(b, 1, 0, 200, 210, 220);  // 630
  Set(b, 2, 0, 200, 200, 200);  // 600: equal to the threshold, not a point
  Set(b, 3, 0, 201, 200, 200);  // 601
  ASSERT_TRUE(ExtractBrightPoints(b, 600, 10));
  EXPECT_EQ(Blue(b, 0, 0), 255);
  EXPECT_EQ(Ch(b, 1, 0, 0), 200);
  EXPECT_EQ(Ch(b, 1, 0, 1), 210);
  EXPECT_EQ(Ch(b, 1, 0, 2), 220);
  EXPECT_TRUE(IsBlack(b, 2, 0));
  EXPECT_EQ(Ch(b, 3, 0, 0), 201);
}

TEST(ExtractBrightPoints, DefaultAndExtremeThresholds) {
  TBitmap src = Black(3, 1);
  SetGrey(src, 0, 0, 255);
  Set(src, 1, 0, 255, 255, 254);
  Set(src, 2, 0, 0, 0, 1);

  TBitmap b = src;
  ExtractBrightPoints(b, 764, 10);
  EXPECT_EQ(CountNonBlack(b), 1);
  EXPECT_FALSE(IsBlack(b, 0, 0));

  b = src;
  ExtractBrightPoints(b, 765, 10);
  EXPECT_EQ(CountNonBlack(b), 0);

  b = src;
  ExtractBrightPoints(b, 0, 10);
  EXPECT_EQ(CountNonBlack(b), 3);
}

TEST(ExtractBrightPoints, DensityTenDoesNotThinAndLowerDensityDoes) {
  TBitmap src = Black(6, 2);
  for (int x = 0; x < 6; ++x) SetGrey(src, x, 0, 255);
  TBitmap b = src;
  ExtractBrightPoints(b, 764, 10);
  EXPECT_EQ(CountNonBlack(b), 6);
  b = src;
  ExtractBrightPoints(b, 764, 9);  // h = 1
  EXPECT_EQ(CountNonBlack(b), 3);
  EXPECT_FALSE(IsBlack(b, 0, 0));
  EXPECT_TRUE(IsBlack(b, 1, 0));
  EXPECT_FALSE(IsBlack(b, 2, 0));
}

TEST(ThinBrightPoints, WindowIsHalfWidthBothWaysAndOnlyDownward) {
  TBitmap b = Black(30, 3);
  SetGrey(b, 2, 0, 255);
  SetGrey(b, 7, 0, 255);   // 5 columns from the first: cleared with h = 5
  SetGrey(b, 20, 0, 255);
  SetGrey(b, 26, 0, 255);  // 6 columns apart: survives
  ThinBrightPoints(b, 5);
  EXPECT_FALSE(IsBlack(b, 2, 0));
  EXPECT_TRUE(IsBlack(b, 7, 0));
  EXPECT_FALSE(IsBlack(b, 20, 0));
  EXPECT_FALSE(IsBlack(b, 26, 0));

  // The window covers the centre's row and the h rows below it only.
  TBitmap c = Black(20, 20);
  SetGrey(c, 12, 7, 255);
  SetGrey(c, 10, 10, 255);
  SetGrey(c, 12, 12, 255);
  ThinBrightPoints(c, 2);
  EXPECT_FALSE(IsBlack(c, 12, 7));    // rows 7..9 do not reach row 10
  EXPECT_FALSE(IsBlack(c, 10, 10));
  EXPECT_TRUE(IsBlack(c, 12, 12));    // 2 rows below, 2 columns right of (10, 10)

  TBitmap d = Black(20, 20);
  SetGrey(d, 12, 8, 255);
  SetGrey(d, 10, 10, 255);
  ThinBrightPoints(d, 2);
  EXPECT_FALSE(IsBlack(d, 12, 8));
  EXPECT_TRUE(IsBlack(d, 10, 10));    // 2 rows below, 2 columns left
}

TEST(ThinBrightPoints, OnlyTheBlueByteMakesACentre) {
  TBitmap b = Black(10, 5);
  Set(b, 3, 1, 0, 255, 255);    // blue 0: never a centre, so (4, 2) stays
  Set(b, 4, 2, 255, 255, 255);  // its window starts at row 2, so (3, 1) stays
  Set(b, 5, 3, 0, 255, 255);    // cleared by (4, 2)
  ThinBrightPoints(b, 1);
  EXPECT_FALSE(IsBlack(b, 3, 1));
  EXPECT_FALSE(IsBlack(b, 4, 2));
  EXPECT_TRUE(IsBlack(b, 5, 3));
}

TEST(ThinBrightPoints, HalfWidthBelowOneCountsAsOneAndEdgesAreSafe) {
  TBitmap b = Black(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) SetGrey(b, x, y, 255);
  ThinBrightPoints(b, 0);
  EXPECT_EQ(CountNonBlack(b), 4);  // (0,0), (2,0), (0,2), (2,2)
  EXPECT_FALSE(IsBlack(b, 2, 2));
}

TEST(MaxBrightness, LargestSumOrZero) {
  TBitmap b = Black(3, 2);
  Set(b, 1, 1, 200, 250, 250);
  Set(b, 2, 0, 100, 100, 100);
  EXPECT_EQ(MaxBrightness(b), 700);
  EXPECT_EQ(MaxBrightness(Black(4, 4)), 0);
  EXPECT_EQ(MaxBrightness(TBitmap()), 0);
}

TEST(BrightPoints, RefuseOtherFormatsUnchanged) {
  TBitmap g(4, 4, TPixelFormat::pf8bit);
  g.ScanLine(0)[0] = 9;
  const TBitmap before = g;
  EXPECT_FALSE(ExtractBrightPoints(g, 0, 5));
  EXPECT_FALSE(ThinBrightPoints(g, 2));
  EXPECT_TRUE(g == before);
}

}  // namespace
}  // namespace kira
