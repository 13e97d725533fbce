// The monochrome page: five kinds of grey on coloured radio buttons. The
// weights and the choice live in pages/monochrome_page.h; this class only
// holds the controls.
#pragma once

#include <array>

#include "pages/monochrome_page.h"
#include "ui/pages/effect_page.h"

class QRadioButton;

namespace kira {

class TPageMonochrome : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageMonochrome(TFormMain& main);

  // TabSheet4Show: RadioButtonMono1 selected.
  void TabSheetShow() override;
  // ButtonMonochromeClick.
  void Preview() override;
  // ButtonOK4Click.
  void Apply() override;

  // The controls as the page's settings.
  TMonochromeSettings Settings() const;

 private:
  std::array<QRadioButton*, kGreyKindCount> radios_{};  // Mono1 … Mono5
};

}  // namespace kira
