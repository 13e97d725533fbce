#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "effects/blur.h"
#include "effects/sharpen.h"
#include "effects/soften.h"
#include "pages/sharpness_page.h"
#include "pages/softness_page.h"
#include "tests/pages/step_util.h"

namespace kira {
namespace {

using teststep::RunStep;

TBitmap Picture(int w, int h, unsigned seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>((i * 7 + y * 5) % 200 + rng() % 50);
  return b;
}

TEST(SoftnessPage, DefaultsAreGaussianAtLevelZero) {
  const TSoftnessSettings s;
  EXPECT_EQ(s.kind, TSoftnessKind::Gaussian);
  EXPECT_EQ(s.level, 0);
  const TSharpnessSettings t;
  EXPECT_EQ(t.kind, TSharpnessKind::Sharpen);
  EXPECT_EQ(t.amount, 0);
}

// Each kind and level reaches its routine with the page's argument.
TEST(SoftnessPage, LevelsMapToTheRoutinesArguments) {
  const TBitmap picture = Picture(23, 17, 1);
  for (int p = 0; p <= 6; ++p) {
    const struct {
      TSoftnessKind kind;
      bool (*direct)(TBitmap&, int);
    } cases[] = {
        {TSoftnessKind::Blur, [](TBitmap& b, int q) { return BoxBlur(b, q); }},
        {TSoftnessKind::Gaussian, [](TBitmap& b, int q) { return GaussianBlur(b, 2 * q); }},
        {TSoftnessKind::Radial, [](TBitmap& b, int q) { return RadialBlur(b, 3 * q); }},
        {TSoftnessKind::Angle, [](TBitmap& b, int q) { return AngleBlur(b, 3 * q); }},
        {TSoftnessKind::Soften, [](TBitmap& b, int q) { return DiamondSoften(b, 5, 17 * q); }},
    };
    for (const auto& c : cases) {
      TBitmap expected = picture, got = picture, into;
      const bool ok = c.direct(expected, p);
      EXPECT_EQ(SoftenPicture(got, {c.kind, p}), ok);
      EXPECT_EQ(got, expected) << static_cast<int>(c.kind) << " level " << p;
      EXPECT_EQ(SoftenPictureInto(picture, into, {c.kind, p}), ok);
      if (ok) EXPECT_EQ(into, expected) << static_cast<int>(c.kind) << " level " << p << " into";
    }
  }
}

TEST(SoftnessPage, GaussianAtLevelZeroLeavesACopyOfTheSource) {
  TDocument doc;
  doc.OpenPicture(Picture(9, 8, 2));
  EXPECT_FALSE(kSoftnessEffect.Preview(doc, {TSoftnessKind::Gaussian, 0}));
  EXPECT_EQ(doc.Result(), doc.Source());
  const TBitmap before = doc.Source();
  kSoftnessEffect.Apply(doc, {TSoftnessKind::Gaussian, 0});
  EXPECT_EQ(doc.Source(), before);
}

TEST(SoftnessPage, BatchStepsMatchThePages) {
  const TBitmap picture = Picture(31, 20, 3);
  TBitmap radial = picture;
  RadialBlur(radial, 12);
  EXPECT_EQ(RunStep(SoftnessSteps(), "softness:kind=radial,level=4", picture), radial);
  TBitmap soft = picture;
  DiamondSoften(soft, 5, 0);
  EXPECT_EQ(RunStep(SoftnessSteps(), "softness:kind=soften", picture), soft);
  EXPECT_EQ(RunStep(SoftnessSteps(), "softness", picture), picture);
  TBitmap focus = picture;
  Focus(focus, 60.0f);
  EXPECT_EQ(RunStep(SharpnessSteps(), "sharpness:kind=focus,amount=60", picture), focus);
  TBitmap sharp = picture;
  Sharpen(sharp, 100);
  EXPECT_EQ(RunStep(SharpnessSteps(), "sharpness:amount=100", picture), sharp);
}

TEST(SoftnessPage, BatchRefusesWordsOutsideTheTables) {
  const std::vector<TStepSpec> steps = [] {
    std::vector<TStepSpec> all = SoftnessSteps();
    for (TStepSpec& s : SharpnessSteps()) all.push_back(s);
    return all;
  }();
  for (const char* text : {"softness:level=7", "softness:level=-1", "softness:kind=box", "softness:radius=2",
                           "sharpness:amount=101", "sharpness:kind=unsharp", "sharpness:amount=x"}) {
    TStepValues values;
    std::string error;
    EXPECT_EQ(ParseStep(steps, text, values, error), nullptr) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

}  // namespace
}  // namespace kira
