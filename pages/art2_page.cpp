#include "pages/art2_page.h"

#include "core/parallel_rows.h"
#include "effects/noise.h"

namespace kira {

const std::vector<TParamSpec>& Art2Params() {
  static const std::vector<TParamSpec> params = {
      {"kind", TParamKind::Choice, 0, 0, 0, {"colornoise", "mononoise", "ripple", "spray"}, "", "",
       {"RadioButtonEFCT31", "RadioButtonEFCT32", "RadioButtonEFCT33", "RadioButtonEFCT34"}},
      {"level", TParamKind::Integer, 1, 128, 64, {}, "", "TrackBarEFCT31", {}},
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

bool Art2Preview(TDocument& doc, const TArt2Settings& settings) {
  return doc.PreviewInPlace([&](TBitmap& result) { return Art2Picture(result, settings); });
}

void ApplyArt2(TDocument& doc, const TArt2Settings& settings) {
  doc.Apply([&] { Art2Preview(doc, settings); });
}

std::vector<TStepSpec> Art2Steps() {
  TStepSpec s;
  s.name = "art2";
  s.page = "art effects 2 (--seed sets the generator; the ripple reseeds from the clock)";
  s.params = Art2Params();
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    ApplyArt2(doc, Art2SettingsOf(v));
    return true;
  };
  return {s};
}

}  // namespace kira
