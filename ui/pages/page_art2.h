// The second art-effects page: noise, ripple and spray.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageArt2 : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageArt2(TFormMain& main);
};

}  // namespace kira
