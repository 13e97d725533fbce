#include "starfilter/star_page.h"

#include "effects/soften.h"
#include "starfilter/brightpoints.h"
#include "starfilter/editing.h"

namespace kira {

namespace {

// Bright-point image := a 24-bit copy of the source, extracted with the
// page's threshold and density; the flag is set even for an empty source.
void ExtractFromSource(TDocument& doc, const TStarSettings& s) {
  TBitmap& bp = doc.BrightPoints();
  bp = doc.Source();
  bp.SetPixelFormat(TPixelFormat::pf24bit);
  ExtractBrightPoints(bp, s.Threshold, s.Density);
  doc.BrightPointsReady = true;
}

}  // namespace

void TabSheet1Show(TDocument& doc, TStarSettings& s) {
  s.Threshold = kSpinEditV.Default;
  s.Length = kSpinEditL.Default;
  s.Angle = kSpinEditR.Default;
  s.Intensity = kSpinEditD.Default;
  s.Density = kSpinEditM.Default;
  SpeedButtonNOPClick(s);
  s.PointSize = 1;
  s.Kind = TStarKind::Cross;
  s.SoftCross = false;
  doc.BrightPointsReady = false;
}

void SpeedButtonNOPClick(TStarSettings& s) { s.Tool = TEditTool::None; }

void SpeedButtonVAClick(const TDocument& doc, TStarSettings& s) {
  // An all-black or empty picture gives -1, which the range turns into 0.
  s.Threshold = kSpinEditV.Clamp(MaxBrightness(doc.Source()) - 1);
}

void ButtonBPCClick(TDocument& doc, TStarSettings& s) {
  TBusyScope busy(doc.Host());
  ExtractFromSource(doc, s);
  doc.ButtonBP1Click();
  SpeedButtonNOPClick(s);
}

void ButtonBPRClick(TDocument& doc) {
  doc.BrightPoints().Clear();
  doc.BrightPointsReady = false;
  doc.ButtonORG1Click();
}

void ButtonAPPClick(TDocument& doc, TStarSettings& s) {
  TBusyScope busy(doc.Host());
  const int a = -s.Angle;
  // Points that no longer fit the picture (the source changed under a set
  // flag) are extracted afresh rather than laid over it at the wrong size.
  const bool fits = doc.BrightPoints().Width() == doc.Source().Width() &&
                    doc.BrightPoints().Height() == doc.Source().Height();
  if (!doc.BrightPointsReady || !fits) ExtractFromSource(doc, s);
  TBitmap& result = doc.Result();
  try {
    // The bright points are always kept at 24 bits; the rays are drawn straight
    // into the result, whose storage is reused when the size fits.
    doc.BrightPoints().SetPixelFormat(TPixelFormat::pf24bit);
    DrawStar(doc.BrightPoints(), result, s.Kind, s.Length, s.Intensity, a);
    if (s.SoftCross) DiamondSoften(result, 3, 75);
    AddSaturated(result, doc.Source());
  } catch (...) {
    // As in every Preview: a half-drawn result must never reach Apply.
    result.Clear();
    throw;
  }
  doc.ButtonDST1Click();
  SpeedButtonNOPClick(s);
}

void ButtonOK1Click(TDocument& doc, TStarSettings& s) {
  doc.Apply([&doc, &s] { ButtonAPPClick(doc, s); });
}

bool StarMouseDown(const TDocument& doc, const TStarSettings& s, int clientX, int clientY,
                   TStarSelection& sel) {
  if (doc.ViewLabel() == TViewLabel::None) return false;
  if (s.Tool != TEditTool::Cut || !doc.BrightPointsReady) return false;
  sel.Selecting = true;
  sel.PressX = clientX;
  sel.PressY = clientY;
  return true;
}

bool StarMouseUp(TDocument& doc, const TStarSettings& s, TStarSelection& sel, int x, int y,
                 int imageLeft, int imageTop) {
  const bool selecting = sel.Selecting;
  sel.Selecting = false;
  TBitmap& bp = doc.BrightPoints();
  if (s.Tool == TEditTool::Put) {
    if (!doc.BrightPointsReady) {
      // The first point put by hand starts a black set the size of the source.
      bp = TBitmap(doc.Source().Width(), doc.Source().Height(), TPixelFormat::pf24bit);
      CutBrightPoints(bp, {0, 0, bp.Width(), bp.Height()});
      doc.BrightPointsReady = true;
    }
    const int size = s.PointSize == 2 ? 2 : (s.PointSize == 3 ? 3 : 1);
    PutBrightPoint(bp, PointerToPixel(x, doc.ZoomPercent), size, PointerToPixel(y, doc.ZoomPercent));
  } else if (s.Tool == TEditTool::Cut && doc.BrightPointsReady) {
    // Only a drag that began as a selection has a press point of its own.
    if (!selecting) return false;
    const int cx = x + imageLeft;
    const int cy = y + imageTop;
    if (cx != sel.PressX && cy != sel.PressY)
      CutBrightPoints(bp, SelectionToPixels(sel.PressX, sel.PressY, cx, cy, imageLeft, imageTop,
                                            doc.ZoomPercent));
  } else {
    return false;
  }
  if (doc.ViewLabel() == TViewLabel::BMP2) doc.ButtonBP1Click();
  return true;
}

namespace {

std::vector<TParamSpec> ExtractionParams() {
  return {{"threshold", TParamKind::IntegerOrAuto, kSpinEditV.Min, kSpinEditV.Max, kSpinEditV.Default, {},
           "auto = the \"A\" button's threshold"},
          {"density", TParamKind::Integer, kSpinEditM.Min, kSpinEditM.Max, kSpinEditM.Default, {}, ""}};
}

// Page just shown, then the given keys, then the "A" button for auto.
TStarSettings ShownPage(TDocument& doc, const TStepValues& v) {
  TStarSettings s;
  TabSheet1Show(doc, s);
  s.Density = v.Get("density");
  if (v.Get("threshold") == kAutoValue)
    SpeedButtonVAClick(doc, s);
  else
    s.Threshold = v.Get("threshold");
  return s;
}

}  // namespace

TStepSpec BrightPointsStep() {
  TStepSpec st;
  st.name = "brightpoints";
  st.page = "star filter: the image becomes the bright-point image (\"輝点抽出\")";
  st.params = ExtractionParams();
  st.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    TStarSettings s = ShownPage(doc, v);
    ButtonBPCClick(doc, s);
    doc.Source() = doc.BrightPoints();
    doc.ReturnToMenu();
    return true;
  };
  return st;
}

