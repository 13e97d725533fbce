// The mirage page: shifted copies of the picture laid over it.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageMirage : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageMirage(TFormMain& main);
};

}  // namespace kira
