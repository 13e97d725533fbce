#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/document.h"

namespace kira {
namespace {

struct RecordingHost : TDocumentHost {
  std::vector<std::string> calls;
  int busy = 0;
  void BeginBusy() override { ++busy; calls.push_back("busy+"); }
  void EndBusy() override { --busy; calls.push_back("busy-"); }
  void ShowWorkingImage(const TBitmap& image, bool keepCentre) override {
    calls.push_back(std::string("show ") + std::to_string(image.Width()) + (keepCentre ? " centre" : " corner"));
  }
  void DrawHistogram(const TBitmap&) override { calls.push_back("histogram"); }
  void ShowMenuPage() override { calls.push_back("menu"); }
  void ShowFileCaption() override { calls.push_back("caption"); }
};

TBitmap Picture(int w, int h, std::uint8_t v) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = v;
  return b;
}

bool Invert(TBitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int i = 0; i < 3 * b.Width(); ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(255 - b.ScanLine(y)[i]);
  return true;
}

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { doc.SetHost(&host); }
  RecordingHost host;
  TDocument doc;
};

TEST_F(DocumentTest, PreviewWorksOnACopyAndShowsTheResult) {
  doc.OpenPicture(Picture(4, 2, 10));
  host.calls.clear();  // only what follows the opening
  doc.PreviewInPlace(Invert);
  EXPECT_EQ(doc.Source(), Picture(4, 2, 10));
  EXPECT_EQ(doc.Result(), Picture(4, 2, 245));
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP3);
  EXPECT_EQ(&doc.ShownImage(), &doc.Result());
  EXPECT_EQ(host.calls, (std::vector<std::string>{"busy+", "show 4 centre", "histogram", "busy-"}));
  // A second Preview starts again from the source: no doubled effect.
  doc.PreviewInPlace(Invert);
  EXPECT_EQ(doc.Result(), Picture(4, 2, 245));
}

TEST_F(DocumentTest, PreviewOnAnEmptySourceDoesNothing) {
  bool ran = false;
  doc.PreviewInPlace([&](TBitmap&) { ran = true; return true; });
  EXPECT_FALSE(ran);
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::None);
}

TEST_F(DocumentTest, BusyCursorIsRestoredWhenTheEffectFails) {
  doc.OpenPicture(Picture(2, 2, 1));
  host.calls.clear();  // only what follows the opening
  EXPECT_THROW(doc.PreviewInPlace([](TBitmap&) -> bool { throw std::runtime_error("boom"); }), std::runtime_error);
  EXPECT_EQ(host.busy, 0);
  // No half-done result stays behind for Apply to copy.
  EXPECT_TRUE(doc.Result().Empty());
}

TEST_F(DocumentTest, ApplyWithoutPreviewRunsThePreviewFirst) {
  doc.OpenPicture(Picture(3, 3, 0));
  host.calls.clear();  // only what follows the opening
  doc.Apply([&] { doc.PreviewInPlace(Invert); });
  EXPECT_EQ(doc.Source(), Picture(3, 3, 255));
  EXPECT_TRUE(doc.Result().Empty());
  EXPECT_TRUE(doc.BrightPoints().Empty());
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP1);
  EXPECT_EQ(host.calls.back(), "menu");
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "caption"), 0);
}

TEST_F(DocumentTest, ApplyUsesAnExistingResultAndCanRenewTheCaption) {
  doc.OpenPicture(Picture(3, 3, 0));
  host.calls.clear();  // only what follows the opening
  doc.PreviewInPlace(Invert);
  bool previewAgain = false;
  doc.Apply([&] { previewAgain = true; }, true);
  EXPECT_FALSE(previewAgain);
  EXPECT_EQ(doc.Source(), Picture(3, 3, 255));
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "caption"), 1);
}

TEST_F(DocumentTest, CancelKeepsTheSourceAndEmptiesTheOthers) {
  doc.OpenPicture(Picture(5, 1, 77));
  host.calls.clear();  // only what follows the opening
  doc.BrightPoints() = Picture(5, 1, 1);
  doc.SetBrightPointsReady(true);
  doc.PreviewInPlace(Invert);
  doc.Cancel();
  EXPECT_EQ(doc.Source(), Picture(5, 1, 77));
  EXPECT_TRUE(doc.Result().Empty());
  EXPECT_TRUE(doc.BrightPoints().Empty());
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP1);
  EXPECT_TRUE(doc.BrightPointsReady());  // the star filter's flag is left alone
}

