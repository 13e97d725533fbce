// The mirage page: kind, mode, faces, angle, offset and density, built from
// its settings table (pages/mirage_page.h).
#pragma once

#include "pages/mirage_page.h"
#include "ui/pages/table_page.h"

namespace kira {

class TPageMirage : public TTablePage<TMirageSettings> {
  Q_OBJECT

 public:
  TPageMirage(TFormMain& main, const TPageEntry& page);
};

}  // namespace kira
