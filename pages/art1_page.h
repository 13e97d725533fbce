// The first art-effects page ("アート効果１"): watercolour,
// solarization, fisheye, Sobel, three edge extractions and the negative; its
// value labels (TrackBarEFCT21Change .. TrackBarEFCT26Change), show rule
// (TabSheet11Show), Preview (ButtonEFCT2Click) and Apply (ButtonOK11Click),
// and the batch step "art1". The window only holds the controls and forwards
// to these.
#pragma once

#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// RadioButtonEFCT21 .. RadioButtonEFCT28 in the order the page tests them.
enum class TArt1Kind { Watercolor, Solarize, FishEye, Sobel, Edge1, Edge2, Edge3, Negative };

// The settings table, the only place the controls, ranges and defaults
// are written.
const std::vector<TParamSpec>& Art1Params();

struct TArt1Settings;
// The settings from the page table's values; the defaults are the table's.
TArt1Settings Art1SettingsOf(const TStepValues& values);
TArt1Settings Art1Defaults();

struct TArt1Settings {
  TArt1Kind kind = Art1Defaults().kind;
  int watercolor = Art1Defaults().watercolor;  // watercolour reach - 2
  int solarize = Art1Defaults().solarize;      // threshold
  int fisheye = Art1Defaults().fisheye;        // strength * 10
  int edge1 = Art1Defaults().edge1;            // colour distance threshold
  int edge2 = Art1Defaults().edge2;            // Laplacian level
  bool continuous = Art1Defaults().continuous;
};

// The table row of the track bar that belongs to a kind; null for Sobel, edge
// extraction 3 and the negative, which have none.
const TParamSpec* Art1LevelRow(TArt1Kind kind);

// LabelEFCT21, 22, 25, 26: the position as a decimal integer.
std::string Art1LevelLabelText(int position);
// LabelEFCT23: the fisheye strength, position / 10 with one decimal
// ("0.8" at 8, "1.1" at 11).
std::string FishEyeLabelText(int position);

// The page's effect on a picture: watercolour with reach p + 2, solarization
// at p, fisheye with strength p / 10 in single precision, Sobel in colour,
// threshold edges at p, the Laplacian edges at p (continuous or threshold
// mode), shaded edges without stretching, or the negative. The picture is 24
// bits per pixel afterwards whatever the effect left.
bool Art1Picture(TBitmap& image, const TArt1Settings& settings);

// Preview: the result is the source with the effect; nothing on an empty
// source.
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TArt1Settings> kArt1Effect{.inPlace = Art1Picture, .settingsOf = Art1SettingsOf};

// Batch step "art1": kind, level (the kind's track bar, refused for a kind
// without one), continuous (edge2 only).
std::vector<TStepSpec> Art1Steps();

}  // namespace kira
