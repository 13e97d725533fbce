// The mirage: shifted copies of the picture laid over itself, placed on a
// circle around the picture or on a line through it, combined by keeping the
// brighter or darker channel (priority) or by blending each copy through a
// mask that fades it toward its rim (blend).
//
// Common arguments:
//   faces      n: the picture itself and n - 1 shifted copies (n <= 1: none,
//              the picture stays as it is).
//   angleDeg   direction of the first copy, degrees clockwise from straight up.
//   offsetPct  circle radius (circle) or step between copies (line) in percent
//              of the longer side.
//   density    rho, 0.2 .. 1.0 on the page (single precision): how strongly
//              the copies show.
// Distances are measured from the picture's centre (W / 2, H / 2), unrounded.
// Rounding: ClampByte / RoundHalfAway (halves away from zero). All four refuse
// a bitmap that is not 24 bits per pixel (false, unchanged). A pixel that no
// copy reaches keeps its value. The bytes do not depend on `threads`.
#pragma once

#include <cstdint>
#include <vector>

#include "core/bitmap.h"

namespace kira {

// Offset of a copy: the copy's pixel from (x, y) lands on (x + Dx, y + Dy).
struct TMirageOffset {
  std::int32_t Dx = 0;
  std::int32_t Dy = 0;
  friend bool operator==(const TMirageOffset&, const TMirageOffset&) = default;
};

// Copies 1 .. n-1 on a circle of radius r = RoundHalfAway(offset * max(W, H)
// / 100): copy 1 at angle angleDeg - 90 (screen angles, y down), each further
// copy 360 / (n - 1) degrees on, clockwise. 640 x 480, n = 5, 60 degrees, 30 %:
// (166, -96), (96, 166), (-166, 96), (-96, -166).
std::vector<TMirageOffset> MirageCircleOffsets(int width, int height, int faces, int angleDeg,
                                               int offsetPct);

// Copies 1 .. n-1 on a line with step s = RoundHalfAway(offset * max(W, H) /
// 100 / 2): odd copies toward angleDeg - 90, even ones the opposite way, copy k
// at distance s * ceil(k / 2). 640 x 480, n = 5, 60 degrees, 30 %:
// (83, -48), (-83, 48), (166, -96), (-166, 96).
std::vector<TMirageOffset> MirageLineOffsets(int width, int height, int faces, int angleDeg,
                                             int offsetPct);

// Priority modes. Each copy is a faded version of the picture: with
// m = min(1, d / (min(W, H) / 2)), g = rho m^2 and e = 2 - rho (single
// precision), a channel c becomes ClampByte(c e + 255 g) for dark (brighter
// toward the rim, so it rarely wins the minimum there) or ClampByte(c / e -
// 255 g) for bright. Every channel of the result is the minimum (dark) or the
// maximum (bright) of the picture's own value and those of the copies that
// reach the pixel, channel by channel.
bool MirageCirclePriority(TBitmap& image, int faces, int angleDeg, int offsetPct, float density,
                          bool dark, int threads = 1);
bool MirageLinePriority(TBitmap& image, int faces, int angleDeg, int offsetPct, float density,
                        bool dark, int threads = 1);

// Blend mode. The fade mask is ClampByte(255 (rho m^2 + (1 - rho))) with
// m = min(1, d / (min(W, H) / 3)) and 1 - rho in single precision: 255 (1 -
// rho) at the centre, 255 from a third of the shorter side on. The copies are
// blended in the order 1 .. n-1, each into the result of those before it:
// with q = mask(source) / 255 in single precision, channel := RoundHalfAway(
// q channel + (1 - q) copy). The mask moves with its copy.
bool MirageCircleBlend(TBitmap& image, int faces, int angleDeg, int offsetPct, float density,
                       int threads = 1);
bool MirageLineBlend(TBitmap& image, int faces, int angleDeg, int offsetPct, float density,
                     int threads = 1);

// For tests: 0 keeps the blend on its portable path even where the processor
// offers AVX2 (the bytes are the same either way); 1 or more allows AVX2.
void LimitMirageVectors(int level);

}  // namespace kira
