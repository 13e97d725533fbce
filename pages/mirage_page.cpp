#include "pages/mirage_page.h"

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "effects/mirage.h"

namespace kira {

const std::vector<TParamSpec>& MirageParams() {
  static const std::vector<TParamSpec> params = {
      {.key = "kind", .kind = TParamKind::Choice, .def = 0, .choices = {"circle", "line"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonMirageA", KIRA_TR_NOOP("kira::Settings", "サークル")},
                  {"RadioButtonMirageB", KIRA_TR_NOOP("kira::Settings", "ライン")}}},
      {.key = "mode", .kind = TParamKind::Choice, .def = 2, .choices = {"bright", "dark", "blend"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonBright", KIRA_TR_NOOP("kira::Settings", "明るさ優先")},
                  {"RadioButtonDark", KIRA_TR_NOOP("kira::Settings", "暗さ優先")},
                  {"RadioButtonABrend", KIRA_TR_NOOP("kira::Settings", "ブレンド")}}},
      {.key = "faces", .min = 2, .max = 24, .def = 5,
       .control = TControlKind::SpinEdit, .name = "SpinEditMirageNo", .rangeHint = true},
      {.key = "angle", .min = 0, .max = 360, .def = 60,
       .control = TControlKind::SpinEdit, .name = "SpinEditDeg", .rangeHint = true},
      {.key = "offset", .min = 5, .max = 55, .def = 30,
       .control = TControlKind::TrackBar, .name = "TrackBarDiff", .pageStep = 10, .tickInterval = 5,
       .hint = KIRA_TR_NOOP("kira::Settings", "5～55"), .label = "LabelDiff", .format = MirageOffsetLabelText},
      {.key = "density", .min = 0, .max = 16, .def = 10, .help = "the track-bar position",
       .control = TControlKind::TrackBar, .name = "TrackBarNoudo", .pageStep = 4, .tickInterval = 1,
       .hint = KIRA_TR_NOOP("kira::Settings", "0.2～1.0"), .label = "LabelNoudo", .format = MirageDensityLabelText},
  };
  return params;
}

TMirageSettings MirageSettingsOf(const TStepValues& values) {
  return {static_cast<TMirageKind>(values.Get("kind")), static_cast<TMirageMode>(values.Get("mode")),
          values.Get("faces"),  values.Get("angle"),
          values.Get("offset"), values.Get("density")};
}

TMirageSettings MirageDefaults() { return MirageSettingsOf(TStepValues(&MirageParams())); }

float MirageDensity(int position) { return static_cast<float>(position / 20.0L + 0.2L); }

std::string MirageOffsetLabelText(int position) { return std::to_string(position); }

std::string MirageDensityLabelText(int position) {
  // The densities are multiples of 0.05 held in single precision, a few
  // millionths off at most, so the nearest hundredth is the one meant.
  const int hundredths = RoundHalfAway(static_cast<long double>(MirageDensity(position)) * 100);
  const int whole = hundredths / 100, rest = hundredths % 100;
  return std::to_string(whole) + "." + (rest < 10 ? "0" : "") + std::to_string(rest);
}

bool MiragePicture(TBitmap& image, const TMirageSettings& s) {
  const float density = MirageDensity(s.densityPosition);
  const int threads = DefaultThreads();
  const bool line = s.kind == TMirageKind::Line;
  if (s.mode == TMirageMode::Blend) {
    return line ? MirageLineBlend(image, s.faces, s.angleDeg, s.offsetPct, density, threads)
                : MirageCircleBlend(image, s.faces, s.angleDeg, s.offsetPct, density, threads);
  }
  const bool dark = s.mode == TMirageMode::Dark;
  return line ? MirageLinePriority(image, s.faces, s.angleDeg, s.offsetPct, density, dark, threads)
              : MirageCirclePriority(image, s.faces, s.angleDeg, s.offsetPct, density, dark, threads);
}

std::vector<TStepSpec> MirageSteps() {
  return {kMirageEffect.Step("mirage",
                             "mirage",
                             MirageParams())};
}

}  // namespace kira
