#include "ui/pages/page_mirage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

namespace {

QLabel* MakeCaption(QWidget* parent, const char* name, const char* caption) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

TPageMirage::TPageMirage(TFormMain& main)
    : TEffectPage(main, 10, QStringLiteral("ButtonMirageView")) {
  const std::vector<TParamSpec>& params = MirageParams();
  auto* numbers = new QGridLayout;
  numbers->addWidget(MakeCaption(this, "LabelMirageNo", "面数"), 0, 0);
  numbers->addWidget(MakeSpinEdit(this, ParamRow(params, "faces")), 0, 1);
  numbers->addWidget(MakeCaption(this, "LabelDeg", "角度"), 1, 0);
  numbers->addWidget(MakeSpinEdit(this, ParamRow(params, "angle")), 1, 1);
  numbers->setColumnStretch(2, 1);
  Body()->addLayout(numbers);

  const TParamSpec& offset = ParamRow(params, "offset");
  Body()->addWidget(MakeCaption(this, "LabelDiffCaption", "オフセット"));
  trackBarDiff_ = MakeTrackBar(this, {"TrackBarDiff", offset.min, offset.max, offset.def, 10, 5, "5～55"});
  labelDiff_ = MakeValueLabel(this, "LabelDiff", "");
  AddValueRow(Body(), trackBarDiff_, labelDiff_);

  const TParamSpec& density = ParamRow(params, "density");
  Body()->addWidget(MakeCaption(this, "LabelNoudoCaption", "濃度"));
  trackBarNoudo_ = MakeTrackBar(this, {"TrackBarNoudo", density.min, density.max, density.def, 4, 1, "0.2～1.0"});
  labelNoudo_ = MakeValueLabel(this, "LabelNoudo", "");
  labelNoudo_->setFixedWidth(36);
  AddValueRow(Body(), trackBarNoudo_, labelNoudo_);

  // Kind and mode are two separate choices, so each has its own group.
  auto* kind = new QGroupBox(QStringLiteral("種別"), this);
  kind->setObjectName(QStringLiteral("GroupBoxMirageKind"));
  auto* kindColumn = new QVBoxLayout(kind);
  kindColumn->addWidget(MakeRadio(kind, "RadioButtonMirageA", "サークル"));
  kindColumn->addWidget(MakeRadio(kind, "RadioButtonMirageB", "ライン"));
  Body()->addWidget(kind);

  auto* mode = new QGroupBox(this);
  mode->setObjectName(QStringLiteral("GroupBoxMirageMode"));
  auto* modeColumn = new QVBoxLayout(mode);
  modeColumn->addWidget(MakeRadio(mode, "RadioButtonBright", "明るさ優先"));
  modeColumn->addWidget(MakeRadio(mode, "RadioButtonDark", "暗さ優先"));
  modeColumn->addWidget(MakeRadio(mode, "RadioButtonABrend", "ブレンド"));
  Body()->addWidget(mode);

  ResetControls(this, params);
  TrackBarDiffChange();
  TrackBarNoudoChange();
  connect(trackBarDiff_, &QSlider::valueChanged, this, [this] { Main().Run([this] { TrackBarDiffChange(); }); });
  connect(trackBarNoudo_, &QSlider::valueChanged, this, [this] { Main().Run([this] { TrackBarNoudoChange(); }); });
}

void TPageMirage::TabSheetShow() {
  // The table resets the track bars quietly; their change handlers run as
  // they would for the track bars themselves, when a position moves.
  const int diff = trackBarDiff_->value(), noudo = trackBarNoudo_->value();
  ResetControls(this, MirageParams());
  if (trackBarDiff_->value() != diff) TrackBarDiffChange();
  if (trackBarNoudo_->value() != noudo) TrackBarNoudoChange();
}

void TPageMirage::TrackBarDiffChange() {
  labelDiff_->setText(QString::fromStdString(MirageOffsetLabelText(trackBarDiff_->value())));
}

void TPageMirage::TrackBarNoudoChange() {
  labelNoudo_->setText(QString::fromStdString(MirageDensityLabelText(trackBarNoudo_->value())));
}

TMirageSettings TPageMirage::Settings() const { return MirageSettingsOf(ReadControls(this, MirageParams())); }

void TPageMirage::Preview() { MiragePreview(Doc(), Settings()); }

void TPageMirage::Apply() { ApplyMirage(Doc(), Settings()); }

}  // namespace kira
