// The star-filter page: bright points picked by a threshold, thinned or edited
// by hand, and rays drawn from them over the photograph.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageStarFilter : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageStarFilter(TFormMain& main);
};

}  // namespace kira
