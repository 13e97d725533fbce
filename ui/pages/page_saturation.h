// The saturation and luminance page.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageSaturation : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageSaturation(TFormMain& main);
};

}  // namespace kira
