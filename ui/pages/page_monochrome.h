// The monochrome page.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageMonochrome : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageMonochrome(TFormMain& main);
};

}  // namespace kira
