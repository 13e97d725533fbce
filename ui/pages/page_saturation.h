// The saturation and luminance page: one correction for either, built from
// its settings table (pages/saturation_page.h).
#pragma once

#include "pages/saturation_page.h"
#include "ui/pages/table_page.h"

namespace kira {

class TPageSaturation : public TTablePage<TSaturationSettings> {
  Q_OBJECT

 public:
  TPageSaturation(TFormMain& main, const TPageEntry& page);

  // ButtonSaturatClick: the correction back to its default (its value label
  // follows), then the page opens.
  void OpenFromMenu() override;
};

}  // namespace kira
