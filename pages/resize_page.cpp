#include "pages/resize_page.h"

#include <algorithm>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "effects/resample.h"

namespace kira {

namespace {

std::optional<int> FollowAspect(int given, int givenSide, int otherSide) {
  if (givenSide == 0) return std::nullopt;
  const long double v = static_cast<long double>(static_cast<std::int64_t>(otherSide) * given) / givenSide;
  // Both spin edits have the same range.
  const TParamSpec& spin = ParamRow(ResizeParams(), "width");
  return std::clamp(RoundHalfAway(v), spin.ControlMin(), spin.ControlMax());
}

}  // namespace

std::uint8_t ResampleCodeOf(TResizeMethod method) {
  switch (method) {
    case TResizeMethod::Nearest: return kResampleNearest;
    case TResizeMethod::Bilinear: return kResampleBilinear;
    case TResizeMethod::Bicubic: return kResampleBicubic;
    case TResizeMethod::Lagrange: return kResampleLagrange;
    case TResizeMethod::BSpline: return kResampleBSpline;
    case TResizeMethod::Mitchell: return kResampleMitchell;
  }
  return kResampleBilinear;
}

TResizeMethod ResizeMethodOfChecked(const std::array<bool, kResizeMethodCount>& checked) {
  for (int i = 0; i < kResizeMethodCount; ++i) {
    if (checked[i]) return static_cast<TResizeMethod>(i);
  }
  return TResizeMethod::Bilinear;
}

std::uint8_t ResampleCodeOfChecked(const std::array<bool, kResizeMethodCount>& checked) {
  return ResampleCodeOf(ResizeMethodOfChecked(checked));
}

std::int64_t GreatestCommonDivisor(std::int64_t a, std::int64_t b) {
  while (b != 0) {
    const std::int64_t r = a % b;
    a = b;
    b = r;
  }
  return a;
}

std::string RatioLabelText(int width, int height, const std::string& pattern) {
  const std::int64_t g = GreatestCommonDivisor(width, height);
  if (g == 0) return FillIn(pattern, {"0", "0"});
  return FillIn(pattern, {std::to_string(width / g), std::to_string(height / g)});
}

std::string WidthLabelText(int width, const std::string& pattern) { return FillIn(pattern, {std::to_string(width)}); }
std::string HeightLabelText(int height, const std::string& pattern) {
  return FillIn(pattern, {std::to_string(height)});
}

std::optional<int> HeightForWidth(int width, int height, int newWidth) {
  return FollowAspect(newWidth, width, height);
}

std::optional<int> WidthForHeight(int width, int height, int newHeight) {
  return FollowAspect(newHeight, height, width);
}

TResizeOpening OpenResizePage(const TBitmap& source) {
  TResizeOpening o;
  if (!source.Empty()) {
    o.width = source.Width();
    o.height = source.Height();
  }
  o.ratioLabel = RatioLabelText(o.width, o.height);
  o.widthLabel = WidthLabelText(o.width);
  o.heightLabel = HeightLabelText(o.height);
  return o;
}

const std::vector<TParamSpec>& ResizeParams() {
  // The spin edits hold 0 until the page is opened; the batch tool needs a
  // side of at least 1.
  static const std::vector<TParamSpec> params = {
      {.key = "width", .min = 1, .max = 10000, .def = 0,
       .help = "the current width when not given; alone, the height follows the aspect ratio",
       .control = TControlKind::SpinEdit, .name = "SpinEditNewW", .controlMin = 0, .controlMax = 10000},
      {.key = "height", .min = 1, .max = 10000, .def = 0,
       .help = "the current height when not given; alone, the width follows the aspect ratio",
       .control = TControlKind::SpinEdit, .name = "SpinEditNewH", .controlMin = 0, .controlMax = 10000},
      {.key = "method", .kind = TParamKind::Choice, .def = 2,
       .choices = {"nearest", "bilinear", "bicubic", "lagrange", "bspline", "mitchell"},
       .control = TControlKind::Radios,
       .radios = {{"RadioButtonNearest", KIRA_TR_NOOP("kira::Settings", "最近傍法")},
                  {"RadioButtonBilinear", KIRA_TR_NOOP("kira::Settings", "バイリニア")},
                  {"RadioButtonBicubic", KIRA_TR_NOOP("kira::Settings", "バイキュービック")},
                  {"RadioButtonLagrange", KIRA_TR_NOOP("kira::Settings", "ラグランジェ")},
                  {"RadioButtonBSpline", KIRA_TR_NOOP("kira::Settings", "Bスプライン")},
                  {"RadioButtonMitchell", KIRA_TR_NOOP("kira::Settings", "ミッチェル")}}},
  };
  return params;
}

bool ResizePicture(const TBitmap& source, TBitmap& result, const TResizeSettings& settings) {
  // Destination rows are independent, so both cores share them; the bytes
  // are the same with any number of threads.
  return ResampleInto(source, result, settings.newWidth, settings.newHeight, ResampleCodeOf(settings.method),
                      DefaultThreads());
}

TResizeMethod DefaultResizeMethod() {
  return static_cast<TResizeMethod>(TStepValues(&ResizeParams()).Get("method"));
}

std::vector<TStepSpec> ResizeSteps() {
  TStepSpec s;
  s.name = "resize";
  s.page = "resize";
  s.params = ResizeParams();
  s.run = [](TDocument& doc, const TStepValues& v, std::string& error) {
    const TResizeOpening open = OpenResizePage(doc.Source());
    TResizeSettings settings;
    settings.newWidth = open.width;
    settings.newHeight = open.height;
    settings.method = static_cast<TResizeMethod>(v.Get("method"));
    // One size given: the other follows as when the user leaves that field.
    if (v.Given("width")) {
      settings.newWidth = v.Get("width");
      if (!v.Given("height")) {
        settings.newHeight = HeightForWidth(open.width, open.height, settings.newWidth).value_or(settings.newHeight);
      }
    }
    if (v.Given("height")) {
      settings.newHeight = v.Get("height");
      if (!v.Given("width")) {
        settings.newWidth = WidthForHeight(open.width, open.height, settings.newHeight).value_or(settings.newWidth);
      }
    }
    // The page would pass a side of 0 on and keep the picture unchanged;
    // the batch tool says so instead of writing an unresized picture.
    if (!doc.Source().Empty() && (settings.newWidth < 1 || settings.newHeight < 1)) {
      error = "the size that keeps the aspect ratio is " + std::to_string(settings.newWidth) + " x " +
              std::to_string(settings.newHeight) + "; give both width and height";
      return false;
    }
    kResizeEffect.Apply(doc, settings);
    return true;
  };
  return {s};
}

}  // namespace kira
