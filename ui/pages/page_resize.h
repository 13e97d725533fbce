// The resize page: new width and height, six interpolation methods. The
// arithmetic behind the labels and the aspect rule lives in
// pages/resize_page.h; this class only holds the controls.
#pragma once

#include <array>

#include "pages/resize_page.h"
#include "ui/pages/effect_page.h"

class QLabel;
class QRadioButton;
class QSpinBox;

namespace kira {

class TPageResize : public TEffectPage {
  Q_OBJECT

 public:
  explicit TPageResize(TFormMain& main);

  // ButtonReSizeClick: the labels show the source's size and ratio, the page
  // opens, and both spin edits take the source's width and height.
  void OpenFromMenu() override;
  // TabSheet5Show: selects RadioButtonBicubic.
  void TabSheetShow() override;
  // Leaving a spin edit sets the other one so that the aspect ratio stays.
  void SpinEditNewWExit();
  void SpinEditNewHExit();
  // ButtonReSClick.
  void Preview() override;
  // ButtonOK5Click: the common Apply, which also renews the image window's
  // caption with the new size.
  void Apply() override;

  // The controls as the page's settings.
  TResizeSettings Settings() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QSpinBox* spinEditNewW_ = nullptr;
  QSpinBox* spinEditNewH_ = nullptr;
  QLabel* labelW_ = nullptr;
  QLabel* labelH_ = nullptr;
  QLabel* labelRatio_ = nullptr;
  // In the order the page tests them (TResizeMethod).
  std::array<QRadioButton*, kResizeMethodCount> methods_{};
};

}  // namespace kira
