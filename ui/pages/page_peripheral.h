// The peripheral-effects page: spotlight, colour spotlight or vaseline, with
// a radius in percent of the picture's longer side.
#pragma once

#include "ui/pages/effect_page.h"

class QLabel;
class QRadioButton;
class QSlider;

namespace kira {

class TPagePeripheral : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPagePeripheral(TFormMain& main);

  // TabSheet9Show: spotlight selected, radius 50.
  void TabSheetShow() override;
  void TrackBarEffect1Change();

 private:
  QRadioButton* radioButtonSpotLight_ = nullptr;
  QSlider* trackBarEffect1_ = nullptr;
  QLabel* labelEffect1_ = nullptr;
};

}  // namespace kira
