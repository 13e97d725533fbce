#include "pages/brightness_page.h"

#include "core/parallel_rows.h"
#include "tone/tone_curves.h"

namespace kira {

namespace {

constexpr TBrightnessKind kPreviewOrder[] = {TBrightnessKind::Gamma, TBrightnessKind::Contrast,
                                             TBrightnessKind::Tilt, TBrightnessKind::Shift};

int Index(TBrightnessKind kind) { return static_cast<int>(kind); }

}  // namespace

TTrackRange BrightnessRange(TBrightnessKind kind) {
  switch (kind) {
    case TBrightnessKind::Gamma: return {-70, 70};
    case TBrightnessKind::Tilt: return {-35, 35};
    case TBrightnessKind::Shift: return {-70, 70};
    case TBrightnessKind::Contrast: break;
  }
  return {-90, 90};
}

TBrightnessSettings OpenedBrightnessSettings() {
  const TStepValues defaults(&BrightnessParams());
  TBrightnessSettings s;
  s.checked = {};
  s.checked[defaults.Get("kind")] = true;
  s.position.fill(defaults.Get("position"));
  return s;
}

const TBrightnessKind* BrightnessKindOfChecked(const std::array<bool, kBrightnessKindCount>& checked) {
  for (const TBrightnessKind& kind : kPreviewOrder) {
    if (checked[Index(kind)]) return &kind;
  }
  return nullptr;
}

std::string BrightnessLabelText(TBrightnessKind kind, int position) {
  return kind == TBrightnessKind::Gamma ? GammaLabelText(position) : PositionLabelText(position);
}

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

bool BrightnessPreview(TDocument& doc, const TBrightnessSettings& settings) {
  const TBrightnessKind* kind = BrightnessKindOfChecked(settings.checked);
  return doc.Preview([&](const TBitmap& source, TBitmap& result) {
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
  });
}

void ApplyBrightness(TDocument& doc, const TBrightnessSettings& settings) {
  doc.Apply([&] { BrightnessPreview(doc, settings); });
}

const std::vector<TParamSpec>& BrightnessParams() {
  static const std::vector<TParamSpec> params = {
      {"kind", TParamKind::Choice, 0, 0, 0, {"gamma", "tilt", "shift", "contrast"}, "", "",
       {"RadioButtonGamma", "RadioButtonBrightness1", "RadioButtonBrightness2", "RadioButtonContrast"}},
      {"position", TParamKind::Integer, -90, 90, 0, {},
       "the kind's track bar: gamma -70..70, tilt -35..35, shift -70..70, contrast -90..90", "", {}},
  };
  return params;
}

std::vector<TStepSpec> BrightnessSteps() {
  TStepSpec s;
  s.name = "brightness";
  s.page = "brightness: one of four tone curves at its track-bar position, then Apply";
  s.params = BrightnessParams();
  s.check = [](const TStepValues& v) -> std::string {
    const auto kind = static_cast<TBrightnessKind>(v.Get("kind"));
    const TTrackRange r = BrightnessRange(kind);
    const int p = v.Get("position");
    if (p >= r.min && p <= r.max) return "";
    static const char* const names[] = {"gamma", "tilt", "shift", "contrast"};
    return "position '" + std::to_string(p) + "' is outside " + std::to_string(r.min) + ".." +
           std::to_string(r.max) + " for " + names[Index(kind)];
  };
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    TBrightnessSettings settings = OpenedBrightnessSettings();
    const int kind = v.Get("kind");
    settings.checked = {};
    settings.checked[kind] = true;
    settings.position[kind] = v.Get("position");
    ApplyBrightness(doc, settings);
    return true;
  };
  return {s};
}

}  // namespace kira
