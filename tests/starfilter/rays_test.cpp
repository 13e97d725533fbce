#include "starfilter/rays.h"

#include <gtest/gtest.h>

#include <atomic>

#include <random>
#include <string>

#include "core/stop_request.h"
#include "effects/soften.h"
#include "tests/starfilter/star_test_util.h"

namespace kira {
namespace {

using namespace startest;

// One white (or coloured) point in the middle of a black row picture.
TBitmap OnePoint(int w, int h, int x, int y, int blue, int green, int red) {
  TBitmap b = Black(w, h);
  Set(b, x, y, blue, green, red);
  return b;
}

TEST(DrawHorizontalRays, ArmValuesFallLinearlyAndSkipThePoint) {
  TBitmap b = OnePoint(101, 3, 50, 1, 255, 255, 255);
  ASSERT_TRUE(DrawHorizontalRays(b, 32, 50));
  const int expected[][2] = {{1, 124}, {2, 120}, {3, 116}, {4, 112}, {16, 64}, {31, 4}, {32, 0}, {33, 0}};
  for (const auto& [d, v] : expected) {
    for (int ch = 0; ch < 3; ++ch) {
      EXPECT_EQ(Ch(b, 50 + d, 1, ch), v) << "right, distance " << d;
      EXPECT_EQ(Ch(b, 50 - d, 1, ch), v) << "left, distance " << d;
    }
  }
  EXPECT_TRUE(IsBlack(b, 50, 1));
  EXPECT_EQ(CountNonBlack(b), 62);  // only its own row, 31 pixels each side
}

TEST(DrawHorizontalRays, FullIntensityRoundsHalfAway) {
  TBitmap b = OnePoint(101, 1, 50, 0, 255, 255, 255);
  DrawHorizontalRays(b, 32, 100);
  EXPECT_EQ(Blue(b, 51, 0), 247);
  EXPECT_EQ(Blue(b, 34, 0), 128);  // 127.5
  EXPECT_EQ(Blue(b, 81, 0), 8);
}

TEST(DrawHorizontalRays, ChannelsAreIndependent) {
  TBitmap b = OnePoint(41, 1, 20, 0, 200, 100, 0);
  DrawHorizontalRays(b, 10, 50);
  for (int r = 1; r <= 10; ++r) {
    EXPECT_EQ(Ch(b, 20 + r, 0, 0), 100 - 10 * r);
    EXPECT_EQ(Ch(b, 20 + r, 0, 1), 50 - 5 * r);
    EXPECT_EQ(Ch(b, 20 + r, 0, 2), 0);
  }
}

TEST(DrawHorizontalRays, LightOfSeveralPointsAddsUpAndSaturates) {
  TBitmap b = Black(101, 1);
  SetGrey(b, 40, 0, 255);
  SetGrey(b, 44, 0, 255);
  DrawHorizontalRays(b, 32, 50);
  EXPECT_EQ(Blue(b, 42, 0), 240);  // 120 + 120
  EXPECT_EQ(Blue(b, 45, 0), 232);  // 124 + 108
  EXPECT_EQ(Blue(b, 44, 0), 112);  // a point gets light from the other one only

  TBitmap c = Black(101, 1);
  SetGrey(c, 40, 0, 255);
  SetGrey(c, 42, 0, 255);
  DrawHorizontalRays(c, 32, 100);
  EXPECT_EQ(Blue(c, 41, 0), 255);  // 247 + 247, no wrap-around
}

TEST(DrawHorizontalRays, LastColumnNeverLitByARightArm) {
  TBitmap b = Black(10, 1);
  SetGrey(b, 8, 0, 255);  // next to the last column
  DrawHorizontalRays(b, 4, 100);
  EXPECT_TRUE(IsBlack(b, 9, 0));
  EXPECT_EQ(Blue(b, 7, 0), 191);
  EXPECT_EQ(Blue(b, 4, 0), 0);  // distance 4 = L

  TBitmap c = Black(10, 1);
  SetGrey(c, 0, 0, 255);  // column 0: no left arm, right arm as usual
  SetGrey(c, 9, 0, 255);  // last column: its left arm reaches column 8..
  DrawHorizontalRays(c, 3, 100);
  EXPECT_EQ(Blue(c, 1, 0), 170);
  EXPECT_EQ(Blue(c, 8, 0), 170);
  EXPECT_TRUE(IsBlack(c, 9, 0));
}

TEST(DrawHorizontalRays, LengthOneOrZeroDrawsNothing) {
  TBitmap b = OnePoint(9, 1, 4, 0, 255, 255, 255);
  DrawHorizontalRays(b, 1, 100);
  EXPECT_EQ(CountNonBlack(b), 0);  // the single step has intensity 0

  TBitmap c = OnePoint(9, 1, 4, 0, 255, 255, 255);
  const TBitmap before = c;
  DrawHorizontalRays(c, 0, 100);
  EXPECT_TRUE(c == before);  // unchanged: the point itself stays
  DrawHorizontalRays(c, 10, 0);
  EXPECT_TRUE(c == before);
}

TEST(RotateByAngle, BoundingBoxAndTruncatedPairComesBackSmaller) {
  TBitmap b = Black(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) SetGrey(b, x, y, 255);
  RotateByAngle(b, 1);
  EXPECT_EQ(b.Width(), 63);
  EXPECT_EQ(b.Height(), 49);
  RotateByAngle(b, -1);
  EXPECT_EQ(b.Width(), 63);
  EXPECT_EQ(b.Height(), 49);
  // The centre crop at the original size has no 64th column to take.
  CropCentre(b, 64, 48);
  ASSERT_EQ(b.Width(), 64);
  for (int y = 0; y < 48; ++y) EXPECT_TRUE(IsBlack(b, 63, y)) << y;
  EXPECT_FALSE(IsBlack(b, 62, 24));

  TBitmap one = OnePoint(1, 1, 0, 0, 1, 2, 3);
  RotateByAngle(one, 37);
  ASSERT_EQ(one.Width(), 1);
  EXPECT_EQ(Ch(one, 0, 0, 2), 3);

  TBitmap empty;
  EXPECT_TRUE(RotateByAngle(empty, 30));
  EXPECT_TRUE(empty.Empty());
}

TEST(CropCentre, CentreBlockAndBlackBeyondThePicture) {
  TBitmap b = Black(5, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) Set(b, x, y, x + 1, y + 1, 9);
  TBitmap c = b;
  CropCentre(c, 2, 2);  // offset (1, 1)
  EXPECT_EQ(Ch(c, 0, 0, 0), 2);
  EXPECT_EQ(Ch(c, 0, 0, 1), 2);

  // Wider than the picture: offset (5 - 8) / 2 = -1 toward zero.
  TBitmap d = b;
  CropCentre(d, 8, 4);
  ASSERT_EQ(d.Width(), 8);
  EXPECT_TRUE(IsBlack(d, 0, 0));
  EXPECT_EQ(Ch(d, 1, 0, 0), 1);
  EXPECT_EQ(Ch(d, 5, 3, 0), 5);
  EXPECT_TRUE(IsBlack(d, 6, 0));
  EXPECT_TRUE(IsBlack(d, 7, 3));
}

TEST(DrawStar, CrossAtZeroKeepsTheHorizontalLineExact) {
  TBitmap bp = OnePoint(81, 81, 40, 40, 255, 255, 255);
  TBitmap star;
  ASSERT_TRUE(DrawCross(bp, star, 32, 50, 0));
  TBitmap line = bp;
  DrawHorizontalRays(line, 32, 50);
  for (int x = 0; x < 81; ++x) {
    if (x == 40) continue;
    EXPECT_EQ(Blue(star, x, 40), Blue(line, x, 0 + 40)) << x;
  }
  // The vertical line went through a pair of turns; it lights column 40 or a
  // neighbour of it above and below the point.
  int lit = 0;
  for (int y = 0; y < 81; ++y)
    if (y < 38 || y > 42) lit += !IsBlack(star, 39, y) || !IsBlack(star, 40, y) || !IsBlack(star, 41, y);
  EXPECT_GT(lit, 50);
}

TEST(DrawStar, NinetyMakesTheSecondCrossLineHorizontal) {
  TBitmap bp = OnePoint(81, 81, 40, 40, 255, 255, 255);
  TBitmap star;
  DrawCross(bp, star, 32, 50, -90);  // lines at -90 (turned) and 0 (not turned)
  TBitmap line = bp;
  DrawHorizontalRays(line, 32, 50);
  for (int x = 0; x < 81; ++x) {
    if (x < 39 || x > 41) {
      EXPECT_EQ(Blue(star, x, 40), Blue(line, x, 40)) << x;
    }
  }
}

TEST(DrawStar, OneEightyIsNotTheSameAsZero) {
  std::mt19937 rng(7);
  const TBitmap bp = RandomPoints(rng, 40, 30, 3);
  TBitmap at0, at180;
  DrawCross(bp, at0, 8, 80, 0);
  DrawCross(bp, at180, 8, 80, -180);
  EXPECT_EQ(at180.Width(), 40);
  EXPECT_FALSE(at0 == at180);
}

TEST(DrawStar, NoRaysAddsTheTurnedPointsOncePerLine) {
  TBitmap bp = OnePoint(21, 21, 10, 10, 100, 100, 100);
  TBitmap star;
  DrawCross(bp, star, 0, 50, 0);
  EXPECT_EQ(Blue(star, 10, 10), 200);  // both lines carry the point
  DrawSunny(bp, star, 32, 0, 0);
  EXPECT_EQ(CountNonBlack(star) > 0, true);
  int total = 0;
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) total += Blue(star, x, y);
  EXPECT_EQ(total % 100, 0);
  EXPECT_GE(total, 400);  // four lines, a turned pixel may be doubled
}

TEST(DrawStar, KindsDrawTheirNumberOfLines) {
  EXPECT_EQ(StarAngles(TStarKind::Cross, -30), (std::vector<int>{-30, 60}));
  EXPECT_EQ(StarAngles(TStarKind::Snow, -30), (std::vector<int>{-30, 30, 90}));
  EXPECT_EQ(StarAngles(TStarKind::Sunny, 0), (std::vector<int>{0, 45, 90, 135}));
}

TEST(DrawStar, EmptyAndWrongFormat) {
  TBitmap empty, out(3, 3);
  EXPECT_TRUE(DrawSnow(empty, out, 32, 50, -10));
  EXPECT_TRUE(out.Empty());
  TBitmap grey(4, 4, TPixelFormat::pf8bit);
  TBitmap keep(2, 2);
  EXPECT_FALSE(DrawCross(grey, keep, 32, 50, 0));
  EXPECT_EQ(keep.Width(), 2);
}

// The sparse path follows the non-black pixels through both turns and the
// row path gathers from the turned rows; both must give the very bytes of
// turning whole pictures, for every size (long thin strips too) and parameter
// extreme, including pictures where every pixel is a point.
TEST(DrawStar, SparseAndRowPathsEqualWholePictureReference) {
  std::mt19937 rng(20261208);
  const int sizes[][2] = {{1, 1}, {1, 7}, {9, 1}, {2, 2}, {3, 5}, {17, 11}, {33, 20}, {40, 41},
                          {1, 97}, {130, 1}, {150, 2}, {3, 120}};
  const int angles[] = {0, -1, -45, -90, -179, -180, -23, -137};
  const int lengths[] = {0, 1, 5, 256, 300};
  const int intensities[] = {0, 37, 100, 250};
  const TStarKind kinds[] = {TStarKind::Cross, TStarKind::Snow, TStarKind::Sunny};
  int cases = 0;
  for (const auto& sz : sizes) {
    for (int percent : {2, 30, 100}) {
      const TBitmap bp = RandomPoints(rng, sz[0], sz[1], percent);
      for (int a : angles)
        for (TStarKind kind : kinds) {
          const int L = lengths[rng() % 5];
          const int D = intensities[rng() % 4];
          TBitmap fast, ref, chosen, rows;
          ASSERT_TRUE(DrawStarSparse(bp, fast, kind, L, D, a));
          ASSERT_TRUE(DrawStarByRows(bp, rows, kind, L, D, a));
          ASSERT_TRUE(DrawStarReference(bp, ref, kind, L, D, a));
          ASSERT_TRUE(DrawStar(bp, chosen, kind, L, D, a));  // whole pictures when points are many
          ASSERT_TRUE(fast == ref) << sz[0] << "x" << sz[1] << " " << percent << "% a=" << a << " kind="
                                   << static_cast<int>(kind) << " L=" << L << " D=" << D;
          ASSERT_TRUE(chosen == ref) << sz[0] << "x" << sz[1] << " " << percent << "% a=" << a;
          ASSERT_TRUE(rows == ref) << sz[0] << "x" << sz[1] << " " << percent << "% a=" << a << " L=" << L;
          ++cases;
        }
    }
  }
  EXPECT_EQ(cases, 12 * 3 * 8 * 3);
}

// Every intensity of the page with a spread of lengths: the sparse path rounds
// its steps by a shortcut that must agree with the rounding as written.
TEST(DrawStar, SparseRoundingAgreesForEveryIntensity) {
  std::mt19937 rng(11);
  const TBitmap bp = RandomPoints(rng, 300, 2, 40);
  for (int D = 1; D <= 100; ++D)
    for (int L : {2, 7, 31, 256}) {
      TBitmap fast, ref, whole;
      DrawStarSparse(bp, fast, TStarKind::Cross, L, D, 0);
      DrawStarReference(bp, ref, TStarKind::Cross, L, D, 0);
      ASSERT_TRUE(fast == ref) << "D=" << D << " L=" << L;
      if (L <= 7) {  // few enough tries per point: whole pictures
        DrawStar(bp, whole, TStarKind::Cross, L, D, 0);
        ASSERT_TRUE(whole == ref) << "D=" << D << " L=" << L;
      }
    }
}

// A stop request ends the drawing on either path, and the batch tool's
// Ctrl+C with it.
TEST(DrawStar, AStopRequestEndsEitherPath) {
  std::mt19937 rng(3);
  std::atomic<bool> stop{true};
  const TStopScope scope(&stop);
  for (int percent : {1, 100}) {
    const TBitmap bp = RandomPoints(rng, 300, 200, percent);
    TBitmap out;
    EXPECT_THROW(DrawStar(bp, out, TStarKind::Snow, 32, 50, -20), TStopped) << percent;
  }
}

// Many points: whole pictures, the rays drawn in two bands.
TEST(DrawStar, WholePicturePathEqualsReferenceOnABigPicture) {
  std::mt19937 rng(5);
  const TBitmap bp = RandomPoints(rng, 613, 431, 50);
  TBitmap fast, ref;
  DrawStar(bp, fast, TStarKind::Cross, 3, 60, -30);
  DrawStarReference(bp, ref, TStarKind::Cross, 3, 60, -30);
  ASSERT_TRUE(fast == ref);
}

TEST(DrawStar, SparsePathEqualsReferenceOnLargerPictures) {
  std::mt19937 rng(4);
  for (int round = 0; round < 6; ++round) {
    const int w = 120 + static_cast<int>(rng() % 90);
    const int h = 90 + static_cast<int>(rng() % 70);
    const TBitmap bp = RandomPoints(rng, w, h, 1);
    const int a = -static_cast<int>(rng() % 181);
    const TStarKind kind = static_cast<TStarKind>(round % 3);
    TBitmap fast, ref;
    DrawStarSparse(bp, fast, kind, 40, 90, a);
    DrawStarReference(bp, ref, kind, 40, 90, a);
    ASSERT_TRUE(fast == ref) << w << "x" << h << " a=" << a;
  }
}

TEST(AddSaturated, ClampsAndCoversTheCommonBlockOnly) {
  TBitmap t = Black(3, 2), a = Black(2, 3);
  SetGrey(t, 0, 0, 200);
  SetGrey(a, 0, 0, 100);
  SetGrey(t, 1, 1, 10);
  SetGrey(a, 1, 1, 20);
  SetGrey(t, 2, 0, 7);
  SetGrey(a, 1, 2, 99);  // outside the target
  ASSERT_TRUE(AddSaturated(t, a));
  EXPECT_EQ(Blue(t, 0, 0), 255);
  EXPECT_EQ(Blue(t, 1, 1), 30);
  EXPECT_EQ(Blue(t, 2, 0), 7);
  EXPECT_EQ(Blue(a, 0, 0), 100);
}

TEST(DiamondSoften, SoftCrossWeightsOnOneLitPixel) {
  TBitmap b = OnePoint(7, 7, 3, 3, 60, 60, 60);
  ASSERT_TRUE(DiamondSoften(b, 3, 75));
  EXPECT_EQ(Blue(b, 3, 3), 10);  // 60 / 6
  EXPECT_EQ(Blue(b, 2, 3), 8);   // 7.5 rounded half away
  EXPECT_EQ(Blue(b, 3, 4), 8);
  EXPECT_EQ(Blue(b, 2, 2), 5);
  EXPECT_EQ(Blue(b, 4, 4), 5);
  EXPECT_EQ(Blue(b, 5, 3), 0);
}

TEST(DiamondSoften, ShortcutsEqualThePlainLoop) {
  std::mt19937 rng(99);
  const int params[][2] = {{3, 75}, {5, 0}, {5, 17}, {5, 51}, {5, 102}, {3, 0}, {7, 50}, {5, 300}, {63, 80}, {65, 90}};
  for (const auto& sz : {std::pair{1, 1}, std::pair{2, 3}, std::pair{13, 9}, std::pair{31, 4}, std::pair{200, 7}}) {
    for (const int density : {70, 0}) {  // random points, or random bytes everywhere
      TBitmap src = RandomPoints(rng, sz.first, sz.second, 70);
      if (density == 0)
        for (int y = 0; y < sz.second; ++y)
          for (int i = 0; i < 3 * sz.first; ++i) src.ScanLine(y)[i] = static_cast<std::uint8_t>(rng() >> (rng() % 2 ? 24 : 0));
      for (const auto& np : params) {
        TBitmap ref = src;
        ASSERT_TRUE(DiamondSoftenReference(ref, np[0], np[1]));
        for (const int vectors : {0, 1, 2})
          for (const int threads : {1, 2}) {
            LimitSoftenVectors(vectors);
            TBitmap fast = src;
            ASSERT_TRUE(DiamondSoften(fast, np[0], np[1], threads));
            ASSERT_TRUE(fast == ref) << sz.first << "x" << sz.second << " n=" << np[0] << " p=" << np[1]
                                     << " vectors=" << vectors;
          }
      }
    }
  }
  LimitSoftenVectors(2);
  // Big enough for the soft cross to run in two bands.
  for (const auto& sz : {std::pair{611, 433}, std::pair{300000, 1}}) {
    const TBitmap big = RandomPoints(rng, sz.first, sz.second, 20);
    TBitmap fast = big, ref = big;
    DiamondSoften(fast, 3, 75);
    DiamondSoftenReference(ref, 3, 75);
    ASSERT_TRUE(fast == ref) << sz.first << "x" << sz.second;
  }
  TBitmap b = Black(3, 3);
  EXPECT_FALSE(DiamondSoften(b, 1, 50));
}

}  // namespace
}  // namespace kira
