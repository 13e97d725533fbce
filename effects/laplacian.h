// The art page's own edge extraction ("edge extraction 2"): the Laplacian of
// every channel, S = (sum of the eight neighbours) - 8 * centre over the 3 x 3
// window, a neighbour beyond an edge reading the nearest edge row or column.
#pragma once

#include <cstdint>

#include "core/bitmap.h"

namespace kira {

enum class TLaplacianMode : std::int32_t { Threshold = 0, Continuous = 1 };

// Continuous: each channel becomes ClampByte(255 - S * p / 10), so flat areas
// turn white and pixels darker than their surroundings darken with S.
// Threshold (any mode other than Continuous): 255 when S > p, else 0, so flat
// areas turn black. In place on a 24-bit bitmap; any other format is refused
// (false, unchanged). The bytes do not depend on `threads`.
bool LaplacianEdges(TBitmap& image, std::int32_t p, TLaplacianMode mode, int threads = 1);

}  // namespace kira
