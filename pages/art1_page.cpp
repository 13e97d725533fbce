#include "pages/art1_page.h"

#include "core/parallel_rows.h"
#include "effects/art.h"
#include "effects/laplacian.h"

namespace kira {

namespace {

const char* const kKindNames[] = {"watercolor", "solarize", "fisheye", "sobel", "edge1", "edge2", "edge3", "negative"};

// The batch key "level": the chosen kind's track bar, none for three kinds.
// A default outside the range: the kind's own track bar gives it.
const TParamSpec& LevelRow() {
  static const TParamSpec row = [] {
    TParamSpec r = PerChoiceRow(Art1Params(), {.key = "level", .def = -1, .choiceOf = "kind",
                                               .perChoice = {"watercolor", "solarize", "fisheye", "", "edge1",
                                                             "edge2", "", ""}});
    // --help names each kind's range and default.
    r.help = "the kind's track-bar position:";
    for (int k = 0; k < 8; ++k) {
      if (const TParamSpec* bar = RowOfChoice(Art1Params(), r, k)) {
        r.help += std::string(k ? ", " : " ") + kKindNames[k] + " " + std::to_string(bar->min) + ".." +
                  std::to_string(bar->max) + " (" + std::to_string(bar->def) + ")";
      }
    }
    r.help += "; refused for sobel, edge3 and negative";
    return r;
  }();
  return row;
}

}  // namespace

const std::vector<TParamSpec>& Art1Params() {
  static const std::vector<TParamSpec> params = {
      {.key = "kind", .kind = TParamKind::Choice, .def = 0, .choices = {kKindNames, kKindNames + 8},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonEFCT21", KIRA_TR_NOOP("kira::Settings", "水彩画")},
                  {"RadioButtonEFCT22", KIRA_TR_NOOP("kira::Settings", "ソラリゼーション")},
                  {"RadioButtonEFCT23", KIRA_TR_NOOP("kira::Settings", "魚眼レンズ")},
                  {"RadioButtonEFCT24", KIRA_TR_NOOP("kira::Settings", "ゾーベルフィルタ")},
                  {"RadioButtonEFCT25", KIRA_TR_NOOP("kira::Settings", "エッジ抽出1")},
                  {"RadioButtonEFCT26", KIRA_TR_NOOP("kira::Settings", "エッジ抽出2")},
                  {"RadioButtonEFCT27", KIRA_TR_NOOP("kira::Settings", "エッジ抽出3")},
                  {"RadioButtonEFCT28", KIRA_TR_NOOP("kira::Settings", "ネガ・ポジ反転")}}},
      {.key = "watercolor", .min = 1, .max = 5, .def = 1,
       .control = TControlKind::TrackBar, .name = "TrackBarEFCT21", .tickInterval = 1, .hint = KIRA_TR_NOOP("kira::Settings", "1～5"),
       .label = "LabelEFCT21", .labelCaption = "   1", .format = Art1LevelLabelText},
      {.key = "solarize", .min = 0, .max = 255, .def = 128,
       .control = TControlKind::TrackBar, .name = "TrackBarEFCT22", .pageStep = 32, .tickInterval = 16,
       .hint = KIRA_TR_NOOP("kira::Settings", "0～255"), .label = "LabelEFCT22", .labelCaption = "   128", .format = Art1LevelLabelText},
      // The fisheye's hint has always read 0～255, whatever its range.
      {.key = "fisheye", .min = 1, .max = 11, .def = 8,
       .control = TControlKind::TrackBar, .name = "TrackBarEFCT23", .tickInterval = 1, .hint = KIRA_TR_NOOP("kira::Settings", "0～255"),
       .label = "LabelEFCT23", .labelCaption = "   0.8", .format = FishEyeLabelText},
      {.key = "edge1", .min = 5, .max = 55, .def = 20,
       .control = TControlKind::TrackBar, .name = "TrackBarEFCT25", .pageStep = 10, .tickInterval = 5,
       .hint = KIRA_TR_NOOP("kira::Settings", "5～55"), .label = "LabelEFCT25", .labelCaption = "   20", .format = Art1LevelLabelText},
      {.key = "edge2", .min = 1, .max = 100, .def = 20,
       .control = TControlKind::TrackBar, .name = "TrackBarEFCT26", .pageStep = 10, .tickInterval = 5,
       .hint = KIRA_TR_NOOP("kira::Settings", "1～100"), .label = "LabelEFCT26", .labelCaption = "   20", .format = Art1LevelLabelText},
      {.key = "continuous", .min = 0, .max = 1, .def = 0, .help = "edge2 only",
       .control = TControlKind::CheckBox, .name = "CheckBox26"},
  };
  return params;
}

