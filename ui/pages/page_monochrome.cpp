#include "ui/pages/page_monochrome.h"

#include "document/document.h"

namespace kira {

TPageMonochrome::TPageMonochrome(TFormMain& main)
    : TEffectPage(main, 4, QStringLiteral("ButtonMonochrome")) {}

}  // namespace kira
