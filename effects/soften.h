// Two pixel operations shared by the star filter's soft cross and the softness
// page: the saturating sum of two pictures and the diamond-weighted softening.
// Both refuse a bitmap that is not 24 bits per pixel (false, unchanged).
#pragma once

#include "core/bitmap.h"

namespace kira {

// target := min(255, target + addend) channel by channel, over the rows and
// columns both pictures have (the top-left min(width) x min(height) block);
// target pixels outside that block keep their values. addend is not changed.
bool AddSaturated(TBitmap& target, const TBitmap& addend);

// Softens in place with an n x n window (n odd, >= 3) and strength p percent
// (p may exceed 100, then the weights grow with the distance). The weight of a
// pixel at city-block distance d from the centre is max(0, 1 - 2 d s) with
// s = (1 - p/100) / (n - 1); reads beyond an edge take the edge row / column.
// Each channel is the weighted mean, rounded half away from zero (ClampByte).
// The soft cross, n = 3 and p = 75, weighs 1 / 0.75 / 0.5 (sum 6).
// A window below 3 is refused (false, unchanged). threads > 1 shares the rows
// among that many threads; the bytes never depend on it.
bool DiamondSoften(TBitmap& image, int n, int p, int threads = 1);

// For tests: the widest vectors DiamondSoften may use (0 SSE2, 1 AVX2,
// 2 AVX-512, each only where the processor offers it); the bytes are the same.
void LimitSoftenVectors(int level);

// The same result by a plain loop that sums in double precision in the order
// of the window (rows outer, columns inner) for every n and p; the test oracle
// of the shortcuts DiamondSoften takes.
bool DiamondSoftenReference(TBitmap& image, int n, int p);

}  // namespace kira
