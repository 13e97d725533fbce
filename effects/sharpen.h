// Sharpening by a scaled 3 x 3 Laplacian: each channel becomes
// RoundClampByte(factor * sum + own value), sum being the kernel applied to
// the pixel's neighbourhood read from a copy of the input:
//
//   Sharpen   -1 -1 -1        Focus   -1  0 -1
//             -1  8 -1                 0  4  0
//             -1 -1 -1                -1  0 -1
//
// A neighbour beyond an edge reads the pixel's own row or column (at a corner
// the pixel itself). Both kernels sum to 0, so a flat picture stays as it is,
// and amount 0 changes nothing. In place; refused (false, unchanged) for a
// bitmap that is not 24 bits per pixel or an amount outside 0..100.
// threads > 1 shares the rows among that many threads; the bytes do not
// depend on it.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/bitmap.h"

namespace kira {

// factor = amount / 100 in extended precision.
bool Sharpen(TBitmap& image, std::int32_t amount, int threads = 1);

// factor = amount / 100 rounded to single precision. NaN is refused.
bool Focus(TBitmap& image, float amount, int threads = 1);

// The same from source into result (not the source itself), which becomes a
// picture of the source's size; on refusal result is unchanged. Saves the
// copy of the source an in-place call on a copy would need.
bool SharpenInto(const TBitmap& source, TBitmap& result, std::int32_t amount, int threads = 1);
bool FocusInto(const TBitmap& source, TBitmap& result, float amount, int threads = 1);

namespace sharpen_detail {
// The widest path Sharpen may take, for the tests: 2 AVX2 where the machine
// has it, 1 SSE2, 0 the table lookup of every byte.
inline std::atomic<int> gWidestPath{2};
}  // namespace sharpen_detail

}  // namespace kira
