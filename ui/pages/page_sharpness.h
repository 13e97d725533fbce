// The sharpness page: sharpen or focus, with one strength 0..100. The settings
// and the effect live in pages/sharpness_page.h; this class only holds the
// controls.
#pragma once

#include "pages/sharpness_page.h"
#include "ui/pages/effect_page.h"

class QSlider;

namespace kira {

class TPageSharpness : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageSharpness(TFormMain& main);

  // ButtonSharpenClick: the strength back to 0, then the page opens.
  void OpenFromMenu() override;
  // TabSheet7Show: the table's defaults, sharpen and strength 0.
  void TabSheetShow() override;
  // ButtonSHARPClick.
  void Preview() override;
  // ButtonOK7Click.
  void Apply() override;

  // The controls as the page's settings.
  TSharpnessSettings Settings() const;

 private:
  QSlider* trackBarSharp_ = nullptr;
};

}  // namespace kira
