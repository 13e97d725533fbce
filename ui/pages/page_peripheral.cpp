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
  auto* spotLight = MakeRadio(this, "RadioButtonSpotLight", "スポットライト");
  spotLight->setChecked(true);
  Body()->addWidget(spotLight);
  Body()->addWidget(MakeRadio(this, "RadioButtonColorSpotLight", "カラースポットライト"));
  Body()->addWidget(MakeRadio(this, "RadioButtonVaseline", "ワセリン"));
  const TParamSpec& radius = ParamRow(PeripheralParams(), "radius");
  trackBarEffect1_ =
      MakeTrackBar(this, {radius.control.c_str(), radius.min, radius.max, radius.def, 10, 5, "半径"});
  labelEffect1_ = MakeValueLabel(this, "LabelEffect1", "   50");
  AddValueRow(Body(), trackBarEffect1_, labelEffect1_);
  connect(trackBarEffect1_, &QSlider::valueChanged, this,
          [this] { Main().Run([this] { TrackBarEffect1Change(); }); });
}

void TPagePeripheral::TabSheetShow() {
  const int before = trackBarEffect1_->value();
  ResetControls(this, PeripheralParams());
  // A track bar that moves runs its change handler, as when the user moves it.
  if (trackBarEffect1_->value() != before) TrackBarEffect1Change();
}

void TPagePeripheral::TrackBarEffect1Change() {
  labelEffect1_->setText(QString::fromStdString(PeripheralLabelText(trackBarEffect1_->value())));
}

TPeripheralSettings TPagePeripheral::Settings() const {
  return PeripheralSettingsOf(ReadControls(this, PeripheralParams()));
}

void TPagePeripheral::Preview() { PeripheralPreview(Doc(), Settings()); }

void TPagePeripheral::Apply() { ApplyPeripheral(Doc(), Settings()); }

}  // namespace kira
