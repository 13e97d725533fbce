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

TPageBrightness::TPageBrightness(TFormMain& main, const TPageEntry& page)
    : TEffectPage(main, page, QStringLiteral("ButtonGammaCorrection")) {
  const std::vector<QRadioButton*> radios = MakeControls(this, BrightnessParams().front()).radios;
  for (int k = 0; k < kBrightnessKindCount; ++k) {
    const auto kind = static_cast<TBrightnessKind>(k);
    const TControls bar = MakeControls(this, BrightnessRow(kind));
    radios_[k] = radios.at(static_cast<std::size_t>(k));
    bars_[k] = bar.trackBar;
    labels_[k] = bar.label;
    labels_[k]->setFixedWidth(44);
    Body()->addWidget(radios_[k]);
    AddValueRow(Body(), bar);
    connect(bars_[k], &QSlider::valueChanged, this, [this, kind] { Main().Run([=, this] { TrackBarChange(kind); }); });
    // A radio button's click handler runs when it becomes the selected one,
    // by the user or by the show handler.
    connect(radios_[k], &QRadioButton::toggled, this, [this, kind](bool on) {
      if (on) Main().Run([=, this] { RadioClick(kind); });
    });
  }
  // The tab order: each radio button, then its track bar.
  for (int k = 0; k < kBrightnessKindCount; ++k) {
    if (k > 0) setTabOrder(bars_[k - 1], radios_[k]);
    setTabOrder(radios_[k], bars_[k]);
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

void TPageBrightness::Preview() {
  Doc().NoteStep(BrightnessStepLine(Settings()));
  kBrightnessEffect.Preview(Doc(), Settings());
}

TPreviewTask TPageBrightness::PreviewTask() {
  TPreviewTask task = kBrightnessEffect.Task(Settings());
  task.step = BrightnessStepLine(Settings());
  return task;
}

void TPageBrightness::Apply() {
  Doc().NoteStep(BrightnessStepLine(Settings()));
  kBrightnessEffect.Apply(Doc(), Settings());
}

}  // namespace kira
