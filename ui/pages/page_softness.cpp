#include "ui/pages/page_softness.h"

#include "document/document.h"

namespace kira {

TPageSoftness::TPageSoftness(TFormMain& main)
    : TEffectPage(main, 3, QStringLiteral("ソフトネス"), QStringLiteral("ButtonSOFT")) {}

}  // namespace kira
