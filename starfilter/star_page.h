// The star-filter page ("キラボックス", TabSheet1) without widgets: its settings,
// its handlers over the document, the hand editing of bright points on the
// image window, and the batch steps "brightpoints" and "star".
#pragma once

#include "document/document.h"
#include "document/steps.h"
#include "starfilter/rays.h"

namespace kira {

// A spin edit's range and the default set when the page is shown; a value
// outside the range is stored as the nearest bound.
struct TSpinRange {
  int Min, Max, Default;
  int Clamp(int v) const { return v < Min ? Min : (v > Max ? Max : v); }
};
inline constexpr TSpinRange kSpinEditV{0, 765, 764};  // "しきい値" threshold on B + G + R
inline constexpr TSpinRange kSpinEditM{0, 10, 10};    // "密度" density, 10 keeps every point
inline constexpr TSpinRange kSpinEditL{0, 256, 32};   // "長さ" arm length in pixels
inline constexpr TSpinRange kSpinEditR{0, 180, 0};    // "角度" clockwise turn of the star
inline constexpr TSpinRange kSpinEditD{0, 100, 50};   // "濃度" intensity in percent

enum class TEditTool { None, Cut, Put };  // SpeedButtonCUT / SpeedButtonPUT down, or neither

struct TStarSettings {
  int Threshold = kSpinEditV.Default;  // SpinEditV
  int Length = kSpinEditL.Default;     // SpinEditL
  int Angle = kSpinEditR.Default;      // SpinEditR
  int Intensity = kSpinEditD.Default;  // SpinEditD
  int Density = kSpinEditM.Default;    // SpinEditM
  TStarKind Kind = TStarKind::Cross;   // RadioButtonCROSS / SNOW / SUNNY
  bool SoftCross = false;              // CheckBoxSoftX
  int PointSize = 1;                   // RadioButton1 / 2 / 3 ("x1", "x2", "x3")
  TEditTool Tool = TEditTool::None;    // SpeedButtonCUT / PUT; SpeedButtonNOP releases
};

// Page shown: the defaults, no tool, x1, cross, no soft cross; the
// bright-points-ready flag is cleared (the bright-point image is kept).
void TabSheet1Show(TDocument& doc, TStarSettings& s);
// "R": no editing tool down.
void SpeedButtonNOPClick(TStarSettings& s);
// "A": threshold := MaxBrightness(source) - 1, kept in range; no extraction.
void SpeedButtonVAClick(const TDocument& doc, TStarSettings& s);
// "輝点抽出": bright points := source, extracted and thinned; flag set; shows
// them (BMP2); releases the tools.
void ButtonBPCClick(TDocument& doc, TStarSettings& s);
// "輝点リセット": empties the bright points, clears the flag, shows the source.
void ButtonBPRClick(TDocument& doc);
// "プレビュー": extracts first only when the flag is clear, otherwise uses the
// (possibly hand-edited) bright points as they are; result := rays (soft cross
// when ticked) added to the source; shows the result (BMP3); releases the
// tools. Unlike the other pages it runs also on an empty source.
void ButtonAPPClick(TDocument& doc, TStarSettings& s);
// "適用": Preview when there is no result yet, then Apply.
void ButtonOK1Click(TDocument& doc, TStarSettings& s);

// Cut selection on the image window: the press point in client coordinates.
struct TStarSelection {
  bool Selecting = false;
  int PressX = 0, PressY = 0;
};

// Image1MouseDown with the left button (client coordinates). Starts a
// selection, and returns true (Shape1 shown at the press point, size 0), only
// when a picture has been opened, the cut tool is down and the flag is set.
bool StarMouseDown(const TDocument& doc, const TStarSettings& s, int clientX, int clientY,
                   TStarSelection& sel);
// Image1MouseUp with the left button, pointer (x, y) relative to the picture
// control at (imageLeft, imageTop). The tool down at release decides: put adds
// a point (starting a black bright-point image when the flag is clear); cut
// removes the points of the dragged rectangle when the drag moved in both
// directions. Ends the selection (Shape1 hidden). Shows the bright points again
// when they are on view. Returns true when the bright-point image may have
// changed.
bool StarMouseUp(TDocument& doc, const TStarSettings& s, TStarSelection& sel, int x, int y,
                 int imageLeft, int imageTop);

// Batch steps: "brightpoints" makes the image its bright-point image, as after
// "輝点抽出"; "star" runs Preview and Apply on a page just shown.
TStepSpec BrightPointsStep();
TStepSpec StarStep();

}  // namespace kira
