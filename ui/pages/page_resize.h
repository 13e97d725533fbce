// The resize page: new width and height, six interpolation methods.
#pragma once

#include "ui/pages/effect_page.h"

namespace kira {

class TPageResize : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageResize(TFormMain& main);

  // ButtonOK5Click: the common Apply, which also renews the image window's
  // caption with the new size.
  void Apply() override;
};

}  // namespace kira
