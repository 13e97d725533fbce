#include "pages/sharpness_page.h"

#include "core/parallel_rows.h"
#include "effects/sharpen.h"

namespace kira {

const std::vector<TParamSpec>& SharpnessParams() {
  static const std::vector<TParamSpec> params = {
      {.key = "kind", .kind = TParamKind::Choice, .def = 0, .choices = {"sharpen", "focus"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonSharpen", KIRA_TR_NOOP("kira::Settings", "シャープン")},
                  {"RadioButtonFocus", KIRA_TR_NOOP("kira::Settings", "フォーカス")}}},
      {.key = "amount", .min = 0, .max = 100, .def = 0,
       .control = TControlKind::TrackBar, .name = "TrackBarSharp", .pageStep = 20, .tickInterval = 10,
       .hint = KIRA_TR_NOOP("kira::Settings", "0～100")},
  };
  return params;
}

TSharpnessSettings SharpnessSettingsOf(const TStepValues& values) {
  return {static_cast<TSharpnessKind>(values.Get("kind")), values.Get("amount")};
}

TSharpnessSettings SharpnessDefaults() { return SharpnessSettingsOf(TStepValues(&SharpnessParams())); }

bool SharpenPicture(TBitmap& image, const TSharpnessSettings& settings) {
  if (settings.kind == TSharpnessKind::Focus)
    return Focus(image, static_cast<float>(settings.amount), DefaultThreads());
  return Sharpen(image, settings.amount, DefaultThreads());
}

bool SharpenPictureInto(const TBitmap& source, TBitmap& result, const TSharpnessSettings& settings) {
  if (settings.kind == TSharpnessKind::Focus)
    return FocusInto(source, result, static_cast<float>(settings.amount), DefaultThreads());
  return SharpenInto(source, result, settings.amount, DefaultThreads());
}

std::vector<TStepSpec> SharpnessSteps() {
  return {kSharpnessEffect.Step("sharpness",
                             "sharpness: sharpen or focus by an amount, then Apply",
                             SharpnessParams())};
}

}  // namespace kira
