// The mirage page ("ミラージュ"): kind circle or line, mode
// brightness priority, darkness priority or blend, the number of faces, the
// angle, the offset and the density; its labels (TrackBarDiffChange,
// TrackBarNoudoChange), show rule (TabSheet10Show), Preview
// (ButtonMirageViewClick) and Apply (ButtonOK10Click), and the batch step
// "mirage". The window only holds the controls and forwards to these.
#pragma once

#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// The radio buttons in the order the page tests them.
enum class TMirageKind { Circle, Line };         // RadioButtonMirageA, RadioButtonMirageB
enum class TMirageMode { Bright, Dark, Blend };  // RadioButtonBright, RadioButtonDark, RadioButtonABrend

// The settings table, the only place the controls, ranges and defaults
// are written.
const std::vector<TParamSpec>& MirageParams();

// The settings from a table's values; the defaults are the table's.
struct TMirageSettings;
TMirageSettings MirageSettingsOf(const TStepValues& values);
TMirageSettings MirageDefaults();

struct TMirageSettings {
  TMirageKind kind = MirageDefaults().kind;
  TMirageMode mode = MirageDefaults().mode;
  int faces = MirageDefaults().faces;
  int angleDeg = MirageDefaults().angleDeg;
  int offsetPct = MirageDefaults().offsetPct;
  int densityPosition = MirageDefaults().densityPosition;
};

// The density of a TrackBarNoudo position p: p / 20 + 0.2 in single
// precision, 0.2 .. 1.0 (p = 10 gives 0.7).
float MirageDensity(int position);
// LabelDiff: the offset as a decimal integer ("30").
std::string MirageOffsetLabelText(int position);
// LabelNoudo: the density with two decimals ("0.70" for position 10).
std::string MirageDensityLabelText(int position);

// The page's effect on a picture: MirageCircleBlend / MirageLineBlend in blend
// mode, otherwise MirageCirclePriority / MirageLinePriority with dark for the
// darkness priority. Both cores share the rows.
bool MiragePicture(TBitmap& image, const TMirageSettings& settings);

// Preview: the result is the source with the mirage; nothing on an empty
// source.
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TMirageSettings> kMirageEffect{.inPlace = MiragePicture, .settingsOf = MirageSettingsOf};

// Batch step "mirage".
std::vector<TStepSpec> MirageSteps();

}  // namespace kira
