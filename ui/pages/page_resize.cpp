#include "ui/pages/page_resize.h"

#include "document/document.h"

namespace kira {

TPageResize::TPageResize(TFormMain& main)
    : TEffectPage(main, 5, QStringLiteral("リサイズ"), QStringLiteral("ButtonReS")) {}

void TPageResize::Apply() {
  Doc().Apply([this] { Preview(); }, /*renewCaption=*/true);
}

}  // namespace kira
