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
  const TParamSpec& level = ParamRow(SoftnessParams(), "level");
  trackBarSoftness_ = MakeTrackBar(group, {"TrackBarSoftness", level.min, level.max, level.def, 0, 1, "0～6"});
  AddEndLabelledRow(column, group, trackBarSoftness_, "LabelS1", "LabelS2");
  // In the order the page tests them.
  column->addWidget(MakeRadio(group, "RadioButtonBlur", "ブラー"));
  column->addWidget(MakeRadio(group, "RadioButtonGaussianBlur", "ガウシアンブラー"));
  column->addWidget(MakeRadio(group, "RadioButtonRadialBlur", "ラジアルブラー"));
  column->addWidget(MakeRadio(group, "RadioButtonAngleBlur", "アングルブラー"));
  column->addWidget(MakeRadio(group, "RadioButtonSoften", "ソフトネス"));
  Body()->addWidget(group);
  ResetControls(this, SoftnessParams());
}

void TPageSoftness::OpenFromMenu() {
  trackBarSoftness_->setValue(0);
  TEffectPage::OpenFromMenu();
}

void TPageSoftness::TabSheetShow() { ResetControls(this, SoftnessParams()); }

TSoftnessSettings TPageSoftness::Settings() const {
  return SoftnessSettingsOf(ReadControls(this, SoftnessParams()));
}

void TPageSoftness::Preview() { SoftnessPreview(Doc(), Settings()); }

void TPageSoftness::Apply() { ApplySoftness(Doc(), Settings()); }

}  // namespace kira
