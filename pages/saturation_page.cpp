#include "pages/saturation_page.h"

#include "core/parallel_rows.h"
#include "effects/color_effects.h"

namespace kira {

const std::vector<TParamSpec>& SaturationParams() {
  static const std::vector<TParamSpec> params = {
      {"kind", TParamKind::Choice, 0, 0, 0, {"saturation", "luminance"}, "", "",
       {"RadioButtonSaturation", "RadioButtonLuminance"}},
      {"amount", TParamKind::Integer, -100, 100, 0, {}, "", "TrackBarSaturation", {}},
  };
  return params;
}

TSaturationSettings SaturationSettingsOf(const TStepValues& values) {
  return {static_cast<TSaturationKind>(values.Get("kind")), values.Get("amount")};
}

TSaturationSettings SaturationDefaults() { return SaturationSettingsOf(TStepValues(&SaturationParams())); }

std::string SaturationLabelText(int position) { return std::to_string(position); }

bool SaturatePicture(TBitmap& image, const TSaturationSettings& settings) {
  if (settings.kind == TSaturationKind::Luminance) return AdjustLuminance(image, settings.amount, DefaultThreads());
  return AdjustSaturation(image, static_cast<long double>(settings.amount), DefaultThreads());
}

bool SaturationPreview(TDocument& doc, const TSaturationSettings& settings) {
  return doc.PreviewInPlace([&](TBitmap& result) { return SaturatePicture(result, settings); });
}

void ApplySaturation(TDocument& doc, const TSaturationSettings& settings) {
  doc.Apply([&] { SaturationPreview(doc, settings); });
}

std::vector<TStepSpec> SaturationSteps() {
  TStepSpec s;
  s.name = "saturation";
  s.page = "saturation and luminance: correct either by an amount, then Apply";
  s.params = SaturationParams();
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    ApplySaturation(doc, SaturationSettingsOf(v));
    return true;
  };
  return {s};
}

}  // namespace kira
