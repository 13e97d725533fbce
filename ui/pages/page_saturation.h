// The saturation and luminance page: one correction -100..100 for either.
// The settings and the effect live in pages/saturation_page.h; this class only
// holds the controls.
#pragma once

#include "pages/saturation_page.h"
#include "ui/pages/effect_page.h"

class QLabel;
class QRadioButton;
class QSlider;

namespace kira {

class TPageSaturation : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageSaturation(TFormMain& main);

  // ButtonSaturatClick: the correction back to 0, then the page opens.
  void OpenFromMenu() override;
  // TabSheet8Show: saturation selected, correction 0.
  void TabSheetShow() override;
  void TrackBarSaturationChange();
  // ButtonSaturationClick.
  void Preview() override;
  // ButtonOK8Click.
  void Apply() override;

  // The controls as the page's settings.
  TSaturationSettings Settings() const;

 private:
  QSlider* trackBarSaturation_ = nullptr;
  QLabel* labelSaturation_ = nullptr;
};

}  // namespace kira
