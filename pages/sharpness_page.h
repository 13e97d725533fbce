// The sharpness page ("シャープネス"): Sharpen or Focus with an amount,
// its Preview (ButtonSHARPClick) and Apply
// (ButtonOK7Click), and the batch step "sharpness". The window only holds the
// controls and forwards to these.
#pragma once

#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// The kind radio buttons in the order the page tests them.
enum class TSharpnessKind { Sharpen, Focus };

// The settings table, the only place the controls, ranges and defaults
// are written.
const std::vector<TParamSpec>& SharpnessParams();

// The settings from a table's values; the defaults are the table's.
struct TSharpnessSettings;
TSharpnessSettings SharpnessSettingsOf(const TStepValues& values);
TSharpnessSettings SharpnessDefaults();

struct TSharpnessSettings {
  TSharpnessKind kind = SharpnessDefaults().kind;
  int amount = SharpnessDefaults().amount;
};

// The page's effect on a picture: Sharpen with the amount, or Focus with the
// amount as a single-precision number; both share the rows between the cores.
bool SharpenPicture(TBitmap& image, const TSharpnessSettings& settings);
// The same from the source into the result, without a copy of the source.
bool SharpenPictureInto(const TBitmap& source, TBitmap& result, const TSharpnessSettings& settings);

// Preview: the result is the source sharpened.
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TSharpnessSettings> kSharpnessEffect{.fromSource = SharpenPictureInto, .settingsOf = SharpnessSettingsOf};

// Batch step "sharpness".
std::vector<TStepSpec> SharpnessSteps();

}  // namespace kira
