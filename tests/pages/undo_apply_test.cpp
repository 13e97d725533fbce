// Undo and redo after the Apply of every page, run as its batch step runs it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pages/page_list.h"

namespace kira {
namespace {

// A picture with bright points, colour and detail, so that every page's
// effect changes some byte.
TBitmap Photo() {
  TBitmap b(23, 17);
  for (int y = 0; y < b.Height(); ++y) {
    std::uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      row[3 * x + 0] = static_cast<std::uint8_t>(x * 11 + y * 3);
      row[3 * x + 1] = static_cast<std::uint8_t>(x * 5 + y * 13 + 40);
      row[3 * x + 2] = static_cast<std::uint8_t>(200 - y * 9);
      if ((x * 7 + y * 3) % 29 == 0) row[3 * x + 0] = row[3 * x + 1] = row[3 * x + 2] = 255;
    }
  }
  return b;
}

// Every step that ends in the page's Apply, with settings that change the
// picture (the defaults of some pages leave it as it is).
const char* const kApplies[] = {
    "star:threshold=600,length=4",
    "colorfilter:color=FF8000,density=50",
    "softness:level=3",
    "monochrome",
    "resize:width=11,height=9",
    "brightness:position=30",
    "sharpness:amount=60",
    "saturation:amount=40",
    "peripheral",
    "mirage",
    "art1",
    "rotate",
    "art2",
};

bool RunStep(TDocument& doc, const std::string& text) {
  TStepValues values;
  std::string error;
  const TStepSpec* step = ParseStep(AllSteps(), text, values, error);
  EXPECT_NE(step, nullptr) << text << ": " << error;
  if (!step) return false;
  const bool ran = step->run(doc, values, error);
  EXPECT_TRUE(ran) << text << ": " << error;
  return ran;
}

TEST(UndoApplyTest, TheTableCoversEveryPage) {
  std::set<std::string> named;
  for (const char* text : kApplies) named.insert(std::string(text).substr(0, std::string(text).find(':')));
  for (const TStepSpec& step : AllSteps()) {
    // The bright-point step is the batch tool's own: no page applies it.
    if (step.name != "brightpoints") {
      EXPECT_TRUE(named.count(step.name)) << step.name;
    }
  }
}

TEST(UndoApplyTest, UndoGivesTheEarlierBytesAndRedoTheLater) {
  for (const char* text : kApplies) {
    SCOPED_TRACE(text);
    TDocument doc;
    doc.OpenPicture(Photo());
    // Two Applies, so that undo must pick the right one of several steps.
    ASSERT_TRUE(RunStep(doc, text));
    const TBitmap first = doc.Source();
    ASSERT_TRUE(RunStep(doc, text));
    const TBitmap second = doc.Source();
    EXPECT_FALSE(first == Photo());
    ASSERT_EQ(doc.UndoSteps(), 2u);

    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(doc.Source(), first);
    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(doc.Source(), Photo());
    EXPECT_FALSE(doc.Undo());
    EXPECT_TRUE(doc.Redo());
    EXPECT_EQ(doc.Source(), first);
    EXPECT_TRUE(doc.Redo());
    EXPECT_EQ(doc.Source(), second);
    EXPECT_FALSE(doc.Redo());

    // A new Apply after an undo drops what could have been redone.
    doc.Undo();
    doc.Undo();
    ASSERT_TRUE(RunStep(doc, text));
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.UndoSteps(), 1u);
    doc.Undo();
    EXPECT_EQ(doc.Source(), Photo());
  }
}

TEST(UndoApplyTest, TheBoundDropsTheOldestAcrossPages) {
  TDocument doc;
  doc.OpenPicture(Photo());
  // Room for two pictures of the photo's size: the third Apply drops the
  // original. (The steps below keep the size.)
  doc.SetHistoryLimit(2 * Photo().SizeInBytes());
  ASSERT_TRUE(RunStep(doc, "monochrome"));
  const TBitmap grey = doc.Source();
  ASSERT_TRUE(RunStep(doc, "art1"));
  ASSERT_TRUE(RunStep(doc, "rotate:turn=flip"));
  EXPECT_EQ(doc.UndoSteps(), 2u);
  while (doc.Undo()) {}
  EXPECT_EQ(doc.Source(), grey);
}

}  // namespace
}  // namespace kira
