#include "ui/pages/page_peripheral.h"

#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

TPagePeripheral::TPagePeripheral(TFormMain& main)
    : TEffectPage(main, 9, QStringLiteral("ButtonEffectView")) {
  radioButtonSpotLight_ = MakeRadio(this, "RadioButtonSpotLight", "スポットライト");
  radioButtonSpotLight_->setChecked(true);
  Body()->addWidget(radioButtonSpotLight_);
  Body()->addWidget(MakeRadio(this, "RadioButtonColorSpotLight", "カラースポットライト"));
  Body()->addWidget(MakeRadio(this, "RadioButtonVaseline", "ワセリン"));
  trackBarEffect1_ = MakeTrackBar(this, {"TrackBarEffect1", 1, 100, 50, 10, 5, "半径"});
  labelEffect1_ = MakeValueLabel(this, "LabelEffect1", "   50");
  AddValueRow(Body(), trackBarEffect1_, labelEffect1_);
  connect(trackBarEffect1_, &QSlider::valueChanged, this,
          [this] { Main().Run([this] { TrackBarEffect1Change(); }); });
}

void TPagePeripheral::TabSheetShow() {
  radioButtonSpotLight_->setChecked(true);
  trackBarEffect1_->setValue(50);
}

void TPagePeripheral::TrackBarEffect1Change() {
  labelEffect1_->setText(QString::number(trackBarEffect1_->value()));
}

}  // namespace kira
