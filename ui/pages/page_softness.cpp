#include "ui/pages/page_softness.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

TPageSoftness::TPageSoftness(TFormMain& main)
    : TEffectPage(main, 3, QStringLiteral("ButtonSOFT")) {
  auto* group = new QGroupBox(QStringLiteral("ソフトネス"), this);
  group->setObjectName(QStringLiteral("GroupBox8"));
  auto* column = new QVBoxLayout(group);
  trackBarSoftness_ = MakeTrackBar(group, {"TrackBarSoftness", 0, 6, 0, 0, 1, "0～6"});
  AddEndLabelledRow(column, group, trackBarSoftness_, "LabelS1", "LabelS2");
  // In the order the page tests them.
  column->addWidget(MakeRadio(group, "RadioButtonBlur", "ブラー"));
  radioButtonGaussianBlur_ = MakeRadio(group, "RadioButtonGaussianBlur", "ガウシアンブラー");
  radioButtonGaussianBlur_->setChecked(true);
  column->addWidget(radioButtonGaussianBlur_);
  column->addWidget(MakeRadio(group, "RadioButtonRadialBlur", "ラジアルブラー"));
  column->addWidget(MakeRadio(group, "RadioButtonAngleBlur", "アングルブラー"));
  column->addWidget(MakeRadio(group, "RadioButtonSoften", "ソフトネス"));
  Body()->addWidget(group);
}

void TPageSoftness::OpenFromMenu() {
  trackBarSoftness_->setValue(0);
  TEffectPage::OpenFromMenu();
}

void TPageSoftness::TabSheetShow() {
  radioButtonGaussianBlur_->setChecked(true);
  trackBarSoftness_->setValue(0);
}

}  // namespace kira
