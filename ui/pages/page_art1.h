// The first art-effects page.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageArt1 : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageArt1(TFormMain& main);
};

}  // namespace kira
