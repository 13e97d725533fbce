// The colour-filter page ("カラーフィルター", TabSheet2): a filter colour
// (PanelCOL, chosen in the colour dialog behind SpeedButton1) and a density
// in per cent (SpinEditCOLD). The window holds the controls and forwards to
// these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/steps.h"

namespace kira {

struct TColorFilterSettings {
  std::uint32_t color = 0xFFFFFF;  // 0x00BBGGRR, red in the lowest byte
  int density = 50;                // 0..100
};

// TabSheet2Show: PanelCOL white, SpinEditCOLD 50.
TColorFilterSettings OpenedColorFilterSettings();

// The batch tool's RRGGBB (0xRRGGBB) as a filter colour (0x00BBGGRR), and
// back.
std::uint32_t ColorOfRgbHex(int rrggbb);
int RgbHexOfColor(std::uint32_t color);

// ButtonCClick redraws the histogram before the page opens: for the result
// image when it holds a picture, otherwise for the source image when it
// does; null when neither does (no redraw).
const TBitmap* ColorFilterHistogramImage(const TDocument& doc);

// Preview (ButtonCOL): ColorFilter on a copy of the source with strength
// 100 - density. Nothing with an empty source.
bool ColorFilterPreview(TDocument& doc, const TColorFilterSettings& settings);
// Apply (ButtonOK2).
void ApplyColorFilter(TDocument& doc, const TColorFilterSettings& settings);

const std::vector<TParamSpec>& ColorFilterParams();
// Batch step "colorfilter": color RRGGBB, density.
std::vector<TStepSpec> ColorFilterSteps();

}  // namespace kira
