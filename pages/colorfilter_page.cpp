#include "pages/colorfilter_page.h"

#include "core/parallel_rows.h"
#include "tone/color_filter.h"

namespace kira {

TColorFilterSettings OpenedColorFilterSettings() {
  const TStepValues defaults(&ColorFilterParams());
  return {ColorOfRgbHex(defaults.Get("color")), defaults.Get("density")};
}

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

bool ColorFilterPreview(TDocument& doc, const TColorFilterSettings& settings) {
  return doc.Preview([&](const TBitmap& source, TBitmap& result) {
    return ColorFilter(source, result, settings.color, 100 - settings.density, DefaultThreads());
  });
}

void ApplyColorFilter(TDocument& doc, const TColorFilterSettings& settings) {
  doc.Apply([&] { ColorFilterPreview(doc, settings); });
}

const std::vector<TParamSpec>& ColorFilterParams() {
  static const std::vector<TParamSpec> params = {
      {"color", TParamKind::HexColor, 0, 0xFFFFFF, 0xFFFFFF, {}, "", "PanelCOL", {}},
      {"density", TParamKind::Integer, 0, 100, 50, {}, "per cent", "SpinEditCOLD", {}},
  };
  return params;
}

std::vector<TStepSpec> ColorFilterSteps() {
  TStepSpec s;
  s.name = "colorfilter";
  s.page = "colour filter: a coloured glass at a density, then Apply";
  s.params = ColorFilterParams();
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    ApplyColorFilter(doc, {ColorOfRgbHex(v.Get("color")), v.Get("density")});
    return true;
  };
  return {s};
}

}  // namespace kira
