#include "ui/pages/page_colorfilter.h"

#include "document/document.h"
#include "ui/form_main.h"

namespace kira {

TPageColorFilter::TPageColorFilter(TFormMain& main)
    : TEffectPage(main, 2, QStringLiteral("ButtonCOL")) {}

void TPageColorFilter::OpenFromMenu() {
  const TDocument& doc = Doc();
  if (!doc.Result().Empty()) {
    Main().DrawHistogram(doc.Result());
  } else if (!doc.Source().Empty()) {
    Main().DrawHistogram(doc.Source());
  }
  TEffectPage::OpenFromMenu();
}

}  // namespace kira
