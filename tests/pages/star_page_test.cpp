#include "pages/star_page.h"

#include <gtest/gtest.h>

#include "effects/soften.h"
#include "starfilter/brightpoints.h"
#include "starfilter/editing.h"
#include "tests/starfilter/star_test_util.h"

namespace kira {
namespace {

using namespace startest;

struct TCountingHost : TDocumentHost {
  int shown = 0;
  int busy = 0;
  void BeginBusy() override { ++busy; }
  void ShowWorkingImage(const TBitmap&, bool) override { ++shown; }
};

// A grey photograph with two white pixels and one of sum 700.
TBitmap Photo() {
  TBitmap b = Black(60, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) SetGrey(b, x, y, 40);
  SetGrey(b, 15, 10, 255);
  SetGrey(b, 45, 30, 255);
  Set(b, 30, 20, 200, 250, 250);
  return b;
}

struct StarPage : ::testing::Test {
  TDocument doc;
  TStarSettings s;
  void SetUp() override {
    doc.OpenPicture(Photo());
    doc.ShowSource();
    StarPageShown(doc, s);
  }
  // The result Preview must give when the rays come from `points`.
  TBitmap Expected(const TBitmap& points) const {
    TBitmap rays;
    DrawStar(points, rays, s.Kind, s.Length, s.Intensity, -s.Angle);
    if (s.SoftCross) DiamondSoften(rays, 3, 75);
    AddSaturated(rays, doc.Source());
    return rays;
  }
};

TEST_F(StarPage, ShowSetsDefaultsAndClearsTheFlagOnly) {
  s = {1, 2, 3, 4, 5, TStarKind::Sunny, true, 3, TEditTool::Cut};
  doc.BrightPoints() = Black(2, 2);
  doc.SetBrightPointsReady(true);
  StarPageShown(doc, s);
  EXPECT_EQ(s.Threshold, 764);
  EXPECT_EQ(s.Length, 32);
  EXPECT_EQ(s.Angle, 0);
  EXPECT_EQ(s.Intensity, 50);
  EXPECT_EQ(s.Density, 10);
  EXPECT_EQ(s.Kind, TStarKind::Cross);
  EXPECT_FALSE(s.SoftCross);
  EXPECT_EQ(s.PointSize, 1);
  EXPECT_EQ(s.Tool, TEditTool::None);
  EXPECT_FALSE(doc.BrightPointsReady());
  EXPECT_EQ(doc.BrightPoints().Width(), 2);
}

TEST_F(StarPage, PreviewExtractsThenDrawsAndReleasesTools) {
  s.Tool = TEditTool::Put;
  s.SoftCross = true;
  s.Kind = TStarKind::Snow;
  s.Angle = 20;
  StarPreview(doc, s);
  EXPECT_TRUE(doc.BrightPointsReady());
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 2);
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP3);
  EXPECT_EQ(s.Tool, TEditTool::None);
  EXPECT_TRUE(doc.Result() == Expected(doc.BrightPoints()));
  const TBitmap first = doc.Result();
  StarPreview(doc, s);
  EXPECT_TRUE(doc.Result() == first);  // previews do not accumulate
}

TEST_F(StarPage, PreviewReusesEditedPointsUntilResetOrShow) {
  ExtractStarPoints(doc, s);
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP2);
  CutBrightPoints(doc.BrightPoints(), {0, 0, 30, 40});  // the left white point goes
  s.Threshold = 600;  // would add the 700 point, but the points are ready
  StarPreview(doc, s);
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 1);
  const TBitmap edited = doc.BrightPoints();
  EXPECT_TRUE(doc.Result() == Expected(edited));

  ResetStarPoints(doc);
  EXPECT_FALSE(doc.BrightPointsReady());
  EXPECT_TRUE(doc.BrightPoints().Empty());
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP1);
  StarPreview(doc, s);
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 3);  // afresh, threshold 600

  CutBrightPoints(doc.BrightPoints(), {0, 0, 60, 40});
  StarPageShown(doc, s);
  StarPreview(doc, s);
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 2);  // afresh, threshold 764
}

TEST_F(StarPage, AutomaticThreshold) {
  TBitmap picture = Black(5, 5);
  Set(picture, 2, 2, 200, 250, 250);
  Set(picture, 3, 2, 199, 250, 250);
  doc.OpenPicture(picture);
  AutoThreshold(doc, s);
  EXPECT_EQ(s.Threshold, 699);
  EXPECT_FALSE(doc.BrightPointsReady());  // no extraction
  ExtractStarPoints(doc, s);
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 1);

  doc.OpenPicture(Black(5, 5));
  AutoThreshold(doc, s);
  EXPECT_EQ(s.Threshold, 0);
}

TEST_F(StarPage, PreviewOnEmptySourceShowsEmptyResult) {
  TDocument empty;
  StarPreview(empty, s);
  EXPECT_TRUE(empty.BrightPointsReady());
  EXPECT_TRUE(empty.BrightPoints().Empty());
  EXPECT_TRUE(empty.Result().Empty());
  EXPECT_EQ(empty.ViewLabel(), TViewLabel::BMP3);
}