TEST_F(DocumentTest, AccumulatedChangesBuildOnTheResult) {
  doc.OpenPicture(Picture(2, 1, 0));
  host.calls.clear();  // only what follows the opening
  int presses = 0;
  auto press = [&](TBitmap& r) {
    ++presses;
    r.ScanLine(0)[0] = static_cast<std::uint8_t>(r.ScanLine(0)[0] + 1);
  };
  doc.Accumulate(press);
  doc.Accumulate(press);
  EXPECT_EQ(doc.Result().ScanLine(0)[0], 2);
  EXPECT_EQ(doc.Source().ScanLine(0)[0], 0);
  doc.ApplyAccumulated();
  EXPECT_EQ(doc.Source().ScanLine(0)[0], 2);
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "caption"), 1);
}

TEST_F(DocumentTest, AccumulateFromReadsTheSourceFirstThenTheResult) {
  doc.OpenPicture(Picture(2, 1, 0));
  std::vector<const TBitmap*> read;
  auto press = [&](const TBitmap& from, TBitmap& result) {
    read.push_back(&from);
    TBitmap next = from;
    next.ScanLine(0)[0] = static_cast<std::uint8_t>(next.ScanLine(0)[0] + 1);
    result = std::move(next);
  };
  doc.AccumulateFrom(press);
  doc.AccumulateFrom(press);
  EXPECT_EQ(read, (std::vector<const TBitmap*>{&doc.Source(), &doc.Result()}));
  EXPECT_EQ(doc.Result().ScanLine(0)[0], 2);
  EXPECT_EQ(doc.Source().ScanLine(0)[0], 0);
  TDocument empty;
  empty.AccumulateFrom([](const TBitmap&, TBitmap& r) { r.SetSize(1, 1); });
  EXPECT_TRUE(empty.Result().Empty());
}

TEST_F(DocumentTest, ApplyAccumulatedWithNothingPressedChangesNothing) {
  doc.OpenPicture(Picture(2, 2, 9));
  host.calls.clear();  // only what follows the opening
  doc.ApplyAccumulated();
  EXPECT_EQ(doc.Source(), Picture(2, 2, 9));
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "caption"), 0);
  EXPECT_EQ(host.calls.back(), "menu");
  // With no picture at all the buttons do nothing.
  TDocument empty;
  empty.Accumulate([](TBitmap& r) { r.SetSize(1, 1); });
  EXPECT_TRUE(empty.Result().Empty());
}

TEST_F(DocumentTest, ViewButtonsKeepCornerOrCentreAndWorkOnEmptyImages) {
  doc.ShowBrightPoints();
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP2);
  doc.ShowResult();
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP3);
  doc.ShowSource();
  EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP1);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"show 0 corner", "histogram", "show 0 centre", "histogram",
                                                  "show 0 corner", "histogram"}));
  EXPECT_STREQ(ViewLabelText(TViewLabel::BMP2), "BMP2");
  EXPECT_STREQ(ViewLabelText(TViewLabel::None), "");
}

TEST_F(DocumentTest, OpeningWhatIsNoPictureOrAMissingFileChangesNothing) {
  doc.OpenPicture(Picture(2, 2, 3), "/pictures/old.jpg");
  host.calls.clear();  // only what follows the opening
  doc.PreviewInPlace(Invert);
  host.calls.clear();
  std::string error;
  const std::string words = ::testing::TempDir() + "/words.png";
  { std::ofstream(words) << "no picture"; }
  EXPECT_EQ(doc.OpenImageFile(words, &error), TOpenOutcome::Failed);
  EXPECT_EQ(error, words + ": " + NotAPictureMessage());
  EXPECT_EQ(doc.OpenImageFile("/nonexistent/dir/photo.JPG", &error), TOpenOutcome::Failed);
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(doc.Source(), Picture(2, 2, 3));
  EXPECT_FALSE(doc.Result().Empty());
  EXPECT_EQ(doc.CurrentFileName(), "old.jpg");
}

TEST_F(DocumentTest, SavingAnEmptyImageOrUnknownExtensionWritesNothing) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kira_never_written_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string error = "x";
  EXPECT_FALSE(doc.SaveShownImage((dir / "empty.bmp").string(), &error));
  EXPECT_TRUE(error.empty());
  doc.OpenPicture(Picture(2, 2, 3));
  host.calls.clear();  // only what follows the opening
  doc.ShowSource();
  EXPECT_FALSE(doc.SaveShownImage((dir / "unknown.gif").string(), &error));
  EXPECT_TRUE(error.empty());
  // Not a file, nor a temporary one left beside it.
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kira
