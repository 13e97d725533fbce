// The sharpness page: sharpen or focus.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageSharpness : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageSharpness(TFormMain& main);
};

}  // namespace kira
