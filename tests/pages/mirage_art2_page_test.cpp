#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "effects/mirage.h"
#include "effects/noise.h"
#include "effects/random.h"
#include "pages/art2_page.h"
#include "pages/mirage_page.h"
#include "tests/pages/step_util.h"

namespace kira {
namespace {

using teststep::Picture;

using teststep::RunStep;
using teststep::ParseError;


TEST(MiragePage, DensityLabelsForEveryPosition) {
  const char* labels[] = {"0.20", "0.25", "0.30", "0.35", "0.40", "0.45", "0.50", "0.55", "0.60",
                          "0.65", "0.70", "0.75", "0.80", "0.85", "0.90", "0.95", "1.00"};
  for (int p = 0; p <= 16; ++p) EXPECT_EQ(MirageDensityLabelText(p), labels[p]) << p;
  EXPECT_EQ(MirageDensity(10), 0.7f);
  EXPECT_EQ(MirageOffsetLabelText(30), "30");
  EXPECT_EQ(MirageOffsetLabelText(5), "5");
}

TEST(MiragePage, DefaultsAreCircleBlendWithFiveFaces) {
  const TMirageSettings s;
  EXPECT_EQ(s.kind, TMirageKind::Circle);
  EXPECT_EQ(s.mode, TMirageMode::Blend);
  EXPECT_EQ(s.faces, 5);
  EXPECT_EQ(s.angleDeg, 60);
  EXPECT_EQ(s.offsetPct, 30);
  EXPECT_EQ(s.densityPosition, 10);
}

// Each kind and mode reaches its routine with the page's arguments.
TEST(MiragePage, SettingsReachTheirRoutines) {
  const TBitmap picture = Picture(41, 29, 1);
  const float rho = MirageDensity(13);
  const struct {
    TMirageKind kind;
    TMirageMode mode;
    bool (*direct)(TBitmap&, float);
  } cases[] = {
      {TMirageKind::Circle, TMirageMode::Bright,
       [](TBitmap& b, float d) { return MirageCirclePriority(b, 7, 200, 40, d, false); }},
      {TMirageKind::Circle, TMirageMode::Dark,
       [](TBitmap& b, float d) { return MirageCirclePriority(b, 7, 200, 40, d, true); }},
      {TMirageKind::Circle, TMirageMode::Blend,
       [](TBitmap& b, float d) { return MirageCircleBlend(b, 7, 200, 40, d); }},
      {TMirageKind::Line, TMirageMode::Bright,
       [](TBitmap& b, float d) { return MirageLinePriority(b, 7, 200, 40, d, false); }},
      {TMirageKind::Line, TMirageMode::Dark,
       [](TBitmap& b, float d) { return MirageLinePriority(b, 7, 200, 40, d, true); }},
      {TMirageKind::Line, TMirageMode::Blend,
       [](TBitmap& b, float d) { return MirageLineBlend(b, 7, 200, 40, d); }},
  };
  for (const auto& c : cases) {
    TBitmap expected = picture, got = picture;
    ASSERT_TRUE(c.direct(expected, rho));
    ASSERT_TRUE(MiragePicture(got, {c.kind, c.mode, 7, 200, 40, 13}));
    EXPECT_EQ(got, expected) << static_cast<int>(c.kind) << " " << static_cast<int>(c.mode);
  }
}

TEST(MiragePage, BatchStepRunsThePageWithItsKeys) {
  const std::vector<TStepSpec> steps = MirageSteps();
  const TBitmap picture = Picture(30, 20, 2);
  TBitmap expected = picture;
  MirageLinePriority(expected, 9, 60, 30, MirageDensity(10), true);
  EXPECT_EQ(RunStep(steps, "mirage:kind=line,mode=dark,faces=9", picture), expected);
  expected = picture;
  MirageCircleBlend(expected, 5, 60, 30, MirageDensity(10));
  EXPECT_EQ(RunStep(steps, "mirage", picture), expected);

  EXPECT_NE(ParseError(steps, "mirage:faces=25").find("faces"), std::string::npos);
  EXPECT_NE(ParseError(steps, "mirage:density=17").find("density"), std::string::npos);
  EXPECT_NE(ParseError(steps, "mirage:mode=blur").find("blur"), std::string::npos);
}

TEST(Art2Page, DefaultsAndLabel) {
  const TArt2Settings s;
  EXPECT_EQ(s.kind, TArt2Kind::ColorNoise);
  EXPECT_EQ(s.level, 64);
  EXPECT_EQ(Art2LevelLabelText(128), "128");
}

// Each kind reaches its routine with the strength and the generator's state.
TEST(Art2Page, KindsReachTheirRoutinesFromTheGeneratorState) {
  const TBitmap picture = Picture(19, 13, 3);
  const struct {
    TArt2Kind kind;
    bool (*direct)(TBitmap&, int);
  } cases[] = {
      {TArt2Kind::ColorNoise, [](TBitmap& b, int p) { return ColorNoise(b, p); }},
      {TArt2Kind::MonoNoise, [](TBitmap& b, int p) { return MonoNoise(b, p); }},
      {TArt2Kind::Spray, [](TBitmap& b, int p) { return Spray(b, p); }},
  };
  for (const auto& c : cases) {
    TBitmap expected = picture, got = picture;
    RandSeed() = 7;
    ASSERT_TRUE(c.direct(expected, 20));
    const std::uint32_t after = RandSeed();
    RandSeed() = 7;
    ASSERT_TRUE(Art2Picture(got, {c.kind, 20}));
    EXPECT_EQ(got, expected) << static_cast<int>(c.kind);
    EXPECT_EQ(RandSeed(), after);
  }
}

TEST(Art2Page, EachPreviewGoesOnFromTheGenerator) {
  TDocument doc;
  RandSeed() = 0;
  EXPECT_TRUE(kArt2Effect.Preview(doc, {TArt2Kind::ColorNoise, 64}));  // empty source: nothing, no draw
  EXPECT_EQ(RandSeed(), 0u);
  doc.OpenPicture(Picture(8, 6, 4));
  ASSERT_TRUE(kArt2Effect.Preview(doc, {TArt2Kind::ColorNoise, 64}));
  const TBitmap first = doc.Result();
  ASSERT_TRUE(kArt2Effect.Preview(doc, {TArt2Kind::ColorNoise, 64}));
  EXPECT_NE(doc.Result(), first);
  EXPECT_EQ(RandSeed(), LcgJump(2 * 3 * 8 * 6).Apply(0));
}

TEST(Art2Page, BatchStepKeysAndRanges) {
  const std::vector<TStepSpec> steps = Art2Steps();
  const TBitmap picture = Picture(16, 12, 5);
  TBitmap expected = picture;
  RandSeed() = 7;
  Spray(expected, 20);
  RandSeed() = 7;
  EXPECT_EQ(RunStep(steps, "art2:kind=spray,level=20", picture), expected);
  EXPECT_NE(ParseError(steps, "art2:level=0").find("level"), std::string::npos);
  EXPECT_NE(ParseError(steps, "art2:level=129").find("level"), std::string::npos);
  EXPECT_NE(ParseError(steps, "art2:kind=noise").find("noise"), std::string::npos);
}

}  // namespace
}  // namespace kira