TEST_F(StarPage, ApplyWithoutPreviewRunsItAndKeepsTheFlag) {
  s.Length = 8;
  const TBitmap expected = [&] {
    TBitmap bp = doc.Source();
    ExtractBrightPoints(bp, 764, 10);
    return Expected(bp);
  }();
  StarApply(doc, s);
  EXPECT_TRUE(doc.Source() == expected);
  EXPECT_TRUE(doc.BrightPoints().Empty());
  EXPECT_TRUE(doc.BrightPointsReady());  // left alone; showing the page clears it
}

TEST_F(StarPage, PointsOfAnotherSizeAreExtractedAfreshNotLaidOverThePicture) {
  // Flag left set after an Apply that emptied the points: the next Preview
  // must not turn the picture into an empty (or smaller) result.
  StarApply(doc, s);
  ASSERT_TRUE(doc.BrightPointsReady());
  ASSERT_TRUE(doc.BrightPoints().Empty());
  const TBitmap before = doc.Source();
  StarPreview(doc, s);
  EXPECT_EQ(doc.Result().Width(), before.Width());
  EXPECT_EQ(doc.Result().Height(), before.Height());
  TBitmap bp = before;
  ExtractBrightPoints(bp, 764, 10);
  EXPECT_TRUE(doc.Result() == Expected(bp));
}

// ---- hand editing ----

TEST(PutBrightPoint, BlocksAreClippedAtTheEdges) {
  TBitmap b = Black(6, 5);
  PutBrightPoint(b, 5, 2, 4);
  EXPECT_EQ(CountNonBlack(b), 1);
  EXPECT_EQ(Blue(b, 5, 4), 255);

  TBitmap c = Black(6, 5);
  PutBrightPoint(c, 0, 3, 0);
  EXPECT_EQ(CountNonBlack(c), 4);
  EXPECT_FALSE(IsBlack(c, 1, 1));

  TBitmap d = Black(6, 5);
  Set(d, 2, 2, 10, 20, 30);
  PutBrightPoint(d, 2, 2, 2);  // to the right and below, white over colour
  EXPECT_EQ(Ch(d, 2, 2, 2), 255);
  EXPECT_FALSE(IsBlack(d, 3, 3));
  EXPECT_TRUE(IsBlack(d, 1, 1));

  TBitmap e = Black(6, 5);
  PutBrightPoint(e, 2, 4, 2);   // no such size
  PutBrightPoint(e, 6, 1, 0);   // outside
  PutBrightPoint(e, -1, 3, 0);  // outside, even though the block would reach in
  EXPECT_EQ(CountNonBlack(e), 0);
  TBitmap empty;
  EXPECT_TRUE(PutBrightPoint(empty, 0, 1, 0));
  EXPECT_TRUE(empty.Empty());
}

TEST(CutBrightPoints, RightAndBottomExclusiveAndClipped) {
  TBitmap b = Black(30, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) SetGrey(b, x, y, 255);
  CutBrightPoints(b, {10, 10, 20, 15});
  EXPECT_EQ(CountNonBlack(b), 600 - 50);
  EXPECT_TRUE(IsBlack(b, 19, 14));
  EXPECT_FALSE(IsBlack(b, 20, 14));
  EXPECT_FALSE(IsBlack(b, 19, 15));
  CutBrightPoints(b, {-5, 18, 100, 40});
  EXPECT_EQ(CountNonBlack(b), 600 - 50 - 60);
  CutBrightPoints(b, {3, 3, 3, 10});
  EXPECT_EQ(CountNonBlack(b), 490);
}

TEST(EditingGeometry, ZoomConversionAndDragDirection) {
  EXPECT_EQ(PointerToPixel(20, 200), 10);
  EXPECT_EQ(PointerToPixel(40, 200), 20);
  EXPECT_EQ(PointerToPixel(5, 200), 2);  // 2.5, halves to even
  EXPECT_EQ(PointerToPixel(7, 200), 4);  // 3.5
  EXPECT_EQ(SelectionShape(50, 40, 20, 10), (TShapeRect{20, 10, 30, 30}));
  EXPECT_EQ(SelectionToPixels(50, 40, 20, 10, 5, 5, 100), SelectionToPixels(20, 10, 50, 40, 5, 5, 100));
  EXPECT_EQ(SelectionToPixels(20, 10, 50, 40, 5, 5, 50), (TPixelRect{30, 10, 90, 70}));
}

struct StarEditing : StarPage {
  TCountingHost host;
  TStarSelection sel;
  void SetUp() override {
    StarPage::SetUp();
    doc.SetHost(&host);
  }
};

