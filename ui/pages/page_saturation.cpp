#include "ui/pages/page_saturation.h"

#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

TPageSaturation::TPageSaturation(TFormMain& main)
    : TEffectPage(main, 8, QStringLiteral("ButtonSaturation")) {
  auto* saturation = MakeRadio(this, "RadioButtonSaturation", "彩度");
  saturation->setChecked(true);
  Body()->addWidget(saturation);
  Body()->addWidget(MakeRadio(this, "RadioButtonLuminance", "明度"));
  const TParamSpec& amount = ParamRow(SaturationParams(), "amount");
  trackBarSaturation_ =
      MakeTrackBar(this, {amount.control.c_str(), amount.min, amount.max, amount.def, 20, 10, "彩度補正"});
  labelSaturation_ = MakeValueLabel(this, "LabelSaturation", "   0");
  AddValueRow(Body(), trackBarSaturation_, labelSaturation_);
  connect(trackBarSaturation_, &QSlider::valueChanged, this,
          [this] { Main().Run([this] { TrackBarSaturationChange(); }); });
}

void TPageSaturation::OpenFromMenu() {
  trackBarSaturation_->setValue(0);  // the change handler runs when it moves
  TEffectPage::OpenFromMenu();
}

void TPageSaturation::TabSheetShow() {
  const int before = trackBarSaturation_->value();
  ResetControls(this, SaturationParams());
  // A track bar that moves runs its change handler, as when the user moves it.
  if (trackBarSaturation_->value() != before) TrackBarSaturationChange();
}

void TPageSaturation::TrackBarSaturationChange() {
  labelSaturation_->setText(QString::fromStdString(SaturationLabelText(trackBarSaturation_->value())));
}

TSaturationSettings TPageSaturation::Settings() const {
  return SaturationSettingsOf(ReadControls(this, SaturationParams()));
}

void TPageSaturation::Preview() { SaturationPreview(Doc(), Settings()); }

void TPageSaturation::Apply() { ApplySaturation(Doc(), Settings()); }

}  // namespace kira
