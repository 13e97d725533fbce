// The page list's own check: the numbers run 1, 2, … once each, every page
// with steps of its own.
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

}  // namespace
}  // namespace kira
