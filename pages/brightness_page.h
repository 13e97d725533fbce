// The brightness page ("明るさ調整"): gamma, exposure by tilt,
// exposure by shift and contrast, each with its track bar and value label,
// and a picture of the curve (ImageGamma). The window holds the controls and
// forwards to these.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// The radio buttons in the order of the batch step's kinds:
// RadioButtonGamma, RadioButtonBrightness1, RadioButtonBrightness2,
// RadioButtonContrast.
enum class TBrightnessKind { Gamma, Tilt, Shift, Contrast };
inline constexpr int kBrightnessKindCount = 4;

// The settings-table row of a kind's track bar (its range and default).
const TParamSpec& BrightnessRow(TBrightnessKind kind);

// What the page shows when it opens (ButtonBrightClick, then TabSheet6Show):
// the table's defaults.
struct TBrightnessSettings;
TBrightnessSettings OpenedBrightnessSettings();

struct TBrightnessSettings {
  std::array<bool, kBrightnessKindCount> checked = OpenedBrightnessSettings().checked;
  std::array<int, kBrightnessKindCount> position = OpenedBrightnessSettings().position;  // by kind
};

// The curve Preview applies: the first checked radio button in the order
// gamma, contrast, tilt, shift; none when none is checked (the result stays a
// copy of the source).
const TBrightnessKind* BrightnessKindOfChecked(const std::array<bool, kBrightnessKindCount>& checked);

// A track bar's value label: LabelGamma shows g in single precision
// ("1.00" at 0, "0.28" at -65), the others the raw position ("-35.00").
std::string BrightnessLabelText(TBrightnessKind kind, int position);

// The curve picture of a kind at a track-bar position (255 x 255), as a
// track bar's change handler draws it.
TBitmap BrightnessPicture(TBrightnessKind kind, int position);
// The identity line: RadioButtonContrastClick shows it whatever the contrast
// position, and the page opens with it.
TBitmap IdentityPicture();

// Label and picture after a handler: TrackBar…Change draws its own curve
// whether its radio button is checked or not; Radio…Click does the same,
// except that RadioButtonContrastClick ends on the identity line.
struct TBrightnessView {
  std::string label;
  TBitmap picture;
};
TBrightnessView TrackBarChanged(TBrightnessKind kind, int position);
TBrightnessView RadioClicked(TBrightnessKind kind, int position);

// The page's effect: the selected curve of the source at its position, gamma
// x = position / 20 in double precision; the source itself when no kind is
// selected.
bool ToneCurvePicture(const TBitmap& source, TBitmap& result, const TBrightnessSettings& settings);

// Preview (ButtonGammaCorrection): the effect; nothing with an empty source.
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TBrightnessSettings> kBrightnessEffect{.fromSource = ToneCurvePicture};

// The batch step that repeats a Preview with these settings: the kind
// Preview applies at its position.
std::string BrightnessStepLine(const TBrightnessSettings& settings);

// The page's settings table: the kind, then one row per track bar.
const std::vector<TParamSpec>& BrightnessParams();
// Batch step "brightness": kind and position, the position's range by kind.
std::vector<TStepSpec> BrightnessSteps();

}  // namespace kira
