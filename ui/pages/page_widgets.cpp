#include "ui/pages/page_widgets.h"

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
TEffectPage* Make(TFormMain& main) {
  return new TPage(main);
}
}  // namespace

const std::vector<TPageWidgetEntry>& PageWidgets() {
  static const std::vector<TPageWidgetEntry> pages = {
      {5, "ButtonReSize", Make<TPageResize>},
      {12, "ButtonRotate", Make<TPageRotate>},
      {1, "ButtonX", Make<TPageStarFilter>},
      {2, "ButtonC", Make<TPageColorFilter>},
      {7, "ButtonSharpen", Make<TPageSharpness>},
      {3, "ButtonSoftness", Make<TPageSoftness>},
      {4, "ButtonMono", Make<TPageMonochrome>},
      {6, "ButtonBright", Make<TPageBrightness>},
      {8, "ButtonSaturat", Make<TPageSaturation>},
      {9, "ButtonEffect1", Make<TPagePeripheral>},
      {10, "ButtonMirage", Make<TPageMirage>},
      {11, "ButtonEffect2", Make<TPageArt1>},
      {13, "ButtonEffect3", Make<TPageArt2>},
  };
  return pages;
}

}  // namespace kira
