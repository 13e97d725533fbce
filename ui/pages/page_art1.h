// The first art-effects page: watercolour, solarization, fisheye, Sobel,
// three edge extractions and the negative, each with its own parameter. The
// controls only; labels, defaults, Preview and Apply come from
// pages/art1_page.h.
#pragma once

#include "ui/pages/effect_page.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QSlider;

namespace kira {

class TPageArt1 : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageArt1(TFormMain& main);

  // TabSheet11Show: watercolour selected, every track bar at its default,
  // the continuous mode unchecked. A track bar that moves to its default
  // renews its label, as its change event would.
  void TabSheetShow() override;
  // ButtonEFCT2Click and ButtonOK11Click.
  void Preview() override;
  void Apply() override;
  void TrackBarEFCT21Change();
  void TrackBarEFCT22Change();
  void TrackBarEFCT23Change();
  void TrackBarEFCT25Change();
  void TrackBarEFCT26Change();

 private:
  QRadioButton* radioButtonEFCT21_ = nullptr;
  QSlider* trackBarEFCT21_ = nullptr;
  QSlider* trackBarEFCT22_ = nullptr;
  QSlider* trackBarEFCT23_ = nullptr;
  QSlider* trackBarEFCT25_ = nullptr;
  QSlider* trackBarEFCT26_ = nullptr;
  QLabel* labelEFCT21_ = nullptr;
  QLabel* labelEFCT22_ = nullptr;
  QLabel* labelEFCT23_ = nullptr;
  QLabel* labelEFCT25_ = nullptr;
  QLabel* labelEFCT26_ = nullptr;
  QCheckBox* checkBox26_ = nullptr;
};

}  // namespace kira
