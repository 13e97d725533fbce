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
  // In the order the page tests them.
  Body()->addWidget(MakeRadio(this, "RadioButtonEFCT31", "カラーノイズ"));
  Body()->addWidget(MakeRadio(this, "RadioButtonEFCT32", "モノクロノイズ"));
  Body()->addWidget(MakeRadio(this, "RadioButtonEFCT33", "リップル"));
  Body()->addWidget(MakeRadio(this, "RadioButtonEFCT34", "スプレー"));
  const TParamSpec& level = ParamRow(Art2Params(), "level");
  trackBarEFCT31_ = MakeTrackBar(this, {"TrackBarEFCT31", level.min, level.max, level.def, 32, 8, "1～128"});
  labelEFCT31_ = MakeValueLabel(this, "LabelEFCT31", "   64");
  AddValueRow(Body(), trackBarEFCT31_, labelEFCT31_);
  ResetControls(this, Art2Params());
  connect(trackBarEFCT31_, &QSlider::valueChanged, this,
          [this] { Main().Run([this] { TrackBarEFCT31Change(); }); });
}

void TPageArt2::TabSheetShow() {
  // The table resets the track bar quietly; its change handler runs as it
  // would for the track bar itself, only when the position moves, so the
  // design-time caption "   64" stays until then.
  const int before = trackBarEFCT31_->value();
  ResetControls(this, Art2Params());
  if (trackBarEFCT31_->value() != before) TrackBarEFCT31Change();
}

void TPageArt2::TrackBarEFCT31Change() {
  labelEFCT31_->setText(QString::fromStdString(Art2LevelLabelText(trackBarEFCT31_->value())));
}

TArt2Settings TPageArt2::Settings() const { return Art2SettingsOf(ReadControls(this, Art2Params())); }

void TPageArt2::Preview() { Art2Preview(Doc(), Settings()); }

void TPageArt2::Apply() { ApplyArt2(Doc(), Settings()); }

}  // namespace kira
