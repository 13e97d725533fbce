#include "pages/star_page.h"

#include <algorithm>

#include "effects/soften.h"
#include "pages/page_effect.h"
#include "pages/recipe.h"
#include "starfilter/brightpoints.h"
#include "starfilter/editing.h"

namespace kira {

namespace {

// Bright-point image := a 24-bit copy of the source, extracted with the
// page's threshold and density; the flag is set even for an empty source.
void ExtractFromSource(TDocument& doc, TStarSettings& s) {
  TBitmap& bp = doc.BrightPoints();
  bp = doc.Source();
  bp.SetPixelFormat(TPixelFormat::pf24bit);
  ExtractBrightPoints(bp, s.Threshold, s.Density);
  doc.SetBrightPointsReady(true);
  s.PointsThreshold = s.Threshold;
  s.PointsDensity = s.Density;
  s.PointsByHand = false;
}

}  // namespace

const std::vector<TParamSpec>& StarParams() {
  static const std::vector<TParamSpec> params = {
      {.key = "threshold", .kind = TParamKind::IntegerOrAuto, .min = 0, .max = 765, .def = 764,
       .help = "auto = the \"A\" button's threshold",
       .control = TControlKind::SpinEdit, .name = "SpinEditV", .rangeHint = true},
      {.key = "density", .min = 0, .max = 10, .def = 10,
       .control = TControlKind::SpinEdit, .name = "SpinEditM", .rangeHint = true},
      {.key = "length", .min = 0, .max = 256, .def = 32,
       .control = TControlKind::SpinEdit, .name = "SpinEditL", .rangeHint = true},
      {.key = "angle", .min = 0, .max = 180, .def = 0,
       .control = TControlKind::SpinEdit, .name = "SpinEditR", .rangeHint = true},
      {.key = "intensity", .min = 0, .max = 100, .def = 50,
       .control = TControlKind::SpinEdit, .name = "SpinEditD", .rangeHint = true},
      {.key = "kind", .kind = TParamKind::Choice, .def = 0, .choices = {"cross", "snow", "sunny"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonCROSS", KIRA_TR_NOOP("kira::Settings", "クロス")},
                  {"RadioButtonSNOW", KIRA_TR_NOOP("kira::Settings", "スノー")},
                  {"RadioButtonSUNNY", KIRA_TR_NOOP("kira::Settings", "サニー")}}},
      {.key = "soft", .min = 0, .max = 1, .def = 0, .help = "1 = soft cross",
       .control = TControlKind::CheckBox, .name = "CheckBoxSoftX", .caption = KIRA_TR_NOOP("kira::Settings", "ソフトクロス")},
  };
  return params;
}

void StarSettingsFrom(const TStepValues& v, TStarSettings& s) {
  s.Threshold = v.Get("threshold");
  s.Density = v.Get("density");
  s.Length = v.Get("length");
  s.Angle = v.Get("angle");
  s.Intensity = v.Get("intensity");
  s.Kind = static_cast<TStarKind>(v.Get("kind"));
  s.SoftCross = v.Get("soft") != 0;
}

TStarSettings StarDefaults() {
  TStarSettings s;
  StarSettingsFrom(TStepValues(&StarParams()), s);
  return s;
}

void StarPageShown(TDocument& doc, TStarSettings& s) {
  s = StarDefaults();
  ReleaseEditTools(s);
  s.PointSize = 1;
  doc.SetBrightPointsReady(false);
}

std::string StarStepLine(const TStarSettings& s) {
  if (s.PointsByHand) return "# left out: star with bright points edited by hand (cut/put)";
  const std::vector<TStepSpec> steps = StarSteps();
  TStepValues v(&steps.back().params);
  v.Set("threshold", s.PointsThreshold);
  v.Set("density", s.PointsDensity);
  v.Set("length", s.Length);
  v.Set("angle", s.Angle);
  v.Set("intensity", s.Intensity);
  v.Set("kind", static_cast<int>(s.Kind));
  v.Set("soft", s.SoftCross ? 1 : 0);
  return StepLine(steps.back(), v);
}

void ReleaseEditTools(TStarSettings& s) { s.Tool = TEditTool::None; }

void AutoThreshold(const TDocument& doc, TStarSettings& s) {
  // An all-black or empty picture gives -1, which the range turns into 0.
  const TParamSpec& range = StarParams().front();
  s.Threshold = std::clamp(MaxBrightness(doc.Source()) - 1, range.min, range.max);
}

void ExtractStarPoints(TDocument& doc, TStarSettings& s) {
  TBusyScope busy(doc.Host());
  ExtractFromSource(doc, s);
  doc.ShowBrightPoints();
  ReleaseEditTools(s);
}

void ResetStarPoints(TDocument& doc) {
  doc.BrightPoints().Clear();
  doc.SetBrightPointsReady(false);
  doc.ShowSource();
}

void StarPreview(TDocument& doc, TStarSettings& s) {
  TBusyScope busy(doc.Host());
  const int a = -s.Angle;
  // Points that no longer fit the picture (the source changed under a set
  // flag) are extracted afresh rather than laid over it at the wrong size.
  const bool fits = doc.BrightPoints().Width() == doc.Source().Width() &&
                    doc.BrightPoints().Height() == doc.Source().Height();
  if (!doc.BrightPointsReady() || !fits) ExtractFromSource(doc, s);
  TBitmap& result = doc.Result();
  try {
    // The bright points are always kept at 24 bits; the rays are drawn straight
    // into the result, whose storage is reused when the size fits.
    doc.BrightPoints().SetPixelFormat(TPixelFormat::pf24bit);
    DrawStar(doc.BrightPoints(), result, s.Kind, s.Length, s.Intensity, a);
    if (s.SoftCross) DiamondSoften(result, 3, 75);
    AddSaturated(result, doc.Source());
    doc.NoteResult(StarStepLine(s));
  } catch (...) {
    // As in every Preview: a half-drawn result must never reach Apply.
    result.Clear();
    throw;
  }
  doc.ShowResult();
  ReleaseEditTools(s);
}

TPreviewTask StarPreviewTask(const TDocument& doc, TStarSettings& settings) {
  const bool fits = doc.BrightPoints().Width() == doc.Source().Width() &&
                    doc.BrightPoints().Height() == doc.Source().Height();
  const bool extract = !doc.BrightPointsReady() || !fits;
  TStarSettings s = settings;
  if (extract) {
    s.PointsThreshold = s.Threshold;
    s.PointsDensity = s.Density;
    s.PointsByHand = false;
  }
  TPreviewTask task = RandomBound({}, [s, extract](const TDocument& doc, TPreviewWork& work) {
    const TBitmap* points = &doc.BrightPoints();
    if (extract || points->PixelFormat() != TPixelFormat::pf24bit) {
      // New points are the run's own until it is done; so are points drawn
      // by hand at another depth, which StarPreview turns to 24 bits.
      work.brightPoints = extract ? doc.Source() : *points;
      work.brightPoints.SetPixelFormat(TPixelFormat::pf24bit);
      if (extract) ExtractBrightPoints(work.brightPoints, s.Threshold, s.Density);
      work.newBrightPoints = true;
      points = &work.brightPoints;
    }
    DrawStar(*points, work.result, s.Kind, s.Length, s.Intensity, -s.Angle);
    if (s.SoftCross) DiamondSoften(work.result, 3, 75);
    AddSaturated(work.result, doc.Source());
    return true;
  });
  task.step = StarStepLine(s);
  if (extract) {
    // The page's settings learn which points the finished run extracted.
    task.end = [end = std::move(task.end), &settings, s](TPreviewWork& work) {
      end(work);
      settings.PointsThreshold = s.PointsThreshold;
      settings.PointsDensity = s.PointsDensity;
      settings.PointsByHand = false;
    };
  }
  return task;
}

void StarApply(TDocument& doc, TStarSettings& s) {
  doc.Apply([&doc, &s] { StarPreview(doc, s); });
}

bool StarMouseDown(const TDocument& doc, const TStarSettings& s, int clientX, int clientY,
                   TStarSelection& sel) {
  if (doc.ViewLabel() == TViewLabel::None) return false;
  if (s.Tool != TEditTool::Cut || !doc.BrightPointsReady()) return false;
  sel.Selecting = true;
  sel.PressX = clientX;
  sel.PressY = clientY;
  return true;
}

bool StarMouseUp(TDocument& doc, TStarSettings& s, TStarSelection& sel, int x, int y,
                 int imageLeft, int imageTop) {
  const bool selecting = sel.Selecting;
  sel.Selecting = false;
  TBitmap& bp = doc.BrightPoints();
  if (s.Tool == TEditTool::Put) {
    if (!doc.BrightPointsReady()) {
      // The first point put by hand starts a black set the size of the source.
      bp = TBitmap(doc.Source().Width(), doc.Source().Height(), TPixelFormat::pf24bit);
      CutBrightPoints(bp, {0, 0, bp.Width(), bp.Height()});
      doc.SetBrightPointsReady(true);
    }
    s.PointsByHand = true;
    const int size = s.PointSize == 2 ? 2 : (s.PointSize == 3 ? 3 : 1);
    PutBrightPoint(bp, PointerToPixel(x, doc.ZoomPercent()), size, PointerToPixel(y, doc.ZoomPercent()));
  } else if (s.Tool == TEditTool::Cut && doc.BrightPointsReady()) {
    // Only a drag that began as a selection has a press point of its own.
    if (!selecting) return false;
    const int cx = x + imageLeft;
    const int cy = y + imageTop;
    if (cx != sel.PressX && cy != sel.PressY) {
      s.PointsByHand = true;
      CutBrightPoints(bp, SelectionToPixels(sel.PressX, sel.PressY, cx, cy, imageLeft, imageTop,
                                            doc.ZoomPercent()));
    }
  } else {
    return false;
  }
  if (doc.ViewLabel() == TViewLabel::BMP2) doc.ShowBrightPoints();
  return true;
}

namespace {

// Page just shown, then the given keys, then the "A" button for auto.
TStarSettings ShownPage(TDocument& doc, const TStepValues& v) {
  TStarSettings s;
  StarPageShown(doc, s);
  StarSettingsFrom(v, s);
  if (s.Threshold == kAutoValue) AutoThreshold(doc, s);
  return s;
}

std::vector<TParamSpec> ExtractionParams() {
  const std::vector<TParamSpec>& all = StarParams();
  return {all[0], all[1]};
}

}  // namespace

std::vector<TStepSpec> StarSteps() {
  TStepSpec points;
  points.name = "brightpoints";
  points.page = "star filter: the image becomes the bright-point image (\"輝点抽出\")";
  points.params = ExtractionParams();
  points.run = [](TDocument& doc, const TStepValues& given, std::string&) {
    // The two keys of this step over the whole table's defaults.
    TStepValues v(&StarParams());
    v.Set("threshold", given.Get("threshold"));
    v.Set("density", given.Get("density"));
    TStarSettings s = ShownPage(doc, v);
    ExtractStarPoints(doc, s);
    // The bright points become the picture the way every page's result does.
    doc.Preview([&doc](const TBitmap&, TBitmap& result) {
      result = doc.BrightPoints();
      return true;
    });
    doc.Apply(nullptr);
    return true;
  };

  TStepSpec star;
  star.name = "star";
  star.page = "star filter Preview on a page just shown (bright points extracted afresh)";
  star.params = StarParams();
  star.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    TStarSettings s = ShownPage(doc, v);
    StarApply(doc, s);
    return true;
  };
  return {points, star};
}

}  // namespace kira
