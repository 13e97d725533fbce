// The colour-filter page.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageColorFilter : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageColorFilter(TFormMain& main);

  // ButtonCClick: the histogram shows the result image when it holds a
  // picture, otherwise the source image; then the page opens.
  void OpenFromMenu() override;
};

}  // namespace kira
