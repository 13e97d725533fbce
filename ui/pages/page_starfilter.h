// The star-filter page: bright points picked by a threshold, thinned or edited
// by hand, and rays drawn from them over the photograph. The page only maps
// its controls to TStarSettings and calls the page logic of starfilter/; while
// the cut or put tool is down it takes over the left button on the picture.
#pragma once

#include "pages/star_page.h"
#include "ui/form_image.h"
#include "ui/pages/effect_page.h"

class QCheckBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace kira {

class TPageStarFilter : public TEffectPage, public TImageMouseTool {
  Q_OBJECT

 public:
  TPageStarFilter(TFormMain& main, const TPageEntry& page);

  const TStarSettings& Settings() const { return settings_; }

  void TabSheetShow() override;  // TabSheet1Show
  void Preview() override;       // ButtonAPPClick
  TPreviewTask PreviewTask() override;
  TPreviewRunner::TThen AfterPreview() override;
  void ButtonBPCClick();
  void ButtonBPRClick();
  void SpeedButtonVAClick();
  void SpeedButtonNOPClick();

  // Image1MouseDown / Move / Up while a tool is down (positions relative to
  // Image1).
  void ToolMouseDown(QPoint pos) override;
  void ToolMouseMove(QPoint pos) override;
  void ToolMouseUp(QPoint pos) override;

 protected:
  void ControlMoved(QObject* control) override;

 private:
  // Controls -> settings before a handler; settings -> controls after one
  // that changed them (signals blocked: setting a value is not a user's act).
  void ReadControls();
  void WriteControls();
  // The tool buttons show the settings' tool; the image window's left button
  // belongs to this page exactly while a tool is down.
  void ToolButtonToggled(TEditTool tool, bool down);
  void SyncTool();

  TStarSettings settings_;
  TStarSelection selection_;

  QSpinBox* spinEditV_ = nullptr;
  QSpinBox* spinEditM_ = nullptr;
  QSpinBox* spinEditL_ = nullptr;
  QSpinBox* spinEditR_ = nullptr;
  QSpinBox* spinEditD_ = nullptr;
  QToolButton* speedButtonVA_ = nullptr;
  QPushButton* buttonBPC_ = nullptr;
  QPushButton* buttonBPR_ = nullptr;
  QToolButton* speedButtonCUT_ = nullptr;
  QToolButton* speedButtonPUT_ = nullptr;
  QToolButton* speedButtonNOP_ = nullptr;
  QRadioButton* radioButton1_ = nullptr;
  QRadioButton* radioButton2_ = nullptr;
  QRadioButton* radioButton3_ = nullptr;
  QRadioButton* radioButtonCROSS_ = nullptr;
  QRadioButton* radioButtonSNOW_ = nullptr;
  QRadioButton* radioButtonSUNNY_ = nullptr;
  QCheckBox* checkBoxSoftX_ = nullptr;
  QPushButton* buttonBP1_ = nullptr;
};

}  // namespace kira
