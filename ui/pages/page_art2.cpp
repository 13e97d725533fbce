#include "ui/pages/page_art2.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace kira {

TPageArt2::TPageArt2(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonEFCT3"), kArt2Effect) {
  for (QRadioButton* radio : Make(this, "kind").radios) Body()->addWidget(radio);
  AddValueRow(Body(), Make(this, "level"));
}

}  // namespace kira
