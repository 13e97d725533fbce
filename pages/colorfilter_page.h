// The colour-filter page ("カラーフィルター"): a filter colour
// (PanelCOL, chosen in the colour dialog behind SpeedButton1) and a density
// in per cent (SpinEditCOLD). The window holds the controls and forwards to
// these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"
#include "pages/page_effect.h"

namespace kira {

// TabSheet2Show: the colour panel and the density at the table's defaults.
struct TColorFilterSettings;
TColorFilterSettings OpenedColorFilterSettings();

struct TColorFilterSettings {
  std::uint32_t color = OpenedColorFilterSettings().color;  // 0x00BBGGRR, red in the lowest byte
  int density = OpenedColorFilterSettings().density;        // per cent
};

// The batch tool's RRGGBB (0xRRGGBB) as a filter colour (0x00BBGGRR), and
// back.
std::uint32_t ColorOfRgbHex(int rrggbb);
int RgbHexOfColor(std::uint32_t color);

// ButtonCClick redraws the histogram before the page opens: for the result
// image when it holds a picture, otherwise for the source image when it
// does; null when neither does (no redraw).
const TBitmap* ColorFilterHistogramImage(const TDocument& doc);

// The settings a table's values stand for.
TColorFilterSettings ColorFilterSettingsOf(const TStepValues& values);
// The page's effect: ColorFilter of the source with strength 100 - density.
bool FilterPicture(const TBitmap& source, TBitmap& result, const TColorFilterSettings& settings);

// Preview (ButtonCOL): the effect; nothing with an empty source.
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TColorFilterSettings> kColorFilterEffect{.fromSource = FilterPicture,
                                                                      .settingsOf = ColorFilterSettingsOf};

const std::vector<TParamSpec>& ColorFilterParams();
// Batch step "colorfilter": color RRGGBB, density.
std::vector<TStepSpec> ColorFilterSteps();

}  // namespace kira
