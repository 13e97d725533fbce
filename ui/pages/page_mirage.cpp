#include "ui/pages/page_mirage.h"

#include "document/document.h"

namespace kira {

TPageMirage::TPageMirage(TFormMain& main)
    : TEffectPage(main, 10, QStringLiteral("ButtonMirageView")) {}

}  // namespace kira
