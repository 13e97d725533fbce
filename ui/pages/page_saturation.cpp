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
  radioButtonSaturation_ = MakeRadio(this, "RadioButtonSaturation", "彩度");
  radioButtonSaturation_->setChecked(true);
  Body()->addWidget(radioButtonSaturation_);
  Body()->addWidget(MakeRadio(this, "RadioButtonLuminance", "明度"));
  trackBarSaturation_ =
      MakeTrackBar(this, {"TrackBarSaturation", -100, 100, 0, 20, 10, "彩度補正"});
  labelSaturation_ = MakeValueLabel(this, "LabelSaturation", "   0");
  AddValueRow(Body(), trackBarSaturation_, labelSaturation_);
  connect(trackBarSaturation_, &QSlider::valueChanged, this,
          [this] { Main().Run([this] { TrackBarSaturationChange(); }); });
}

void TPageSaturation::OpenFromMenu() {
  trackBarSaturation_->setValue(0);
  TEffectPage::OpenFromMenu();
}

void TPageSaturation::TabSheetShow() {
  radioButtonSaturation_->setChecked(true);
  trackBarSaturation_->setValue(0);
}

void TPageSaturation::TrackBarSaturationChange() {
  labelSaturation_->setText(QString::number(trackBarSaturation_->value()));
}

}  // namespace kira
