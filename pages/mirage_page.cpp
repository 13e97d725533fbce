#include "pages/mirage_page.h"

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "effects/mirage.h"

namespace kira {

const std::vector<TParamSpec>& MirageParams() {
  static const std::vector<TParamSpec> params = {
      {"kind", TParamKind::Choice, 0, 0, 0, {"circle", "line"}, "", "",
       {"RadioButtonMirageA", "RadioButtonMirageB"}},
      {"mode", TParamKind::Choice, 0, 0, 2, {"bright", "dark", "blend"}, "", "",
       {"RadioButtonBright", "RadioButtonDark", "RadioButtonABrend"}},
      {"faces", TParamKind::Integer, 2, 24, 5, {}, "", "SpinEditMirageNo", {}},
      {"angle", TParamKind::Integer, 0, 360, 60, {}, "", "SpinEditDeg", {}},
      {"offset", TParamKind::Integer, 5, 55, 30, {}, "", "TrackBarDiff", {}},
      {"density", TParamKind::Integer, 0, 16, 10, {}, "the track-bar position", "TrackBarNoudo", {}},
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

bool MiragePreview(TDocument& doc, const TMirageSettings& settings) {
  return doc.PreviewInPlace([&](TBitmap& result) { return MiragePicture(result, settings); });
}

void ApplyMirage(TDocument& doc, const TMirageSettings& settings) {
  doc.Apply([&] { MiragePreview(doc, settings); });
}

std::vector<TStepSpec> MirageSteps() {
  TStepSpec s;
  s.name = "mirage";
  s.page = "mirage";
  s.params = MirageParams();
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    ApplyMirage(doc, MirageSettingsOf(v));
    return true;
  };
  return {s};
}

}  // namespace kira
