#include "pages/saturation_page.h"

#include "core/parallel_rows.h"
#include "effects/color_effects.h"

namespace kira {

const std::vector<TParamSpec>& SaturationParams() {
  static const std::vector<TParamSpec> params = {
      {.key = "kind", .kind = TParamKind::Choice, .def = 0, .choices = {"saturation", "luminance"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonSaturation", KIRA_TR_NOOP("kira::Settings", "彩度")},
                  {"RadioButtonLuminance", KIRA_TR_NOOP("kira::Settings", "明度")}}},
      {.key = "amount", .min = -100, .max = 100, .def = 0,
       .control = TControlKind::TrackBar, .name = "TrackBarSaturation", .pageStep = 20, .tickInterval = 10,
       .hint = KIRA_TR_NOOP("kira::Settings", "彩度補正"), .label = "LabelSaturation", .labelCaption = "   0", .format = SaturationLabelText},
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

std::vector<TStepSpec> SaturationSteps() {
  return {kSaturationEffect.Step("saturation",
                             "saturation and luminance: correct either by an amount, then Apply",
                             SaturationParams())};
}

}  // namespace kira
