// Resampling a 24-bit bitmap to any new size by one of nine methods.
//
// Destination pixel (x, y) reads the source around sx = x * W / newWidth,
// sy = y * H / newHeight (extended precision, no half-pixel offset: column 0
// maps to 0, the last column to (newWidth - 1) * W / newWidth < W).
//
//   code  method             taps per axis
//   0     nearest neighbour  1: Round(sx) with ties to even, limited to W - 1
//   1     bilinear           2: x0, x0 + 1; the last column mixes with itself
//   2     bicubic            4: ix - 1 .. ix + 2 (cubic convolution, a = -1)
//   3     B-spline           4  (weights as differences of cubes)
//   4     Hermite            2: ix .. ix + 1
//   5     Mitchell           4  (B = C = 1/3)
//   6     Bell               4
//   7     Lanczos, 2 lobes   4
//   8     Lagrange           4  (cubic Lagrange interpolation)
//
// The kernel methods (2..8) add p * wx * wy over the taps, rows outer and
// columns inner, and do not divide by the sum of the weights. A tap outside
// the picture reads the pixel at the truncated position ix = Trunc(sx) (iy for
// rows), not the nearest edge pixel, and keeps its own weight. Every channel
// value is converted back with RoundClampByte (limit, then halves to even).
//
// How the bytes are computed quickly
// ----------------------------------
// Codes 1..8 are separable: the value is S = sum over taps of p * wx * wy,
// wx depending only on the destination column and wy only on the row. The
// weights are worked out once per column and row in extended precision and
// also rounded to double. Each value is first computed in double precision,
// horizontally into a small ring of rows and then vertically, several values
// per SIMD vector (SSE2, or AVX2 with explicit fused multiply-adds when the
// processor has them). The byte rule limit-then-round-half-even changes its
// result only at the points k + 1/2, so a double result D further than a
// proven bound E from every half-integer gives the byte of the extended
// result X. Values within E are flagged and computed again one by one in
// extended precision in the written order (rows outer, columns inner;
// bilinear across then down), limited and rounded to even, which is the
// rule itself. The bytes therefore never depend on the path or the thread
// count.
//
// The bound. Let S be the exact sum with the extended weights, u = 2^-53,
// u' = 2^-64, 0 <= p <= 255, and per destination column (rows alike):
//   L  = sum |w|,  Ld = sum |wd|  (wd: w rounded to double),
//   Ew = sum |wd - w|  (exact: both are extended values),
//   C  = sum m_k |wd_k|, m_k the roundings product k passes through in a
//        running sum of n products: n for k = 0, 1 + n - k for k > 0.
// (1) Weights rounded to double: |sum p (wxd wyd - wx wy)|
//       <= 255 (Ewx Ldy + Lx Ewy).
// (2) Horizontal pass h_j = sum_i p wxd_i: every product and addition rounds
//     once, with error at most u times its result, and each result is at
//     most 255 times the absolute weights it holds, so |h~_j - h_j|
//     <= 255 u Cx. Weighted by wyd_j: 255 u Cx Ldy. A fused multiply-add
//     rounds once where a product and an addition round twice, and taps of
//     weight 0, which both passes leave out, only shorten the sums: the same
//     counts cover them.
// (3) Vertical pass over |h~_j| <= 255 Ldx: 255 u Ldx Cy.
// (4) The extended path is not exact either, and it is its result that must
//     be reproduced: each term rounds twice (two products) and at most
//     nx ny - 1 times in the additions, so |X - S| <= 255 u' (nx ny + 1) Lx Ly.
// E = (1) + (2) + (3) + (4), first-order, times 1 + 2^-20 for the products
// of rounding errors (each below 2^-40 of the whole), with the per-column
// and per-row quantities taken at their maxima over the picture. Then
// |D - X| <= E, and when D is further than E from every half-integer, X lies
// strictly on the same side of every decision point as D. The test is
// |D - Round(D)| >= 1/2 - E, the threshold rounded down to a double. E is
// computed at setup from the actual weights, so each method code and ratio
// has its own (of the order of 1e-13 for bicubic).
//
// Exact cases. When the weights of a column are doubles and multiples of
// 2^-qx, those of a row multiples of 2^-qy, and 255 Lx Ly 2^(qx + qy) < 2^53
// (the horizontal sums alike), every product and partial sum of both passes
// is a multiple of 2^-(qx + qy) below 2^53 units: both are exact, D = X, and
// the pixel is not tested. This holds for short binary fractions (at most 24
// bits after the point) taken over the picture: doubling, 3/2, halving, and
// the whole-pixel columns and rows of other ratios. Where every column and
// row has one tap of weight 1, the pixels are copied.
//
// Real ties do occur and are decided by the extended rounding: bilinear with
// thirds on one axis and halves on the other puts the exact value on k + 1/2
// for a few per cent of values, where only the extended result tells the
// side.
#pragma once

#include <cstdint>

#include "core/bitmap.h"

namespace kira {

inline constexpr std::uint8_t kResampleNearest = 0;
inline constexpr std::uint8_t kResampleBilinear = 1;
inline constexpr std::uint8_t kResampleBicubic = 2;
inline constexpr std::uint8_t kResampleBSpline = 3;
inline constexpr std::uint8_t kResampleHermite = 4;
inline constexpr std::uint8_t kResampleMitchell = 5;
inline constexpr std::uint8_t kResampleBell = 6;
inline constexpr std::uint8_t kResampleLanczos2 = 7;
inline constexpr std::uint8_t kResampleLagrange = 8;

// Replaces the bitmap by a newWidth x newHeight resampling of it.
// Refused (false, bitmap unchanged) when the bitmap is not 24 bits per pixel,
// when it is empty (there is no pixel to read), when a new side is below 1 or
// when the method code is above 8. threads > 1 shares the destination rows
// among that many threads; the bytes do not depend on it. An allocation
// failure throws and leaves the bitmap unchanged.
bool ResampleBitmap(TBitmap& bitmap, std::int32_t newWidth, std::int32_t newHeight, std::uint8_t method,
                    int threads = 1);

// The same, writing the new picture into result and leaving source alone
// (saves a copy of a large source that is only read). result must not be
// source. On refusal result is unchanged.
bool ResampleInto(const TBitmap& source, TBitmap& result, std::int32_t newWidth, std::int32_t newHeight,
                  std::uint8_t method, int threads = 1);

// The vector instructions of the double pass. Best takes AVX2 with fused
// multiply-adds when the processor has them, SSE2 otherwise; Avx2 on a
// processor without them runs SSE2. Every path gives the same bytes.
enum class TResamplePath : std::uint8_t { Best, Sse2, Avx2 };

// Values (three per pixel) computed by codes 1..8, and how many of them the
// double pass left to extended precision.
struct TResampleCounts {
  std::uint64_t values = 0;
  std::uint64_t recomputed = 0;
};

// ResampleInto on a chosen path, adding to counts when given. For tests and
// benchmarks.
bool ResampleIntoOn(const TBitmap& source, TBitmap& result, std::int32_t newWidth, std::int32_t newHeight,
                    std::uint8_t method, int threads, TResamplePath path, TResampleCounts* counts = nullptr);

// Whether the processor runs the path itself (not a substitute).
bool ResamplePathAvailable(TResamplePath path);

// The weight of a tap at distance t >= 0 for the kernel codes 2 and 4..8, as
// the kernels are written (powers formed first as products, then left to
// right). 0 for the other codes.
long double ResampleKernel(std::uint8_t method, long double t);

}  // namespace kira
