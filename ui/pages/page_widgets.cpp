#include "ui/pages/page_widgets.h"

#include "pages/page_list.h"
#include "pages/rotate_page.h"

#include "ui/pages/page_art1.h"
#include "ui/pages/page_art2.h"
#include "ui/pages/page_brightness.h"
#include "ui/pages/page_colorfilter.h"
#include "ui/pages/page_mirage.h"
#include "ui/pages/page_monochrome.h"
#include "ui/pages/page_peripheral.h"
#include "ui/pages/page_resize.h"
#include "ui/pages/page_rotate.h"
#include "ui/pages/page_saturation.h"
#include "ui/pages/page_sharpness.h"
#include "ui/pages/page_softness.h"
#include "ui/pages/page_starfilter.h"

namespace kira {

namespace {
template <class TPage>
TEffectPage* Make(TFormMain& main, const TPageEntry& page) {
  return new TPage(main, page);
}
}  // namespace

const std::vector<TPageWidgetEntry>& PageWidgets() {
  static const std::vector<TPageWidgetEntry> pages = {
      {ResizeSteps, "ButtonReSize", Make<TPageResize>},
      {RotateSteps, "ButtonRotate", Make<TPageRotate>},
      {StarSteps, "ButtonX", Make<TPageStarFilter>},
      {ColorFilterSteps, "ButtonC", Make<TPageColorFilter>},
      {SharpnessSteps, "ButtonSharpen", Make<TPageSharpness>},
      {SoftnessSteps, "ButtonSoftness", Make<TPageSoftness>},
      {MonochromeSteps, "ButtonMono", Make<TPageMonochrome>},
      {BrightnessSteps, "ButtonBright", Make<TPageBrightness>},
      {SaturationSteps, "ButtonSaturat", Make<TPageSaturation>},
      {PeripheralSteps, "ButtonEffect1", Make<TPagePeripheral>},
      {MirageSteps, "ButtonMirage", Make<TPageMirage>},
      {Art1Steps, "ButtonEffect2", Make<TPageArt1>},
      {Art2Steps, "ButtonEffect3", Make<TPageArt2>},
  };
  return pages;
}

const TPageWidgetEntry* PageWidget(const TPageEntry& page) {
  for (const TPageWidgetEntry& w : PageWidgets()) {
    if (w.page == page.steps) return &w;
  }
  return nullptr;
}

std::string PageWidgetsProblem() { return PageWidgetsProblem(AllPages(), PageWidgets()); }

std::string PageWidgetsProblem(const std::vector<TPageEntry>& pages, const std::vector<TPageWidgetEntry>& widgets) {
  if (std::string problem = PageListProblem(pages); !problem.empty()) return problem;
  for (const TPageEntry& page : pages) {
    int rows = 0;
    for (const TPageWidgetEntry& w : widgets) rows += w.page == page.steps;
    if (rows != 1) {
      return "page '" + std::string(page.caption) + "' has " + std::to_string(rows) + " rows in the editor's list";
    }
  }
  for (const TPageWidgetEntry& w : widgets) {
    bool listed = false;
    for (const TPageEntry& page : pages) listed = listed || w.page == page.steps;
    if (!listed) return "the editor's row of button '" + std::string(w.menuButton) + "' has no page";
  }
  return "";
}

}  // namespace kira
