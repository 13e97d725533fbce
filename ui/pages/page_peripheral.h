// The peripheral-effects page: spotlight, colour spotlight or vaseline with
// one radius, built from its settings table (pages/peripheral_page.h).
#pragma once

#include "pages/peripheral_page.h"
#include "ui/pages/table_page.h"

namespace kira {

class TPagePeripheral : public TTablePage<TPeripheralSettings> {
  Q_OBJECT

 public:
  TPagePeripheral(TFormMain& main, const TPageEntry& page);
};

}  // namespace kira
