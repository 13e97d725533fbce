// The image window's arithmetic, kept apart from the widgets: zoom steps,
// the size of the shown picture and where it goes when the zoom changes or a
// working image is shown. (The pointer-to-pixel conversion is the star
// filter's, beside the bright-point editing that uses it.)
//
// Two rounding rules meet here on purpose: the zoom rounds halves to even,
// the display of a working image rounds halves away from zero (25 % of 2
// pixels: 0 in the zoom, 1 in the display).
#pragma once

#include <string>
#include <string_view>

#include "document/translatable.h"

namespace kira {

inline constexpr int kZoomMin = 5;
inline constexpr int kZoomMax = 250;
inline constexpr int kZoomStep = 5;

// One zoom step up (+5 below 250) or down (-5 above 5); at a bound it stays.
int ZoomIn(int zoomPercent);
int ZoomOut(int zoomPercent);

// Length of the picture at the zoom: length * zoom / 100, the product in
// integers and the division real. ZoomedLength rounds halves to even (zoom
// commands), ShownLength away from zero (showing a working image).
int ZoomedLength(int length, int zoomPercent);
int ShownLength(int length, int zoomPercent);

// Position of a picture after a zoom along one axis, keeping the picture
// point under the middle of the client area (c = clientLength div 2) in place:
// the ratio r = (c - position) / oldLength is held in extended precision
// first, then c - RoundHalfEven(newLength * r). At an exact half of the true
// quotient r's rounding decides (95 x 0.3 lands above 28.5). With no former
// size (oldLength <= 0) the picture is centred in the outer length, with no
// lower bound: (outerLength - newLength) div 2.
int ZoomedPosition(int position, int oldLength, int newLength, int clientLength,
                   int outerLength);

// Centring in the window's outer length: max(0, (outer - length) div 2).
int CentredPosition(int outerLength, int length);

// Shift that keeps the centre of a shown picture when its size changes:
// RoundHalfAway(oldLength / 2 - newLength / 2), the halves real.
int KeepCentreShift(int oldLength, int newLength);

// The image window's caption: "beach.jpg (640x480)".
std::string FileCaption(const std::string& fileName, int width, int height);

// The main window's caption after a zoom: "キラボックス Ver. 0.32 (100%)".
std::string ZoomCaption(int zoomPercent);

// The main window's title, which starts with the program's name.
inline constexpr const char* kAppTitle = "キラボックス Ver. 0.32";
inline constexpr const char* kAppName = KIRA_TR_NOOP("kira::Title", "キラボックス");
static_assert(std::string_view(kAppTitle).starts_with(kAppName));

}  // namespace kira
