// Row kernels of the resampler's double-precision pass, one set per
// instruction set, chosen at run time. Private to effects/resample.cpp and its
// tests; the rules of when their results may be used are in resample.h.
#pragma once

#include <cstdint>

namespace kira::resample_rows {

// Slack every row buffer carries beyond its 3 * width values: the kernels
// read and write whole vectors and round the value count up to 16.
inline constexpr std::int32_t kRowSlack = 20;

// out[3x + c] = sum over k = 0 .. taps[x] - 1 of
// src[offset[x n + k] + c] * weight[x n + k], added in the order of k, for x
// in [0, width) and channels c = 0, 1, 2; 1 <= taps[x] <= n <= 4. offset
// counts doubles (three per source pixel). src must hold one value beyond
// the last pixel read, out one beyond 3 * width (scratch).
using THorizontal = void (*)(const double* src, const std::int32_t* offset, const double* weight,
                             const std::uint8_t* taps, int n, std::int32_t width, double* out);

// v[e] = sum over j = 0 .. n - 1 of rows[j][e] * weight[j], in the order of j,
// for e in [0, count). Writes out[e] = v rounded to nearest with ties to even
// and limited to 0..255, and appends e to flagged when |v - Round(v)| >= t,
// that is when v lies within 1/2 - t of a half-integer (a t above 1/2 flags
// nothing); t is threshold[e] when perValue, threshold[0] otherwise. Returns
// the number flagged. The rows (and a per-value threshold) must be readable
// up to count rounded up to 16, and |v| < 2^31.
using TVertical = std::int32_t (*)(const double* const* rows, const double* weight, int n, std::int32_t count,
                                   const double* threshold, bool perValue, std::uint8_t* out,
                                   std::int32_t* flagged);

// out[i] = in[i] for i in [0, count).
using TWiden = void (*)(const std::uint8_t* in, std::int32_t count, double* out);

// THorizontal reading the source bytes themselves (offset counts bytes, three
// per pixel): the same products and sums, since a byte widened to a double is
// exact. src must hold four bytes beyond the last pixel read.
using THorizontalBytes = void (*)(const std::uint8_t* src, const std::int32_t* offset, const double* weight,
                                  const std::uint8_t* taps, int n, std::int32_t width, double* out);

struct TKernels {
  THorizontal horizontal;
  TVertical vertical;
  TWiden widen;
  THorizontalBytes horizontalBytes = nullptr;  // when the set has one
};

// The baseline set (SSE2 on x86-64, plain loops elsewhere) and the AVX2 set
// with fused multiply-adds; Avx2Kernels() is only to be called when
// Avx2Supported().
TKernels BaselineKernels();
TKernels Avx2Kernels();
bool Avx2Supported();

}  // namespace kira::resample_rows
