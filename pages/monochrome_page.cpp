#include "pages/monochrome_page.h"

#include "core/parallel_rows.h"

namespace kira {

TMonochromeSettings MonochromeSettingsOf(const TStepValues& values) {
  std::array<bool, kGreyKindCount> checked{};
  checked[values.Get("kind")] = true;
  return {checked};
}

TMonochromeSettings OpenedMonochromeSettings() { return MonochromeSettingsOf(TStepValues(&MonochromeParams())); }

TGreyKind GreyKindOfChecked(const std::array<bool, kGreyKindCount>& checked) {
  for (int i = 0; i < 4; ++i) {
    if (checked[i]) return static_cast<TGreyKind>(i);
  }
  return TGreyKind::Greyscale;
}

bool GreyPicture(const TBitmap& source, TBitmap& result, const TMonochromeSettings& settings) {
  return WeightedGrey(source, result, GreyWeightsFor(GreyKindOfChecked(settings.checked)), DefaultThreads());
}

const std::vector<TParamSpec>& MonochromeParams() {
  static const std::vector<TParamSpec> params = {
      {.key = "kind", .kind = TParamKind::Choice, .def = 0, .choices = {"mono", "red", "green", "blue", "grey"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonMono1", KIRA_TR_NOOP("kira::Settings", "モノクローム")},
                  {"RadioButtonMono2", KIRA_TR_NOOP("kira::Settings", "赤フィルター")},
                  {"RadioButtonMono3", KIRA_TR_NOOP("kira::Settings", "緑フィルター")},
                  {"RadioButtonMono4", KIRA_TR_NOOP("kira::Settings", "青フィルター")},
                  {"RadioButtonMono5", KIRA_TR_NOOP("kira::Settings", "グレースケール")}}},
  };
  return params;
}

std::vector<TStepSpec> MonochromeSteps() {
  return {kMonochromeEffect.Step("monochrome", "monochrome: one of five grey conversions, then Apply", MonochromeParams())};
}

}  // namespace kira
