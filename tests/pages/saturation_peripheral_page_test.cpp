#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "effects/color_effects.h"
#include "effects/lighting.h"
#include "pages/peripheral_page.h"
#include "pages/saturation_page.h"

namespace kira {
namespace {

TBitmap Picture(int w, int h) {
  TBitmap b(w, h);
  std::mt19937 rng(9);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
  return b;
}

// Parses a step as the batch tool does and runs it on the document; "" when
// it ran, otherwise what went wrong.
std::string RunStep(TDocument& doc, const std::vector<TStepSpec>& steps, const std::string& text) {
  TStepValues values;
  std::string error;
  const TStepSpec* step = ParseStep(steps, text, values, error);
  if (!step) return "usage: " + error;
  if (!step->run(doc, values, error)) return "failed: " + error;
  return "";
}

TEST(PeripheralRadius, PercentOfTheLongerSideRoundedHalfAwayFromZero) {
  struct Case {
    int percent, w, h, radius;
  } cases[] = {
      {50, 640, 480, 320}, {50, 480, 640, 320}, {1, 100, 1, 1},  {100, 100, 1, 100}, {50, 5, 1, 3},
      {50, 1, 1, 1},       {50, 7, 3, 4},       {1, 49, 10, 0}, {100, 0, 0, 0},     {25, 4000, 3000, 1000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PeripheralRadius(c.percent, c.w, c.h), c.radius) << c.percent << " " << c.w << "x" << c.h;
  }
}

TEST(SaturationPage, DefaultsAndLabels) {
  EXPECT_EQ(SaturationDefaults().kind, TSaturationKind::Saturation);
  EXPECT_EQ(SaturationDefaults().amount, 0);
  EXPECT_EQ(PeripheralDefaults().kind, TPeripheralKind::SpotLight);
  EXPECT_EQ(PeripheralDefaults().radiusPercent, 50);
  EXPECT_EQ(SaturationLabelText(-20), "-20");
  EXPECT_EQ(SaturationLabelText(0), "0");
  EXPECT_EQ(PeripheralLabelText(100), "100");
}

TEST(SaturationStep, RunsTheChosenCorrection) {
  const TBitmap photo = Picture(23, 17);
  struct Case {
    const char* step;
    bool luminance;
    int amount;
  } cases[] = {{"saturation", false, 0},
               {"saturation:amount=-100", false, -100},
               {"saturation:kind=luminance,amount=-20", true, -20},
               {"saturation:kind=luminance", true, 0},
               {"saturation:amount=100,kind=saturation", false, 100}};
  for (const Case& c : cases) {
    TDocument doc;
    doc.OpenPicture(photo);
    ASSERT_EQ(RunStep(doc, SaturationSteps(), c.step), "") << c.step;
    TBitmap want = photo;
    ASSERT_TRUE(c.luminance ? AdjustLuminance(want, c.amount) : AdjustSaturation(want, c.amount));
    EXPECT_EQ(doc.Source(), want) << c.step;
    EXPECT_TRUE(doc.Result().Empty());
  }
  TDocument doc;
  for (const char* bad : {"saturation:amount=101", "saturation:amount=-101", "saturation:kind=hue",
                          "saturation:radius=3"}) {
    EXPECT_EQ(RunStep(doc, SaturationSteps(), bad).rfind("usage: ", 0), 0u) << bad;
  }
}

TEST(PeripheralStep, RunsTheChosenEffectWithTheRadiusInPixels) {
  const TBitmap photo = Picture(60, 41);
  struct Case {
    const char* step;
    bool (*effect)(TBitmap&, std::int32_t, int);
    int radius;
  } cases[] = {{"peripheral", SpotLight, 30},
               {"peripheral:kind=colorspotlight,radius=10", ColorSpotLight, 6},
               {"peripheral:kind=vaseline,radius=40", Vaseline, 24},
               {"peripheral:kind=vaseline,radius=1", Vaseline, 1}};
  for (const Case& c : cases) {
    TDocument doc;
    doc.OpenPicture(photo);
    ASSERT_EQ(RunStep(doc, PeripheralSteps(), c.step), "") << c.step;
    TBitmap want = photo;
    ASSERT_TRUE(c.effect(want, c.radius, 1));
    EXPECT_EQ(doc.Source(), want) << c.step;
  }
  TDocument doc;
  for (const char* bad : {"peripheral:radius=0", "peripheral:radius=101", "peripheral:kind=spot"}) {
    EXPECT_EQ(RunStep(doc, PeripheralSteps(), bad).rfind("usage: ", 0), 0u) << bad;
  }
}

TEST(PeripheralStep, ARadiusOfNoPixelsIsAnErrorAndThePreviewKeepsACopy) {
  TDocument doc;
  doc.OpenPicture(Picture(30, 20));  // 1 % of 30 is 0.3 pixels
  const TBitmap before = doc.Source();
  const std::string outcome = RunStep(doc, PeripheralSteps(), "peripheral:radius=1");
  EXPECT_EQ(outcome.rfind("failed: ", 0), 0u) << outcome;
  EXPECT_EQ(doc.Source(), before);

  EXPECT_FALSE(kPeripheralEffect.Preview(doc, {TPeripheralKind::Vaseline, 1}));
  EXPECT_EQ(doc.Result(), doc.Source());
  EXPECT_TRUE(kPeripheralEffect.Preview(doc, {TPeripheralKind::Vaseline, 2}));  // 0.6 rounds to 1
}

}  // namespace
}  // namespace kira
