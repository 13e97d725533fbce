#include "pages/peripheral_page.h"

#include <algorithm>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "effects/lighting.h"

namespace kira {

const std::vector<TParamSpec>& PeripheralParams() {
  static const std::vector<TParamSpec> params = {
      {.key = "kind", .kind = TParamKind::Choice, .def = 0, .choices = {"spotlight", "colorspotlight", "vaseline"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonSpotLight", KIRA_TR_NOOP("kira::Settings", "スポットライト")},
                  {"RadioButtonColorSpotLight", KIRA_TR_NOOP("kira::Settings", "カラースポットライト")},
                  {"RadioButtonVaseline", KIRA_TR_NOOP("kira::Settings", "ワセリン")}}},
      {.key = "radius", .min = 1, .max = 100, .def = 50, .help = "per cent of the longer side",
       .control = TControlKind::TrackBar, .name = "TrackBarEffect1", .pageStep = 10, .tickInterval = 5,
       .hint = KIRA_TR_NOOP("kira::Settings", "半径"), .label = "LabelEffect1", .labelCaption = "   50", .format = PeripheralLabelText},
  };
  return params;
}

TPeripheralSettings PeripheralSettingsOf(const TStepValues& values) {
  return {static_cast<TPeripheralKind>(values.Get("kind")), values.Get("radius")};
}

TPeripheralSettings PeripheralDefaults() { return PeripheralSettingsOf(TStepValues(&PeripheralParams())); }

std::string PeripheralLabelText(int position) { return std::to_string(position); }

std::int32_t PeripheralRadius(int percent, int width, int height) {
  return RoundHalfAway(percent / static_cast<long double>(100) * std::max(width, height));
}

bool LightPicture(TBitmap& image, const TPeripheralSettings& settings) {
  const std::int32_t r = PeripheralRadius(settings.radiusPercent, image.Width(), image.Height());
  switch (settings.kind) {
    case TPeripheralKind::SpotLight: return SpotLight(image, r, DefaultThreads());
    case TPeripheralKind::ColorSpotLight: return ColorSpotLight(image, r, DefaultThreads());
    case TPeripheralKind::Vaseline: return Vaseline(image, r, DefaultThreads());
  }
  return false;
}

std::vector<TStepSpec> PeripheralSteps() {
  TStepSpec s;
  s.name = "peripheral";
  s.page = "peripheral effects: spotlight, colour spotlight or vaseline around the centre, then Apply";
  s.params = PeripheralParams();
  s.run = [](TDocument& doc, const TStepValues& v, std::string& error) {
    const TPeripheralSettings settings = PeripheralSettingsOf(v);
    const TBitmap& source = doc.Source();
    if (!source.Empty() && PeripheralRadius(settings.radiusPercent, source.Width(), source.Height()) < 1) {
      // The page would refuse and keep the picture; the batch tool says so
      // instead of writing an unchanged picture.
      error = "a radius of " + std::to_string(settings.radiusPercent) + " % of a " + std::to_string(source.Width()) +
              " x " + std::to_string(source.Height()) + " picture comes to 0 pixels; give a larger radius";
      return false;
    }
    kPeripheralEffect.Apply(doc, settings);
    return true;
  };
  return {s};
}

}  // namespace kira
