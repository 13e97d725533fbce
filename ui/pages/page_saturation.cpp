#include "ui/pages/page_saturation.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace kira {

TPageSaturation::TPageSaturation(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonSaturation"), kSaturationEffect) {
  for (QRadioButton* radio : Make(this, "kind").radios) Body()->addWidget(radio);
  AddValueRow(Body(), Make(this, "amount"));
}

void TPageSaturation::OpenFromMenu() {
  SetToDefault(this, ParamRow(Params(), "amount"));
  TEffectPage::OpenFromMenu();
}

}  // namespace kira
