#include "ui/pages/page_art1.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace kira {

TPageArt1::TPageArt1(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonEFCT2"), kArt1Effect) {
  QVBoxLayout* body = Body();
  const std::vector<QRadioButton*> kinds = Make(this, "kind").radios;
  std::vector<QWidget*> order;  // the tab order: as arranged, top to bottom
  // Each kind's radio button, then its track bar when it has one; the edge
  // drawing's check box beside its radio button.
  for (std::size_t k = 0; k < kinds.size(); ++k) {
    const TArt1Kind kind = static_cast<TArt1Kind>(k);
    order.push_back(kinds[k]);
    if (kind == TArt1Kind::Edge2) {
      auto* edge2 = new QHBoxLayout;
      edge2->addWidget(kinds[k]);
      order.push_back(Make(this, "continuous").checkBox);
      edge2->addWidget(order.back());
      edge2->addStretch(1);
      body->addLayout(edge2);
    } else {
      body->addWidget(kinds[k]);
    }
    if (const TParamSpec* level = Art1LevelRow(kind)) {
      const TControls bar = MakeControls(this, *level);
      order.push_back(bar.trackBar);
      AddValueRow(body, bar);
    }
  }
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

}  // namespace kira
