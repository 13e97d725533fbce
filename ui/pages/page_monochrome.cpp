#include "ui/pages/page_monochrome.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace kira {

TPageMonochrome::TPageMonochrome(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonMonochrome"), kMonochromeEffect) {
  // Each radio button on the colour of its filter, in the table's order.
  static const char* const kBackgrounds[kGreyKindCount] = {"#000000", "#ff0000", "#008000", "#0000ff", "#808080"};
  const std::vector<QRadioButton*> radios = Make(this, "kind").radios;
  for (std::size_t k = 0; k < radios.size(); ++k) {
    radios[k]->setStyleSheet(QStringLiteral("QRadioButton { background-color: %1; color: white; padding: 2px; }")
                                 .arg(QString::fromLatin1(kBackgrounds[k])));
    Body()->addWidget(radios[k]);
  }
}

}  // namespace kira
