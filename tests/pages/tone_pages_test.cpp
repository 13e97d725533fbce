#include <gtest/gtest.h>

#include <random>

#include "pages/brightness_page.h"
#include "pages/colorfilter_page.h"
#include "pages/monochrome_page.h"
#include "tone/color_filter.h"
#include "tone/tone_curves.h"

namespace kira {
namespace {

TBitmap Picture(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 3 * w; ++x) b.ScanLine(y)[x] = static_cast<std::uint8_t>(rng());
  return b;
}

// A document opened on the picture (documents stay where they are made).
struct TDocumentWith : TDocument {
  explicit TDocumentWith(const TBitmap& source) { OpenPicture(source); }
};

// ---- brightness ----

TEST(BrightnessPage, OpensOnGammaAtZero) {
  const TBrightnessSettings s = OpenedBrightnessSettings();
  EXPECT_EQ(s.checked, (std::array<bool, 4>{true, false, false, false}));
  EXPECT_EQ(s.position, (std::array<int, 4>{0, 0, 0, 0}));
  EXPECT_EQ(BrightnessLabelText(TBrightnessKind::Gamma, 0), "1.00");
  EXPECT_EQ(BrightnessLabelText(TBrightnessKind::Tilt, 0), "0.00");
}

TEST(BrightnessPage, PreviewTakesTheFirstCheckedInPageOrder) {
  using K = TBrightnessKind;
  // checked: gamma, tilt, shift, contrast; tested: gamma, contrast, tilt, shift
  struct {
    std::array<bool, 4> checked;
    int kind;  // -1: none
  } const cases[] = {
      {{true, true, true, true}, static_cast<int>(K::Gamma)},
      {{false, true, true, true}, static_cast<int>(K::Contrast)},
      {{false, true, true, false}, static_cast<int>(K::Tilt)},
      {{false, false, true, false}, static_cast<int>(K::Shift)},
      {{false, false, false, false}, -1},
  };
  for (const auto& c : cases) {
    const K* kind = BrightnessKindOfChecked(c.checked);
    EXPECT_EQ(kind ? static_cast<int>(*kind) : -1, c.kind);
  }
}

TEST(BrightnessPage, PreviewAppliesTheSelectedCurveOnly) {
  const TBitmap source = Picture(37, 11, 1);
  TBrightnessSettings s = OpenedBrightnessSettings();
  s.position = {20, -30, 50, 40};  // gamma, tilt, shift, contrast
  s.checked = {false, true, false, true};
  TDocumentWith doc(source);
  ASSERT_TRUE(kBrightnessEffect.Preview(doc, s));
  TBitmap expected = source;
  ContrastCurve(expected, 40);
  EXPECT_EQ(doc.Result(), expected);
  EXPECT_EQ(doc.Source(), source);

  s.checked = {true, true, false, true};
  ASSERT_TRUE(kBrightnessEffect.Preview(doc, s));
  expected = source;
  GammaCurve(expected, 1.0);
  EXPECT_EQ(doc.Result(), expected);

  s.checked = {};
  ASSERT_TRUE(kBrightnessEffect.Preview(doc, s));
  EXPECT_EQ(doc.Result(), source);
}

TEST(BrightnessPage, PositionZeroKeepsThePicture) {
  const TBitmap source = Picture(9, 5, 2);
  for (int k = 0; k < 4; ++k) {
    TBrightnessSettings s = OpenedBrightnessSettings();
    s.checked = {};
    s.checked[k] = true;
    TDocumentWith doc(source);
    kBrightnessEffect.Apply(doc, s);
    EXPECT_EQ(doc.Source(), source) << k;
    EXPECT_TRUE(doc.Result().Empty());
  }
}

TEST(BrightnessPage, EmptySourceDoesNothing) {
  TDocument doc;
  EXPECT_TRUE(kBrightnessEffect.Preview(doc, OpenedBrightnessSettings()));
  EXPECT_TRUE(doc.Result().Empty());
}

TEST(BrightnessPage, HandlersDrawTheirOwnCurve) {
  const TBrightnessView gamma = TrackBarChanged(TBrightnessKind::Gamma, -65);
  EXPECT_EQ(gamma.label, "0.28");
  TBitmap expected;
  DrawGammaCurve(expected, GammaLabelX(-65));
  EXPECT_EQ(gamma.picture, expected);

  const TBrightnessView tilt = RadioClicked(TBrightnessKind::Tilt, -35);
  EXPECT_EQ(tilt.label, "-35.00");
  DrawTiltCurve(expected, -35);
  EXPECT_EQ(tilt.picture, expected);

  // The contrast radio button shows its label but the identity line.
  const TBrightnessView contrast = RadioClicked(TBrightnessKind::Contrast, 40);
  EXPECT_EQ(contrast.label, "40.00");
  EXPECT_EQ(contrast.picture, IdentityPicture());
  DrawContrastCurve(expected, 40);
  EXPECT_EQ(TrackBarChanged(TBrightnessKind::Contrast, 40).picture, expected);
  EXPECT_NE(expected, IdentityPicture());
}

TEST(BrightnessPage, BatchPositionRangeFollowsTheKind) {
  const std::vector<TStepSpec> steps = BrightnessSteps();
  struct {
    const char* text;
    bool ok;
  } const cases[] = {
      {"brightness:kind=gamma,position=70", true},     {"brightness:kind=gamma,position=71", false},
      {"brightness:kind=tilt,position=-35", true},     {"brightness:kind=tilt,position=36", false},
      {"brightness:kind=shift,position=-70", true},    {"brightness:kind=shift,position=-71", false},
      {"brightness:kind=contrast,position=-90", true}, {"brightness:kind=contrast,position=91", false},
      {"brightness:position=-70", true},               {"brightness:position=80", false},
  };
  for (const auto& c : cases) {
    TStepValues values;
    std::string error;
    const TStepSpec* step = ParseStep(steps, c.text, values, error);
    if (step && step->check) error = step->check(values);
    EXPECT_EQ(step != nullptr && error.empty(), c.ok) << c.text << ": " << error;
  }
}

TEST(BrightnessPage, BatchStepRunsTheKindAtItsPosition) {
  const TBitmap source = Picture(15, 6, 3);
  const std::vector<TStepSpec> steps = BrightnessSteps();
  TStepValues values;
  std::string error;
  const TStepSpec* step = ParseStep(steps, "brightness:kind=shift,position=-12", values, error);
  ASSERT_NE(step, nullptr) << error;
  TDocumentWith doc(source);
  ASSERT_TRUE(step->run(doc, values, error));
  TBitmap expected = source;
  ShiftCurve(expected, -12);
  EXPECT_EQ(doc.Source(), expected);
}

// ---- colour filter ----

TEST(ColorFilterPage, OpensWhiteAtHalfDensity) {
  const TColorFilterSettings s = OpenedColorFilterSettings();
  EXPECT_EQ(s.color, ColorRef(255, 255, 255));
  EXPECT_EQ(s.density, 50);
}

TEST(ColorFilterPage, HexColourIsRedFirst) {
  EXPECT_EQ(ColorOfRgbHex(0xFF8000), ColorRef(255, 128, 0));
  EXPECT_EQ(RgbHexOfColor(ColorRef(1, 2, 3)), 0x010203);
}

TEST(ColorFilterPage, HistogramOfResultElseSource) {
  TDocument doc;
  EXPECT_EQ(ColorFilterHistogramImage(doc), nullptr);
  doc.OpenPicture(Picture(3, 3, 4));
  EXPECT_EQ(ColorFilterHistogramImage(doc), &doc.Source());
  doc.Result() = Picture(2, 2, 5);
  EXPECT_EQ(ColorFilterHistogramImage(doc), &doc.Result());
}

TEST(ColorFilterPage, PreviewUsesStrengthHundredMinusDensity) {
  const TBitmap source = Picture(21, 4, 6);
  for (int density : {0, 30, 100}) {
    TDocumentWith doc(source);
    ASSERT_TRUE(kColorFilterEffect.Preview(doc, {ColorRef(255, 128, 0), density}));
    TBitmap expected = source;
    ColorFilter(expected, ColorRef(255, 128, 0), 100 - density);
    EXPECT_EQ(doc.Result(), expected) << density;
    if (density == 0) {
      EXPECT_EQ(doc.Result(), source);
    }
  }
}

TEST(ColorFilterPage, BatchStep) {
  const TBitmap source = Picture(8, 8, 7);
  const std::vector<TStepSpec> steps = ColorFilterSteps();
  TStepValues values;
  std::string error;
  const TStepSpec* step = ParseStep(steps, "colorfilter:color=ff8000,density=70", values, error);
  ASSERT_NE(step, nullptr) << error;
  TDocumentWith doc(source);
  ASSERT_TRUE(step->run(doc, values, error));
  TBitmap expected = source;
  ColorFilter(expected, ColorRef(255, 128, 0), 30);
  EXPECT_EQ(doc.Source(), expected);
}

// ---- monochrome ----

TEST(MonochromePage, KindOfTheCheckedButtons) {
  using G = TGreyKind;
  struct {
    std::array<bool, 5> checked;
    G kind;
  } const cases[] = {
      {{true, false, false, false, false}, G::Monochrome}, {{false, true, true, false, false}, G::RedFilter},
      {{false, false, true, false, true}, G::GreenFilter}, {{false, false, false, true, false}, G::BlueFilter},
      {{false, false, false, false, true}, G::Greyscale},  {{false, false, false, false, false}, G::Greyscale},
  };
  for (const auto& c : cases) EXPECT_EQ(GreyKindOfChecked(c.checked), c.kind);
  EXPECT_EQ(OpenedMonochromeSettings().checked, (std::array<bool, 5>{true, false, false, false, false}));
}

TEST(MonochromePage, BatchKindsMatchTheButtons) {
  const TBitmap source = Picture(10, 3, 8);
  const char* names[] = {"mono", "red", "green", "blue", "grey"};
  for (int k = 0; k < 5; ++k) {
    const std::vector<TStepSpec> steps = MonochromeSteps();
    TStepValues values;
    std::string error;
    const TStepSpec* step = ParseStep(steps, std::string("monochrome:kind=") + names[k], values, error);
    ASSERT_NE(step, nullptr) << error;
    TDocumentWith doc(source);
    ASSERT_TRUE(step->run(doc, values, error));
    TBitmap expected = source;
    WeightedGrey(expected, GreyWeightsFor(static_cast<TGreyKind>(k)));
    EXPECT_EQ(doc.Source(), expected) << names[k];
  }
}

}  // namespace
}  // namespace kira
