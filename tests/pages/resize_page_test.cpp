#include <gtest/gtest.h>

#include <string>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "effects/resample.h"
#include "pages/resize_page.h"

namespace kira {
namespace {

struct RatioCase {
  int w, h;
  const char* text;
};

class RatioLabel : public ::testing::TestWithParam<RatioCase> {};

TEST_P(RatioLabel, ShowsTheReducedRatio) {
  EXPECT_EQ(RatioLabelText(GetParam().w, GetParam().h), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RatioLabel,
                         ::testing::Values(RatioCase{640, 480, "比率 4 : 3"}, RatioCase{1000, 1000, "比率 1 : 1"},
                                           RatioCase{1920, 1080, "比率 16 : 9"}, RatioCase{1000, 600, "比率 5 : 3"},
                                           RatioCase{1, 7, "比率 1 : 7"}, RatioCase{97, 89, "比率 97 : 89"},
                                           RatioCase{0, 0, "比率 0 : 0"}));

TEST(ResizePage, OpeningShowsTheSourceSize) {
  const TResizeOpening o = OpenResizePage(TBitmap(1000, 1000));
  EXPECT_EQ(o.width, 1000);
  EXPECT_EQ(o.height, 1000);
  EXPECT_EQ(o.ratioLabel, "比率 1 : 1");
  EXPECT_EQ(o.widthLabel, "幅\u3000 = 1000");  // ideographic space after 幅
  EXPECT_EQ(o.heightLabel, "高さ = 1000");

  const TResizeOpening empty = OpenResizePage(TBitmap(300, 0));
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 0);
  EXPECT_EQ(empty.ratioLabel, "比率 0 : 0");
  EXPECT_EQ(empty.widthLabel, "幅\u3000 = 0");
  // The editor's translated patterns take the same numbers.
  EXPECT_EQ(RatioLabelText(1920, 1080, "Ratio %1 : %2"), "Ratio 16 : 9");
  EXPECT_EQ(RatioLabelText(0, 0, "%2/%1"), "0/0");
  EXPECT_EQ(HeightLabelText(480, "Height = %1"), "Height = 480");
}

struct AspectCase {
  int w, h;      // source
  int given;     // the value typed into one spin edit
  int height;    // the other spin edit after leaving the width field
  int width;     // the other spin edit after leaving the height field
};

class AspectRule : public ::testing::TestWithParam<AspectCase> {};

TEST_P(AspectRule, TheOtherSideFollows) {
  const AspectCase& c = GetParam();
  EXPECT_EQ(HeightForWidth(c.w, c.h, c.given), c.height);
  EXPECT_EQ(WidthForHeight(c.w, c.h, c.given), c.width);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, AspectRule,
    ::testing::Values(AspectCase{640, 480, 500, 375, 667},   // 500 * 640 / 480 = 666.67
                      AspectCase{640, 480, 100, 75, 133},    // 133.33
                      AspectCase{4, 2, 3, 2, 6},             // 1.5 goes away from zero
                      AspectCase{2, 4, 3, 6, 2},             // 1.5 again
                      AspectCase{3, 1, 1, 0, 3},             // 0.33 -> 0, a size the resampler refuses
                      AspectCase{1, 1000, 20, 10000, 0},     // 20000 is limited to the spin's 10000
                      AspectCase{640, 480, 0, 0, 0}));

TEST(ResizePage, AspectRuleOnAnEmptySourceLeavesTheOtherValue) {
  // W = H = 0: the division by zero is swallowed; nothing is set.
  EXPECT_EQ(HeightForWidth(0, 0, 500), std::nullopt);
  EXPECT_EQ(WidthForHeight(0, 0, 500), std::nullopt);
}

TEST(ResizePage, MethodCodesInTheOrderTheButtonsAreTested) {
  using M = TResizeMethod;
  EXPECT_EQ(ResampleCodeOf(M::Nearest), 0);
  EXPECT_EQ(ResampleCodeOf(M::Bilinear), 1);
  EXPECT_EQ(ResampleCodeOf(M::Bicubic), 2);
  EXPECT_EQ(ResampleCodeOf(M::Lagrange), 8);
  EXPECT_EQ(ResampleCodeOf(M::BSpline), 3);
  EXPECT_EQ(ResampleCodeOf(M::Mitchell), 5);
  EXPECT_EQ(ResampleCodeOfChecked({false, false, false, false, false, false}), 1);
  EXPECT_EQ(ResampleCodeOfChecked({false, false, false, true, true, false}), 8);  // first one wins
  EXPECT_EQ(ResampleCodeOfChecked({false, false, false, false, false, true}), 5);
  EXPECT_EQ(TResizeSettings{}.method, M::Bicubic);
}

TEST(ResizePage, ApplyResizesTheSourceAndRenewsTheCaption) {
  struct Host : TDocumentHost {
    int captions = 0;
    void ShowFileCaption() override { ++captions; }
  } host;
  TDocument doc;
  doc.SetHost(&host);
  doc.OpenPicture(TBitmap(8, 6));
  TBitmap expected = doc.Source();
  ASSERT_TRUE(ResampleBitmap(expected, 4, 3, kResampleLagrange));

  host.captions = 0;
  kResizeEffect.Apply(doc, {4, 3, TResizeMethod::Lagrange});  // no Preview before: Apply runs it
  EXPECT_EQ(doc.Source(), expected);
  EXPECT_TRUE(doc.Result().Empty());
  EXPECT_EQ(host.captions, 1);
}

TEST(ResizePage, PreviewWithAZeroSideKeepsACopyOfTheSource) {
  TDocument doc;
  TBitmap picture(8, 6);
  picture.ScanLine(0)[0] = 7;
  doc.OpenPicture(picture);
  EXPECT_FALSE(kResizeEffect.Preview(doc, {0, 6, TResizeMethod::Bicubic}));
  EXPECT_EQ(doc.Result(), doc.Source());
}

std::string RunResize(TDocument& doc, const std::string& text) {
  TStepValues values;
  std::string error;
  const std::vector<TStepSpec> steps = ResizeSteps();
  const TStepSpec* step = ParseStep(steps, text, values, error);
  if (!step) return "usage: " + error;
  if (!step->run(doc, values, error)) return "failed: " + error;
  return std::to_string(doc.Source().Width()) + "x" + std::to_string(doc.Source().Height());
}

TEST(ResizeStep, SizesFollowThePageRules) {
  struct Case {
    const char* step;
    const char* result;
  };
  for (const Case& c : {Case{"resize", "640x480"}, Case{"resize:width=500", "500x375"},
                        Case{"resize:height=100", "133x100"}, Case{"resize:width=10,height=10", "10x10"},
                        Case{"resize:width=320,method=nearest", "320x240"}}) {
    TDocument doc;
    doc.OpenPicture(TBitmap(640, 480));
    EXPECT_EQ(RunResize(doc, c.step), c.result) << c.step;
  }
}

TEST(ResizeStep, BadValuesAreRefusedAndAZeroSideIsAnError) {
  TDocument doc;
  doc.OpenPicture(TBitmap(640, 480));
  EXPECT_EQ(RunResize(doc, "resize:width=0").rfind("usage:", 0), 0u);
  EXPECT_EQ(RunResize(doc, "resize:height=10001").rfind("usage:", 0), 0u);
  EXPECT_EQ(RunResize(doc, "resize:method=lanczos").rfind("usage:", 0), 0u);

  doc.OpenPicture(TBitmap(300, 1));
  const TBitmap before = doc.Source();
  EXPECT_EQ(RunResize(doc, "resize:width=100").rfind("failed:", 0), 0u);  // height 0.33 -> 0
  EXPECT_EQ(doc.Source(), before);
}

TEST(ResizeStep, UsesTheChosenMethod) {
  TDocument doc;
  TBitmap picture(5, 3);
  for (int x = 0; x < 5; ++x) picture.ScanLine(1)[3 * x + 1] = static_cast<std::uint8_t>(50 * x);
  doc.OpenPicture(picture);
  TBitmap expected = doc.Source();
  ASSERT_TRUE(ResampleBitmap(expected, 9, 7, kResampleMitchell));
  EXPECT_EQ(RunResize(doc, "resize:width=9,height=7,method=mitchell"), "9x7");
  EXPECT_EQ(doc.Source(), expected);
}

}  // namespace
}  // namespace kira