TEST_F(StarEditing, PutWithTheFlagClearStartsABlackSet) {
  ExtractStarPoints(doc, s);  // two points, then the page is shown again
  StarPageShown(doc, s);
  s.Tool = TEditTool::Put;
  EXPECT_TRUE(StarMouseUp(doc, s, sel, 7, 9, 0, 0));
  EXPECT_TRUE(doc.BrightPointsReady());
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 1);
  EXPECT_EQ(Blue(doc.BrightPoints(), 7, 9), 255);
  // Preview draws from the hand-made set alone.
  StarPreview(doc, s);
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 1);
  EXPECT_EQ(s.Tool, TEditTool::None);
}

TEST_F(StarEditing, PutUsesZoomSizeAndRefreshesTheShownPoints) {
  ExtractStarPoints(doc, s);
  const int shownBefore = host.shown;
  doc.SetZoomPercent(200);
  s.Tool = TEditTool::Put;
  s.PointSize = 3;
  StarMouseUp(doc, s, sel, 20, 40, 0, 0);  // no press: the tool at release decides
  EXPECT_EQ(Blue(doc.BrightPoints(), 9, 19), 255);
  EXPECT_EQ(Blue(doc.BrightPoints(), 11, 21), 255);
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 2 + 9);
  EXPECT_EQ(host.shown, shownBefore + 1);  // BMP2 on view: shown again

  StarMouseUp(doc, s, sel, 500, 500, 0, 0);  // beyond the picture: ignored
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 11);
}

TEST_F(StarEditing, PutAfterApplyWritesNothing) {
  ExtractStarPoints(doc, s);
  s.Tool = TEditTool::Put;
  doc.Cancel();  // empties the bright points, flag stays set
  ASSERT_TRUE(doc.BrightPointsReady());
  StarMouseUp(doc, s, sel, 3, 3, 0, 0);
  EXPECT_TRUE(doc.BrightPoints().Empty());
}

TEST_F(StarEditing, CutDragsARectangleInEitherDirection) {
  TBitmap picture = Black(60, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) SetGrey(picture, x, y, 255);
  doc.OpenPicture(picture);
  ExtractStarPoints(doc, s);
  s.Tool = TEditTool::Cut;
  // Picture control at (4, 6) in the client; drag from lower right to upper left.
  ASSERT_TRUE(StarMouseDown(doc, s, 24 + 4, 15 + 6, sel));
  EXPECT_TRUE(StarMouseUp(doc, s, sel, 10, 10, 4, 6));
  EXPECT_FALSE(sel.Selecting);
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 2400 - 14 * 5);
  EXPECT_TRUE(IsBlack(doc.BrightPoints(), 10, 10));
  EXPECT_TRUE(IsBlack(doc.BrightPoints(), 23, 14));
  EXPECT_FALSE(IsBlack(doc.BrightPoints(), 24, 14));

  // A click that does not move in both directions cuts nothing.
  StarMouseDown(doc, s, 40, 30, sel);
  StarMouseUp(doc, s, sel, 50 - 4, 30 - 6, 4, 6);
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 2330);
}

TEST_F(StarEditing, CutNeedsTheFlagAndAnOpenedPicture) {
  s.Tool = TEditTool::Cut;
  doc.BrightPoints() = doc.Source();
  EXPECT_FALSE(StarMouseDown(doc, s, 0, 0, sel));  // flag clear
  EXPECT_FALSE(StarMouseUp(doc, s, sel, 30, 30, 0, 0));
  EXPECT_EQ(CountNonBlack(doc.BrightPoints()), 2400);

  TDocument fresh;  // nothing opened yet: view label empty
  fresh.SetBrightPointsReady(true);
  EXPECT_FALSE(StarMouseDown(fresh, s, 0, 0, sel));
  EXPECT_FALSE(sel.Selecting);
}

// ---- batch steps ----

TEST(StarSteps, BrightpointsAndStarFollowThePage) {
  TStepValues v;
  const TStepSpec bpStep = StarSteps().at(0);
  v.SetDefaults(&bpStep.params);
  v.Set("threshold", kAutoValue);
  TDocument doc;
  doc.OpenPicture(Photo());
  std::string error;
  ASSERT_TRUE(bpStep.run(doc, v, error));
  EXPECT_EQ(CountNonBlack(doc.Source()), 2);  // the two white pixels hold the maximum
  EXPECT_EQ(Blue(doc.Source(), 45, 30), 255);

  const TStepSpec starStep = StarSteps().at(1);
  TStepValues w;
  w.SetDefaults(&starStep.params);
  w.Set("kind", 2);
  w.Set("angle", 30);
  w.Set("soft", 1);
  TDocument d2;
  d2.OpenPicture(Photo());
  ASSERT_TRUE(starStep.run(d2, w, error));
  TDocument d3;
  d3.OpenPicture(Photo());
  TStarSettings s;
  StarPageShown(d3, s);
  s.Kind = TStarKind::Sunny;
  s.Angle = 30;
  s.SoftCross = true;
  StarPreview(d3, s);
  EXPECT_TRUE(d2.Source() == d3.Result());
}

}  // namespace
}  // namespace kira
