#include "ui/pages/page_sharpness.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kira {

TPageSharpness::TPageSharpness(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonSHARP"), kSharpnessEffect) {
  auto* group = new QGroupBox(tr("シャープネス"), this);
  group->setObjectName(QStringLiteral("GroupBox13"));
  auto* column = new QVBoxLayout(group);
  AddEndLabelledRow(column, group, Make(group, "amount").trackBar, nullptr, nullptr);
  for (QRadioButton* radio : Make(group, "kind").radios) column->addWidget(radio);
  Body()->addWidget(group);
}

void TPageSharpness::OpenFromMenu() {
  SetToDefault(this, ParamRow(Params(), "amount"));
  TEffectPage::OpenFromMenu();
}

}  // namespace kira
