#include "tone/monochrome.h"

// GCC 12 takes the deliberately undefined upper lanes inside some AVX-512
// intrinsics for uninitialised values once they are inlined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <cmath>
#include <cstddef>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "tone/byte_map.h"

namespace kira {

namespace {

struct TWeights {
  double r, g, b;
};

// The weights as whole multiples of 2^-shift, each below 2^27 (shift 13..27).
// When the weights allow it (finite, not negative, not too fine), the double
// sum is exact and equals S / 2^shift with the integer S = r R + g G + b B,
// so ClampByte of it is min(255, (S + 2^(shift - 1)) >> shift) exactly.
struct TFixedWeights {
  bool exact = false;
  int shift = 0;
  std::int32_t r = 0, g = 0, b = 0;
};

TFixedWeights FixedWeights(const TGreyWeights& w) {
  int shift = 13;
  for (const float f : {w.Red, w.Green, w.Blue}) {
    if (!(f >= 0) || !std::isfinite(f)) return {};
    if (f == 0) continue;
    int e = 0;
    std::int64_t m = static_cast<std::int64_t>(std::ldexp(std::frexp(f, &e), 24));  // f = m 2^(e-24)
    int bits = 24 - e;
    while ((m & 1) == 0) {
      m >>= 1;
      --bits;
    }
    if (bits > shift) shift = bits;
  }
  if (shift > 27) return {};
  TFixedWeights fixed{true, shift, 0, 0, 0};
  std::int32_t* out[3] = {&fixed.r, &fixed.g, &fixed.b};
  const float in[3] = {w.Red, w.Green, w.Blue};
  for (int i = 0; i < 3; ++i) {
    const double scaled = std::ldexp(static_cast<double>(in[i]), shift);
    if (scaled >= 134217728.0) return {};  // 2^27
    *out[i] = static_cast<std::int32_t>(scaled);
  }
  return fixed;
}

void GreyRowFixed(const std::uint8_t* src, std::uint8_t* dst, int width, const TFixedWeights& w) {
  const std::int64_t half = std::int64_t{1} << (w.shift - 1);
  for (int x = 0; x < width; ++x, src += 3, dst += 3) {
    const std::int64_t s = std::int64_t{w.r} * src[2] + std::int64_t{w.g} * src[1] + std::int64_t{w.b} * src[0];
    const std::int64_t v = (s + half) >> w.shift;
    dst[0] = dst[1] = dst[2] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
  }
}

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

// The exact integer form in 32-bit lanes, one pixel a lane. Each weight is
// split at bit 12 so that both halves fit a signed 16-bit multiplier:
// S = 2^12 H + L, and (S + 2^(shift-1)) >> shift equals
// (H + (L >> 12) + 2^(shift-13)) >> (shift - 12) because the low 12 bits of L
// cannot carry into bit shift - 1.
struct TFixedVbmi {
  __m512i rgHigh, rgLow, bHigh, bLow, half, top;
  __m128i shift;
};

KIRA_VBMI inline TFixedVbmi LoadFixed(const TFixedWeights& w) {
  auto pair = [](std::int32_t lo, std::int32_t hi) { return static_cast<int>((hi << 16) | lo); };
  return {_mm512_set1_epi32(pair(w.r >> 12, w.g >> 12)), _mm512_set1_epi32(pair(w.r & 4095, w.g & 4095)),
          _mm512_set1_epi32(w.b >> 12),                   _mm512_set1_epi32(w.b & 4095),
          _mm512_set1_epi32(1 << (w.shift - 13)),         _mm512_set1_epi32(255),
          _mm_cvtsi32_si128(w.shift - 12)};
}

// pRG: per pixel a lane of (R, G) as 16-bit words; pB: a lane of (B, 0).
KIRA_VBMI inline __m512i Grey16(const TFixedVbmi& c, __m512i pRG, __m512i pB) {
  const __m512i h = _mm512_add_epi32(_mm512_madd_epi16(pRG, c.rgHigh), _mm512_madd_epi16(pB, c.bHigh));
  const __m512i l = _mm512_add_epi32(_mm512_madd_epi16(pRG, c.rgLow), _mm512_madd_epi16(pB, c.bLow));
  const __m512i g = _mm512_add_epi32(_mm512_add_epi32(h, _mm512_srli_epi32(l, 12)), c.half);
  return _mm512_min_epu32(_mm512_srl_epi32(g, c.shift), c.top);
}

constexpr std::uint64_t kRGLanes = 0x5555555555555555ull;  // bytes 0 and 2 of each lane
constexpr std::uint64_t kBLanes = 0x1111111111111111ull;   // byte 0 of each lane

// Index of the byte of pixel j / 4's red (j % 4 == 0) or green (j % 4 == 2)
// in a run of pixels starting at byte `offset`; blue for the other table.
constexpr std::uint8_t RGIndex(int offset, int j) {
  return static_cast<std::uint8_t>(offset + 3 * (j / 4) + (j % 4 == 0 ? 2 : 1));
}

KIRA_VBMI void GreyRowFixedVbmi(const std::uint8_t* src, std::uint8_t* dst, int width, const TFixedWeights& w) {
  const TFixedVbmi c = LoadFixed(w);
  // Sixty-four pixels (three registers) a step: four windows of sixteen
  // pixels at bytes 0, 48, 96 and 144, each picked from a pair of registers.
  constexpr int kOffset[4] = {0, 48, 32, 80};  // within (v0, v1), (v0, v1), (v1, v2), (v1, v2)
  alignas(64) std::uint8_t rg[4][64], bl[4][64], out[3][64];
  for (int k = 0; k < 4; ++k)
    for (int j = 0; j < 64; ++j) {
      rg[k][j] = RGIndex(kOffset[k], j);
      bl[k][j] = static_cast<std::uint8_t>(kOffset[k] + 3 * (j / 4));
    }
  // Output register k holds the bytes of pixels from grey registers k, k + 1.
  for (int k = 0; k < 3; ++k)
    for (int j = 0; j < 64; ++j) {
      const int p = (64 * k + j) / 3 - 16 * k;
      out[k][j] = static_cast<std::uint8_t>(p < 16 ? 4 * p : 64 + 4 * (p - 16));
    }
  __m512i rgIdx[4], bIdx[4], outIdx[3];
  for (int k = 0; k < 4; ++k) {
    rgIdx[k] = _mm512_load_si512(rg[k]);
    bIdx[k] = _mm512_load_si512(bl[k]);
  }
  for (int k = 0; k < 3; ++k) outIdx[k] = _mm512_load_si512(out[k]);

  int x = 0;
  for (; x + 64 <= width; x += 64) {
    const std::uint8_t* s = src + 3 * static_cast<std::ptrdiff_t>(x);
    std::uint8_t* d = dst + 3 * static_cast<std::ptrdiff_t>(x);
    const __m512i v0 = _mm512_loadu_si512(s), v1 = _mm512_loadu_si512(s + 64), v2 = _mm512_loadu_si512(s + 128);
    __m512i g[4];
    for (int k = 0; k < 4; ++k) {
      const __m512i a = k < 2 ? v0 : v1, b = k < 2 ? v1 : v2;
      g[k] = Grey16(c, _mm512_maskz_permutex2var_epi8(kRGLanes, a, rgIdx[k], b),
                    _mm512_maskz_permutex2var_epi8(kBLanes, a, bIdx[k], b));
    }
    for (int k = 0; k < 3; ++k) _mm512_storeu_si512(d + 64 * k, _mm512_permutex2var_epi8(g[k], outIdx[k], g[k + 1]));
  }
  // The rest sixteen pixels at a time, the last step masked.
  for (; x < width; x += 16) {
    const int n = width - x < 16 ? width - x : 16;
    const __mmask64 m = (__mmask64{1} << (3 * n)) - 1;
    const __m512i v = _mm512_maskz_loadu_epi8(m, src + 3 * static_cast<std::ptrdiff_t>(x));
    const __m512i g = Grey16(c, _mm512_maskz_permutexvar_epi8(kRGLanes, rgIdx[0], v),
                             _mm512_maskz_permutexvar_epi8(kBLanes, bIdx[0], v));
    _mm512_mask_storeu_epi8(dst + 3 * static_cast<std::ptrdiff_t>(x), m, _mm512_permutexvar_epi8(outIdx[0], g));
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
  const TFixedWeights fixed = FixedWeights(weights);
  const bool vbmi = ActiveSimdLevel() == TSimdLevel::Avx512Vbmi;
  const int width = source.Width();
  ForEachRowBlock(source.Height(), threads, [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      const std::uint8_t* s = source.ScanLine(y);
      std::uint8_t* d = result.ScanLine(y);
      if (fixed.exact) {
        if (vbmi) GreyRowFixedVbmi(s, d, width, fixed);
        else GreyRowFixed(s, d, width, fixed);
      } else {
        if (vbmi) GreyRowVbmi(s, d, width, w);
        else GreyRowPlain(s, d, width, w);
      }
    }
  });
  return true;
}

}  // namespace kira
