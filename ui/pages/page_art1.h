// The first art-effects page: eight effects, five of them with a track bar
// and its value label, and the edge drawing's continuous check box, built
// from its settings table (pages/art1_page.h).
#pragma once

#include "pages/art1_page.h"
#include "ui/pages/table_page.h"

namespace kira {

class TPageArt1 : public TTablePage<TArt1Settings> {
  Q_OBJECT

 public:
  TPageArt1(TFormMain& main, const TPageEntry& page);
};

}  // namespace kira
