// The second art-effects page: colour noise, monochrome noise, ripple and
// spray, with one strength 1..128. The settings and the effect live in
// pages/art2_page.h; this class only holds the controls.
#pragma once

#include "pages/art2_page.h"
#include "ui/pages/effect_page.h"

class QLabel;
class QSlider;

namespace kira {

class TPageArt2 : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageArt2(TFormMain& main);

  // TabSheet13Show: colour noise selected, strength 64.
  void TabSheetShow() override;
  void TrackBarEFCT31Change();
  // ButtonEFCT3Click.
  void Preview() override;
  // ButtonOK13Click.
  void Apply() override;

  // The controls as the page's settings.
  TArt2Settings Settings() const;

 private:
  QSlider* trackBarEFCT31_ = nullptr;
  QLabel* labelEFCT31_ = nullptr;
};

}  // namespace kira
