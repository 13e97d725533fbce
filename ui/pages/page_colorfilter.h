// The colour-filter page.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageColorFilter : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageColorFilter(TFormMain& main);
};

}  // namespace kira