TStepSpec StarStep() {
  TStepSpec st;
  st.name = "star";
  st.page = "star filter Preview on a page just shown (bright points extracted afresh)";
  st.params = ExtractionParams();
  st.params.push_back({"length", TParamKind::Integer, kSpinEditL.Min, kSpinEditL.Max, kSpinEditL.Default, {}, ""});
  st.params.push_back({"angle", TParamKind::Integer, kSpinEditR.Min, kSpinEditR.Max, kSpinEditR.Default, {}, ""});
  st.params.push_back(
      {"intensity", TParamKind::Integer, kSpinEditD.Min, kSpinEditD.Max, kSpinEditD.Default, {}, ""});
  st.params.push_back({"kind", TParamKind::Choice, 0, 0, 0, {"cross", "snow", "sunny"}, ""});
  st.params.push_back({"soft", TParamKind::Integer, 0, 1, 0, {}, "1 = soft cross"});
  st.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    TStarSettings s = ShownPage(doc, v);
    s.Length = v.Get("length");
    s.Angle = v.Get("angle");
    s.Intensity = v.Get("intensity");
    s.Kind = static_cast<TStarKind>(v.Get("kind"));
    s.SoftCross = v.Get("soft") != 0;
    ButtonOK1Click(doc, s);
    return true;
  };
  return st;
}

}  // namespace kira
