#include "ui/pages/page_peripheral.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace kira {

TPagePeripheral::TPagePeripheral(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonEffectView"), kPeripheralEffect) {
  for (QRadioButton* radio : Make(this, "kind").radios) Body()->addWidget(radio);
  AddValueRow(Body(), Make(this, "radius"));
}

}  // namespace kira
