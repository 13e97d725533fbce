// The peripheral-effects page: spotlight, colour spotlight, vaseline.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPagePeripheral : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPagePeripheral(TFormMain& main);
};

}  // namespace kira
