// The page list's own check (the numbers run 1, 2, … once each, every page
// with steps of its own) and the steps' keys that stand for one of a page's
// track bars.
#include <gtest/gtest.h>

#include "pages/page_list.h"

namespace kira {
namespace {

std::vector<TStepSpec> StepsA() { return {}; }
std::vector<TStepSpec> StepsB() { return {}; }
std::vector<TStepSpec> StepsC() { return {}; }

TEST(PageList, NumbersRunWithoutGapAndEveryPageOnce) {
  EXPECT_EQ(PageListProblem(), "");
  const struct {
    std::vector<TPageEntry> pages;
    const char* problem;  // "" when fine
  } cases[] = {
      {{{1, "a", StepsA, nullptr}, {2, "b", StepsB, nullptr}, {3, "c", StepsC, nullptr}}, ""},
      {{{1, "a", StepsA, nullptr}, {3, "c", StepsC, nullptr}}, "page 'c' has the number 3 in place of 2"},
      {{{1, "a", StepsA, nullptr}, {1, "b", StepsB, nullptr}}, "page 'b' has the number 1 in place of 2"},
      {{{2, "a", StepsA, nullptr}, {1, "b", StepsB, nullptr}}, "page 'a' has the number 2 in place of 1"},
      {{{1, "a", StepsA, nullptr}, {2, "b", StepsA, nullptr}}, "page 'b' is listed twice"},
      {{{1, "a", nullptr, nullptr}}, "page 'a' has no steps"},
  };
  for (const auto& c : cases) EXPECT_EQ(PageListProblem(c.pages), c.problem);
}

// A key that stands for the chosen kind's track bar takes that bar's range,
// and is refused for a kind without one.
TEST(PageList, PerChoiceKeysCheckTheChosenRow) {
  const struct {
    const char* step;
    const char* error;  // "" when accepted
  } cases[] = {
      {"brightness:kind=tilt,position=35", ""},
      {"brightness:kind=tilt,position=36", "position '36' is outside -35..35 for tilt"},
      {"brightness:kind=contrast,position=-90", ""},
      {"brightness:kind=gamma,position=-71", "position '-71' is outside -70..70 for gamma"},
      {"brightness:position=-91", "'-91' is outside the range of 'position' (-90..90)"},
      {"art1:kind=fisheye,level=11", ""},
      {"art1:kind=fisheye,level=0", "level '0' is outside 1..11 for fisheye"},
      {"art1:kind=sobel,level=3", "'level' is refused for sobel, which has no level"},
      {"art1:kind=sobel", ""},
  };
  for (const auto& c : cases) {
    TStepValues values;
    std::string error;
    ParseStep(AllSteps(), c.step, values, error);
    EXPECT_EQ(error, c.error) << c.step;
  }
}

}  // namespace
}  // namespace kira
