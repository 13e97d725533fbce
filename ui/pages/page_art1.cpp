#include "ui/pages/page_art1.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "pages/art1_page.h"
#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

TPageArt1::TPageArt1(TFormMain& main)
    : TEffectPage(main, 11, QStringLiteral("ButtonEFCT2")) {
  QVBoxLayout* body = Body();
  // Range and default from the page's settings table.
  auto valueRow = [&](QSlider*& bar, QLabel*& label, const char* key, const char* name, int pageSize,
                      int frequency, const char* hint, const char* labelName, const char* caption) {
    const TParamSpec& row = ParamRow(Art1Params(), key);
    bar = MakeTrackBar(this, {name, row.min, row.max, row.def, pageSize, frequency, hint});
    label = MakeValueLabel(this, labelName, caption);
    AddValueRow(body, bar, label);
  };
  auto run = [this](void (TPageArt1::*handler)()) {
    return [this, handler] { Main().Run([this, handler] { (this->*handler)(); }); };
  };

  radioButtonEFCT21_ = MakeRadio(this, "RadioButtonEFCT21", "水彩画");
  radioButtonEFCT21_->setChecked(true);
  body->addWidget(radioButtonEFCT21_);
  valueRow(trackBarEFCT21_, labelEFCT21_, "watercolor", "TrackBarEFCT21", 0, 1, "1～5", "LabelEFCT21", "   1");
  body->addWidget(MakeRadio(this, "RadioButtonEFCT22", "ソラリゼーション"));
  valueRow(trackBarEFCT22_, labelEFCT22_, "solarize", "TrackBarEFCT22", 32, 16, "0～255", "LabelEFCT22",
           "   128");
  body->addWidget(MakeRadio(this, "RadioButtonEFCT23", "魚眼レンズ"));
  // The fisheye's hint has always read 0～255, whatever its range.
  valueRow(trackBarEFCT23_, labelEFCT23_, "fisheye", "TrackBarEFCT23", 0, 1, "0～255", "LabelEFCT23", "   0.8");
  body->addWidget(MakeRadio(this, "RadioButtonEFCT24", "ゾーベルフィルタ"));
  body->addWidget(MakeRadio(this, "RadioButtonEFCT25", "エッジ抽出1"));
  valueRow(trackBarEFCT25_, labelEFCT25_, "edge1", "TrackBarEFCT25", 10, 5, "5～55", "LabelEFCT25", "   20");
  auto* edge2 = new QHBoxLayout;
  edge2->addWidget(MakeRadio(this, "RadioButtonEFCT26", "エッジ抽出2"));
  checkBox26_ = new QCheckBox(this);
  checkBox26_->setObjectName(QStringLiteral("CheckBox26"));
  edge2->addWidget(checkBox26_);
  edge2->addStretch(1);
  body->addLayout(edge2);
  valueRow(trackBarEFCT26_, labelEFCT26_, "edge2", "TrackBarEFCT26", 10, 5, "1～100", "LabelEFCT26", "   20");
  body->addWidget(MakeRadio(this, "RadioButtonEFCT27", "エッジ抽出3"));
  body->addWidget(MakeRadio(this, "RadioButtonEFCT28", "ネガ・ポジ反転"));

  connect(trackBarEFCT21_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT21Change));
  connect(trackBarEFCT22_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT22Change));
  connect(trackBarEFCT23_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT23Change));
  connect(trackBarEFCT25_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT25Change));
  connect(trackBarEFCT26_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT26Change));
}

void TPageArt1::TabSheetShow() {
  const int before[] = {trackBarEFCT21_->value(), trackBarEFCT22_->value(), trackBarEFCT23_->value(),
                        trackBarEFCT25_->value(), trackBarEFCT26_->value()};
  ResetControls(this, Art1Params());
  if (trackBarEFCT21_->value() != before[0]) TrackBarEFCT21Change();
  if (trackBarEFCT22_->value() != before[1]) TrackBarEFCT22Change();
  if (trackBarEFCT23_->value() != before[2]) TrackBarEFCT23Change();
  if (trackBarEFCT25_->value() != before[3]) TrackBarEFCT25Change();
  if (trackBarEFCT26_->value() != before[4]) TrackBarEFCT26Change();
}

void TPageArt1::TrackBarEFCT21Change() {
  labelEFCT21_->setText(QString::fromStdString(Art1LevelLabelText(trackBarEFCT21_->value())));
}
void TPageArt1::TrackBarEFCT22Change() {
  labelEFCT22_->setText(QString::fromStdString(Art1LevelLabelText(trackBarEFCT22_->value())));
}
void TPageArt1::TrackBarEFCT23Change() {
  labelEFCT23_->setText(QString::fromStdString(FishEyeLabelText(trackBarEFCT23_->value())));
}
void TPageArt1::TrackBarEFCT25Change() {
  labelEFCT25_->setText(QString::fromStdString(Art1LevelLabelText(trackBarEFCT25_->value())));
}
void TPageArt1::TrackBarEFCT26Change() {
  labelEFCT26_->setText(QString::fromStdString(Art1LevelLabelText(trackBarEFCT26_->value())));
}

void TPageArt1::Preview() { Art1Preview(Doc(), Art1SettingsOf(ReadControls(this, Art1Params()))); }

void TPageArt1::Apply() { ApplyArt1(Doc(), Art1SettingsOf(ReadControls(this, Art1Params()))); }

}  // namespace kira
