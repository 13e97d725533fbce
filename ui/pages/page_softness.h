// The softness page: five kinds of softening with one strength 0..6. The
// settings and the effect live in pages/softness_page.h; this class only holds
// the controls.
#pragma once

#include "pages/softness_page.h"
#include "ui/pages/effect_page.h"

class QSlider;

namespace kira {

class TPageSoftness : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageSoftness(TFormMain& main);

  // ButtonSoftnessClick: the strength back to 0, then the page opens.
  void OpenFromMenu() override;
  // TabSheet3Show: the table's defaults, Gaussian blur and strength 0.
  void TabSheetShow() override;
  // ButtonSOFTClick.
  void Preview() override;
  // ButtonOK3Click.
  void Apply() override;

  // The controls as the page's settings.
  TSoftnessSettings Settings() const;

 private:
  QSlider* trackBarSoftness_ = nullptr;
};

}  // namespace kira
