// The peripheral-effects page ("周辺効果"): spotlight, colour
// spotlight or vaseline with a radius in per cent of the picture's longer side,
// its Preview (ButtonEffectViewClick) and Apply
// (ButtonOK9Click), and the batch step "peripheral". The window only holds
// the controls and forwards to these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// The kind radio buttons in the order the page tests them.
enum class TPeripheralKind { SpotLight, ColorSpotLight, Vaseline };

// The settings table, the only place the controls, ranges and defaults
// are written.
const std::vector<TParamSpec>& PeripheralParams();

struct TPeripheralSettings;
TPeripheralSettings PeripheralSettingsOf(const TStepValues& values);
TPeripheralSettings PeripheralDefaults();

struct TPeripheralSettings {
  TPeripheralKind kind = PeripheralDefaults().kind;
  int radiusPercent = PeripheralDefaults().radiusPercent;
};

// LabelEffect1 (TrackBarEffect1Change): the position as a plain integer.
std::string PeripheralLabelText(int position);

// The radius in pixels: percent / 100 * max(width, height) in extended
// precision, rounded half away from zero (50 % of 640 x 480 gives 320; 1 % of
// 100 x 1 gives 1). Below 50 pixels on the longer side a low percentage gives
// 0, which the effects refuse.
std::int32_t PeripheralRadius(int percent, int width, int height);

// The page's effect on a picture with the radius taken from its size; false
// (picture unchanged) when the radius comes to 0.
bool LightPicture(TBitmap& image, const TPeripheralSettings& settings);

// Preview: the result is the source with the effect; a refused effect leaves
// a copy of the source and returns false.
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TPeripheralSettings> kPeripheralEffect{.inPlace = LightPicture, .settingsOf = PeripheralSettingsOf};

// Batch step "peripheral". Where the page would leave the picture unchanged
// because the radius comes to 0 pixels, the step fails with a message.
std::vector<TStepSpec> PeripheralSteps();

}  // namespace kira
