// The second art-effects page: colour noise, monochrome noise, ripple and
// spray, with one strength 1..128.
#pragma once

#include "ui/pages/effect_page.h"

class QLabel;
class QRadioButton;
class QSlider;

namespace kira {

class TPageArt2 : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageArt2(TFormMain& main);

  // TabSheet13Show: colour noise selected, strength 64.
  void TabSheetShow() override;
  void TrackBarEFCT31Change();

 private:
  QRadioButton* radioButtonEFCT31_ = nullptr;
  QSlider* trackBarEFCT31_ = nullptr;
  QLabel* labelEFCT31_ = nullptr;
};

}  // namespace kira
