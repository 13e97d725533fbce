#include "pages/colorfilter_page.h"

#include "core/parallel_rows.h"
#include "tone/color_filter.h"

namespace kira {

TColorFilterSettings ColorFilterSettingsOf(const TStepValues& values) {
  return {ColorOfRgbHex(values.Get("color")), values.Get("density")};
}

TColorFilterSettings OpenedColorFilterSettings() { return ColorFilterSettingsOf(TStepValues(&ColorFilterParams())); }

std::uint32_t ColorOfRgbHex(int rrggbb) {
  const auto v = static_cast<std::uint32_t>(rrggbb);
  return ColorRef(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v));
}

int RgbHexOfColor(std::uint32_t color) {
  return static_cast<int>(((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF));
}

const TBitmap* ColorFilterHistogramImage(const TDocument& doc) {
  if (!doc.Result().Empty()) return &doc.Result();
  if (!doc.Source().Empty()) return &doc.Source();
  return nullptr;
}

bool FilterPicture(const TBitmap& source, TBitmap& result, const TColorFilterSettings& settings) {
  return ColorFilter(source, result, settings.color, 100 - settings.density, DefaultThreads());
}

const std::vector<TParamSpec>& ColorFilterParams() {
  static const std::vector<TParamSpec> params = {
      // The colour panel is the page's own; the table names it.
      {.key = "color", .kind = TParamKind::HexColor, .min = 0, .max = 0xFFFFFF, .def = 0xFFFFFF, .name = "PanelCOL"},
      {.key = "density", .min = 0, .max = 100, .def = 50, .help = "per cent",
       .control = TControlKind::SpinEdit, .name = "SpinEditCOLD", .hint = KIRA_TR_NOOP("kira::Settings", "0～100%")},
  };
  return params;
}

std::vector<TStepSpec> ColorFilterSteps() {
  return {kColorFilterEffect.Step("colorfilter", "colour filter: a coloured glass at a density, then Apply",
                                  ColorFilterParams())};
}

}  // namespace kira
