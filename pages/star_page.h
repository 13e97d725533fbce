// The star-filter page ("キラボックス", TabSheet1) without widgets: its settings,
// what its buttons do to the document, the hand editing of bright points on the
// image window, and the batch steps "brightpoints" and "star".
#pragma once

#include "document/document.h"
#include "document/settings_table.h"
#include "starfilter/rays.h"

#include <string>
#include <vector>

namespace kira {

// The page's settings table: the five spin edits, the star kind and the soft
// cross. The only place their ranges and defaults are written.
const std::vector<TParamSpec>& StarParams();

enum class TEditTool { None, Cut, Put };  // SpeedButtonCUT / SpeedButtonPUT down, or neither

struct TStarSettings {
  int Threshold = 0;                  // SpinEditV "しきい値", threshold on B + G + R
  int Length = 0;                     // SpinEditL "長さ", arm length in pixels
  int Angle = 0;                      // SpinEditR "角度", clockwise turn of the star
  int Intensity = 0;                  // SpinEditD "濃度", intensity in percent
  int Density = 0;                    // SpinEditM "密度", 10 keeps every point
  TStarKind Kind = TStarKind::Cross;  // RadioButtonCROSS / SNOW / SUNNY
  bool SoftCross = false;             // CheckBoxSoftX
  int PointSize = 1;                  // RadioButton1 / 2 / 3 ("x1", "x2", "x3")
  TEditTool Tool = TEditTool::None;   // SpeedButtonCUT / PUT; SpeedButtonNOP releases
  // Where the bright points came from: the threshold and density they were
  // last extracted with, and whether cut or put changed them since.
  int PointsThreshold = 0;
  int PointsDensity = 0;
  bool PointsByHand = false;
};

// The batch step that repeats a Preview with these settings on the points
// they hold: "star" with the threshold and density of the extraction, or a
// comment saying it was left out when the points were edited by hand.
std::string StarStepLine(const TStarSettings& s);

// The settings held in the table's values (the threshold "auto" stays
// kAutoValue here; AutoThreshold resolves it). Tool and point size are left
// as they are.
void StarSettingsFrom(const TStepValues& values, TStarSettings& s);
// The table's defaults (page just shown).
TStarSettings StarDefaults();

// TabSheet1Show: the defaults, no tool, x1, cross, no soft cross; the
// bright-points-ready flag is cleared (the bright-point image is kept).
void StarPageShown(TDocument& doc, TStarSettings& s);
// SpeedButtonNOP "R": no editing tool down.
void ReleaseEditTools(TStarSettings& s);
// SpeedButtonVA "A": threshold := MaxBrightness(source) - 1, kept in range;
// no extraction.
void AutoThreshold(const TDocument& doc, TStarSettings& s);
// ButtonBPC "輝点抽出": bright points := source, extracted and thinned; flag
// set; shows them (BMP2); releases the tools.
void ExtractStarPoints(TDocument& doc, TStarSettings& s);
// ButtonBPR "輝点リセット": empties the bright points, clears the flag, shows
// the source.
void ResetStarPoints(TDocument& doc);
// ButtonAPP "プレビュー": extracts first only when the flag is clear,
// otherwise uses the (possibly hand-edited) bright points as they are;
// result := rays (soft cross when ticked) added to the source; shows the
// result (BMP3); releases the tools. Unlike the other pages it runs also on
// an empty source.
void StarPreview(TDocument& doc, TStarSettings& s);
// The same Preview as a task to run off the window's thread, for a source
// that is not empty: the points are extracted (in the run, kept when it
// finishes, flag set) when the flag is clear or they do not fit the source;
// the settings are those of the moment. It releases no tool. A run that
// extracted tells `s` (which must outlive the task) which points it made.
TPreviewTask StarPreviewTask(const TDocument& doc, TStarSettings& s);
// ButtonOK1 "適用": Preview when there is no result yet, then Apply.
void StarApply(TDocument& doc, TStarSettings& s);

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
bool StarMouseUp(TDocument& doc, TStarSettings& s, TStarSelection& sel, int x, int y,
                 int imageLeft, int imageTop);

// Batch steps: "brightpoints" makes the image its bright-point image, as after
// "輝点抽出"; "star" runs Preview and Apply on a page just shown.
std::vector<TStepSpec> StarSteps();

}  // namespace kira
