#include "ui/pages/page_brightness.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "document/document.h"
#include "ui/bitmap_image.h"
#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

namespace {

struct TCurveControls {
  const char* radio;
  const char* radioCaption;
  TTrackBarSpec bar;
  const char* label;
  const char* labelCaption;
};

}  // namespace

TPageBrightness::TPageBrightness(TFormMain& main)
    : TEffectPage(main, 6, QStringLiteral("ButtonGammaCorrection")) {
  const TCurveControls controls[kBrightnessKindCount] = {
      {"RadioButtonGamma", "ガンマ補正", {"TrackBarGamma", -70, 70, 0, 20, 10, "ガンマ補正"}, "LabelGamma", "1.00"},
      {"RadioButtonBrightness1", "明暗調整(傾斜)",
       {"TrackBarBrightness1", -35, 35, 0, 10, 5, "露出補正"}, "LabelBrightness1", "0.00"},
      {"RadioButtonBrightness2", "明暗調整(増減)",
       {"TrackBarBrightness2", -70, 70, 0, 20, 10, "露出補正"}, "LabelBrightness2", "0.00"},
      {"RadioButtonContrast", "コントラスト",
       {"TrackBarContrast", -90, 90, 0, 40, 20, "コントラスト調整"}, "LabelContrast", "0.00"},
  };
  for (int k = 0; k < kBrightnessKindCount; ++k) {
    const auto kind = static_cast<TBrightnessKind>(k);
    radios_[k] = MakeRadio(this, controls[k].radio, controls[k].radioCaption);
    bars_[k] = MakeTrackBar(this, controls[k].bar);
    bars_[k]->setSingleStep(10);  // the arrow keys' step
    labels_[k] = MakeValueLabel(this, controls[k].label, controls[k].labelCaption);
    labels_[k]->setFixedWidth(44);
    Body()->addWidget(radios_[k]);
    AddValueRow(Body(), bars_[k], labels_[k]);
    connect(bars_[k], &QSlider::valueChanged, this, [this, kind] { Main().Run([=, this] { TrackBarChange(kind); }); });
    // A radio button's click handler runs when it becomes the selected one,
    // by the user or by the show handler.
    connect(radios_[k], &QRadioButton::toggled, this, [this, kind](bool on) {
      if (on) Main().Run([=, this] { RadioClick(kind); });
    });
  }
  {
    const QSignalBlocker designTime(radios_[static_cast<int>(TBrightnessKind::Gamma)]);
    radios_[static_cast<int>(TBrightnessKind::Gamma)]->setChecked(true);
  }

  auto* panel2 = new QFrame(this);
  panel2->setObjectName(QStringLiteral("Panel2"));
  panel2->setFixedSize(145, 145);
  panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel2->setLineWidth(2);
  imageGamma_ = new QLabel(panel2);
  imageGamma_->setObjectName(QStringLiteral("ImageGamma"));
  imageGamma_->setGeometry(2, 2, 141, 141);
  imageGamma_->setScaledContents(true);  // the 255 x 255 picture stretched
  Body()->addWidget(panel2, 0, Qt::AlignHCenter);
  ShowPicture(IdentityPicture());
}

void TPageBrightness::Show(TBrightnessKind kind, TBrightnessView view) {
  labels_[static_cast<int>(kind)]->setText(QString::fromStdString(view.label));
  ShowPicture(std::move(view.picture));
}

void TPageBrightness::ShowPicture(TBitmap picture) {
  picture_ = std::move(picture);
  imageGamma_->setPixmap(QPixmap::fromImage(BitmapView(picture_).copy()));
}

void TPageBrightness::TrackBarChange(TBrightnessKind kind) {
  Show(kind, TrackBarChanged(kind, bars_[static_cast<int>(kind)]->value()));
}

void TPageBrightness::RadioClick(TBrightnessKind kind) {
  Show(kind, RadioClicked(kind, bars_[static_cast<int>(kind)]->value()));
}

void TPageBrightness::OpenFromMenu() {
  const TBrightnessSettings opened = OpenedBrightnessSettings();
  for (TBrightnessKind kind : {TBrightnessKind::Tilt, TBrightnessKind::Shift, TBrightnessKind::Contrast}) {
    bars_[static_cast<int>(kind)]->setValue(opened.position[static_cast<int>(kind)]);
  }
  TEffectPage::OpenFromMenu();  // TabSheet6Show runs as the page becomes visible
}

void TPageBrightness::TabSheetShow() {
  // Each change runs its handler, so the labels follow the reset values.
  const TBrightnessSettings opened = OpenedBrightnessSettings();
  for (int k = 0; k < kBrightnessKindCount; ++k) {
    if (opened.checked[k]) radios_[k]->setChecked(true);
  }
  for (int k = 0; k < kBrightnessKindCount; ++k) bars_[k]->setValue(opened.position[k]);
  ShowPicture(IdentityPicture());
}

TBrightnessSettings TPageBrightness::Settings() const {
  TBrightnessSettings s;
  for (int k = 0; k < kBrightnessKindCount; ++k) {
    s.checked[k] = radios_[k]->isChecked();
    s.position[k] = bars_[k]->value();
  }
  return s;
}

void TPageBrightness::Preview() { BrightnessPreview(Doc(), Settings()); }

void TPageBrightness::Apply() { ApplyBrightness(Doc(), Settings()); }

}  // namespace kira
