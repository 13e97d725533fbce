// Step lines written from values, recipes read and written, the records the
// history keeps, and a recipe replayed to the same bytes.
#include <gtest/gtest.h>

#include "tests/pages/step_util.h"

#include <random>

#include "effects/random.h"
#include "pages/brightness_page.h"
#include "pages/page_list.h"
#include "pages/recipe.h"
#include "pages/rotate_page.h"
#include "pages/star_page.h"

namespace kira {
namespace {

using teststep::Picture;

std::string Reparsed(const std::string& line) {
  TStepValues values;
  std::string error;
  const TStepSpec* step = ParseStep(AllSteps(), line, values, error);
  EXPECT_NE(step, nullptr) << line << ": " << error;
  return step ? StepLine(*step, values) : error;
}

TEST(StepLine, EveryStepsDefaultsAndGivenValuesReadBackUnchanged) {
  for (const TStepSpec& step : AllSteps()) {
    const std::string line = StepLine(step, TStepValues(&step.params));
    EXPECT_EQ(Reparsed(line), line);
  }
  const struct {
    const char* given;
    const char* written;
  } cases[] = {
      {"softness:level=4,kind=radial", "softness:kind=radial,level=4"},
      {"brightness:kind=tilt,position=-20", "brightness:kind=tilt,position=-20"},
      {"colorfilter:color=FF8000", "colorfilter:color=ff8000,density=50"},
      {"art2:kind=spray,level=9,seed=4294967295", "art2:kind=spray,level=9,seed=4294967295"},
      {"star:threshold=auto,kind=snow",
       "star:threshold=auto,density=10,length=32,angle=0,intensity=50,kind=snow,soft=0"},
      {"resize:width=50", "resize:width=50,method=bicubic"},
      {"rotate", "rotate:turn=right"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Reparsed(c.given), c.written);
    EXPECT_EQ(Reparsed(c.written), c.written);
  }
}

TEST(StepLine, PageValuesGiveTheChosenRowAndUnrepeatableStepsAComment) {
  TBrightnessSettings b = OpenedBrightnessSettings();
  b.checked = {false, false, true, false};
  b.position = {50, 10, -30, 0};
  EXPECT_EQ(BrightnessStepLine(b), "brightness:kind=shift,position=-30");

  TStepValues art2(&PageEntry(13)->params());
  art2.Set("kind", 2);
  EXPECT_EQ(PageStepLine(*PageEntry(13), art2).rfind("# left out: art2:kind=ripple,level=64 (", 0), 0u);
}

TEST(Recipe, DamagedRecipesNameFileAndLineAndGiveNoSteps) {
  const std::string head = RecipeHeader() + "\n";
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {"softness\n", "look.kbr:1: not a recipe"},
      {head + "# fine\n\nsoftness\nblurr:level=2\n", "look.kbr:5: unknown step 'blurr'"},
      {head + "softness:levl=2\n", "look.kbr:2: unknown key 'levl'"},
      {head + "softness:kind=square\n", "look.kbr:2: 'square' is not a value of 'kind'"},
      {head + "softness:level=99\n", "look.kbr:2: '99' is outside"},
      {head + "art2:seed=-1\n", "look.kbr:2: '-1' is not a seed"},
      {head + "softness:seed=1\n", "look.kbr:2: unknown key 'seed'"},
  };
  for (const auto& c : cases) {
    std::vector<TRecipeStep> steps;
    std::string error;
    EXPECT_FALSE(ParseRecipe(c.text, "look.kbr", steps, error));
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    EXPECT_TRUE(steps.empty());
  }
  std::vector<TRecipeStep> steps;
  std::string error;
  EXPECT_FALSE(ReadRecipe("/nonexistent/look.kbr", steps, error));
  EXPECT_EQ(error.rfind("/nonexistent/look.kbr: cannot read", 0), 0u);
}

// Runs a recipe's text on doc; the source afterwards.
TBitmap Replay(TDocument& doc, const std::string& text) {
  std::vector<TRecipeStep> steps;
  std::string error;
  EXPECT_TRUE(ParseRecipe(text, "r", steps, error)) << error;
  for (const TRecipeStep& s : steps) EXPECT_TRUE(RunStep(doc, *s.step, s.values, error)) << error;
  return doc.Source();
}

TEST(Recipe, RecordsFollowUndoAndRedoAndReplayToTheSameBytes) {
  const TBitmap photo = Picture(23, 17, 3);
  TDocument doc;
  doc.OpenPicture(photo);
  RandSeed() = 99;
  const std::string three = RecipeHeader() + "\nsoftness:kind=blur,level=2\nart2:kind=colornoise,level=30\n"
                                             "rotate:turn=left\n";
  Replay(doc, three);
  const TRecipeText all = WriteRecipe(doc.AppliedSteps());
  EXPECT_EQ(all.steps, 3);
  EXPECT_NE(all.text.find("art2:kind=colornoise,level=30,seed=99\n"), std::string::npos) << all.text;

  ASSERT_TRUE(doc.Undo() && doc.Undo());
  EXPECT_EQ(WriteRecipe(doc.AppliedSteps()).text, RecipeHeader() + "\nsoftness:kind=blur,level=2\n");
  ASSERT_TRUE(doc.Redo());
  const TRecipeText two = WriteRecipe(doc.AppliedSteps());
  EXPECT_EQ(two.steps, 2);

  // Another generator state, the same bytes: the seed is in the recipe.
  TDocument again;
  again.OpenPicture(photo);
  RandSeed() = 12345;
  EXPECT_TRUE(Replay(again, two.text) == doc.Source());

  // A new Apply drops what could be redone; opening drops everything.
  Replay(doc, RecipeHeader() + "\nmonochrome\n");
  EXPECT_EQ(WriteRecipe(doc.AppliedSteps()).steps, 3);
  EXPECT_FALSE(doc.Redo());
  doc.OpenPicture(photo);
  EXPECT_TRUE(doc.AppliedSteps().empty());
}

TEST(Recipe, StepsThatCannotBeReplayedAreCommentsAndCounted) {
  TDocument doc;
  doc.OpenPicture(Picture(40, 30, 5));
  TStarSettings s;
  StarPageShown(doc, s);
  s.Threshold = 600;
  ExtractStarPoints(doc, s);
  s.Threshold = 700;  // the points stay those of 600
  StarPreview(doc, s);
  EXPECT_EQ(doc.ResultStep().line.rfind("star:threshold=600,", 0), 0u);
  s.Tool = TEditTool::Put;
  TStarSelection sel;
  StarMouseUp(doc, s, sel, 3, 3, 0, 0);
  StarPreview(doc, s);
  doc.Apply(nullptr);
  doc.NoteStep("");
  doc.Apply([&] { doc.PreviewInPlace([](TBitmap&) { return true; }); });
  const TRecipeText r = WriteRecipe(doc.AppliedSteps());
  EXPECT_EQ(r.steps, 0);
  EXPECT_EQ(r.leftOut, 2);
  EXPECT_NE(r.text.find("# left out: star with bright points edited by hand"), std::string::npos) << r.text;
}

TEST(Recipe, RotationPressesBecomeTheFewestTurnsOfTheSameEffect) {
  std::mt19937 rng(7);
  const TTurn all[] = {TTurn::Left, TTurn::Right, TTurn::Flip};
  for (int round = 0; round < 60; ++round) {
    std::vector<TTurn> presses(rng() % 7);
    for (TTurn& t : presses) t = all[rng() % 3];
    const std::vector<TTurn> fewest = FewestTurns(presses);
    EXPECT_LE(fewest.size(), 3u);
    TBitmap a = Picture(5, 3, round), b = a;
    for (TTurn t : presses) ApplyTurn(a, t);
    for (TTurn t : fewest) ApplyTurn(b, t);
    EXPECT_TRUE(a == b);
  }
  TDocument doc;
  doc.OpenPicture(Picture(6, 4, 1));
  TurnResult(doc, TTurn::Left);
  TurnResult(doc, TTurn::Left);
  TurnResult(doc, TTurn::Right);
  EXPECT_EQ(doc.ResultStep().line, "rotate:turn=left");
}

}  // namespace
}  // namespace kira
