#include "pages/peripheral_page.h"

#include <algorithm>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "effects/lighting.h"

namespace kira {

const std::vector<TParamSpec>& PeripheralParams() {
  static const std::vector<TParamSpec> params = {
      {"kind", TParamKind::Choice, 0, 0, 0, {"spotlight", "colorspotlight", "vaseline"}, "", "",
       {"RadioButtonSpotLight", "RadioButtonColorSpotLight", "RadioButtonVaseline"}},
      {"radius", TParamKind::Integer, 1, 100, 50, {}, "per cent of the longer side", "TrackBarEffect1", {}},
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

bool PeripheralPreview(TDocument& doc, const TPeripheralSettings& settings) {
  return doc.PreviewInPlace([&](TBitmap& result) { return LightPicture(result, settings); });
}

void ApplyPeripheral(TDocument& doc, const TPeripheralSettings& settings) {
  doc.Apply([&] { PeripheralPreview(doc, settings); });
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
    ApplyPeripheral(doc, settings);
    return true;
  };
  return {s};
}

}  // namespace kira
