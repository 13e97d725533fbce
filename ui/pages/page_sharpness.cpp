#include "ui/pages/page_sharpness.h"

#include "document/document.h"

namespace kira {

TPageSharpness::TPageSharpness(TFormMain& main)
    : TEffectPage(main, 7, QStringLiteral("シャープネス"), QStringLiteral("ButtonSHARP")) {}

}  // namespace kira
