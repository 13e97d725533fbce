#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "core/bitmap.h"
#include "document/document.h"
#include "document/settings_table.h"
#include "effects/art.h"
#include "effects/laplacian.h"
#include "pages/art1_page.h"

namespace kira {
namespace {

TBitmap Photo(int w, int h) {
  TBitmap b(w, h);
  std::mt19937 rng(5);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>((i * 7 + y * 13) % 200 + rng() % 40);
  return b;
}

TEST(Art1Page, FishEyeLabelShowsTenthsWithOneDecimal) {
  const std::pair<int, const char*> cases[] = {{1, "0.1"}, {8, "0.8"}, {10, "1.0"}, {11, "1.1"}, {0, "0.0"}};
  for (const auto& [position, text] : cases) EXPECT_EQ(FishEyeLabelText(position), text) << position;
  EXPECT_EQ(Art1LevelLabelText(128), "128");
}

TEST(Art1Page, DefaultsAreThoseOfTheShownPage) {
  const TArt1Settings s;
  EXPECT_EQ(s.kind, TArt1Kind::Watercolor);
  EXPECT_EQ(s.watercolor, 1);
  EXPECT_EQ(s.solarize, 128);
  EXPECT_EQ(s.fisheye, 8);
  EXPECT_EQ(s.edge1, 20);
  EXPECT_EQ(s.edge2, 20);
  EXPECT_FALSE(s.continuous);
  EXPECT_EQ(Art1LevelRow(TArt1Kind::Sobel), nullptr);
  EXPECT_EQ(Art1LevelRow(TArt1Kind::Edge2)->name, "TrackBarEFCT26");
}

// Each kind against its effect called as the page maps the position.
TEST(Art1Page, PositionsMapToTheEffectsArguments) {
  const TBitmap photo = Photo(23, 17);
  struct Case {
    TArt1Kind kind;
    int position;
    bool continuous;
    std::function<bool(TBitmap&)> effect;
  };
  const Case cases[] = {
      {TArt1Kind::Watercolor, 5, false, [](TBitmap& b) { return Watercolor(b, 7); }},
      {TArt1Kind::Solarize, 0, false, [](TBitmap& b) { return Solarize(b, 0); }},
      {TArt1Kind::FishEye, 11, false, [](TBitmap& b) { return FishEye(b, 1.1f); }},
      {TArt1Kind::FishEye, 3, false, [](TBitmap& b) { return FishEye(b, 0.3f); }},
      {TArt1Kind::Sobel, 0, false, [](TBitmap& b) { return SobelEdges(b, false); }},
      {TArt1Kind::Edge2, 35, true, [](TBitmap& b) { return LaplacianEdges(b, 35, TLaplacianMode::Continuous); }},
      {TArt1Kind::Edge2, 35, false, [](TBitmap& b) { return LaplacianEdges(b, 35, TLaplacianMode::Threshold); }},
      {TArt1Kind::Negative, 0, false, [](TBitmap& b) { return Negative(b); }},
  };
  for (const Case& c : cases) {
    TArt1Settings s;
    s.kind = c.kind;
    s.watercolor = s.solarize = s.fisheye = s.edge2 = c.position;
    s.continuous = c.continuous;
    TBitmap page = photo, direct = photo;
    ASSERT_TRUE(Art1Picture(page, s));
    ASSERT_TRUE(c.effect(direct));
    EXPECT_EQ(page, direct) << static_cast<int>(c.kind) << " " << c.position;
  }
}

TEST(Art1Page, EdgeDrawingsComeBackAsTwentyFourBits) {
  TBitmap photo(4, 2);
  for (int x = 2; x < 4; ++x)
    for (int c = 0; c < 3; ++c) photo.ScanLine(0)[3 * x + c] = photo.ScanLine(1)[3 * x + c] = 200;
  // Pixel (1, 0) faces the step of distance 200 on its right; (0, 0) faces
  // nothing: white in both drawings.
  const std::pair<TArt1Kind, int> cases[] = {{TArt1Kind::Edge1, 0}, {TArt1Kind::Edge3, 255 - 200}};
  for (const auto& [kind, atStep] : cases) {
    TArt1Settings s;
    s.kind = kind;
    TBitmap b = photo;
    ASSERT_TRUE(Art1Picture(b, s));
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(b.ScanLine(0)[3 + c], atStep);
      EXPECT_EQ(b.ScanLine(0)[c], 255);
    }
  }
}

TEST(Art1Page, BatchStepChecksTheLevelAgainstTheKind) {
  const std::vector<TStepSpec> steps = Art1Steps();
  struct Case {
    const char* text;
    bool ok;
    const char* word;  // named in the message
  };
  const Case cases[] = {
      {"art1", true, ""},
      {"art1:kind=edge2,level=30,continuous=1", true, ""},
      {"art1:kind=solarize,level=0", true, ""},
      {"art1:kind=watercolor,level=6", false, "6"},
      {"art1:kind=edge1,level=4", false, "4"},
      {"art1:kind=fisheye,level=12", false, "12"},
      {"art1:kind=sobel,level=1", false, "level"},
      {"art1:kind=negative,level=1", false, "level"},
      {"art1:level=2,continuous=1", false, "continuous"},
      {"art1:kind=edge3", true, ""},
      {"art1:level=256", false, "256"},
  };
  for (const Case& c : cases) {
    TStepValues values;
    std::string error;
    const TStepSpec* step = ParseStep(steps, c.text, values, error);
    EXPECT_EQ(step != nullptr, c.ok) << c.text << ": " << error;
    if (!c.ok) {
      EXPECT_NE(error.find(c.word), std::string::npos) << c.text << ": " << error;
    }
  }
}

TEST(Art1Page, BatchStepRunsThePageWithTheKindsTrackBar) {
  const std::vector<TStepSpec> steps = Art1Steps();
  auto run = [&](const char* text) {
    TDocument doc;
    doc.OpenPicture(Photo(31, 9));
    TStepValues values;
    std::string error;
    const TStepSpec* step = ParseStep(steps, text, values, error);
    EXPECT_NE(step, nullptr) << error;
    EXPECT_TRUE(step->run(doc, values, error));
    return doc.Source();
  };
  TBitmap expect = Photo(31, 9);
  ASSERT_TRUE(LaplacianEdges(expect, 30, TLaplacianMode::Continuous));
  EXPECT_EQ(run("art1:kind=edge2,level=30,continuous=1"), expect);
  expect = Photo(31, 9);
  ASSERT_TRUE(Watercolor(expect, 3));  // the default position 1, reach 3
  EXPECT_EQ(run("art1"), expect);
  expect = Photo(31, 9);
  ASSERT_TRUE(FishEye(expect, 0.8f));
  EXPECT_EQ(run("art1:kind=fisheye"), expect);
}

}  // namespace
}  // namespace kira
