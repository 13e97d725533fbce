// Recipes: the steps applied to one picture in the editor, written so that
// kirabox-batch (or the editor again) repeats them byte for byte on others.
//
// A recipe is plain UTF-8 text, one step a line in the batch tool's syntax:
//
//   # kirabox 0.32 recipe
//   softness:kind=radial,level=4
//   art2:kind=colornoise,level=20,seed=123456
//   # star: bright points edited by hand (cut/put); left out
//
// The first line names the program and its version; other lines starting
// with '#' are comments, blank lines are passed over. Every step lists every
// key of its page at the value the controls held. A step that draws random
// numbers carries "seed", the generator's state before it, so that it
// repeats whatever --seed says; "seed" is a key of those steps on the command
// line too.
#pragma once

#include <string>
#include <vector>

#include "document/document.h"
#include "document/settings_table.h"
#include "pages/page_list.h"

namespace kira {

// NAME:KEY=VALUE,... with every key of the step at its value, in the step's
// order, and seed=N when the values carry a state. A key the step would
// refuse with these values (a per-choice key whose choice has none, a key
// for another kind) is left out, and so is one not given whose default the
// step takes from elsewhere (the picture's size). ParseStep reads it back to the same values.
std::string StepLine(const TStepSpec& step, const TStepValues& values);
// The step line of a page from values over the page's own table (as its
// controls read): the page's last step, a per-choice key taking the chosen
// row's value. A step that does not repeat (the ripple) becomes a comment
// line saying why.
std::string PageStepLine(const TPageEntry& page, const TStepValues& pageValues);

// Runs a parsed step on the document: the generator is first set to the
// step's seed when it carries one, and the Apply records the step.
bool RunStep(TDocument& doc, const TStepSpec& step, const TStepValues& values, std::string& error);

// "# kirabox <version> recipe"
std::string RecipeHeader();

struct TRecipeStep {
  const TStepSpec* step = nullptr;
  TStepValues values;
  std::string text;  // the line as written
  int line = 0;      // 1-based line number in the recipe
};

// Parses a recipe's text; `name` (the file) starts every error, with the line:
// "look.kbr:3: unknown step 'blurr'". A recipe without the first line naming
// the program is refused too. Nothing is run.
bool ParseRecipe(const std::string& text, const std::string& name, std::vector<TRecipeStep>& steps,
                 std::string& error);
// The same for a file ("look.kbr: cannot read" when it cannot be read).
bool ReadRecipe(const std::string& path, std::vector<TRecipeStep>& steps, std::string& error);

// A recipe from the records of the steps applied (TDocument::AppliedSteps):
// the header, each step's line(s) with the seed for a random step, a comment
// for each step that cannot be replayed. leftOut counts those.
struct TRecipeText {
  std::string text;
  int steps = 0;
  int leftOut = 0;
};
TRecipeText WriteRecipe(const std::vector<TStepRecord>& applied);
// Writes the recipe to path; "" or the one-line error naming the file.
std::string SaveRecipe(const std::string& path, const std::string& text);

}  // namespace kira
