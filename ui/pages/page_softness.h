// The softness page: five kinds of softening with one strength 0..6.
#pragma once

#include "ui/pages/effect_page.h"

class QRadioButton;
class QSlider;

namespace kira {

class TPageSoftness : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageSoftness(TFormMain& main);

  // ButtonSoftnessClick: the strength back to 0, then the page opens.
  void OpenFromMenu() override;
  // TabSheet3Show: Gaussian blur selected, strength 0.
  void TabSheetShow() override;

 private:
  QSlider* trackBarSoftness_ = nullptr;
  QRadioButton* radioButtonGaussianBlur_ = nullptr;
};

}  // namespace kira
