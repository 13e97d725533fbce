// The editor's list of effect pages: which widget makes each page of the page
// list (pages/page_list.h, named by its steps) and which menu-page button
// opens it, in the order of the menu page's buttons from the top. Number and
// caption come from the page list. Adding a page is one row here.
#pragma once

#include <string>
#include <vector>

#include "document/settings_table.h"

namespace kira {

class TEffectPage;
class TFormMain;
struct TPageEntry;

struct TPageWidgetEntry {
  std::vector<TStepSpec> (*page)();  // the page list's row with these steps
  const char* menuButton;            // object name of its button on the menu page
  TEffectPage* (*make)(TFormMain& main, const TPageEntry& page);
};

const std::vector<TPageWidgetEntry>& PageWidgets();
// "" when the page list is in order (PageListProblem) and each of its pages
// has exactly one row here and each row a page; otherwise what is wrong.
// Without arguments, of AllPages() and PageWidgets().
std::string PageWidgetsProblem(const std::vector<TPageEntry>& pages, const std::vector<TPageWidgetEntry>& widgets);
std::string PageWidgetsProblem();
// The row of a page of the page list; null when there is none.
const TPageWidgetEntry* PageWidget(const TPageEntry& page);

}  // namespace kira
