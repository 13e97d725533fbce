#include "ui/pages/page_art1.h"

#include "document/document.h"

namespace kira {

TPageArt1::TPageArt1(TFormMain& main)
    : TEffectPage(main, 11, QStringLiteral("アート効果１"), QStringLiteral("ButtonEFCT2")) {}

}  // namespace kira
