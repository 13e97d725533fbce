// The resize page: new width and height, six interpolation methods. The
// arithmetic behind the labels and the aspect rule lives in
// pages/resize_page.h; this class only holds the controls.
#pragma once

#include <array>

#include "pages/resize_page.h"
#include "ui/pages/table_page.h"

class QLabel;
class QRadioButton;
class QSpinBox;

namespace kira {

class TPageResize : public TTablePage<TResizeSettings> {
  Q_OBJECT

 public:
  TPageResize(TFormMain& main, const TPageEntry& page);

  // ButtonReSizeClick: the labels show the source's size and ratio, the page
  // opens, and both spin edits take the source's width and height.
  void OpenFromMenu() override;
  // Leaving a spin edit sets the other one so that the aspect ratio stays.
  void SpinEditNewWExit();
  void SpinEditNewHExit();
  // The controls as the page's settings: the method is the first checked
  // radio button, bilinear when none is.
  TResizeSettings Settings() const override;

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
