// The rotation page: quarter turns and the left-right mirror act at once on
// the result image and accumulate until Apply or Cancel; it has no Preview.
#pragma once

#include "ui/pages/effect_page.h"

class QPushButton;

namespace kira {

class TPageRotate : public TEffectPage {
  Q_OBJECT

 public:
  TPageRotate(TFormMain& main, const TPageEntry& page);

  void BitBtnLeftClick();
  void BitBtnRightClick();
  void BitBtnFlipClick();
  // A non-empty result replaces the source and renews the caption; with no
  // press since the page opened nothing changes.
  void ButtonOK12Click();
  void Apply() override { ButtonOK12Click(); }
  // Apply never runs a Preview here; the page has none.
  void Preview() override {}

 private:
  QPushButton* bitBtnLeft_ = nullptr;
  QPushButton* bitBtnRight_ = nullptr;
  QPushButton* bitBtnFlip_ = nullptr;
};

}  // namespace kira
