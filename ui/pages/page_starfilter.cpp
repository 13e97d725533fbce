#include "ui/pages/page_starfilter.h"

#include "document/document.h"

namespace kira {

TPageStarFilter::TPageStarFilter(TFormMain& main)
    : TEffectPage(main, 1, QStringLiteral("キラボックス"), QStringLiteral("ButtonAPP")) {}

}  // namespace kira
