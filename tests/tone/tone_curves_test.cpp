#include "tone/tone_curves.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tone/tone_oracle.h"

namespace kira {
namespace {

using test::TCurve;

TToneTable TableOf(TCurve curve, double p) {
  switch (curve) {
    case TCurve::Gamma: return GammaTable(p);
    case TCurve::Tilt: return TiltTable(p);
    case TCurve::Shift: return ShiftTable(p);
    case TCurve::Contrast: return ContrastTable(p);
  }
  return {};
}

bool RunCurve(TCurve curve, TBitmap& b, double p, int threads) {
  switch (curve) {
    case TCurve::Gamma: return GammaCurve(b, p, threads);
    case TCurve::Tilt: return TiltCurve(b, p, threads);
    case TCurve::Shift: return ShiftCurve(b, p, threads);
    case TCurve::Contrast: return ContrastCurve(b, p, threads);
  }
  return false;
}

bool RunCurve(TCurve curve, const TBitmap& s, TBitmap& r, double p, int threads) {
  switch (curve) {
    case TCurve::Gamma: return GammaCurve(s, r, p, threads);
    case TCurve::Tilt: return TiltCurve(s, r, p, threads);
    case TCurve::Shift: return ShiftCurve(s, r, p, threads);
    case TCurve::Contrast: return ContrastCurve(s, r, p, threads);
  }
  return false;
}

struct TByteCase {
  TCurve curve;
  double p;
  int in, out;
};

// The worked values of the curves: end points, thresholds and the pivots.
TEST(ToneCurves, WorkedValues) {
  const TByteCase cases[] = {
      {TCurve::Tilt, 35, 0, 210},       {TCurve::Tilt, 35, 255, 255},
      {TCurve::Tilt, -35, 255, 45},     {TCurve::Tilt, -35, 0, 0},
      {TCurve::Tilt, 1, 0, 9},          {TCurve::Tilt, -1, 255, 246},
      {TCurve::Shift, 70, 76, 255},     {TCurve::Shift, 70, 75, 254},
      {TCurve::Shift, -70, 178, 0},     {TCurve::Shift, -70, 179, 1},
      {TCurve::Shift, 1, 0, 3},         {TCurve::Shift, -1, 255, 252},
      {TCurve::Contrast, 90, 60, 0},    {TCurve::Contrast, 90, 61, 1},
      {TCurve::Contrast, 90, 195, 255}, {TCurve::Contrast, 90, 194, 254},
      {TCurve::Contrast, -90, 0, 115},  {TCurve::Contrast, -90, 255, 140},
      {TCurve::Contrast, -90, 127, 127}, {TCurve::Contrast, -90, 128, 128},
      {TCurve::Contrast, 40, 0, 0}, {TCurve::Contrast, 40, 100, 89},
      {TCurve::Gamma, 3.5, 128, 219},   {TCurve::Gamma, -3.5, 128, 13},
      {TCurve::Gamma, -3.49, 128, 13},  {TCurve::Gamma, 0.05, 1, 1},
  };
  for (const TByteCase& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.curve) << " p=" << c.p << " v=" << c.in);
    EXPECT_EQ(TableOf(c.curve, c.p)[c.in], c.out);
    EXPECT_EQ(test::OracleCurveByte(c.curve, c.p, c.in), c.out);
  }
}

// Contrast shifts that are exact halves (positions 20 and 60 reach them at
// every fifth byte): the shift goes away from zero, e.g. p = 20, v = 130:
// 0.2 * 2.5 = 0.5 -> +1 -> 131, where halves to even would give 130.
TEST(ToneCurves, ContrastHalvesAwayFromZero) {
  const TByteCase cases[] = {
      {TCurve::Contrast, 20, 125, 124},  // -0.5 -> -1
      {TCurve::Contrast, 20, 130, 131},  // +0.5 -> +1
      {TCurve::Contrast, 20, 140, 143},  // +2.5 -> +3
      {TCurve::Contrast, 60, 120, 115},  // -4.5 -> -5
      {TCurve::Contrast, 60, 135, 140},  // +4.5 -> +5
      {TCurve::Contrast, -20, 130, 129}, // -0.5 -> -1
      {TCurve::Contrast, -60, 0, 77},    // +76.5 -> +77
  };
  for (const TByteCase& c : cases) EXPECT_EQ(int{ContrastTable(c.p)[c.in]}, c.out) << "p=" << c.p << " v=" << c.in;
}

TEST(ToneCurves, GammaKeepsBlackAndWhiteAtEveryPosition) {
  for (int p = -70; p <= 70; ++p) {
    const TToneTable t = GammaTable(p / 20.0);
    EXPECT_EQ(t[0], 0) << p;
    EXPECT_EQ(t[255], 255) << p;
  }
}

