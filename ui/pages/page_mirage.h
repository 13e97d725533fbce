// The mirage page: shifted copies of the picture laid over it, on a circle
// or a line, by brightness, darkness or blend. The settings, labels and
// effect live in pages/mirage_page.h; this class only holds the controls.
#pragma once

#include "pages/mirage_page.h"
#include "ui/pages/effect_page.h"

class QLabel;
class QSlider;

namespace kira {

class TPageMirage : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageMirage(TFormMain& main);

  // TabSheet10Show: circle, blend, 5 faces, 60 degrees, offset 30, density
  // position 10; the labels follow.
  void TabSheetShow() override;
  // LabelDiff shows the offset, LabelNoudo the density ("0.70").
  void TrackBarDiffChange();
  void TrackBarNoudoChange();
  // ButtonMirageViewClick.
  void Preview() override;
  // ButtonOK10Click.
  void Apply() override;

  // The controls as the page's settings.
  TMirageSettings Settings() const;

 private:
  QSlider* trackBarDiff_ = nullptr;
  QSlider* trackBarNoudo_ = nullptr;
  QLabel* labelDiff_ = nullptr;
  QLabel* labelNoudo_ = nullptr;
};

}  // namespace kira
