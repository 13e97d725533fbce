// The monochrome page ("モノクローム"): five kinds of grey, one
// radio button each (RadioButtonMono1 … RadioButtonMono5). The window holds
// the controls and forwards to these.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "document/settings_table.h"
#include "pages/page_effect.h"
#include "tone/monochrome.h"

namespace kira {

inline constexpr int kGreyKindCount = 5;

// TabSheet4Show: the table's default kind checked.
struct TMonochromeSettings;
TMonochromeSettings OpenedMonochromeSettings();

struct TMonochromeSettings {
  // The radio buttons in the table's order.
  std::array<bool, kGreyKindCount> checked = OpenedMonochromeSettings().checked;
};

// The kind Preview uses: the first checked of Mono1 … Mono4; greyscale for
// any other state (Mono5 checked, or none).
TGreyKind GreyKindOfChecked(const std::array<bool, kGreyKindCount>& checked);

// The settings a table's values stand for: the kind's radio button checked.
TMonochromeSettings MonochromeSettingsOf(const TStepValues& values);
// The page's effect: WeightedGrey of the source with the kind's weights.
bool GreyPicture(const TBitmap& source, TBitmap& result, const TMonochromeSettings& settings);

// Preview (ButtonMonochrome): the effect; nothing with an empty source.
// Apply runs Preview first when there is no result; the result becomes the
// source, menu page.
inline constexpr TPageEffect<TMonochromeSettings> kMonochromeEffect{.fromSource = GreyPicture,
                                                                    .settingsOf = MonochromeSettingsOf};

const std::vector<TParamSpec>& MonochromeParams();
// Batch step "monochrome": kind mono, red, green, blue, grey.
std::vector<TStepSpec> MonochromeSteps();

}  // namespace kira
