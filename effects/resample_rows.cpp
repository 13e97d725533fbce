#include "effects/resample_rows.h"

#include <cmath>
#include <cstring>

#if defined(__x86_64__) || (defined(__i386__) && defined(__SSE2__))
#define KIRA_RESAMPLE_X86 1
#include <immintrin.h>
#endif

namespace kira::resample_rows {

namespace {

#if !defined(KIRA_RESAMPLE_X86)

// The flag test on one value, of the plain loops.
inline bool NearHalf(double v, double threshold) { return std::fabs(v - std::nearbyint(v)) >= threshold; }

inline std::uint8_t ToByte(double v) {
  if (!(v >= 0)) return 0;
  if (v > 255) return 255;
  return static_cast<std::uint8_t>(std::nearbyint(v));
}

void HorizontalPlain(const double* src, const std::int32_t* offset, const double* weight,
                     const std::uint8_t* taps, int n, std::int32_t width, double* out) {
  for (std::int32_t x = 0; x < width; ++x, offset += n, weight += n)
    for (int c = 0; c < 3; ++c) {
      double h = src[offset[0] + c] * weight[0];
      for (int k = 1; k < taps[x]; ++k) h = h + src[offset[k] + c] * weight[k];
      out[3 * x + c] = h;
    }
}

std::int32_t VerticalPlain(const double* const* rows, const double* weight, int n, std::int32_t count,
                           const double* threshold, bool perValue, std::uint8_t* out, std::int32_t* flagged) {
  std::int32_t nf = 0;
  for (std::int32_t e = 0; e < count; ++e) {
    double v = rows[0][e] * weight[0];
    for (int j = 1; j < n; ++j) v = v + rows[j][e] * weight[j];
    out[e] = ToByte(v);
    if (NearHalf(v, threshold[perValue ? e : 0])) flagged[nf++] = e;
  }
  return nf;
}

#else

// ---- SSE2: a pixel is two vectors, (blue, green) and (red, next value); the
// second lane of the latter is overwritten by the next pixel's store.

void HorizontalSse2(const double* src, const std::int32_t* offset, const double* weight, const std::uint8_t* taps,
                    int n, std::int32_t width, double* out) {
  for (std::int32_t x = 0; x < width; ++x, offset += n, weight += n, out += 3) {
    const int t = taps[x];
    __m128d w = _mm_set1_pd(weight[0]);
    __m128d a = _mm_mul_pd(_mm_loadu_pd(src + offset[0]), w);
    __m128d b = _mm_mul_pd(_mm_loadu_pd(src + offset[0] + 2), w);
    for (int k = 1; k < t; ++k) {
      w = _mm_set1_pd(weight[k]);
      a = _mm_add_pd(a, _mm_mul_pd(_mm_loadu_pd(src + offset[k]), w));
      b = _mm_add_pd(b, _mm_mul_pd(_mm_loadu_pd(src + offset[k] + 2), w));
    }
    _mm_storeu_pd(out, a);
    _mm_storeu_pd(out + 2, b);
  }
}

// Stores the sixteen bytes of values e .. e+15 (only those below count) and
// lists the values whose bit is set in mask as flagged; returns the new count
// of flagged values. Shared by the SSE2 and AVX2 vertical kernels.
__attribute__((always_inline)) inline std::int32_t StoreSixteen(__m128i bytes, unsigned mask, std::int32_t e,
                                                                std::int32_t count, std::uint8_t* out,
                                                                std::int32_t* flagged, std::int32_t nf) {
  if (count - e >= 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + e), bytes);
  } else {
    alignas(16) std::uint8_t tail[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(tail), bytes);
    std::memcpy(out + e, tail, static_cast<std::size_t>(count - e));
    mask &= (1u << (count - e)) - 1;
  }
  while (mask != 0) {
    flagged[nf++] = e + __builtin_ctz(mask);
    mask &= mask - 1;
  }
  return nf;
}

