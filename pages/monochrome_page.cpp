#include "pages/monochrome_page.h"

#include "core/parallel_rows.h"

namespace kira {

TMonochromeSettings OpenedMonochromeSettings() {
  TMonochromeSettings s;
  s.checked = {};
  s.checked[TStepValues(&MonochromeParams()).Get("kind")] = true;
  return s;
}

TGreyKind GreyKindOfChecked(const std::array<bool, kGreyKindCount>& checked) {
  for (int i = 0; i < 4; ++i) {
    if (checked[i]) return static_cast<TGreyKind>(i);
  }
  return TGreyKind::Greyscale;
}

bool MonochromePreview(TDocument& doc, const TMonochromeSettings& settings) {
  const TGreyWeights weights = GreyWeightsFor(GreyKindOfChecked(settings.checked));
  return doc.Preview([&](const TBitmap& source, TBitmap& result) {
    return WeightedGrey(source, result, weights, DefaultThreads());
  });
}

void ApplyMonochrome(TDocument& doc, const TMonochromeSettings& settings) {
  doc.Apply([&] { MonochromePreview(doc, settings); });
}

const std::vector<TParamSpec>& MonochromeParams() {
  static const std::vector<TParamSpec> params = {
      {"kind", TParamKind::Choice, 0, 0, 0, {"mono", "red", "green", "blue", "grey"}, "", "",
       {"RadioButtonMono1", "RadioButtonMono2", "RadioButtonMono3", "RadioButtonMono4", "RadioButtonMono5"}},
  };
  return params;
}

std::vector<TStepSpec> MonochromeSteps() {
  TStepSpec s;
  s.name = "monochrome";
  s.page = "monochrome: one of five grey conversions, then Apply";
  s.params = MonochromeParams();
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    TMonochromeSettings settings;
    settings.checked = {};
    settings.checked[v.Get("kind")] = true;
    ApplyMonochrome(doc, settings);
    return true;
  };
  return {s};
}

}  // namespace kira
