// The sharpness page ("シャープネス", TabSheet7): Sharpen or Focus with an amount
// 0..100 (TrackBarSharp), its Preview (ButtonSHARPClick) and Apply
// (ButtonOK7Click), and the batch step "sharpness". The window only holds the
// controls and forwards to these.
#pragma once

#include <vector>

#include "core/bitmap.h"
#include "document/steps.h"

namespace kira {

// The kind radio buttons in the order the page tests them.
enum class TSharpnessKind { Sharpen, Focus };

// The settings table: "kind" (RadioButtonSharpen, RadioButtonFocus; Sharpen
// by default) and "amount" (TrackBarSharp, 0..100, default 0).
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

// Preview: the result is the source sharpened.
bool SharpnessPreview(TDocument& doc, const TSharpnessSettings& settings);
// Apply: Preview first when there is no result, the result becomes the
// source, menu page.
void ApplySharpness(TDocument& doc, const TSharpnessSettings& settings);

// Batch step "sharpness".
std::vector<TStepSpec> SharpnessSteps();

}  // namespace kira
