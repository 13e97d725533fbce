#include "pages/page_list.h"

#include "pages/art1_page.h"
#include "pages/art2_page.h"
#include "pages/brightness_page.h"
#include "pages/colorfilter_page.h"
#include "pages/mirage_page.h"
#include "pages/monochrome_page.h"
#include "pages/peripheral_page.h"
#include "pages/resize_page.h"
#include "pages/rotate_page.h"
#include "pages/saturation_page.h"
#include "pages/sharpness_page.h"
#include "pages/softness_page.h"
#include "pages/star_page.h"

namespace kira {

const std::vector<TPageEntry>& AllPages() {
  static const std::vector<TPageEntry> pages = {
      {1, "キラボックス", StarSteps},
      {2, "カラーフィルター", ColorFilterSteps},
      {3, "ソフトネス", SoftnessSteps},
      {4, "モノクローム", MonochromeSteps},
      {5, "リサイズ", ResizeSteps},
      {6, "明るさ調整", BrightnessSteps},
      {7, "シャープネス", SharpnessSteps},
      {8, "彩度/明度", SaturationSteps},
      {9, "周辺効果", PeripheralSteps},
      {10, "ミラージュ", MirageSteps},
      {11, "アート効果１", Art1Steps},
      {12, "回転", RotateSteps},
      {13, "アート効果２", Art2Steps},
  };
  return pages;
}

const TPageEntry* PageEntry(int number) {
  for (const TPageEntry& p : AllPages()) {
    if (p.number == number) return &p;
  }
  return nullptr;
}

const std::vector<TStepSpec>& AllSteps() {
  static const std::vector<TStepSpec> steps = [] {
    std::vector<TStepSpec> all;
    for (const TPageEntry& p : AllPages()) {
      if (!p.steps) continue;
      for (TStepSpec& s : p.steps()) all.push_back(std::move(s));
    }
    return all;
  }();
  return steps;
}

const TStepSpec* FindStep(const char* name) {
  for (const TStepSpec& s : AllSteps()) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

}  // namespace kira
