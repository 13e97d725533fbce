// The monochrome page ("モノクローム", TabSheet4): five kinds of grey, one
// radio button each (RadioButtonMono1 … RadioButtonMono5). The window holds
// the controls and forwards to these.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "document/steps.h"
#include "tone/monochrome.h"

namespace kira {

inline constexpr int kGreyKindCount = 5;

struct TMonochromeSettings {
  // RadioButtonMono1 … RadioButtonMono5
  std::array<bool, kGreyKindCount> checked{true, false, false, false, false};
};

// TabSheet4Show: RadioButtonMono1 checked.
TMonochromeSettings OpenedMonochromeSettings();

// The kind Preview uses: the first checked of Mono1 … Mono4; greyscale for
// any other state (Mono5 checked, or none).
TGreyKind GreyKindOfChecked(const std::array<bool, kGreyKindCount>& checked);

// Preview (ButtonMonochrome): WeightedGrey on a copy of the source with the
// kind's weights. Nothing with an empty source.
bool MonochromePreview(TDocument& doc, const TMonochromeSettings& settings);
// Apply (ButtonOK4).
void ApplyMonochrome(TDocument& doc, const TMonochromeSettings& settings);

const std::vector<TParamSpec>& MonochromeParams();
// Batch step "monochrome": kind mono, red, green, blue, grey.
std::vector<TStepSpec> MonochromeSteps();

}  // namespace kira
