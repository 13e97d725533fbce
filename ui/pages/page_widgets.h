// The editor's list of effect pages: which widget each page number is made
// of and which menu-page button opens it, in the order of the menu page's
// buttons from the top. The captions come from the page list (pages/).
// Adding a page is one row here.
#pragma once

#include <vector>

namespace kira {

class TEffectPage;
class TFormMain;

struct TPageWidgetEntry {
  int number;              // TabSheet<number>
  const char* menuButton;  // object name of its button on the menu page
  TEffectPage* (*make)(TFormMain& main);
};

const std::vector<TPageWidgetEntry>& PageWidgets();

}  // namespace kira
