#include "pages/softness_page.h"

#include "core/parallel_rows.h"
#include "effects/blur.h"
#include "effects/soften.h"

namespace kira {

const std::vector<TParamSpec>& SoftnessParams() {
  static const std::vector<TParamSpec> params = {
      {"kind", TParamKind::Choice, 0, 0, 1, {"blur", "gaussian", "radial", "angle", "soften"}, "", "",
       {"RadioButtonBlur", "RadioButtonGaussianBlur", "RadioButtonRadialBlur", "RadioButtonAngleBlur",
        "RadioButtonSoften"}},
      {"level", TParamKind::Integer, 0, 6, 0, {}, "", "TrackBarSoftness", {}},
  };
  return params;
}

TSoftnessSettings SoftnessSettingsOf(const TStepValues& values) {
  return {static_cast<TSoftnessKind>(values.Get("kind")), values.Get("level")};
}

TSoftnessSettings SoftnessDefaults() { return SoftnessSettingsOf(TStepValues(&SoftnessParams())); }

bool SoftenPicture(TBitmap& image, const TSoftnessSettings& settings) {
  const int p = settings.level;
  switch (settings.kind) {
    case TSoftnessKind::Blur: return BoxBlur(image, p, DefaultThreads());
    case TSoftnessKind::Gaussian: return GaussianBlur(image, 2 * p, DefaultThreads());
    case TSoftnessKind::Radial: return RadialBlur(image, 3 * p, DefaultThreads());
    case TSoftnessKind::Angle: return AngleBlur(image, 3 * p, DefaultThreads());
    case TSoftnessKind::Soften: return DiamondSoften(image, 5, 17 * p);
  }
  return false;
}

bool SoftnessPreview(TDocument& doc, const TSoftnessSettings& settings) {
  return doc.PreviewInPlace([&](TBitmap& result) { return SoftenPicture(result, settings); });
}

void ApplySoftness(TDocument& doc, const TSoftnessSettings& settings) {
  doc.Apply([&] { SoftnessPreview(doc, settings); });
}

std::vector<TStepSpec> SoftnessSteps() {
  TStepSpec s;
  s.name = "softness";
  s.page = "softness: one of five kinds at a strength, then Apply";
  s.params = SoftnessParams();
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    ApplySoftness(doc, SoftnessSettingsOf(v));
    return true;
  };
  return {s};
}

}  // namespace kira
