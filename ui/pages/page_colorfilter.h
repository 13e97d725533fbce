// The colour-filter page: the filter colour in PanelCOL, chosen in the colour
// dialog behind SpeedButton1, and the density. The arithmetic lives in
// pages/colorfilter_page.h; this class only holds the controls.
#pragma once

#include <QColor>
#include <cstdint>

#include "pages/colorfilter_page.h"
#include "ui/pages/effect_page.h"

class QFrame;
class QSpinBox;
class QToolButton;

namespace kira {

class TPageColorFilter : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageColorFilter(TFormMain& main);

  // ButtonCClick: the histogram shows the result image when it holds a
  // picture, otherwise the source image; then the page opens.
  void OpenFromMenu() override;
  // TabSheet2Show: PanelCOL white, SpinEditCOLD 50.
  void TabSheetShow() override;
  // SpeedButton1Click: the colour dialog opens on the colour last chosen in
  // it (black the first time, not PanelCOL's); a confirmed choice becomes
  // the filter colour, a cancelled one changes nothing.
  void SpeedButton1Click();
  // ButtonCOLClick.
  void Preview() override;
  // ButtonOK2Click.
  void Apply() override;

  // The controls as the page's settings.
  TColorFilterSettings Settings() const;

 private:
  void SetFilterColor(std::uint32_t color);

  QFrame* panelCOL_ = nullptr;
  QToolButton* speedButton1_ = nullptr;
  QSpinBox* spinEditCOLD_ = nullptr;
  std::uint32_t color_ = 0;
  QColor dialogColor_ = Qt::black;  // ColorDialog1's colour
};

}  // namespace kira
