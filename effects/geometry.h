// Exact pixel rearrangements: mirror and quarter turns. Pixels move whole; no
// value changes. Both refuse a bitmap that is not 24 bits per pixel (false,
// unchanged).
//
//   FlipBitmap(b, 1)        RotateBitmap90(b, 1)     RotateBitmap90(b, 0)
//   a b c    c b a          a b c    d a             a b c    c f
//   d e f -> f e d          d e f -> e b             d e f -> b e
//                                    f c                      a d
#pragma once

#include <atomic>
#include <cstdint>

#include "core/bitmap.h"

namespace kira {

// mirror non-zero: left-right, (W-1-x, y) := (x, y); 0: top-bottom.
bool FlipBitmap(TBitmap& bitmap, std::uint8_t mirror);

// direction non-zero: a quarter turn clockwise, (H-1-y, x) := (x, y);
// 0: counter-clockwise, (y, W-1-x) := (x, y). The bitmap becomes H x W.
bool RotateBitmap90(TBitmap& bitmap, std::uint8_t direction);

// The same from source into result, which may be the source itself; result
// is unchanged on refusal. From another bitmap it saves the copy an in-place
// call on a copy would need.
bool FlipBitmapInto(const TBitmap& source, TBitmap& result, std::uint8_t mirror);
bool RotateBitmap90Into(const TBitmap& source, TBitmap& result, std::uint8_t direction);

namespace geometry_detail {
// Whether RotateBitmap90 may take its SSSE3 path, for the tests.
inline std::atomic<bool> gSimdAllowed{true};
}  // namespace geometry_detail

}  // namespace kira
