// The second art-effects page: colour noise, monochrome noise, ripple and
// spray with one strength, built from its settings table (pages/art2_page.h).
#pragma once

#include "pages/art2_page.h"
#include "ui/pages/table_page.h"

namespace kira {

class TPageArt2 : public TTablePage<TArt2Settings> {
  Q_OBJECT

 public:
  TPageArt2(TFormMain& main, const TPageEntry& page);
};

}  // namespace kira
