// The one list of effect pages. The editor builds its page control from it
// (with its own list of widgets, ui/pages/page_widgets.cpp) and kirabox-batch
// takes its steps and --help from it. Adding a page is one row here.
#pragma once

#include <vector>

#include "document/steps.h"

namespace kira {

struct TPageEntry {
  int number;           // TabSheet<number>, 1..13
  const char* caption;  // the page's caption, also on its menu button
  // The page's batch steps with their settings tables; null for a page that
  // has none yet.
  std::vector<TStepSpec> (*steps)();
};

// By page number.
const std::vector<TPageEntry>& AllPages();
// The entry of page n; null when there is none.
const TPageEntry* PageEntry(int number);
// Every batch step, page by page, in the order of --help.
const std::vector<TStepSpec>& AllSteps();
// The step called name; null when there is none.
const TStepSpec* FindStep(const char* name);

}  // namespace kira
