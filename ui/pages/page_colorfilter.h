// The colour-filter page: the filter colour in PanelCOL, chosen in the colour
// dialog behind SpeedButton1, and the density. The arithmetic lives in
// pages/colorfilter_page.h; this class only holds the controls.
#pragma once

#include <QColor>
#include <cstdint>

#include "pages/colorfilter_page.h"
#include "ui/pages/table_page.h"

class QFrame;
class QToolButton;

namespace kira {

class TPageColorFilter : public TTablePage<TColorFilterSettings> {
  Q_OBJECT

 public:
  TPageColorFilter(TFormMain& main, const TPageEntry& page);

  // ButtonCClick: the histogram shows the result image when it holds a
  // picture, otherwise the source image; then the page opens.
  void OpenFromMenu() override;
  // TabSheet2Show: the colour panel and the density at the table's defaults.
  void TabSheetShow() override;
  // SpeedButton1Click: the colour dialog opens on the colour last chosen in
  // it (black the first time, not PanelCOL's); a confirmed choice becomes
  // the filter colour, a cancelled one changes nothing.
  void SpeedButton1Click();
  // The panel's colour and the density.
  TColorFilterSettings Settings() const override;
  TStepValues StepValues() const override;

 private:
  void SetFilterColor(std::uint32_t color);

  QFrame* panelCOL_ = nullptr;
  QToolButton* speedButton1_ = nullptr;
  std::uint32_t color_ = 0;
  QColor dialogColor_ = Qt::black;  // ColorDialog1's colour
};

}  // namespace kira
