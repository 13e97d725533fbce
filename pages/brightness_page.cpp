#include "pages/brightness_page.h"

#include "core/parallel_rows.h"
#include "pages/page_list.h"
#include "pages/recipe.h"
#include "tone/tone_curves.h"

namespace kira {

namespace {

constexpr TBrightnessKind kPreviewOrder[] = {TBrightnessKind::Gamma, TBrightnessKind::Contrast,
                                             TBrightnessKind::Tilt, TBrightnessKind::Shift};

int Index(TBrightnessKind kind) { return static_cast<int>(kind); }

}  // namespace

namespace {

// The batch key "position": the chosen kind's track bar.
const TParamSpec& PositionRow() {
  static const TParamSpec row = [] {
    TParamSpec r = PerChoiceRow(BrightnessParams(), {.key = "position", .def = 0, .help = "the kind's track bar:",
                                                     .choiceOf = "kind",
                                                     .perChoice = {"gamma", "tilt", "shift", "contrast"}});
    for (int k = 0; k < kBrightnessKindCount; ++k) {
      const TParamSpec& bar = *RowOfChoice(BrightnessParams(), r, k);
      r.help += std::string(k ? ", " : " ") + bar.key + " " + std::to_string(bar.min) + ".." + std::to_string(bar.max);
    }
    return r;
  }();
  return row;
}

}  // namespace

const TParamSpec& BrightnessRow(TBrightnessKind kind) { return *RowOfChoice(BrightnessParams(), PositionRow(), Index(kind)); }

TBrightnessSettings OpenedBrightnessSettings() {
  std::array<bool, kBrightnessKindCount> checked{};
  checked[TStepValues(&BrightnessParams()).Get("kind")] = true;
  std::array<int, kBrightnessKindCount> position{};
  for (int k = 0; k < kBrightnessKindCount; ++k) position[k] = BrightnessRow(static_cast<TBrightnessKind>(k)).def;
  return {checked, position};
}

const TBrightnessKind* BrightnessKindOfChecked(const std::array<bool, kBrightnessKindCount>& checked) {
  for (const TBrightnessKind& kind : kPreviewOrder) {
    if (checked[Index(kind)]) return &kind;
  }
  return nullptr;
}

std::string BrightnessLabelText(TBrightnessKind kind, int position) { return BrightnessRow(kind).format(position); }

TBitmap BrightnessPicture(TBrightnessKind kind, int position) {
  TBitmap picture;
  switch (kind) {
    case TBrightnessKind::Gamma: DrawGammaCurve(picture, GammaLabelX(position)); break;
    case TBrightnessKind::Tilt: DrawTiltCurve(picture, position); break;
    case TBrightnessKind::Shift: DrawShiftCurve(picture, position); break;
    case TBrightnessKind::Contrast: DrawContrastCurve(picture, position); break;
  }
  return picture;
}

TBitmap IdentityPicture() {
  TBitmap picture;
  DrawShiftCurve(picture, 0);
  return picture;
}

TBrightnessView TrackBarChanged(TBrightnessKind kind, int position) {
  return {BrightnessLabelText(kind, position), BrightnessPicture(kind, position)};
}

TBrightnessView RadioClicked(TBrightnessKind kind, int position) {
  TBrightnessView view = TrackBarChanged(kind, position);
  if (kind == TBrightnessKind::Contrast) view.picture = IdentityPicture();
  return view;
}

bool ToneCurvePicture(const TBitmap& source, TBitmap& result, const TBrightnessSettings& settings) {
  const TBrightnessKind* kind = BrightnessKindOfChecked(settings.checked);
  const int threads = DefaultThreads();
  if (!kind) {
    result = source;
    return true;
  }
  const int p = settings.position[Index(*kind)];
  switch (*kind) {
    case TBrightnessKind::Gamma: return GammaCurve(source, result, p / 20.0, threads);
    case TBrightnessKind::Contrast: return ContrastCurve(source, result, p, threads);
    case TBrightnessKind::Tilt: return TiltCurve(source, result, p, threads);
    case TBrightnessKind::Shift: return ShiftCurve(source, result, p, threads);
  }
  return false;
}

std::string BrightnessStepLine(const TBrightnessSettings& settings) {
  const TBrightnessKind* kind = BrightnessKindOfChecked(settings.checked);
  if (!kind) return "# brightness: no curve chosen, the picture unchanged";
  TStepValues values(&BrightnessParams());
  values.Set("kind", Index(*kind));
  for (int k = 0; k < kBrightnessKindCount; ++k) {
    values.Set(BrightnessRow(static_cast<TBrightnessKind>(k)).key, settings.position[k]);
  }
  return PageStepLine(*PageOfSteps(BrightnessSteps), values);
}

const std::vector<TParamSpec>& BrightnessParams() {
  // The kind, then one row per track bar.
  static const std::vector<TParamSpec> params = {
      {.key = "kind", .kind = TParamKind::Choice, .def = 0, .choices = {"gamma", "tilt", "shift", "contrast"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonGamma", KIRA_TR_NOOP("kira::Settings", "ガンマ補正")},
                  {"RadioButtonBrightness1", KIRA_TR_NOOP("kira::Settings", "明暗調整(傾斜)")},
                  {"RadioButtonBrightness2", KIRA_TR_NOOP("kira::Settings", "明暗調整(増減)")},
                  {"RadioButtonContrast", KIRA_TR_NOOP("kira::Settings", "コントラスト")}}},
      {.key = "gamma", .min = -70, .max = 70, .def = 0,
       .control = TControlKind::TrackBar, .name = "TrackBarGamma", .lineStep = 10, .pageStep = 20,
       .tickInterval = 10, .hint = KIRA_TR_NOOP("kira::Settings", "ガンマ補正"), .label = "LabelGamma", .labelCaption = "1.00",
       .format = GammaLabelText},
      {.key = "tilt", .min = -35, .max = 35, .def = 0,
       .control = TControlKind::TrackBar, .name = "TrackBarBrightness1", .lineStep = 10, .pageStep = 10,
       .tickInterval = 5, .hint = KIRA_TR_NOOP("kira::Settings", "露出補正"), .label = "LabelBrightness1", .labelCaption = "0.00",
       .format = PositionLabelText},
      {.key = "shift", .min = -70, .max = 70, .def = 0,
       .control = TControlKind::TrackBar, .name = "TrackBarBrightness2", .lineStep = 10, .pageStep = 20,
       .tickInterval = 10, .hint = KIRA_TR_NOOP("kira::Settings", "露出補正"), .label = "LabelBrightness2", .labelCaption = "0.00",
       .format = PositionLabelText},
      {.key = "contrast", .min = -90, .max = 90, .def = 0,
       .control = TControlKind::TrackBar, .name = "TrackBarContrast", .lineStep = 10, .pageStep = 40,
       .tickInterval = 20, .hint = KIRA_TR_NOOP("kira::Settings", "コントラスト調整"), .label = "LabelContrast", .labelCaption = "0.00",
       .format = PositionLabelText},
  };
  return params;
}

std::vector<TStepSpec> BrightnessSteps() {
  TStepSpec s;
  s.name = "brightness";
  s.page = "brightness: one of four tone curves at its track-bar position, then Apply";
  s.params = {BrightnessParams().front(), PositionRow()};
  s.check = [](const TStepValues& v) { return CheckPerChoice(BrightnessParams(), PositionRow(), v); };
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    TBrightnessSettings settings = OpenedBrightnessSettings();
    const int kind = v.Get("kind");
    settings.checked = {};
    settings.checked[kind] = true;
    settings.position[kind] = v.Get("position");
    kBrightnessEffect.Apply(doc, settings);
    return true;
  };
  return {s};
}

}  // namespace kira
