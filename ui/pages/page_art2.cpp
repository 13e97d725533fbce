#include "ui/pages/page_art2.h"

#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

TPageArt2::TPageArt2(TFormMain& main)
    : TEffectPage(main, 13, QStringLiteral("ButtonEFCT3")) {
  radioButtonEFCT31_ = MakeRadio(this, "RadioButtonEFCT31", "カラーノイズ");
  radioButtonEFCT31_->setChecked(true);
  Body()->addWidget(radioButtonEFCT31_);
  Body()->addWidget(MakeRadio(this, "RadioButtonEFCT32", "モノクロノイズ"));
  Body()->addWidget(MakeRadio(this, "RadioButtonEFCT33", "リップル"));
  Body()->addWidget(MakeRadio(this, "RadioButtonEFCT34", "スプレー"));
  trackBarEFCT31_ = MakeTrackBar(this, {"TrackBarEFCT31", 1, 128, 64, 32, 8, "1～128"});
  labelEFCT31_ = MakeValueLabel(this, "LabelEFCT31", "   64");
  AddValueRow(Body(), trackBarEFCT31_, labelEFCT31_);
  connect(trackBarEFCT31_, &QSlider::valueChanged, this,
          [this] { Main().Run([this] { TrackBarEFCT31Change(); }); });
}

void TPageArt2::TabSheetShow() {
  radioButtonEFCT31_->setChecked(true);
  trackBarEFCT31_->setValue(64);
}

void TPageArt2::TrackBarEFCT31Change() {
  labelEFCT31_->setText(QString::number(trackBarEFCT31_->value()));
}

}  // namespace kira
