// The softness page: five kinds of softening with one strength, built from
// its settings table (pages/softness_page.h).
#pragma once

#include "pages/softness_page.h"
#include "ui/pages/table_page.h"

namespace kira {

class TPageSoftness : public TTablePage<TSoftnessSettings> {
  Q_OBJECT

 public:
  TPageSoftness(TFormMain& main, const TPageEntry& page);

  // ButtonSoftnessClick: the strength back to its default, then the page opens.
  void OpenFromMenu() override;
};

}  // namespace kira
