// The saturation and luminance page ("彩度/明度"): saturation or
// luminance corrected by an amount, its Preview
// (ButtonSaturationClick) and Apply (ButtonOK8Click), and the batch step
// "saturation". The window only holds the controls and forwards to these.
#pragma once

#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// The kind radio buttons in the order the page tests them.
enum class TSaturationKind { Saturation, Luminance };

// The settings table, the only place the controls, ranges and defaults
// are written.
const std::vector<TParamSpec>& SaturationParams();

struct TSaturationSettings;
TSaturationSettings SaturationSettingsOf(const TStepValues& values);
TSaturationSettings SaturationDefaults();

struct TSaturationSettings {
  TSaturationKind kind = SaturationDefaults().kind;
  int amount = SaturationDefaults().amount;
};

// LabelSaturation (TrackBarSaturationChange): the position as a plain integer.
std::string SaturationLabelText(int position);

// The page's effect on a picture: AdjustSaturation with the amount as an
// extended-precision number, or AdjustLuminance with the amount; both share
// the rows between the cores.
bool SaturatePicture(TBitmap& image, const TSaturationSettings& settings);

// Preview: the result is the source corrected.
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TSaturationSettings> kSaturationEffect{.inPlace = SaturatePicture, .settingsOf = SaturationSettingsOf};

// Batch step "saturation".
std::vector<TStepSpec> SaturationSteps();

}  // namespace kira
