// The saturation and luminance page: one correction -100..100 for either.
#pragma once

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

 private:
  QRadioButton* radioButtonSaturation_ = nullptr;
  QSlider* trackBarSaturation_ = nullptr;
  QLabel* labelSaturation_ = nullptr;
};

}  // namespace kira
