// The softness page ("ソフトネス"): five kinds of softening with one
// strength, its Preview (ButtonSOFTClick) and Apply
// (ButtonOK3Click), and the batch step "softness". The window only holds the
// controls and forwards to these.
#pragma once

#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// The kind radio buttons in the order the page tests them.
enum class TSoftnessKind { Blur, Gaussian, Radial, Angle, Soften };

// The settings table, the only place the controls, ranges and defaults
// are written.
const std::vector<TParamSpec>& SoftnessParams();

// The settings from a table's values; the defaults are the table's.
struct TSoftnessSettings;
TSoftnessSettings SoftnessSettingsOf(const TStepValues& values);
TSoftnessSettings SoftnessDefaults();

struct TSoftnessSettings {
  TSoftnessKind kind = SoftnessDefaults().kind;
  int level = SoftnessDefaults().level;
};

// The page's effect on a picture, with p the level: BoxBlur radius p,
// GaussianBlur sigma 2p (refused at 0, the picture unchanged), RadialBlur
// 3p pixels, AngleBlur 3p degrees, DiamondSoften window 5 and strength 17p.
// The blurs share the rows between both cores.
bool SoftenPicture(TBitmap& image, const TSoftnessSettings& settings);
// The same from source into result (the Gaussian without a copy of the
// source first); on refusal result may hold a copy of the source.
bool SoftenPictureInto(const TBitmap& source, TBitmap& result, const TSoftnessSettings& settings);

// Preview: the result is the source softened; false, with the result a copy
// of the source, when the effect refuses (Gaussian at level 0).
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TSoftnessSettings> kSoftnessEffect{.fromSource = SoftenPictureInto,
                                                                .settingsOf = SoftnessSettingsOf};

// Batch step "softness".
std::vector<TStepSpec> SoftnessSteps();

}  // namespace kira
