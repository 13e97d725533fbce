#include "ui/pages/page_brightness.h"

#include "document/document.h"

namespace kira {

TPageBrightness::TPageBrightness(TFormMain& main)
    : TEffectPage(main, 6, QStringLiteral("ButtonGammaCorrection")) {}

}  // namespace kira