TEST(ToneCurves, GammaValueAtTheEnds) {
  EXPECT_DOUBLE_EQ(GammaValue(-3.5), 0.2322);  // the -3.49 replacement
  EXPECT_DOUBLE_EQ(GammaValue(3.5), 4.5);
  EXPECT_DOUBLE_EQ(GammaValue(0), 1);
  EXPECT_DOUBLE_EQ(GammaValue(-1), 1 - 0.22);
}

TEST(ToneCurves, PositionZeroIsTheIdentity) {
  std::mt19937 rng(3);
  const TBitmap source = test::AllValuesPicture(rng);
  for (TCurve curve : {TCurve::Gamma, TCurve::Tilt, TCurve::Shift, TCurve::Contrast}) {
    EXPECT_EQ(TableOf(curve, 0), IdentityTable());
    TBitmap b = source;
    EXPECT_TRUE(RunCurve(curve, b, 0, 1));
    EXPECT_EQ(b, source);
    TBitmap r(3, 3);
    EXPECT_TRUE(RunCurve(curve, source, r, 0, 2));
    EXPECT_EQ(r, source);
  }
}

// The table and vector paths against the byte-at-a-time reading, on many
// sizes, at the ends of every range and in between, in place and from a
// source, for one to three threads.
TEST(ToneCurves, MatchTheOracle) {
  std::mt19937 rng(5);
  const double positions[][6] = {
      {-3.5, 3.5, -3.49, 0.05, -0.25, -1.7},  // gamma x
      {-35, 35, -1, 1, 17, -44.5},            // tilt
      {-70, 70, -1, 1, 33.3, -100},           // shift
      {-90, 90, -1, 1, 40, 250},              // contrast
  };
  for (TSimdLevel level : test::kLevels) {
    const test::TLevelGuard guard(level);
    for (int c = 0; c < 4; ++c) {
      const TCurve curve = static_cast<TCurve>(c);
      for (double p : positions[c]) {
        for (const test::TSize& size : test::kSizes) {
          const TBitmap source = test::RandomPicture(size.w, size.h, rng);
          TBitmap expected = source;
          test::OracleCurve(expected, curve, p);
          const int threads = 1 + static_cast<int>(rng() % 3);
          SCOPED_TRACE(testing::Message() << "curve " << c << " p " << p << " size " << size.w << "x"
                                          << size.h << " threads " << threads);
          TBitmap inPlace = source;
          ASSERT_TRUE(RunCurve(curve, inPlace, p, threads));
          EXPECT_EQ(inPlace, expected);
          TBitmap result(7, 2);
          ASSERT_TRUE(RunCurve(curve, source, result, p, threads));
          EXPECT_EQ(result, expected);
        }
        TBitmap all = test::AllValuesPicture(rng);
        TBitmap expected = all;
        test::OracleCurve(expected, curve, p);
        ASSERT_TRUE(RunCurve(curve, all, p, 2));
        EXPECT_EQ(all, expected) << "curve " << c << " p " << p;
      }
    }
  }
}

TEST(ToneCurves, RefuseOtherFormatsUnchanged) {
  for (TPixelFormat f : {TPixelFormat::pf8bit, TPixelFormat::pf1bit}) {
    TBitmap b(9, 4, f);
    b.ScanLine(1)[0] = 77;
    const TBitmap before = b;
    TBitmap result(2, 2);
    result.ScanLine(0)[0] = 5;
    const TBitmap resultBefore = result;
    for (TCurve curve : {TCurve::Gamma, TCurve::Tilt, TCurve::Shift, TCurve::Contrast}) {
      EXPECT_FALSE(RunCurve(curve, b, 1, 1));
      EXPECT_FALSE(RunCurve(curve, b, 0, 1));
      EXPECT_FALSE(RunCurve(curve, b, result, 1, 1));
      EXPECT_EQ(b, before);
      EXPECT_EQ(result, resultBefore);
    }
  }
}

TEST(ToneCurves, EmptyPictureIsAccepted) {
  TBitmap empty;
  EXPECT_TRUE(GammaCurve(empty, 1.0, 2));
  TBitmap result(4, 4);
  EXPECT_TRUE(ShiftCurve(empty, result, 10, 2));
  EXPECT_TRUE(result.Empty());
}

struct TLabelCase {
  int position;
  const char* text;
};

TEST(ToneLabels, GammaInSinglePrecision) {
  // -65, -45, -15 and -5 lie just below the decimal tie in single precision.
  const TLabelCase cases[] = {{-70, "0.23"}, {-65, "0.28"}, {-45, "0.50"}, {-15, "0.83"}, {-5, "0.94"},
                              {0, "1.00"},   {1, "1.05"},   {30, "2.50"},  {70, "4.50"},  {-20, "0.78"}};
  for (const TLabelCase& c : cases) EXPECT_EQ(GammaLabelText(c.position), c.text) << c.position;
  EXPECT_EQ(GammaLabelX(-70), -3.5f);
  EXPECT_EQ(GammaLabelX(1), 0.05f);
}

