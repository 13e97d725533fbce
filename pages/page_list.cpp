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
      {1, KIRA_TR_NOOP("kira::Pages", "キラボックス"), StarSteps, StarParams},
      {2, KIRA_TR_NOOP("kira::Pages", "カラーフィルター"), ColorFilterSteps, ColorFilterParams},
      {3, KIRA_TR_NOOP("kira::Pages", "ソフトネス"), SoftnessSteps, SoftnessParams},
      {4, KIRA_TR_NOOP("kira::Pages", "モノクローム"), MonochromeSteps, MonochromeParams},
      {5, KIRA_TR_NOOP("kira::Pages", "リサイズ"), ResizeSteps, ResizeParams},
      {6, KIRA_TR_NOOP("kira::Pages", "明るさ調整"), BrightnessSteps, BrightnessParams},
      {7, KIRA_TR_NOOP("kira::Pages", "シャープネス"), SharpnessSteps, SharpnessParams},
      {8, KIRA_TR_NOOP("kira::Pages", "彩度/明度"), SaturationSteps, SaturationParams},
      {9, KIRA_TR_NOOP("kira::Pages", "周辺効果"), PeripheralSteps, PeripheralParams},
      {10, KIRA_TR_NOOP("kira::Pages", "ミラージュ"), MirageSteps, MirageParams},
      {11, KIRA_TR_NOOP("kira::Pages", "アート効果１"), Art1Steps, Art1Params},
      {12, KIRA_TR_NOOP("kira::Pages", "回転"), RotateSteps, nullptr},
      {13, KIRA_TR_NOOP("kira::Pages", "アート効果２"), Art2Steps, Art2Params},
  };
  return pages;
}

std::string PageListProblem() { return PageListProblem(AllPages()); }

std::string PageListProblem(const std::vector<TPageEntry>& pages) {
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const TPageEntry& p = pages[i];
    if (p.number != static_cast<int>(i) + 1) {
      return "page '" + std::string(p.caption) + "' has the number " + std::to_string(p.number) + " in place of " +
             std::to_string(i + 1);
    }
    if (!p.steps) return "page '" + std::string(p.caption) + "' has no steps";
    for (std::size_t j = 0; j < i; ++j) {
      if (pages[j].steps == p.steps) return "page '" + std::string(p.caption) + "' is listed twice";
    }
  }
  return "";
}

const TPageEntry* PageOfSteps(std::vector<TStepSpec> (*steps)()) {
  for (const TPageEntry& p : AllPages()) {
    if (p.steps == steps) return &p;
  }
  return nullptr;
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
