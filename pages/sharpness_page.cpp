#include "pages/sharpness_page.h"

#include "core/parallel_rows.h"
#include "effects/sharpen.h"

namespace kira {

const std::vector<TParamSpec>& SharpnessParams() {
  static const std::vector<TParamSpec> params = {
      {"kind", TParamKind::Choice, 0, 0, 0, {"sharpen", "focus"}, "", "",
       {"RadioButtonSharpen", "RadioButtonFocus"}},
      {"amount", TParamKind::Integer, 0, 100, 0, {}, "", "TrackBarSharp", {}},
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

bool SharpnessPreview(TDocument& doc, const TSharpnessSettings& settings) {
  return doc.PreviewInPlace([&](TBitmap& result) { return SharpenPicture(result, settings); });
}

void ApplySharpness(TDocument& doc, const TSharpnessSettings& settings) {
  doc.Apply([&] { SharpnessPreview(doc, settings); });
}

std::vector<TStepSpec> SharpnessSteps() {
  TStepSpec s;
  s.name = "sharpness";
  s.page = "sharpness: sharpen or focus by an amount, then Apply";
  s.params = SharpnessParams();
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    ApplySharpness(doc, SharpnessSettingsOf(v));
    return true;
  };
  return {s};
}

}  // namespace kira
