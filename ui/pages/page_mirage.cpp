#include "ui/pages/page_mirage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kira {

namespace {

QLabel* MakeCaption(QWidget* parent, const char* name, const QString& caption) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

TPageMirage::TPageMirage(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonMirageView"), kMirageEffect) {
  auto* numbers = new QGridLayout;
  numbers->addWidget(MakeCaption(this, "LabelMirageNo", tr("面数")), 0, 0);
  numbers->addWidget(Make(this, "faces").spinEdit, 0, 1);
  numbers->addWidget(MakeCaption(this, "LabelDeg", tr("角度")), 1, 0);
  numbers->addWidget(Make(this, "angle").spinEdit, 1, 1);
  numbers->setColumnStretch(2, 1);
  Body()->addLayout(numbers);

  Body()->addWidget(MakeCaption(this, "LabelDiffCaption", tr("オフセット")));
  AddValueRow(Body(), Make(this, "offset"));
  Body()->addWidget(MakeCaption(this, "LabelNoudoCaption", tr("濃度")));
  const TControls density = Make(this, "density");
  density.label->setFixedWidth(36);
  AddValueRow(Body(), density);

  // Kind and mode are two separate choices, so each has its own group.
  auto* kind = new QGroupBox(tr("種別"), this);
  kind->setObjectName(QStringLiteral("GroupBoxMirageKind"));
  auto* kindColumn = new QVBoxLayout(kind);
  for (QRadioButton* radio : Make(kind, "kind").radios) kindColumn->addWidget(radio);
  Body()->addWidget(kind);

  auto* mode = new QGroupBox(this);
  mode->setObjectName(QStringLiteral("GroupBoxMirageMode"));
  auto* modeColumn = new QVBoxLayout(mode);
  for (QRadioButton* radio : Make(mode, "mode").radios) modeColumn->addWidget(radio);
  Body()->addWidget(mode);
}

}  // namespace kira
