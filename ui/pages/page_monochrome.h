// The monochrome page: five kinds of grey on coloured radio buttons, built
// from its settings table (pages/monochrome_page.h).
#pragma once

#include "pages/monochrome_page.h"
#include "ui/pages/table_page.h"

namespace kira {

class TPageMonochrome : public TTablePage<TMonochromeSettings> {
  Q_OBJECT

 public:
  TPageMonochrome(TFormMain& main, const TPageEntry& page);
};

}  // namespace kira
