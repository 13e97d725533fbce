// In-place 3 x 3 filters, band by band: the rows are split into bands, one
// per thread, and before any band starts the original of the row just above
// and just below each band is saved (a band at the picture's border gets its
// own edge row). A band then reads only its own rows and those two saved
// rows, so the bands may run at the same time and give the bytes of one pass
// over a copy of the picture.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/bitmap.h"
#include "core/parallel_rows.h"

namespace kira {

// band(y0, y1, above, below) filters rows y0 .. y1 - 1 (never an empty band);
// above and below are the saved originals of rows y0 - 1 and y1.
template <class Band>
void ForEachEdgeBand(TBitmap& image, int threads, Band band) {
  const int h = image.Height();
  if (h <= 0) return;
  const std::size_t bytes = 3 * static_cast<std::size_t>(image.Width());
  const int bands = std::clamp(threads, 1, h);
  const auto bound = [&](int b) { return static_cast<int>(static_cast<std::int64_t>(h) * b / bands); };
  const auto original = [&](int y) {
    const std::uint8_t* row = image.ScanLine(std::clamp(y, 0, h - 1));
    return std::vector<std::uint8_t>(row, row + bytes);
  };
  std::vector<std::vector<std::uint8_t>> above(bands), below(bands);
  for (int b = 0; b < bands; ++b) {
    above[b] = original(bound(b) - 1);
    below[b] = original(bound(b + 1));
  }
  ForEachRowBlock(bands, bands, [&](std::int32_t b0, std::int32_t b1) {
    for (int b = b0; b < b1; ++b)
      if (bound(b) < bound(b + 1)) band(bound(b), bound(b + 1), above[b], below[b]);
  });
}

}  // namespace kira