TEST(ToneLabels, RawPositions) {
  const TLabelCase cases[] = {{-35, "-35.00"}, {90, "90.00"}, {0, "0.00"}, {7, "7.00"}, {-70, "-70.00"}};
  for (const TLabelCase& c : cases) EXPECT_EQ(PositionLabelText(c.position), c.text) << c.position;
}

TEST(ToneLabels, TwoDecimalsHalvesAwayFromZero) {
  struct {
    long double value;
    const char* text;
  } const cases[] = {
      {0.125L, "0.13"},  {-0.125L, "-0.13"}, {0.375L, "0.38"},  {2.675, "2.67"},  // 2.675 is 2.67499...
      {99.999L, "100.00"}, {-0.001L, "0.00"}, {0.0L, "0.00"},   {9.995L, "9.99"},  // 9.99499... in 80 bits
      {1.005f, "1.00"},  {0.004999L, "0.00"}, {12.3L, "12.30"}, {-4.5L, "-4.50"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFixed2(c.value), c.text) << static_cast<double>(c.value);
}

// ---- curve pictures ----

int BlackCount(const TBitmap& b) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const std::uint8_t* p = b.ScanLine(y) + 3 * x;
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) ++n;
      else EXPECT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << x << "," << y;
    }
  return n;
}

bool Black(const TBitmap& b, int x, int y) { return b.ScanLine(y)[3 * x] == 0; }

TEST(CurvePictures, IdentityLineIsTheDiagonal) {
  TBitmap shift, tilt, contrast;
  DrawShiftCurve(shift, 0);
  DrawTiltCurve(tilt, 0);
  DrawContrastCurve(contrast, 0);
  EXPECT_EQ(shift.Width(), 255);
  EXPECT_EQ(shift.Height(), 255);
  EXPECT_EQ(shift.PixelFormat(), TPixelFormat::pf24bit);
  // From (0, 255), just below the picture, to (255, 0), left out.
  EXPECT_EQ(BlackCount(shift), 254);
  for (int i = 1; i < 255; ++i) EXPECT_TRUE(Black(shift, i, 255 - i)) << i;
  EXPECT_EQ(tilt, shift);
  EXPECT_EQ(contrast, shift);
}

TEST(CurvePictures, GammaStartsDownTheLeftEdge) {
  TBitmap b(3, 3, TPixelFormat::pf8bit);
  DrawGammaCurve(b, 0);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  for (int y = 0; y < 255; ++y) EXPECT_TRUE(Black(b, 0, y)) << y;
  for (int i = 1; i < 255; ++i) EXPECT_TRUE(Black(b, i, 255 - i)) << i;
  EXPECT_EQ(BlackCount(b), 255 + 254);
}

TEST(CurvePictures, GammaPassesThroughEveryCurvePoint) {
  for (int p : {-70, -33, -5, 1, 20, 70}) {
    TBitmap b;
    const double x = GammaLabelX(p);
    DrawGammaCurve(b, x);
    const TToneTable t = GammaTable(x);
    for (int i = 0; i < 255; ++i)
      if (t[i] > 0) {
        EXPECT_TRUE(Black(b, i, 255 - t[i])) << p << " " << i;
      }
    BlackCount(b);
  }
}

struct TLineCase {
  void (*draw)(TBitmap&, double);
  double p;
  int x0, y0, x1, y1;  // the line as drawn: start, and the left-out end
  int black;
};

TEST(CurvePictures, LineEnds) {
  const TLineCase cases[] = {
      // tilt +35: from the top-right corner (outside) to (0, 45), left out
      {DrawTiltCurve, 35, 254, 0, 0, 45, 254},
      // tilt -35: from (0, 255) to (255, 255 - 45); its first pixels lie
      // on the clipped row 255
      {DrawTiltCurve, -35, 3, 254, 255, 210, 252},
      // shift +70: s = 179, from (0, 76) to (76, 0)
      {DrawShiftCurve, 70, 0, 76, 76, 0, 76},
      // shift -70: from (179, 255) to (255, 179)
      {DrawShiftCurve, -70, 180, 254, 255, 179, 75},
      // contrast +90: a = 114.75, from (115, 255) to (140, 0)
      {DrawContrastCurve, 90, 115, 254, 140, 0, 254},
      // contrast -90: from (0, 140) to (255, 115)
      {DrawContrastCurve, -90, 0, 140, 255, 115, 255},
  };
  for (const TLineCase& c : cases) {
    SCOPED_TRACE(c.p);
    TBitmap b;
    c.draw(b, c.p);
    EXPECT_TRUE(Black(b, c.x0, c.y0));
    if (c.x1 < 255 && c.y1 < 255) {
      EXPECT_FALSE(Black(b, c.x1, c.y1));
    }
    EXPECT_EQ(BlackCount(b), c.black);
  }
}

}  // namespace
}  // namespace kira
