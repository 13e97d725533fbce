#include "ui/pages/page_monochrome.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace kira {

TPageMonochrome::TPageMonochrome(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonMonochrome"), kMonochromeEffect) {
  // Each radio button on the colour of its filter, in the table's order. The
  // circle is drawn white with a black dot when chosen: the style's own
  // circle is dark and vanishes on the black, blue and green.
  static const char* const kBackgrounds[kGreyKindCount] = {"#000000", "#ff0000", "#008000", "#0000ff", "#808080"};
  const std::vector<QRadioButton*> radios = Make(this, "kind").radios;
  for (std::size_t k = 0; k < radios.size(); ++k) {
    radios[k]->setStyleSheet(
        QStringLiteral("QRadioButton { background-color: %1; color: white; padding: 2px; }"
                       "QRadioButton::indicator { width: 10px; height: 10px; border: 1px solid #c0c0c0;"
                       " border-radius: 6px; background-color: white; }"
                       "QRadioButton::indicator:checked { background-color: qradialgradient(cx: 0.5, cy: 0.5,"
                       " radius: 0.5, fx: 0.5, fy: 0.5, stop: 0 black, stop: 0.45 black, stop: 0.55 white,"
                       " stop: 1 white); }")
            .arg(QString::fromLatin1(kBackgrounds[k])));
    Body()->addWidget(radios[k]);
  }
}

}  // namespace kira
