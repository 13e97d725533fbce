// The Gaussian blur: two separable passes, eight lanes of taps in order, on
// AVX2 where the machine has it.
#include "effects/blur.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "effects/blur_simd.h"

namespace kira {

namespace {

using blur_detail::UseAvx2Fma;

// ---------------------------------------------------------------- Gaussian
//
// Every pixel adds its taps in order (left to right, top to bottom), each
// addition rounded to single precision. A byte times a single-precision
// weight is exact in 32 bits, and with weights of at least exp(-4.5) > 2^-7
// and sums below 255 * 76 < 2^15 the exact sum of an accumulator and a
// product needs at most 45 bits: both a double sum rounded to float and a
// fused multiply-add give that exact sum rounded once. A tap beyond the edge
// is skipped; adding the product 0 instead leaves the sum as it is, so the
// horizontal pass reads zeros there, and the weight sum of each position is
// the sum of the weights it really uses. Vector lanes hold neighbouring
// pixels (or bytes), each adding its own taps in its own order.

inline float AddTap(float acc, float value, float weight) {
  return static_cast<float>(static_cast<double>(acc) + static_cast<double>(value) * static_cast<double>(weight));
}

// Weight sums of the positions 0 .. size-1, taps in order.
std::vector<float> WeightSums(int size, int radius, const std::vector<float>& w) {
  std::vector<float> sums(static_cast<std::size_t>(std::max(size, 0)));
  for (int x = 0; x < size; ++x) {
    float s = 0;
    for (int t = x - radius; t <= x + radius; ++t)
      if (t >= 0 && t < size) s = s + w[std::abs(t - x)];
    sums[x] = s;
  }
  return sums;
}

// acc / weight sum with RoundClampByte. A double quotient rounds the same way
// as an extended one: both sums are single-precision numbers, so a quotient
// that is not itself a half lies further from one than either rounding error.
inline std::uint8_t Normalise(float acc, float weightSum) {
  return RoundClampByte(static_cast<double>(acc) / static_cast<double>(weightSum));
}

constexpr int kLanes = 8;
constexpr int kBlock = 8 * kLanes;  // bytes in flight per step

// Horizontal pass over one row of interleaved channel values: in[i] is byte
// i as a float, with 3 radius zeros before and after; taps lie 3 apart.
void HorizontalPlain(const float* in, std::uint8_t* out, std::size_t bytes, int radius, const float* w,
                     const float* sums) {
  for (std::size_t i = 0; i < bytes; ++i) {
    float acc = 0;
    for (int j = -radius; j <= radius; ++j) acc = AddTap(acc, in[static_cast<std::ptrdiff_t>(i) + 3 * j], w[std::abs(j)]);
    out[i] = Normalise(acc, sums[i]);
  }
}

// Vertical pass over bytes [0, count) of one output row: the taps are the
// rows rows[0 .. taps-1] with weights w[0 .. taps-1].
void VerticalPlain(const std::uint8_t* const* rows, const float* w, int taps, std::size_t count, float sum,
                   std::uint8_t* out) {
  for (std::size_t i = 0; i < count; ++i) {
    float acc = 0;
    for (int t = 0; t < taps; ++t) acc = AddTap(acc, rows[t][i], w[t]);
    out[i] = Normalise(acc, sum);
  }
}

// Eight sums to bytes. The single-precision quotient lies within 2^-16 of the
// exact one (values up to 256), so it rounds the same way unless it is within
// 2^-15 of a half; such lanes are worked out one by one.
__attribute__((target("avx2,fma"))) inline void NormaliseAvx2(__m256 acc, __m256 sum, std::uint8_t* out) {
  const __m256 q = _mm256_div_ps(acc, sum);
  const __m256 r = _mm256_round_ps(q, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
  const __m256 off = _mm256_and_ps(_mm256_sub_ps(_mm256_and_ps(_mm256_sub_ps(q, r), absMask), _mm256_set1_ps(0.5f)),
                                   absMask);
  if (_mm256_movemask_ps(_mm256_cmp_ps(off, _mm256_set1_ps(0x1p-15f), _CMP_LT_OQ)) != 0) {
    alignas(32) float a[kLanes], s[kLanes];
    _mm256_store_ps(a, acc);
    _mm256_store_ps(s, sum);
    for (int k = 0; k < kLanes; ++k) out[k] = Normalise(a[k], s[k]);
    return;
  }
  const __m256 clamped = _mm256_min_ps(_mm256_max_ps(r, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
  const __m256i v = _mm256_cvtps_epi32(clamped);
  const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

__attribute__((target("avx2,fma"))) void HorizontalAvx2(const float* in, std::uint8_t* out, std::size_t bytes,
                                                       int radius, const float* w, const float* sums) {
  std::size_t i0 = 0;
  for (; i0 + kBlock <= bytes; i0 += kBlock) {
    __m256 acc[8];
    for (auto& a : acc) a = _mm256_setzero_ps();
    const float* p = in + i0 - 3 * static_cast<std::ptrdiff_t>(radius);
    for (int j = -radius; j <= radius; ++j, p += 3) {
      const __m256 wt = _mm256_set1_ps(w[std::abs(j)]);
      for (int u = 0; u < 8; ++u) acc[u] = _mm256_fmadd_ps(_mm256_loadu_ps(p + u * kLanes), wt, acc[u]);
    }
    for (int u = 0; u < 8; ++u) NormaliseAvx2(acc[u], _mm256_loadu_ps(sums + i0 + u * kLanes), out + i0 + u * kLanes);
  }
  HorizontalPlain(in + i0, out + i0, bytes - i0, radius, w, sums + i0);
}

// The same over rows already converted to float (the conversion of a row is
// done once, not once for each of the windows it lies in).
__attribute__((target("avx2,fma"))) void VerticalAvx2(const float* const* rows, const float* w, int taps,
                                                     std::size_t count, float sum, std::uint8_t* out) {
  std::size_t i = 0;
  const __m256 sums = _mm256_set1_ps(sum);
  for (; i + kBlock <= count; i += kBlock) {
    __m256 acc[8];
    for (auto& a : acc) a = _mm256_setzero_ps();
    for (int t = 0; t < taps; ++t) {
      const __m256 wt = _mm256_set1_ps(w[t]);
      const float* p = rows[t] + i;
      for (int u = 0; u < 8; ++u) acc[u] = _mm256_fmadd_ps(_mm256_loadu_ps(p + u * kLanes), wt, acc[u]);
    }
    for (int u = 0; u < 8; ++u) NormaliseAvx2(acc[u], sums, out + i + u * kLanes);
  }
  for (; i < count; ++i) {
    float acc = 0;
    for (int t = 0; t < taps; ++t) acc = AddTap(acc, rows[t][i], w[t]);
    out[i] = Normalise(acc, sum);
  }
}

void GaussianHorizontal(const TBitmap& src, TBitmap& dst, int radius, const std::vector<float>& w,
                        const std::vector<float>& sums, bool simd, int y0, int y1) {
  const std::size_t bytes = 3 * static_cast<std::size_t>(src.Width()), pad = 3 * static_cast<std::size_t>(radius);
  std::vector<float> in(pad + bytes + pad, 0.0f), byteSums(bytes);
  for (std::size_t i = 0; i < bytes; ++i) byteSums[i] = sums[i / 3];
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* row = src.ScanLine(y);
    for (std::size_t i = 0; i < bytes; ++i) in[pad + i] = row[i];
    if (simd)
      HorizontalAvx2(in.data() + pad, dst.ScanLine(y), bytes, radius, w.data(), byteSums.data());
    else
      HorizontalPlain(in.data() + pad, dst.ScanLine(y), bytes, radius, w.data(), byteSums.data());
  }
}

void GaussianVertical(const TBitmap& src, TBitmap& dst, int radius, const std::vector<float>& w,
                      const std::vector<float>& sums, bool simd, int y0, int y1) {
  const int height = src.Height();
  const std::size_t bytes = 3 * static_cast<std::size_t>(src.Width());
  std::vector<const std::uint8_t*> rows(2 * static_cast<std::size_t>(radius) + 1);
  std::vector<const float*> floatRows(rows.size());
  std::vector<float> wt(rows.size());
  // Strips of columns keep the rows of a window in the cache; the vector path
  // keeps the strip's last 2 radius + 1 rows as floats, row t in slot
  // t mod (2 radius + 1).
  constexpr std::size_t kStrip = 4 * kBlock;
  const int slots = 2 * radius + 1;
  std::vector<float> ring(simd ? static_cast<std::size_t>(slots) * kStrip : 0);
  const auto slot = [&](int t) { return ring.data() + static_cast<std::size_t>(t % slots) * kStrip; };
  for (std::size_t i0 = 0; i0 < bytes; i0 += kStrip) {
    const std::size_t count = std::min(kStrip, bytes - i0);
    const auto convert = [&](int t) {
      const std::uint8_t* p = src.ScanLine(t) + i0;
      float* f = slot(t);
      for (std::size_t i = 0; i < count; ++i) f[i] = p[i];
    };
    if (simd)
      for (int t = std::max(0, y0 - radius); t <= std::min(height - 1, y0 + radius - 1); ++t) convert(t);
    for (int y = y0; y < y1; ++y) {
      if (simd && y + radius <= height - 1) convert(y + radius);
      int taps = 0;
      for (int t = std::max(0, y - radius); t <= std::min(height - 1, y + radius); ++t, ++taps) {
        rows[taps] = src.ScanLine(t) + i0;
        floatRows[taps] = slot(t);
        wt[taps] = w[std::abs(t - y)];
      }
      if (simd)
        VerticalAvx2(floatRows.data(), wt.data(), taps, count, sums[y], dst.ScanLine(y) + i0);
      else
        VerticalPlain(rows.data(), wt.data(), taps, count, sums[y], dst.ScanLine(y) + i0);
    }
  }
}

}  // namespace

void SetBlurSimd(bool allowed) { blur_detail::gSimdAllowed.store(allowed, std::memory_order_relaxed); }

bool GaussianBlur(TBitmap& image, std::int32_t sigmaPx, int threads) {
  if (!Is24(image) || sigmaPx < 1 || sigmaPx > 30) return false;
  if (image.Empty()) return true;
  const int s = sigmaPx, radius = 3 * s;
  std::vector<float> w(static_cast<std::size_t>(radius) + 1);
  for (int d = 0; d <= radius; ++d)
    w[d] = static_cast<float>(std::exp(-static_cast<long double>(d * d) / static_cast<long double>(2 * s * s)));
  const std::vector<float> sumsX = WeightSums(image.Width(), radius, w);
  const std::vector<float> sumsY = WeightSums(image.Height(), radius, w);
  const bool simd = UseAvx2Fma();
  // Every byte of the second picture is written by the first pass.
  TBitmap pass = TBitmap::ForOverwrite(image.Width(), image.Height());
  ForEachRowBlock(image.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    GaussianHorizontal(image, pass, radius, w, sumsX, simd, y0, y1);
  });
  ForEachRowBlock(image.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    GaussianVertical(pass, image, radius, w, sumsY, simd, y0, y1);
  });
  return true;
}

}  // namespace kira
