#include "ui/pages/page_saturation.h"

#include "document/document.h"

namespace kira {

TPageSaturation::TPageSaturation(TFormMain& main)
    : TEffectPage(main, 8, QStringLiteral("彩度/明度"), QStringLiteral("ButtonSaturation")) {}

}  // namespace kira
