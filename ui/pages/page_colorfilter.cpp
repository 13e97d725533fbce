#include "ui/pages/page_colorfilter.h"

#include "document/document.h"

namespace kira {

TPageColorFilter::TPageColorFilter(TFormMain& main)
    : TEffectPage(main, 2, QStringLiteral("カラーフィルター"), QStringLiteral("ButtonCOL")) {}

}  // namespace kira