// Sixteen values per step: the weighted sums, rounded to integers by adding
// and taking away 1.5 * 2^52 (exact for |v| < 2^51, in the default mode:
// nearest, ties to even), whose low 32 bits are the integer itself; the
// saturating packs limit it to 0..255.
template <int N>
__attribute__((always_inline)) inline std::int32_t VerticalSse2N(const double* const* rows, const double* weight, std::int32_t count,
                                                            const double* threshold, bool perValue, std::uint8_t* out,
                                                            std::int32_t* flagged) {
  // The rows and weights in registers: the byte stores could otherwise
  // alias them and force a reload on every step.
  const double* r[N];
  double wv[N];
  for (int j = 0; j < N; ++j) {
    r[j] = rows[j];
    wv[j] = weight[j];
  }
  const __m128d magic = _mm_set1_pd(6755399441055744.0);
  const __m128d signBit = _mm_set1_pd(-0.0);
  const __m128d everywhere = _mm_set1_pd(threshold[0]);
  std::int32_t nf = 0;
  for (std::int32_t e = 0; e < count; e += 16) {
    __m128d v[8];
    __m128d w = _mm_set1_pd(wv[0]);
    for (int q = 0; q < 8; ++q) v[q] = _mm_mul_pd(_mm_loadu_pd(r[0] + e + 2 * q), w);
    for (int j = 1; j < N; ++j) {
      w = _mm_set1_pd(wv[j]);
      for (int q = 0; q < 8; ++q) v[q] = _mm_add_pd(v[q], _mm_mul_pd(_mm_loadu_pd(r[j] + e + 2 * q), w));
    }
    unsigned mask = 0;
    __m128d shifted[8];
    for (int q = 0; q < 8; ++q) {
      shifted[q] = _mm_add_pd(v[q], magic);
      const __m128d d = _mm_andnot_pd(signBit, _mm_sub_pd(v[q], _mm_sub_pd(shifted[q], magic)));
      mask |= static_cast<unsigned>(_mm_movemask_pd(_mm_cmpge_pd(d, perValue ? _mm_loadu_pd(threshold + e + 2 * q) : everywhere)))
              << (2 * q);
    }
    __m128i i32[4];
    for (int q = 0; q < 4; ++q)
      i32[q] = _mm_castps_si128(_mm_shuffle_ps(_mm_castpd_ps(shifted[2 * q]), _mm_castpd_ps(shifted[2 * q + 1]),
                                               _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(i32[0], i32[1]), _mm_packs_epi32(i32[2], i32[3]));
    nf = StoreSixteen(bytes, mask, e, count, out, flagged, nf);
  }
  return nf;
}

std::int32_t VerticalSse2(const double* const* rows, const double* weight, int n, std::int32_t count,
                          const double* threshold, bool perValue, std::uint8_t* out, std::int32_t* flagged) {
  switch (n) {
    case 1: return VerticalSse2N<1>(rows, weight, count, threshold, perValue, out, flagged);
    case 2: return VerticalSse2N<2>(rows, weight, count, threshold, perValue, out, flagged);
    case 3: return VerticalSse2N<3>(rows, weight, count, threshold, perValue, out, flagged);
    default: return VerticalSse2N<4>(rows, weight, count, threshold, perValue, out, flagged);
  }
}

void WidenSse2(const std::uint8_t* in, std::int32_t count, double* out) {
  const __m128i zero = _mm_setzero_si128();
  std::int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + i)), zero);
    const __m128i lo = _mm_unpacklo_epi16(words, zero), hi = _mm_unpackhi_epi16(words, zero);
    _mm_storeu_pd(out + i, _mm_cvtepi32_pd(lo));
    _mm_storeu_pd(out + i + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(lo, _MM_SHUFFLE(1, 0, 3, 2))));
    _mm_storeu_pd(out + i + 4, _mm_cvtepi32_pd(hi));
    _mm_storeu_pd(out + i + 6, _mm_cvtepi32_pd(_mm_shuffle_epi32(hi, _MM_SHUFFLE(1, 0, 3, 2))));
  }
  for (; i < count; ++i) out[i] = in[i];
}

// ---- AVX2 with fused multiply-adds, by explicit intrinsics only. A pixel is
// one vector (blue, green, red, next value).

