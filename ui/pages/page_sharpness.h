// The sharpness page: sharpen or focus with one strength, built from its
// settings table (pages/sharpness_page.h).
#pragma once

#include "pages/sharpness_page.h"
#include "ui/pages/table_page.h"

namespace kira {

class TPageSharpness : public TTablePage<TSharpnessSettings> {
  Q_OBJECT

 public:
  TPageSharpness(TFormMain& main, const TPageEntry& page);

  // ButtonSharpenClick: the strength back to its default, then the page opens.
  void OpenFromMenu() override;
};

}  // namespace kira
