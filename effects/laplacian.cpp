#include "effects/laplacian.h"

#include <array>

#include "core/parallel_rows.h"
#include "core/rounding.h"

namespace kira {

namespace {

// S of one channel lies in -8 * 255 .. 8 * 255.
constexpr int kMaxS = 8 * 255;

// The channel's new value for every S. The factor k = p / 10 is a double; the
// product and the difference are formed in extended precision and handed to
// ClampByte as a double, the way the editor's own code rounds.
std::array<std::uint8_t, 2 * kMaxS + 1> ResponseTable(std::int32_t p, TLaplacianMode mode) {
  std::array<std::uint8_t, 2 * kMaxS + 1> t{};
  if (mode == TLaplacianMode::Continuous) {
    const double k = static_cast<double>(p) / 10;
    for (int s = -kMaxS; s <= kMaxS; ++s)
      t[s + kMaxS] = ClampByte(static_cast<double>(255.0L - static_cast<long double>(s) * k));
  } else {
    for (int s = -kMaxS; s <= kMaxS; ++s) t[s + kMaxS] = s > p ? 255 : 0;
  }
  return t;
}

void LaplacianRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
                  std::uint8_t* out, int w, const std::uint8_t* response) {
  const int bytes = 3 * w;
  for (int i = 0; i < bytes; ++i) {
    const int l = i >= 3 ? i - 3 : i;
    const int r = i + 3 < bytes ? i + 3 : i;
    const int s = up[l] + up[i] + up[r] + mid[l] + mid[r] + down[l] + down[i] + down[r] - 8 * mid[i];
    out[i] = response[s + kMaxS];
  }
}

}  // namespace

bool LaplacianEdges(TBitmap& image, std::int32_t p, TLaplacianMode mode, int threads) {
  // The editor only ever passes its 24-bit result image; anything else would
  // be written three bytes a pixel past its rows, so it is refused.
  if (!Is24(image)) return false;
  const int w = image.Width(), h = image.Height();
  const auto response = ResponseTable(p, mode);
  const TBitmap src = DuplicateBitmap(image);
  ForEachRowBlock(h, threads, [&](std::int32_t y0, std::int32_t y1) {
    for (int y = y0; y < y1; ++y)
      LaplacianRow(src.ScanLine(y > 0 ? y - 1 : y), src.ScanLine(y), src.ScanLine(y + 1 < h ? y + 1 : y),
                   image.ScanLine(y), w, response.data());
  });
  return true;
}

}  // namespace kira
