#include "ui/pages/page_art2.h"

#include "document/document.h"

namespace kira {

TPageArt2::TPageArt2(TFormMain& main)
    : TEffectPage(main, 13, QStringLiteral("アート効果２"), QStringLiteral("ButtonEFCT3")) {}

}  // namespace kira
