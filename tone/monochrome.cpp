#include "tone/monochrome.h"

// GCC 12 takes the deliberately undefined upper lanes inside some AVX-512
// intrinsics for uninitialised values once they are inlined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <cstddef>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "tone/byte_map.h"

namespace kira {

namespace {

struct TWeights {
  double r, g, b;
};

void GreyRowPlain(const std::uint8_t* src, std::uint8_t* dst, int width, TWeights w) {
  for (int x = 0; x < width; ++x, src += 3, dst += 3) {
    const double v = w.r * src[2] + w.g * src[1] + w.b * src[0];
    dst[0] = dst[1] = dst[2] = ClampByte(v);
  }
}

#define KIRA_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// ClampByte of eight doubles: floor, plus one when the fraction (exact in
// double) is a half or more, then limited to 0..255. max_pd gives its second
// operand for a NaN, which sends NaN to 0 as ClampByte does.
KIRA_VBMI inline __m256i ClampBytes(__m512d v) {
  const __m512d fl = _mm512_roundscale_pd(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  const __mmask8 up = _mm512_cmp_pd_mask(_mm512_sub_pd(v, fl), _mm512_set1_pd(0.5), _CMP_GE_OQ);
  __m512d r = _mm512_mask_add_pd(fl, up, fl, _mm512_set1_pd(1.0));
  r = _mm512_max_pd(r, _mm512_setzero_pd());
  r = _mm512_min_pd(r, _mm512_set1_pd(255.0));
  return _mm512_cvttpd_epi32(r);
}

// wR * R + wG * G + wB * B for eight pixels given as 32-bit lanes.
KIRA_VBMI inline __m512d Weigh(__m256i r, __m256i g, __m256i b, const TWeights& w) {
  const __m512d vr = _mm512_mul_pd(_mm512_set1_pd(w.r), _mm512_cvtepi32_pd(r));
  const __m512d vg = _mm512_mul_pd(_mm512_set1_pd(w.g), _mm512_cvtepi32_pd(g));
  const __m512d vb = _mm512_mul_pd(_mm512_set1_pd(w.b), _mm512_cvtepi32_pd(b));
  return _mm512_add_pd(_mm512_add_pd(vr, vg), vb);
}

// Sixteen pixels (48 bytes) a step: the bytes are sorted into blue, green and
// red runs, weighed in double precision as the plain loop does, and the grey
// bytes spread back three times each.
KIRA_VBMI void GreyRowVbmi(const std::uint8_t* src, std::uint8_t* dst, int width, TWeights w) {
  alignas(64) std::uint8_t split[64], spread[64];
  for (int j = 0; j < 64; ++j) {
    split[j] = static_cast<std::uint8_t>(j < 48 ? 3 * (j % 16) + j / 16 : 0);
    spread[j] = static_cast<std::uint8_t>(j < 48 ? j / 3 : 0);
  }
  const __m512i splitIdx = _mm512_load_si512(split);
  const __m512i spreadIdx = _mm512_load_si512(spread);
  for (int x = 0; x < width; x += 16) {
    const int n = width - x < 16 ? width - x : 16;
    const __mmask64 m = (__mmask64{1} << (3 * n)) - 1;
    const __m512i v = _mm512_maskz_loadu_epi8(m, src + 3 * static_cast<std::ptrdiff_t>(x));
    const __m512i p = _mm512_permutexvar_epi8(splitIdx, v);
    const __m512i b = _mm512_cvtepu8_epi32(_mm512_castsi512_si128(p));
    const __m512i g = _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(p, 1));
    const __m512i r = _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(p, 2));
    const __m256i lo = ClampBytes(Weigh(_mm512_castsi512_si256(r), _mm512_castsi512_si256(g),
                                        _mm512_castsi512_si256(b), w));
    const __m256i hi = ClampBytes(Weigh(_mm512_extracti64x4_epi64(r, 1), _mm512_extracti64x4_epi64(g, 1),
                                        _mm512_extracti64x4_epi64(b, 1), w));
    const __m128i grey = _mm512_cvtepi32_epi8(_mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1));
    const __m512i out = _mm512_permutexvar_epi8(spreadIdx, _mm512_castsi128_si512(grey));
    _mm512_mask_storeu_epi8(dst + 3 * static_cast<std::ptrdiff_t>(x), m, out);
  }
}

#undef KIRA_VBMI

}  // namespace

TGreyWeights GreyWeightsFor(TGreyKind kind) {
  switch (kind) {
    case TGreyKind::Monochrome: return {0.299f, 0.587f, 0.114f};
    case TGreyKind::RedFilter: return {0.8f, 0.1f, 0.1f};
    case TGreyKind::GreenFilter: return {0.1f, 0.8f, 0.1f};
    case TGreyKind::BlueFilter: return {0.1f, 0.1f, 0.8f};
    case TGreyKind::Greyscale: break;
  }
  return {0.333f, 0.334f, 0.333f};
}

bool WeightedGrey(TBitmap& bitmap, float wRed, float wGreen, float wBlue, int threads) {
  return WeightedGrey(bitmap, bitmap, TGreyWeights{wRed, wGreen, wBlue}, threads);
}

bool WeightedGrey(TBitmap& bitmap, TGreyWeights weights, int threads) {
  return WeightedGrey(bitmap, bitmap, weights, threads);
}

bool WeightedGrey(const TBitmap& source, TBitmap& result, TGreyWeights weights, int threads) {
  if (!Is24(source)) return false;
  PrepareResult(source, result);
  const TWeights w{weights.Red, weights.Green, weights.Blue};
  const bool vbmi = ActiveSimdLevel() == TSimdLevel::Avx512Vbmi;
  const int width = source.Width();
  ForEachRowBlock(source.Height(), threads, [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      if (vbmi) GreyRowVbmi(source.ScanLine(y), result.ScanLine(y), width, w);
      else GreyRowPlain(source.ScanLine(y), result.ScanLine(y), width, w);
    }
  });
  return true;
}

}  // namespace kira
