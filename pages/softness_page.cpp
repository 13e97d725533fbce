#include "pages/softness_page.h"

#include "core/parallel_rows.h"
#include "effects/blur.h"
#include "effects/soften.h"

namespace kira {

const std::vector<TParamSpec>& SoftnessParams() {
  static const std::vector<TParamSpec> params = {
      {.key = "kind", .kind = TParamKind::Choice, .def = 1,
       .choices = {"blur", "gaussian", "radial", "angle", "soften"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonBlur", KIRA_TR_NOOP("kira::Settings", "ブラー")},
                  {"RadioButtonGaussianBlur", KIRA_TR_NOOP("kira::Settings", "ガウシアンブラー")},
                  {"RadioButtonRadialBlur", KIRA_TR_NOOP("kira::Settings", "ラジアルブラー")},
                  {"RadioButtonAngleBlur", KIRA_TR_NOOP("kira::Settings", "アングルブラー")},
                  {"RadioButtonSoften", KIRA_TR_NOOP("kira::Settings", "ソフトネス")}}},
      {.key = "level", .min = 0, .max = 6, .def = 0,
       .control = TControlKind::TrackBar, .name = "TrackBarSoftness", .tickInterval = 1, .hint = KIRA_TR_NOOP("kira::Settings", "0～6")},
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
    case TSoftnessKind::Soften: return DiamondSoften(image, 5, 17 * p, DefaultThreads());
  }
  return false;
}

bool SoftenPictureInto(const TBitmap& source, TBitmap& result, const TSoftnessSettings& settings) {
  if (settings.kind == TSoftnessKind::Gaussian)
    return GaussianBlurInto(source, result, 2 * settings.level, DefaultThreads());
  result = source;
  return SoftenPicture(result, settings);
}

std::vector<TStepSpec> SoftnessSteps() {
  return {kSoftnessEffect.Step("softness",
                             "softness: one of five kinds at a strength, then Apply",
                             SoftnessParams())};
}

}  // namespace kira
