// The one list of effect pages. The editor builds its page control from it
// (with its own list of widgets, ui/pages/page_widgets.cpp) and kirabox-batch
// takes its steps and --help from it. Adding a page is one row here; the row
// is the only place the page's number is written.
#pragma once

#include <string>
#include <vector>

#include "document/settings_table.h"

namespace kira {

struct TPageEntry {
  int number;           // TabSheet<number>: 1, 2, … without a gap
  const char* caption;  // the page's caption, also on its menu button
  // The page's batch steps; they also name the page in the editor's list.
  std::vector<TStepSpec> (*steps)();
  // The settings table its controls are built from; null for a page whose
  // controls hold no settings (the rotation's buttons).
  const std::vector<TParamSpec>& (*params)();
};

// By page number.
const std::vector<TPageEntry>& AllPages();
// "" when the numbers run 1, 2, … once each in order and every page has its
// own steps; otherwise what is wrong. Without an argument, of AllPages().
std::string PageListProblem(const std::vector<TPageEntry>& pages);
std::string PageListProblem();
// The entry whose steps are these; null when there is none.
const TPageEntry* PageOfSteps(std::vector<TStepSpec> (*steps)());
// The entry of page n; null when there is none.
const TPageEntry* PageEntry(int number);
// Every batch step, page by page, in the order of --help.
const std::vector<TStepSpec>& AllSteps();
// The step called name; null when there is none.
const TStepSpec* FindStep(const char* name);

}  // namespace kira
