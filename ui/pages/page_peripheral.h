// The peripheral-effects page: spotlight, colour spotlight or vaseline, with
// a radius in percent of the picture's longer side. The settings and the
// effect live in pages/peripheral_page.h; this class only holds the controls.
#pragma once

#include "pages/peripheral_page.h"
#include "ui/pages/effect_page.h"

class QLabel;
class QSlider;

namespace kira {

class TPagePeripheral : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPagePeripheral(TFormMain& main);

  // TabSheet9Show: spotlight selected, radius 50.
  void TabSheetShow() override;
  void TrackBarEffect1Change();
  // ButtonEffectViewClick.
  void Preview() override;
  // ButtonOK9Click.
  void Apply() override;

  // The controls as the page's settings.
  TPeripheralSettings Settings() const;

 private:
  QSlider* trackBarEffect1_ = nullptr;
  QLabel* labelEffect1_ = nullptr;
};

}  // namespace kira
