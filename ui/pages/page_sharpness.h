// The sharpness page: sharpen or focus, with one strength.
#pragma once

#include "ui/pages/effect_page.h"

class QRadioButton;
class QSlider;

namespace kira {

class TPageSharpness : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageSharpness(TFormMain& main);

  // ButtonSharpenClick: the strength back to 0, then the page opens.
  void OpenFromMenu() override;
  // TabSheet7Show: sharpen selected, strength 0.
  void TabSheetShow() override;

 private:
  QSlider* trackBarSharp_ = nullptr;
  QRadioButton* radioButtonSharpen_ = nullptr;
  QRadioButton* radioButtonFocus_ = nullptr;
};

}  // namespace kira