template <int N>
__attribute__((target("avx2,fma"), always_inline)) inline void HorizontalAvx2N(const double* src,
                                                                             const std::int32_t* offset,
                                                                             const double* weight,
                                                                             const std::uint8_t* taps,
                                                                             std::int32_t width, double* out) {
  for (std::int32_t x = 0; x < width; ++x, offset += N, weight += N, out += 3) {
    const int t = taps[x];
    __m256d a = _mm256_mul_pd(_mm256_loadu_pd(src + offset[0]), _mm256_broadcast_sd(weight));
    if (t > 1) {
      a = _mm256_fmadd_pd(_mm256_loadu_pd(src + offset[1]), _mm256_broadcast_sd(weight + 1), a);
      if (N > 2 && t > 2) {
        a = _mm256_fmadd_pd(_mm256_loadu_pd(src + offset[2]), _mm256_broadcast_sd(weight + 2), a);
        if (N > 3 && t > 3)
          a = _mm256_fmadd_pd(_mm256_loadu_pd(src + offset[3]), _mm256_broadcast_sd(weight + 3), a);
      }
    }
    _mm256_storeu_pd(out, a);
  }
}

// A pixel's three bytes and the next, widened to four doubles.
__attribute__((target("avx2,fma"), always_inline)) inline __m256d PixelAvx2(const std::uint8_t* p) {
  std::int32_t four;
  std::memcpy(&four, p, sizeof four);
  return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four)));
}

template <int N>
__attribute__((target("avx2,fma"), always_inline)) inline void HorizontalBytesAvx2N(const std::uint8_t* src,
                                                                                  const std::int32_t* offset,
                                                                                  const double* weight,
                                                                                  const std::uint8_t* taps,
                                                                                  std::int32_t width, double* out) {
  for (std::int32_t x = 0; x < width; ++x, offset += N, weight += N, out += 3) {
    const int t = taps[x];
    __m256d a = _mm256_mul_pd(PixelAvx2(src + offset[0]), _mm256_broadcast_sd(weight));
    if (t > 1) {
      a = _mm256_fmadd_pd(PixelAvx2(src + offset[1]), _mm256_broadcast_sd(weight + 1), a);
      if (N > 2 && t > 2) {
        a = _mm256_fmadd_pd(PixelAvx2(src + offset[2]), _mm256_broadcast_sd(weight + 2), a);
        if (N > 3 && t > 3) a = _mm256_fmadd_pd(PixelAvx2(src + offset[3]), _mm256_broadcast_sd(weight + 3), a);
      }
    }
    _mm256_storeu_pd(out, a);
  }
}

__attribute__((target("avx2,fma"))) void HorizontalBytesAvx2(const std::uint8_t* src, const std::int32_t* offset,
                                                             const double* weight, const std::uint8_t* taps, int n,
                                                             std::int32_t width, double* out) {
  if (n == 2)
    HorizontalBytesAvx2N<2>(src, offset, weight, taps, width, out);
  else
    HorizontalBytesAvx2N<4>(src, offset, weight, taps, width, out);
}

__attribute__((target("avx2,fma"))) void HorizontalAvx2(const double* src, const std::int32_t* offset,
                                                        const double* weight, const std::uint8_t* taps, int n,
                                                        std::int32_t width, double* out) {
  if (n == 2)
    HorizontalAvx2N<2>(src, offset, weight, taps, width, out);
  else
    HorizontalAvx2N<4>(src, offset, weight, taps, width, out);
}

