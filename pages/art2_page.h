// The art-effects-2 page ("アート効果２"): colour noise,
// monochrome noise, ripple and spray with one strength;
// its label (TrackBarEFCT31Change), show rule
// (TabSheet13Show), Preview (ButtonEFCT3Click) and Apply (ButtonOK13Click),
// and the batch step "art2". The window only holds the controls and forwards
// to these.
#pragma once

#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// The radio buttons RadioButtonEFCT31 .. RadioButtonEFCT34 in the order the
// page tests them.
enum class TArt2Kind { ColorNoise, MonoNoise, Ripple, Spray };

// The settings table, the only place the controls, ranges and defaults
// are written.
const std::vector<TParamSpec>& Art2Params();

// The settings from a table's values; the defaults are the table's.
struct TArt2Settings;
TArt2Settings Art2SettingsOf(const TStepValues& values);
TArt2Settings Art2Defaults();

struct TArt2Settings {
  TArt2Kind kind = Art2Defaults().kind;
  int level = Art2Defaults().level;
};

// LabelEFCT31: the strength as a decimal integer.
std::string Art2LevelLabelText(int level);

// The page's effect on a picture: the kind's routine with p = level, drawing
// from the program's random generator (the ripple reseeds it from the clock
// first); the picture is 24 bits per pixel afterwards.
bool Art2Picture(TBitmap& image, const TArt2Settings& settings);

// Preview: the result is the source with the effect; nothing on an empty
// source (and no number drawn). Each Preview goes on from the generator's
// state, so a second Preview gives another picture.
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TArt2Settings> kArt2Effect{.inPlace = Art2Picture, .settingsOf = Art2SettingsOf};

// Batch step "art2".
std::vector<TStepSpec> Art2Steps();

}  // namespace kira
