#include "ui/pages/page_peripheral.h"

#include "document/document.h"

namespace kira {

TPagePeripheral::TPagePeripheral(TFormMain& main)
    : TEffectPage(main, 9, QStringLiteral("周辺効果"), QStringLiteral("ButtonEffectView")) {}

}  // namespace kira