template <int N>
__attribute__((target("avx2,fma"), always_inline)) inline std::int32_t VerticalAvx2N(
    const double* const* rows, const double* weight, std::int32_t count, const double* threshold, bool perValue,
    std::uint8_t* out, std::int32_t* flagged) {
  // The rows and weights in registers: the byte stores could otherwise
  // alias them and force a reload on every step.
  const double* r[N];
  double wv[N];
  for (int j = 0; j < N; ++j) {
    r[j] = rows[j];
    wv[j] = weight[j];
  }
  const __m256d signBit = _mm256_set1_pd(-0.0);
  const __m256d everywhere = _mm256_set1_pd(threshold[0]);
  std::int32_t nf = 0;
  for (std::int32_t e = 0; e < count; e += 16) {
    __m256d v[4];
    __m256d w = _mm256_set1_pd(wv[0]);
    for (int q = 0; q < 4; ++q) v[q] = _mm256_mul_pd(_mm256_loadu_pd(r[0] + e + 4 * q), w);
    for (int j = 1; j < N; ++j) {
      w = _mm256_set1_pd(wv[j]);
      for (int q = 0; q < 4; ++q) v[q] = _mm256_fmadd_pd(_mm256_loadu_pd(r[j] + e + 4 * q), w, v[q]);
    }
    // d >= t exactly when d - t >= 0: a difference of two doubles is 0 only
    // when they are equal (then +0) and otherwise has the sign of the exact
    // difference. A value is flagged when the sign bit of d - t is clear; the
    // sixteen are tested at once through the sign of their bitwise and.
    __m256d m[4];
    __m128i i32[4];
    for (int q = 0; q < 4; ++q) {
      const __m256d r = _mm256_round_pd(v[q], _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
      const __m256d d = _mm256_andnot_pd(signBit, _mm256_sub_pd(v[q], r));
      m[q] = _mm256_sub_pd(d, perValue ? _mm256_loadu_pd(threshold + e + 4 * q) : everywhere);
      i32[q] = _mm256_cvtpd_epi32(r);  // exact; the saturating packs limit it to 0..255
    }
    unsigned mask = 0;
    if (_mm256_movemask_pd(_mm256_and_pd(_mm256_and_pd(m[0], m[1]), _mm256_and_pd(m[2], m[3]))) != 0xF)
      for (int q = 0; q < 4; ++q) mask |= (~static_cast<unsigned>(_mm256_movemask_pd(m[q])) & 0xFu) << (4 * q);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(i32[0], i32[1]), _mm_packs_epi32(i32[2], i32[3]));
    nf = StoreSixteen(bytes, mask, e, count, out, flagged, nf);
  }
  return nf;
}

__attribute__((target("avx2,fma"))) std::int32_t VerticalAvx2(const double* const* rows, const double* weight,
                                                              int n, std::int32_t count,
                                                              const double* threshold, bool perValue,
                                                              std::uint8_t* out, std::int32_t* flagged) {
  switch (n) {
    case 1: return VerticalAvx2N<1>(rows, weight, count, threshold, perValue, out, flagged);
    case 2: return VerticalAvx2N<2>(rows, weight, count, threshold, perValue, out, flagged);
    case 3: return VerticalAvx2N<3>(rows, weight, count, threshold, perValue, out, flagged);
    default: return VerticalAvx2N<4>(rows, weight, count, threshold, perValue, out, flagged);
  }
}

__attribute__((target("avx2,fma"))) void WidenAvx2(const std::uint8_t* in, std::int32_t count, double* out) {
  std::int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + i));
    _mm256_storeu_pd(out + i, _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(bytes)));
    _mm256_storeu_pd(out + i + 4, _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(bytes, 4))));
  }
  for (; i < count; ++i) out[i] = in[i];
}

#endif

}  // namespace

#if defined(KIRA_RESAMPLE_X86)
TKernels BaselineKernels() { return TKernels{HorizontalSse2, VerticalSse2, WidenSse2}; }
TKernels Avx2Kernels() { return TKernels{HorizontalAvx2, VerticalAvx2, WidenAvx2, HorizontalBytesAvx2}; }
bool Avx2Supported() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
#else
static void WidenPlain(const std::uint8_t* in, std::int32_t count, double* out) {
  for (std::int32_t i = 0; i < count; ++i) out[i] = in[i];
}

TKernels BaselineKernels() { return TKernels{HorizontalPlain, VerticalPlain, WidenPlain}; }
TKernels Avx2Kernels() { return BaselineKernels(); }
bool Avx2Supported() { return false; }
#endif

}  // namespace kira::resample_rows
