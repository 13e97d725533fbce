#include "ui/pages/page_softness.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kira {

TPageSoftness::TPageSoftness(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonSOFT"), kSoftnessEffect) {
  auto* group = new QGroupBox(tr("ソフトネス"), this);
  group->setObjectName(QStringLiteral("GroupBox8"));
  auto* column = new QVBoxLayout(group);
  AddEndLabelledRow(column, group, Make(group, "level").trackBar, "LabelS1", "LabelS2");
  for (QRadioButton* radio : Make(group, "kind").radios) column->addWidget(radio);
  Body()->addWidget(group);
}

void TPageSoftness::OpenFromMenu() {
  SetToDefault(this, ParamRow(Params(), "level"));
  TEffectPage::OpenFromMenu();
}

}  // namespace kira
