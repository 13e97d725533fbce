#include "ui/pages/page_resize.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "document/document.h"
#include "ui/form_main.h"
#include "ui/pages/page_controls.h"
#include "ui/translation.h"

namespace kira {

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

TPageResize::TPageResize(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonReS"), kResizeEffect) {
  auto* sizes = new QGridLayout;
  spinEditNewW_ = Make(this, "width").spinEdit;
  spinEditNewH_ = Make(this, "height").spinEdit;
  for (QSpinBox* spin : {spinEditNewW_, spinEditNewH_}) spin->setFixedWidth(72);
  sizes->addWidget(MakeLabel(this, QStringLiteral("Label8"), tr("幅")), 0, 0);
  sizes->addWidget(spinEditNewW_, 0, 1);
  sizes->addWidget(MakeLabel(this, QStringLiteral("Label9"), tr("高さ")), 1, 0);
  sizes->addWidget(spinEditNewH_, 1, 1);
  sizes->setColumnStretch(2, 1);
  Body()->addLayout(sizes);

  labelW_ = MakeLabel(this, QStringLiteral("LabelW"), QStringLiteral("Width"));
  labelH_ = MakeLabel(this, QStringLiteral("LabelH"), QStringLiteral("Height"));
  labelRatio_ = MakeLabel(this, QStringLiteral("LabelRatio"), QStringLiteral("Ratio W:H"));
  Body()->addWidget(labelW_);
  Body()->addWidget(labelH_);
  Body()->addWidget(labelRatio_);

  auto* group = new QGroupBox(tr("種別"), this);
  group->setObjectName(QStringLiteral("GroupBox12"));
  auto* groupLayout = new QVBoxLayout(group);
  const std::vector<QRadioButton*> methods = Make(group, "method").radios;
  for (int i = 0; i < kResizeMethodCount; ++i) {
    methods_[i] = methods.at(static_cast<std::size_t>(i));
    groupLayout->addWidget(methods_[i]);
  }
  Body()->addWidget(group);

  // The aspect rule runs when a field loses the focus, as its exit handler;
  // values set by code never run it.
  spinEditNewW_->installEventFilter(this);
  spinEditNewH_->installEventFilter(this);
}

bool TPageResize::eventFilter(QObject* watched, QEvent* event) {
  // Only a move of the focus to another control counts as leaving the field;
  // the window losing activation or a pop-up menu opening does not.
  const auto reason = event->type() == QEvent::FocusOut ? static_cast<QFocusEvent*>(event)->reason()
                                                        : Qt::OtherFocusReason;
  if (event->type() == QEvent::FocusOut && reason != Qt::ActiveWindowFocusReason &&
      reason != Qt::PopupFocusReason) {
    if (watched == spinEditNewW_) Main().Run([this] { SpinEditNewWExit(); });
    if (watched == spinEditNewH_) Main().Run([this] { SpinEditNewHExit(); });
  }
  return TEffectPage::eventFilter(watched, event);
}

void TPageResize::OpenFromMenu() {
  const TResizeOpening open = OpenResizePage(Doc().Source());
  const auto pattern = [](const char* text) { return Tr(kTrLabels, text).toStdString(); };
  labelRatio_->setText(QString::fromStdString(RatioLabelText(open.width, open.height, pattern(kRatioLabel))));
  labelW_->setText(QString::fromStdString(WidthLabelText(open.width, pattern(kWidthLabel))));
  labelH_->setText(QString::fromStdString(HeightLabelText(open.height, pattern(kHeightLabel))));
  TEffectPage::OpenFromMenu();  // TabSheet5Show runs as the page becomes visible
  spinEditNewW_->setValue(open.width);
  spinEditNewH_->setValue(open.height);
}

void TPageResize::SpinEditNewWExit() {
  const TResizeOpening source = OpenResizePage(Doc().Source());
  // An empty source makes the rule a division by zero: the other field
  // keeps its value.
  if (const auto h = HeightForWidth(source.width, source.height, SpinValue(spinEditNewW_))) {
    spinEditNewH_->setValue(*h);
  }
}

void TPageResize::SpinEditNewHExit() {
  const TResizeOpening source = OpenResizePage(Doc().Source());
  if (const auto w = WidthForHeight(source.width, source.height, SpinValue(spinEditNewH_))) {
    spinEditNewW_->setValue(*w);
  }
}

TResizeSettings TPageResize::Settings() const {
  std::array<bool, kResizeMethodCount> checked{};
  for (int i = 0; i < kResizeMethodCount; ++i) checked[i] = methods_[i]->isChecked();
  TResizeSettings s;
  s.newWidth = SpinValue(spinEditNewW_);
  s.newHeight = SpinValue(spinEditNewH_);
  s.method = ResizeMethodOfChecked(checked);
  return s;
}

}  // namespace kira