TArt1Settings Art1SettingsOf(const TStepValues& values) {
  return {static_cast<TArt1Kind>(values.Get("kind")),
          values.Get("watercolor"),
          values.Get("solarize"),
          values.Get("fisheye"),
          values.Get("edge1"),
          values.Get("edge2"),
          values.Get("continuous") != 0};
}

TArt1Settings Art1Defaults() {
  static const TArt1Settings defaults = Art1SettingsOf(TStepValues(&Art1Params()));
  return defaults;
}

const TParamSpec* Art1LevelRow(TArt1Kind kind) {
  return RowOfChoice(Art1Params(), LevelRow(), static_cast<int>(kind));
}

std::string Art1LevelLabelText(int position) { return std::to_string(position); }

std::string FishEyeLabelText(int position) {
  // Tenths in integers: the label never shows a binary fraction's tail.
  const int tenths = position < 0 ? -position : position;
  return std::string(position < 0 ? "-" : "") + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

bool Art1Picture(TBitmap& image, const TArt1Settings& s) {
  bool done = false;
  switch (s.kind) {
    case TArt1Kind::Watercolor: done = Watercolor(image, s.watercolor + 2, DefaultThreads()); break;
    case TArt1Kind::Solarize: done = Solarize(image, s.solarize); break;
    case TArt1Kind::FishEye:
      done = FishEye(image, static_cast<float>(s.fisheye / 10.0L), DefaultThreads());
      break;
    case TArt1Kind::Sobel: done = SobelEdges(image, false, DefaultThreads()); break;
    case TArt1Kind::Edge1: done = ThresholdEdges(image, s.edge1); break;
    case TArt1Kind::Edge2:
      done = LaplacianEdges(image, s.edge2, s.continuous ? TLaplacianMode::Continuous : TLaplacianMode::Threshold,
                            DefaultThreads());
      break;
    case TArt1Kind::Edge3: done = ShadedEdges(image, false); break;
    case TArt1Kind::Negative: done = Negative(image); break;
  }
  // Two of the edge drawings leave 1 or 8 bits per pixel; the working images
  // are 24-bit.
  image.SetPixelFormat(TPixelFormat::pf24bit);
  return done;
}

std::vector<TStepSpec> Art1Steps() {
  const std::vector<TParamSpec>& page = Art1Params();
  TStepSpec s;
  s.name = "art1";
  s.page = "art effects 1";
  s.params = {page[0], LevelRow(), page.back()};
  s.check = [](const TStepValues& v) -> std::string {
    const int kind = v.Get("kind");
    if (std::string problem = CheckPerChoice(Art1Params(), LevelRow(), v); !problem.empty()) return problem;
    if (v.Given("continuous") && static_cast<TArt1Kind>(kind) != TArt1Kind::Edge2)
      return std::string("'continuous' is for edge2 only, not ") + kKindNames[kind];
    return "";
  };
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    // The page as shown: every control at its default, then the given ones.
    TStepValues page(&Art1Params());
    page.Set("kind", v.Get("kind"));
    if (const TParamSpec* row = Art1LevelRow(static_cast<TArt1Kind>(v.Get("kind")))) {
      if (v.Given("level")) page.Set(row->key, v.Get("level"));
    }
    page.Set("continuous", v.Get("continuous"));
    kArt1Effect.Apply(doc, Art1SettingsOf(page));
    return true;
  };
  return {s};
}

}  // namespace kira
