// The softness page: five kinds of softening.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageSoftness : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageSoftness(TFormMain& main);
};

}  // namespace kira
