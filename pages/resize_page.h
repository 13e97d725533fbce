// The resize page ("リサイズ"): its settings, the arithmetic behind
// its labels and spin edits, its Preview and Apply, and the batch step
// "resize". The window only holds the controls and forwards to these.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// The method radio buttons in the order the page tests them.
enum class TResizeMethod { Nearest, Bilinear, Bicubic, Lagrange, BSpline, Mitchell };
inline constexpr int kResizeMethodCount = 6;

// The method the page selects when shown (the settings table's default).
TResizeMethod DefaultResizeMethod();

struct TResizeSettings {
  int newWidth = 0;
  int newHeight = 0;
  TResizeMethod method = DefaultResizeMethod();
};

// ResampleBitmap's code of a method: nearest 0, bilinear 1, bicubic 2,
// Lagrange 8, B-spline 3, Mitchell 5.
std::uint8_t ResampleCodeOf(TResizeMethod method);
// The first checked radio button in the page's order; bilinear (code 1) when
// none is checked.
TResizeMethod ResizeMethodOfChecked(const std::array<bool, kResizeMethodCount>& checked);
std::uint8_t ResampleCodeOfChecked(const std::array<bool, kResizeMethodCount>& checked);

// Euclid's remainder loop. GreatestCommonDivisor(a, 0) is a.
std::int64_t GreatestCommonDivisor(std::int64_t a, std::int64_t b);

// LabelRatio: "比率 " W/g " : " H/g with g the greatest common divisor,
// "比率 0 : 0" for an empty source (W = H = 0).
// LabelW: "幅　 = " W (an ideographic space after 幅); LabelH: "高さ = " H.
// Each from its pattern, which the editor passes translated.
inline constexpr const char* kRatioLabel = KIRA_TR_NOOP("kira::Labels", "比率 %1 : %2");
inline constexpr const char* kWidthLabel = KIRA_TR_NOOP("kira::Labels", "幅　 = %1");
inline constexpr const char* kHeightLabel = KIRA_TR_NOOP("kira::Labels", "高さ = %1");
std::string RatioLabelText(int width, int height, const std::string& pattern = kRatioLabel);
std::string WidthLabelText(int width, const std::string& pattern = kWidthLabel);
std::string HeightLabelText(int height, const std::string& pattern = kHeightLabel);

// The aspect rule when a spin edit loses the focus, for a source of
// width x height: the new height for the new width w is height * w / width
// rounded half away from zero (the product taken as an integer, divided as a
// real), and the new width for the new height h is width * h / height alike.
// The value is limited to the spin edit's range, as the spin edit limits what
// it is given. No value (the other spin edit keeps its own) when the
// division is by zero, that is for an empty source.
std::optional<int> HeightForWidth(int width, int height, int newWidth);
std::optional<int> WidthForHeight(int width, int height, int newHeight);

// Opening the page (ButtonReSizeClick): W and H of the source image (0 x 0
// when it is empty) give the labels and both spin edits.
struct TResizeOpening {
  int width = 0;
  int height = 0;
  std::string ratioLabel, widthLabel, heightLabel;
};
TResizeOpening OpenResizePage(const TBitmap& source);

// The page's settings table; the method's default is its only setting with one
// (the sizes come from the source when the page opens).
const std::vector<TParamSpec>& ResizeParams();

// The page's effect: the source resampled to newWidth x newHeight with the
// method's code, written straight into the result. A new side of 0 is
// refused by the resampler (false).
bool ResizePicture(const TBitmap& source, TBitmap& result, const TResizeSettings& settings);

// Preview (ButtonReS): the effect; nothing with an empty source; after a
// refusal the result is a copy of the source. Apply (ButtonOK5) runs Preview
// first when there is no result; the result becomes the source, the image
// window's caption is renewed, menu page.
inline constexpr TPageEffect<TResizeSettings> kResizeEffect{.fromSource = ResizePicture, .renewCaption = true};

// Batch step "resize".
std::vector<TStepSpec> ResizeSteps();

}  // namespace kira
