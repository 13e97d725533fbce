// The history of Apply: undo and redo of the source, the memory bound, and
// whether closing would lose work.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/image_files.h"
#include "document/document.h"

namespace kira {
namespace {

struct CallLog : TDocumentHost {
  std::vector<std::string> calls;
  void ShowWorkingImage(const TBitmap& image, bool) override {
    calls.push_back("show " + std::to_string(image.Width()));
  }
  void DrawHistogram(const TBitmap&) override { calls.push_back("histogram"); }
  void ShowMenuPage() override { calls.push_back("menu"); }
  void ShowFileCaption() override { calls.push_back("caption"); }
};

TBitmap Filled(int w, int h, std::uint8_t v) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = v;
  return b;
}

// An Apply whose Preview makes the result a picture of the given size and
// value, as any page's Apply does through the shared cycle.
void ApplyPicture(TDocument& doc, int w, int h, std::uint8_t v) {
  doc.Apply([&] { doc.Preview([&](const TBitmap&, TBitmap& result) {
    result = Filled(w, h, v);
    return true;
  }); });
}

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.SetHost(&log);
    doc.OpenPicture(Filled(4, 3, 0));
  }
  CallLog log;
  TDocument doc;
};

TEST_F(HistoryTest, UndoAndRedoWalkThroughTheAppliedPictures) {
  ApplyPicture(doc, 4, 3, 1);
  ApplyPicture(doc, 6, 2, 2);  // another size, as the resize page gives
  ApplyPicture(doc, 4, 3, 3);
  ASSERT_EQ(doc.UndoSteps(), 3u);
  // Each row: the command, the source after it, undo and redo left.
  struct Row { bool undo; std::uint8_t value; int width; bool canUndo, canRedo; };
  const Row rows[] = {
      {true, 2, 6, true, true},   {true, 1, 4, true, true},  {true, 0, 4, false, true},
      {false, 1, 4, true, true},  {false, 2, 6, true, true}, {false, 3, 4, true, false},
  };
  for (const Row& r : rows) {
    log.calls.clear();
    EXPECT_TRUE(r.undo ? doc.Undo() : doc.Redo());
    EXPECT_EQ(doc.Source(), Filled(r.width, r.width == 6 ? 2 : 3, r.value));
    EXPECT_EQ(doc.CanUndo(), r.canUndo);
    EXPECT_EQ(doc.CanRedo(), r.canRedo);
    // As after an Apply: caption renewed, source shown, histogram, menu page.
    EXPECT_EQ(log.calls, (std::vector<std::string>{"caption", "show " + std::to_string(r.width),
                                                   "histogram", "menu"}));
    EXPECT_EQ(doc.ViewLabel(), TViewLabel::BMP1);
  }
  // At either end there is nothing more to do and nothing happens.
  log.calls.clear();
  EXPECT_FALSE(doc.Redo());
  EXPECT_TRUE(log.calls.empty());
  while (doc.Undo()) {}
  EXPECT_EQ(doc.Source(), Filled(4, 3, 0));
  EXPECT_EQ(doc.RedoSteps(), 3u);
}

TEST_F(HistoryTest, UndoDropsAPendingPreviewAndItsBrightPoints) {
  ApplyPicture(doc, 4, 3, 1);
  doc.BrightPoints() = Filled(4, 3, 9);
  doc.PreviewInPlace([](TBitmap&) { return true; });
  EXPECT_TRUE(doc.Undo());
  EXPECT_TRUE(doc.Result().Empty());
  EXPECT_TRUE(doc.BrightPoints().Empty());
  EXPECT_EQ(doc.Source(), Filled(4, 3, 0));
}

TEST_F(HistoryTest, ANewApplyAfterUndoDropsTheRedoSteps) {
  ApplyPicture(doc, 4, 3, 1);
  ApplyPicture(doc, 4, 3, 2);
  doc.Undo();
  doc.Undo();
  ApplyPicture(doc, 4, 3, 7);
  EXPECT_FALSE(doc.CanRedo());
  EXPECT_EQ(doc.UndoSteps(), 1u);
  EXPECT_EQ(doc.HistoryBytes(), Filled(4, 3, 0).SizeInBytes());
  doc.Undo();
  EXPECT_EQ(doc.Source(), Filled(4, 3, 0));
  doc.Redo();
  EXPECT_EQ(doc.Source(), Filled(4, 3, 7));
}

TEST_F(HistoryTest, AnApplyWithNothingToApplyKeepsNoStep) {
  // The rotation page's Apply with no button pressed, and an Apply before
  // any picture was opened.
  doc.ApplyAccumulated();
  EXPECT_FALSE(doc.CanUndo());
  TDocument empty;
  empty.Apply([] {});
  EXPECT_FALSE(empty.CanUndo());
  EXPECT_FALSE(empty.HasUnsavedChanges());
}

