#include "ui/pages/page_art1.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

TPageArt1::TPageArt1(TFormMain& main)
    : TEffectPage(main, 11, QStringLiteral("ButtonEFCT2")) {
  QVBoxLayout* body = Body();
  auto valueRow = [&](QSlider*& bar, QLabel*& label, const TTrackBarSpec& spec,
                      const char* labelName, const char* caption) {
    bar = MakeTrackBar(this, spec);
    label = MakeValueLabel(this, labelName, caption);
    AddValueRow(body, bar, label);
  };
  auto run = [this](void (TPageArt1::*handler)()) {
    return [this, handler] { Main().Run([this, handler] { (this->*handler)(); }); };
  };

  radioButtonEFCT21_ = MakeRadio(this, "RadioButtonEFCT21", "水彩画");
  radioButtonEFCT21_->setChecked(true);
  body->addWidget(radioButtonEFCT21_);
  valueRow(trackBarEFCT21_, labelEFCT21_, {"TrackBarEFCT21", 1, 5, 1, 0, 1, "1～5"},
           "LabelEFCT21", "   1");
  body->addWidget(MakeRadio(this, "RadioButtonEFCT22", "ソラリゼーション"));
  valueRow(trackBarEFCT22_, labelEFCT22_, {"TrackBarEFCT22", 0, 255, 128, 32, 16, "0～255"},
           "LabelEFCT22", "   128");
  body->addWidget(MakeRadio(this, "RadioButtonEFCT23", "魚眼レンズ"));
  // The fisheye's hint has always read 0～255, whatever its range.
  valueRow(trackBarEFCT23_, labelEFCT23_, {"TrackBarEFCT23", 1, 11, 8, 0, 1, "0～255"},
           "LabelEFCT23", "   0.8");
  body->addWidget(MakeRadio(this, "RadioButtonEFCT24", "ゾーベルフィルタ"));
  body->addWidget(MakeRadio(this, "RadioButtonEFCT25", "エッジ抽出1"));
  valueRow(trackBarEFCT25_, labelEFCT25_, {"TrackBarEFCT25", 5, 55, 20, 10, 5, "5～55"},
           "LabelEFCT25", "   20");
  auto* edge2 = new QHBoxLayout;
  edge2->addWidget(MakeRadio(this, "RadioButtonEFCT26", "エッジ抽出2"));
  checkBox26_ = new QCheckBox(this);
  checkBox26_->setObjectName(QStringLiteral("CheckBox26"));
  edge2->addWidget(checkBox26_);
  edge2->addStretch(1);
  body->addLayout(edge2);
  valueRow(trackBarEFCT26_, labelEFCT26_, {"TrackBarEFCT26", 1, 100, 20, 10, 5, "1～100"},
           "LabelEFCT26", "   20");
  body->addWidget(MakeRadio(this, "RadioButtonEFCT27", "エッジ抽出3"));
  body->addWidget(MakeRadio(this, "RadioButtonEFCT28", "ネガ・ポジ反転"));

  connect(trackBarEFCT21_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT21Change));
  connect(trackBarEFCT22_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT22Change));
  connect(trackBarEFCT23_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT23Change));
  connect(trackBarEFCT25_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT25Change));
  connect(trackBarEFCT26_, &QSlider::valueChanged, this, run(&TPageArt1::TrackBarEFCT26Change));
}

void TPageArt1::TabSheetShow() {
  radioButtonEFCT21_->setChecked(true);
  trackBarEFCT21_->setValue(1);
  trackBarEFCT22_->setValue(128);
  trackBarEFCT23_->setValue(8);
  trackBarEFCT25_->setValue(20);
  trackBarEFCT26_->setValue(20);
  checkBox26_->setChecked(false);
}

void TPageArt1::TrackBarEFCT21Change() {
  labelEFCT21_->setText(QString::number(trackBarEFCT21_->value()));
}
void TPageArt1::TrackBarEFCT22Change() {
  labelEFCT22_->setText(QString::number(trackBarEFCT22_->value()));
}
void TPageArt1::TrackBarEFCT23Change() {
  // The fisheye strength is a tenth of the position, shown with one decimal.
  labelEFCT23_->setText(QString::number(trackBarEFCT23_->value() / 10.0, 'f', 1));
}
void TPageArt1::TrackBarEFCT25Change() {
  labelEFCT25_->setText(QString::number(trackBarEFCT25_->value()));
}
void TPageArt1::TrackBarEFCT26Change() {
  labelEFCT26_->setText(QString::number(trackBarEFCT26_->value()));
}

}  // namespace kira
