// The brightness page: gamma, exposure and contrast curves.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageBrightness : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageBrightness(TFormMain& main);
};

}  // namespace kira