TEST_F(HistoryTest, TheBoundDropsTheOldestPicturesFirst) {
  const std::size_t one = Filled(4, 3, 0).SizeInBytes();
  struct Row { std::size_t limit; std::size_t kept; std::uint8_t oldestKept; };
  const Row rows[] = {
      {5 * one, 4, 0},      // all four fit
      {3 * one, 3, 1},      // the original goes
      {3 * one - 1, 2, 2},  // a byte short of three
      {one, 1, 3},          // exactly one
      {one - 1, 1, 3},      // a picture larger than the bound keeps one step
      {0, 1, 3},
  };
  for (const Row& r : rows) {
    TDocument d;
    d.OpenPicture(Filled(4, 3, 0));
    d.SetHistoryLimit(r.limit);
    for (std::uint8_t v = 1; v <= 4; ++v) ApplyPicture(d, 4, 3, v);
    EXPECT_EQ(d.UndoSteps(), r.kept) << r.limit;
    EXPECT_EQ(d.HistoryBytes(), r.kept * one);
    while (d.Undo()) {}
    EXPECT_EQ(d.Source(), Filled(4, 3, r.oldestKept)) << r.limit;
    // Walking back and forth keeps within the bound, the newest step first.
    while (d.Redo()) {}
    EXPECT_EQ(d.Source(), Filled(4, 3, 4));
    EXPECT_LE(d.UndoSteps() + d.RedoSteps(), r.kept);
  }
}

TEST_F(HistoryTest, LoweringTheBoundTrimsAndTheLastStepAlwaysStays) {
  ApplyPicture(doc, 4, 3, 1);
  ApplyPicture(doc, 8, 8, 2);
  const std::size_t small = Filled(4, 3, 0).SizeInBytes();
  const std::size_t large = Filled(8, 8, 0).SizeInBytes();
  doc.SetHistoryLimit(2 * small);
  EXPECT_EQ(doc.UndoSteps(), 2u);
  doc.SetHistoryLimit(small);
  EXPECT_EQ(doc.UndoSteps(), 1u);
  // A new Apply puts the large picture into the history: the older step goes.
  doc.SetHistoryLimit(large);
  ApplyPicture(doc, 4, 3, 3);  // history: [1 (small)] [2 (large)] -> trimmed to [2]
  EXPECT_EQ(doc.UndoSteps(), 1u);
  doc.SetHistoryLimit(small);
  EXPECT_TRUE(doc.Undo());  // source 2 (large), redo holds 3 (small)
  EXPECT_EQ(doc.Source(), Filled(8, 8, 2));
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_TRUE(doc.Redo());
  EXPECT_EQ(doc.Source(), Filled(4, 3, 3));
  EXPECT_EQ(doc.UndoSteps(), 1u);  // the large picture, alone above the bound
}

class FileHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("kira_history_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    a = (dir / "a.bmp").string();
    b = (dir / "b.bmp").string();
    ASSERT_TRUE(SaveBmpFile(Filled(3, 2, 10), a).ok);
    ASSERT_TRUE(SaveBmpFile(Filled(2, 2, 20), b).ok);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
  std::string a, b;
  TDocument doc;
};

TEST_F(FileHistoryTest, OpeningAnotherFileEmptiesTheHistory) {
  ASSERT_EQ(doc.OpenImageFile(a), TOpenOutcome::Opened);
  ApplyPicture(doc, 3, 2, 1);
  ApplyPicture(doc, 3, 2, 2);
  doc.Undo();
  ASSERT_TRUE(doc.CanUndo() && doc.CanRedo());
  // A file that fails to open changes nothing, the history included.
  EXPECT_EQ(doc.OpenImageFile((dir / "missing.bmp").string()), TOpenOutcome::Failed);
  EXPECT_TRUE(doc.CanUndo() && doc.CanRedo());
  ASSERT_EQ(doc.OpenImageFile(b), TOpenOutcome::Opened);
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_FALSE(doc.CanRedo());
  EXPECT_EQ(doc.HistoryBytes(), 0u);
}

TEST_F(FileHistoryTest, UnsavedChangesFollowApplyUndoPreviewAndSave) {
  EXPECT_FALSE(doc.HasUnsavedChanges());  // nothing opened
  ASSERT_EQ(doc.OpenImageFile(a), TOpenOutcome::Opened);
  const std::string out = (dir / "out.bmp").string();
  const std::string gif = (dir / "out.gif").string();
  auto preview = [this] { doc.PreviewInPlace([](TBitmap&) { return true; }); };
  struct Row { const char* what; std::function<void()> act; bool unsaved; };
  const std::vector<Row> rows = {
      {"opened", [] {}, false},
      {"preview pending", preview, true},
      {"cancelled", [this] { doc.Cancel(); }, false},
      {"applied", [this] { ApplyPicture(doc, 3, 2, 1); }, true},
      {"undone to the opened picture", [this] { doc.Undo(); }, false},
      {"redone", [this] { doc.Redo(); }, true},
      {"saved under an unknown extension", [&] { doc.SaveShownImage(gif); }, true},
      {"source saved", [&] { EXPECT_TRUE(doc.SaveShownImage(out)); }, false},
      {"undone past the save", [this] { doc.Undo(); }, true},
      {"redone to the saved picture", [this] { doc.Redo(); }, false},
      {"result saved, preview still pending",
       [&] { preview(); EXPECT_TRUE(doc.SaveShownImage(out)); }, true},
      {"opened again", [this] { doc.OpenImageFile(b); }, false},
  };
  for (const Row& r : rows) {
    r.act();
    EXPECT_EQ(doc.HasUnsavedChanges(), r.unsaved) << r.what;
  }
}

}  // namespace
}  // namespace kira
