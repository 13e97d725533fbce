#include "pages/art2_page.h"

#include "core/parallel_rows.h"
#include "effects/noise.h"

namespace kira {

const std::vector<TParamSpec>& Art2Params() {
  static const std::vector<TParamSpec> params = {
      {.key = "kind", .kind = TParamKind::Choice, .def = 0, .choices = {"colornoise", "mononoise", "ripple", "spray"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonEFCT31", KIRA_TR_NOOP("kira::Settings", "カラーノイズ")},
                  {"RadioButtonEFCT32", KIRA_TR_NOOP("kira::Settings", "モノクロノイズ")},
                  {"RadioButtonEFCT33", KIRA_TR_NOOP("kira::Settings", "リップル")},
                  {"RadioButtonEFCT34", KIRA_TR_NOOP("kira::Settings", "スプレー")}}},
      {.key = "level", .min = 1, .max = 128, .def = 64,
       .control = TControlKind::TrackBar, .name = "TrackBarEFCT31", .pageStep = 32, .tickInterval = 8,
       .hint = KIRA_TR_NOOP("kira::Settings", "1～128"), .label = "LabelEFCT31", .labelCaption = "   64", .format = Art2LevelLabelText},
  };
  return params;
}

TArt2Settings Art2SettingsOf(const TStepValues& values) {
  return {static_cast<TArt2Kind>(values.Get("kind")), values.Get("level")};
}

TArt2Settings Art2Defaults() { return Art2SettingsOf(TStepValues(&Art2Params())); }

std::string Art2LevelLabelText(int level) { return std::to_string(level); }

bool Art2Picture(TBitmap& image, const TArt2Settings& settings) {
  const int p = settings.level;
  bool done = false;
  switch (settings.kind) {
    case TArt2Kind::ColorNoise: done = ColorNoise(image, p, DefaultThreads()); break;
    case TArt2Kind::MonoNoise: done = MonoNoise(image, p, DefaultThreads()); break;
    case TArt2Kind::Ripple: done = Ripple(image, p, DefaultThreads()); break;
    case TArt2Kind::Spray: done = Spray(image, p); break;
  }
  image.SetPixelFormat(TPixelFormat::pf24bit);
  return done;
}

std::vector<TStepSpec> Art2Steps() {
  TStepSpec s = kArt2Effect.Step("art2", "art effects 2 (--seed sets the generator; the ripple reseeds from the clock)",
                                 Art2Params());
  s.random = true;
  s.unrepeatable = [](const TStepValues& v) -> std::string {
    if (static_cast<TArt2Kind>(v.Get("kind")) != TArt2Kind::Ripple) return "";
    return "the ripple seeds the random generator from the clock";
  };
  return {s};
}

}  // namespace kira
