// The Gaussian blur: two separable passes with the taps of every pixel in
// order. With AVX2 or AVX-512 the passes run together, row by row, over a
// ring of horizontal results; the plain loops run one pass after the other.
#include "effects/blur.h"

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "core/stop_request.h"
#include "effects/blur_simd.h"

namespace kira {

namespace {

using blur_detail::UseAvx2Fma;
using blur_detail::UseAvx512;

// Above this many bytes of ring per band the passes run one after the other.
constexpr std::size_t kDefaultRingLimit = std::size_t{64} << 20;
std::atomic<std::size_t> gFusedRingLimit{kDefaultRingLimit};

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

// Eight sums to their rounded, limited quotients, as floats. acc times the
// single-precision reciprocal of the weight sum lies within 256 * 2^-23 =
// 2^-15 of the exact quotient (values below 256, two roundings of 2^-24 each),
// so it rounds the same way unless it is within 2^-13 of a half; such lanes
// are worked out one by one from the sums.
__attribute__((target("avx2,fma"))) inline __m256 RoundedAvx2(__m256 acc, __m256 rcp, __m256 sum) {
  const __m256 q = _mm256_mul_ps(acc, rcp);
  const __m256 r = _mm256_round_ps(q, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
  const __m256 off = _mm256_and_ps(_mm256_sub_ps(_mm256_and_ps(_mm256_sub_ps(q, r), absMask), _mm256_set1_ps(0.5f)),
                                   absMask);
  if (_mm256_movemask_ps(_mm256_cmp_ps(off, _mm256_set1_ps(0x1p-13f), _CMP_LT_OQ)) != 0) {
    alignas(32) float a[kLanes], s[kLanes];
    _mm256_store_ps(a, acc);
    _mm256_store_ps(s, sum);
    for (int k = 0; k < kLanes; ++k) a[k] = Normalise(a[k], s[k]);
    return _mm256_load_ps(a);
  }
  return _mm256_min_ps(_mm256_max_ps(r, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
}

__attribute__((target("avx2,fma"))) inline void StoreBytesAvx2(__m256 rounded, std::uint8_t* out) {
  const __m256i v = _mm256_cvtps_epi32(rounded);
  const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

__attribute__((target("avx2,fma"))) inline void StoreAvx2(__m256 rounded, std::uint8_t* out) {
  const __m256i v = _mm256_cvtps_epi32(rounded);
  const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

__attribute__((target("avx2,fma"))) inline void StoreAvx2(__m256 rounded, float* out) {
  _mm256_storeu_ps(out, rounded);
}

// Horizontal pass over one row of interleaved channel values: in[i] is byte
// i as a float, with 3 radius zeros before and after; taps lie 3 apart. The
// results go out as bytes, or as floats holding bytes.
template <class Out>
void HorizontalPlain(const float* in, Out* out, std::size_t bytes, int radius, const float* w, const float* sums) {
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

// U vectors of bytes at a time; rcps[i] is 1 / sums[i] in single precision.
template <int U, class Out>
__attribute__((target("avx2,fma"))) inline std::size_t HorizontalStepsAvx2(const float* in, Out* out, std::size_t i0,
                                                                          std::size_t bytes, int radius,
                                                                          const float* w, const float* sums,
                                                                          const float* rcps) {
  for (; i0 + U * kLanes <= bytes; i0 += U * kLanes) {
    __m256 acc[U];
    for (auto& a : acc) a = _mm256_setzero_ps();
    const float* p = in + i0 - 3 * static_cast<std::ptrdiff_t>(radius);
    for (int j = -radius; j <= radius; ++j, p += 3) {
      const __m256 wt = _mm256_set1_ps(w[std::abs(j)]);
      for (int u = 0; u < U; ++u) acc[u] = _mm256_fmadd_ps(_mm256_loadu_ps(p + u * kLanes), wt, acc[u]);
    }
    for (int u = 0; u < U; ++u) {
      const std::size_t k = i0 + u * kLanes;
      StoreAvx2(RoundedAvx2(acc[u], _mm256_loadu_ps(rcps + k), _mm256_loadu_ps(sums + k)), out + k);
    }
  }
  return i0;
}


template <int U>
__attribute__((target("avx2,fma"))) inline std::size_t VerticalStepsAvx2(const float* const* rows, const float* w,
                                                                        int taps, std::size_t i, std::size_t count,
                                                                        float sum, std::uint8_t* out) {
  const __m256 sums = _mm256_set1_ps(sum), rcp = _mm256_set1_ps(1.0f / sum);
  for (; i + U * kLanes <= count; i += U * kLanes) {
    __m256 acc[U];
    for (auto& a : acc) a = _mm256_setzero_ps();
    for (int t = 0; t < taps; ++t) {
      const __m256 wt = _mm256_set1_ps(w[t]);
      const float* p = rows[t] + i;
      for (int u = 0; u < U; ++u) acc[u] = _mm256_fmadd_ps(_mm256_loadu_ps(p + u * kLanes), wt, acc[u]);
    }
    for (int u = 0; u < U; ++u) StoreAvx2(RoundedAvx2(acc[u], rcp, sums), out + i + u * kLanes);
  }
  return i;
}


#define KIRA_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx2,fma")))

constexpr int kWide = 16;  // lanes of an AVX-512 vector

// RoundedAvx2 on sixteen lanes.
KIRA_AVX512 inline __m512 RoundedAvx512(__m512 acc, __m512 rcp, __m512 sum) {
  const __m512 q = _mm512_mul_ps(acc, rcp);
  const __m512 r = _mm512_roundscale_ps(q, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m512 off = _mm512_abs_ps(_mm512_sub_ps(_mm512_abs_ps(_mm512_sub_ps(q, r)), _mm512_set1_ps(0.5f)));
  if (_mm512_cmp_ps_mask(off, _mm512_set1_ps(0x1p-13f), _CMP_LT_OQ) != 0) {
    alignas(64) float a[kWide], s[kWide];
    _mm512_store_ps(a, acc);
    _mm512_store_ps(s, sum);
    for (int k = 0; k < kWide; ++k) a[k] = Normalise(a[k], s[k]);
    return _mm512_load_ps(a);
  }
  return _mm512_min_ps(_mm512_max_ps(r, _mm512_setzero_ps()), _mm512_set1_ps(255.0f));
}

KIRA_AVX512 inline void StoreAvx512(__m512 rounded, std::uint8_t* out) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm512_cvtepi32_epi8(_mm512_cvtps_epi32(rounded)));
}

KIRA_AVX512 inline void StoreAvx512(__m512 rounded, float* out) { _mm512_storeu_ps(out, rounded); }

template <int U, class Out>
KIRA_AVX512 std::size_t HorizontalStepsAvx512(const float* in, Out* out, std::size_t i0, std::size_t bytes,
                                              int radius, const float* w, const float* sums, const float* rcps) {
  for (; i0 + U * kWide <= bytes; i0 += U * kWide) {
    __m512 acc[U];
    for (auto& a : acc) a = _mm512_setzero_ps();
    const float* p = in + i0 - 3 * static_cast<std::ptrdiff_t>(radius);
    for (int j = -radius; j <= radius; ++j, p += 3) {
      const __m512 wt = _mm512_set1_ps(w[std::abs(j)]);
      for (int u = 0; u < U; ++u) acc[u] = _mm512_fmadd_ps(_mm512_loadu_ps(p + u * kWide), wt, acc[u]);
    }
    for (int u = 0; u < U; ++u) {
      const std::size_t k = i0 + u * kWide;
      StoreAvx512(RoundedAvx512(acc[u], _mm512_loadu_ps(rcps + k), _mm512_loadu_ps(sums + k)), out + k);
    }
  }
  return i0;
}

template <int U>
KIRA_AVX512 std::size_t VerticalStepsAvx512(const float* const* rows, const float* w, int taps, std::size_t i,
                                            std::size_t count, float sum, std::uint8_t* out) {
  const __m512 sums = _mm512_set1_ps(sum), rcp = _mm512_set1_ps(1.0f / sum);
  for (; i + U * kWide <= count; i += U * kWide) {
    __m512 acc[U];
    for (auto& a : acc) a = _mm512_setzero_ps();
    for (int t = 0; t < taps; ++t) {
      const __m512 wt = _mm512_set1_ps(w[t]);
      const float* p = rows[t] + i;
      for (int u = 0; u < U; ++u) acc[u] = _mm512_fmadd_ps(_mm512_loadu_ps(p + u * kWide), wt, acc[u]);
    }
    for (int u = 0; u < U; ++u) StoreAvx512(RoundedAvx512(acc[u], rcp, sums), out + i + u * kWide);
  }
  return i;
}

// Output rows whose windows lie wholly inside the picture, kRowsAtOnce at a
// time: rows[0 .. 2 radius + kRowsAtOnce - 1] are the taps of all of them,
// output row r taking rows[r .. r + 2 radius] with weights w[radius], ...,
// w[0], ..., w[radius]. Each input vector is loaded once for every row that
// uses it; each row still adds its taps top to bottom. Returns the bytes done,
// a whole number of blocks.
constexpr int kRowsAtOnce = 4;

// Input row t (its vectors at p) as tap t - r of output rows r0 .. r1 - 1.
template <int K, int U>
KIRA_AVX512 __attribute__((always_inline)) inline void AddRowTap(const float* p, const float* wt, int t, int r0,
                                                                 int r1, __m512 (&acc)[K][U]) {
  __m512 v[U];
  for (int u = 0; u < U; ++u) v[u] = _mm512_loadu_ps(p + u * kWide);
#pragma GCC unroll 4
  for (int r = r0; r < r1; ++r) {
    const __m512 weight = _mm512_set1_ps(wt[t - r]);
    for (int u = 0; u < U; ++u) acc[r][u] = _mm512_fmadd_ps(v[u], weight, acc[r][u]);
  }
}

KIRA_AVX512 std::size_t VerticalRowsAvx512(const float* const* rows, const float* w, int radius, std::size_t count,
                                           float sum, std::uint8_t* const* out) {
  constexpr int K = kRowsAtOnce, U = 4;
  const __m512 sums = _mm512_set1_ps(sum), rcp = _mm512_set1_ps(1.0f / sum);
  // wt[j]: the weight of a row's j-th tap, j = 0 .. 2 radius.
  float wt[2 * 90 + 1];
  for (int j = 0; j <= 2 * radius; ++j) wt[j] = w[j < radius ? radius - j : j - radius];
  std::size_t i = 0;
  for (; i + U * kWide <= count; i += U * kWide) {
    __m512 acc[K][U];
    for (auto& row : acc)
      for (auto& a : row) a = _mm512_setzero_ps();
#pragma GCC unroll 4
    for (int t = 0; t < K - 1; ++t) AddRowTap(rows[t] + i, wt, t, 0, t + 1, acc);
    for (int t = K - 1; t <= 2 * radius; ++t) AddRowTap(rows[t] + i, wt, t, 0, K, acc);
#pragma GCC unroll 4
    for (int j = 1; j < K; ++j) AddRowTap(rows[2 * radius + j] + i, wt, 2 * radius + j, j, K, acc);
    for (int r = 0; r < K; ++r)
      for (int u = 0; u < U; ++u) StoreAvx512(RoundedAvx512(acc[r][u], rcp, sums), out[r] + i + u * kWide);
  }
  return i;
}

// The vector passes: AVX-512 blocks where `wide`, then AVX2 blocks, then
// byte by byte.
template <class Out>
void HorizontalVector(const float* in, Out* out, std::size_t bytes, int radius, const float* w, const float* sums,
                      const float* rcps, bool wide) {
  std::size_t i = 0;
  if (wide) i = HorizontalStepsAvx512<8>(in, out, i, bytes, radius, w, sums, rcps);
  i = HorizontalStepsAvx2<8>(in, out, i, bytes, radius, w, sums, rcps);
  i = HorizontalStepsAvx2<1>(in, out, i, bytes, radius, w, sums, rcps);
  HorizontalPlain(in + i, out + i, bytes - i, radius, w, sums + i);
}

// The same over rows already converted to float (the conversion of a row is
// done once, not once for each of the windows it lies in).
void VerticalVector(const float* const* rows, const float* w, int taps, std::size_t count, float sum,
                    std::uint8_t* out, bool wide) {
  std::size_t i = 0;
  if (wide) i = VerticalStepsAvx512<8>(rows, w, taps, i, count, sum, out);
  i = VerticalStepsAvx2<8>(rows, w, taps, i, count, sum, out);
  i = VerticalStepsAvx2<1>(rows, w, taps, i, count, sum, out);
  for (; i < count; ++i) {
    float acc = 0;
    for (int t = 0; t < taps; ++t) acc = AddTap(acc, rows[t][i], w[t]);
    out[i] = Normalise(acc, sum);
  }
}

// Weight sums and their reciprocals for every byte of a row.
struct TByteSums {
  std::vector<float> sums, rcps;
  TByteSums(const std::vector<float>& pixelSums) : sums(3 * pixelSums.size()), rcps(sums.size()) {
    for (std::size_t i = 0; i < sums.size(); ++i) {
      sums[i] = pixelSums[i / 3];
      rcps[i] = 1.0f / sums[i];
    }
  }
};

// row's bytes as floats after pad zeros, followed by pad zeros.
KIRA_AVX512 std::size_t BytesToFloatsAvx512(const std::uint8_t* row, std::size_t bytes, float* out) {
  std::size_t i = 0;
  for (; i + kWide <= bytes; i += kWide)
    _mm512_storeu_ps(out + i, _mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)))));
  return i;
}

// Bytes lo .. hi - 1 of a row of `bytes` bytes as floats, zeros for those
// outside the row.
void SpanToFloats(const std::uint8_t* row, std::size_t bytes, std::ptrdiff_t lo, std::ptrdiff_t hi, float* in,
                  bool wide = false) {
  const std::ptrdiff_t a = std::max<std::ptrdiff_t>(lo, 0), b = std::min<std::ptrdiff_t>(hi, bytes);
  std::fill(in, in + (a - lo), 0.0f);
  float* out = in + (a - lo);
  const std::size_t n = static_cast<std::size_t>(b - a);
  std::size_t i = wide ? BytesToFloatsAvx512(row + a, n, out) : 0;
  for (; i < n; ++i) out[i] = row[a + static_cast<std::ptrdiff_t>(i)];
  std::fill(in + (b - lo), in + (hi - lo), 0.0f);
}

void RowToFloats(const std::uint8_t* row, std::size_t bytes, std::size_t pad, float* in) {
  const auto p = static_cast<std::ptrdiff_t>(pad);
  SpanToFloats(row, bytes, -p, static_cast<std::ptrdiff_t>(bytes) + p, in);
}

void GaussianHorizontal(const TBitmap& src, TBitmap& dst, int radius, const std::vector<float>& w,
                        const TByteSums& sums, bool simd, int y0, int y1) {
  const std::size_t bytes = 3 * static_cast<std::size_t>(src.Width()), pad = 3 * static_cast<std::size_t>(radius);
  std::vector<float> in(pad + bytes + pad);
  for (int y = y0; y < y1; ++y) {
    RowToFloats(src.ScanLine(y), bytes, pad, in.data());
    if (simd)
      HorizontalVector(in.data() + pad, dst.ScanLine(y), bytes, radius, w.data(), sums.sums.data(), sums.rcps.data(),
                       UseAvx512());
    else
      HorizontalPlain(in.data() + pad, dst.ScanLine(y), bytes, radius, w.data(), sums.sums.data());
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
        VerticalVector(floatRows.data(), wt.data(), taps, count, sums[y], dst.ScanLine(y) + i0, UseAvx512());
      else
        VerticalPlain(rows.data(), wt.data(), taps, count, sums[y], dst.ScanLine(y) + i0);
    }
  }
}

// Both passes at once: the horizontal results of the last
// 2 radius + kRowsAtOnce rows (or of all rows, when fewer) are kept as floats
// (row t in slot t mod their number), each a byte value already rounded, so
// that the vertical pass adds the very values the plain loops read back from
// the intermediate picture. In place, output row y is written once the
// horizontal pass has read row y + radius, the last row that needs the
// original of row y, and each band of rows starts from the saved originals of
// the radius rows on either side of it, which the neighbouring bands
// overwrite.
class TFusedGaussian {
 public:
  // source may be image itself (in place) or another picture of its size.
  TFusedGaussian(const TBitmap& source, TBitmap& image, int radius, const std::vector<float>& w,
                 const TByteSums& sumsX, const std::vector<float>& sumsY)
      : source_(source), image_(image), radius_(radius), w_(w), sumsX_(sumsX), sumsY_(sumsY),
        bytes_(3 * static_cast<std::size_t>(image.Width())) {}

  static int Slots(int height, int radius) { return std::min(2 * radius + kRowsAtOnce, height); }

  // The bytes of a band's ring.
  static std::size_t RingBytes(int width, int height, int radius) {
    return static_cast<std::size_t>(Slots(height, radius)) * 3 * static_cast<std::size_t>(width) * sizeof(float);
  }

  void Run(int threads) {
    const int h = image_.Height();
    const int bands = std::clamp(threads, 1, h);
    const auto bound = [&](int b) { return static_cast<int>(static_cast<std::int64_t>(h) * b / bands); };
    std::vector<std::vector<std::uint8_t>> saved(static_cast<std::size_t>(bands));
    for (int b = 0; b < bands && &source_ == &image_; ++b) {
      // Rows bound(b) - radius .. bound(b) - 1 and bound(b + 1) .. + radius - 1.
      auto& keep = saved[b];
      for (const int t : OutsideRows(bound(b), bound(b + 1), h)) {
        const std::uint8_t* row = image_.ScanLine(t);
        keep.insert(keep.end(), row, row + bytes_);
      }
    }
    ForEachRowBlock(bands, bands, [&](std::int32_t b0, std::int32_t b1) {
      for (int b = b0; b < b1; ++b)
        if (bound(b) < bound(b + 1)) Band(bound(b), bound(b + 1), saved[b]);
    });
  }

 private:
  // The rows a band [y0, y1) reads but does not write, in order.
  std::vector<int> OutsideRows(int y0, int y1, int h) const {
    std::vector<int> rows;
    for (int t = std::max(0, y0 - radius_); t < y0; ++t) rows.push_back(t);
    for (int t = y1; t <= std::min(h - 1, y1 - 1 + radius_); ++t) rows.push_back(t);
    return rows;
  }

  // Columns of bytes at a time: the whole row in place (the horizontal pass
  // reads bytes the vertical one has already written in the columns to the
  // left), else strips whose ring stays in the cache.
  std::size_t StripBytes(int slots) const {
    if (&source_ == &image_) return bytes_;
    constexpr std::size_t kRingCache = std::size_t{384} << 10;
    const std::size_t strip = kRingCache / (static_cast<std::size_t>(slots) * sizeof(float)) / 64 * 64;
    return std::min(bytes_, std::max<std::size_t>(strip, 256));
  }

  void Band(int y0, int y1, const std::vector<std::uint8_t>& saved) {
    const int h = image_.Height(), slots = Slots(h, radius_);
    const std::size_t pad = 3 * static_cast<std::size_t>(radius_), strip = StripBytes(slots);
    std::vector<float> in(pad + strip + pad), ring(static_cast<std::size_t>(slots) * strip);
    const auto slot = [&](int t) { return ring.data() + static_cast<std::size_t>(t % slots) * strip; };
    const std::vector<int> outside = OutsideRows(y0, y1, h);
    std::vector<const float*> rows(static_cast<std::size_t>(slots));
    std::vector<float> wt(rows.size());
    for (std::size_t i0 = 0; i0 < bytes_; i0 += strip) {
      ThrowIfStopped();
      const std::size_t n = std::min(strip, bytes_ - i0);
      int next = std::max(0, y0 - radius_);  // the next row for the horizontal pass
      const auto horizontalTo = [&](int last) {
        for (; next <= std::min(h - 1, last); ++next) {
          const std::uint8_t* row = source_.ScanLine(next);
          if (&source_ == &image_ && (next < y0 || next >= y1)) {
            const auto k = static_cast<std::size_t>(std::find(outside.begin(), outside.end(), next) - outside.begin());
            row = saved.data() + k * bytes_;
          }
          const auto lo = static_cast<std::ptrdiff_t>(i0) - static_cast<std::ptrdiff_t>(pad);
          SpanToFloats(row, bytes_, lo, lo + static_cast<std::ptrdiff_t>(n + 2 * pad), in.data(), wide_);
          HorizontalVector(in.data() + pad, slot(next), n, radius_, w_.data(), sumsX_.sums.data() + i0,
                           sumsX_.rcps.data() + i0, wide_);
        }
      };
      // Output row y from byte i of the strip on, its taps those that exist.
      const auto vertical = [&](int y, std::size_t i) {
        int taps = 0;
        for (int t = std::max(0, y - radius_); t <= std::min(h - 1, y + radius_); ++t, ++taps) {
          rows[taps] = slot(t) + i;
          wt[taps] = w_[std::abs(t - y)];
        }
        VerticalVector(rows.data(), wt.data(), taps, n - i, sumsY_[y], image_.ScanLine(y) + i0 + i, wide_);
      };
      for (int y = y0, done = 0; y < y1; done = y - y0) {
        if (done / 64 != (y - y0) / 64) ThrowIfStopped();
        const int k = kRowsAtOnce;
        if (wide_ && y - radius_ >= 0 && y + k - 1 + radius_ <= h - 1 && y + k <= y1) {
          // Windows wholly inside: kRowsAtOnce rows share the loads of their taps.
          horizontalTo(y + k - 1 + radius_);
          for (int t = y - radius_; t <= y + k - 1 + radius_; ++t) rows[t - (y - radius_)] = slot(t);
          std::uint8_t* out[kRowsAtOnce];
          for (int r = 0; r < k; ++r) out[r] = image_.ScanLine(y + r) + i0;
          const std::size_t i = VerticalRowsAvx512(rows.data(), w_.data(), radius_, n, sumsY_[y], out);
          for (int r = 0; r < k; ++r) vertical(y + r, i);
          y += k;
        } else {
          horizontalTo(y + radius_);
          vertical(y, 0);
          ++y;
        }
      }
    }
  }

  const TBitmap& source_;
  TBitmap& image_;
  const int radius_;
  const std::vector<float>& w_;
  const TByteSums& sumsX_;
  const std::vector<float>& sumsY_;
  const std::size_t bytes_;
  const bool wide_ = UseAvx512();
};

}  // namespace

void SetGaussianRingLimit(std::size_t bytes) { gFusedRingLimit.store(bytes, std::memory_order_relaxed); }

void SetBlurSimd(bool allowed) { blur_detail::gSimdAllowed.store(allowed, std::memory_order_relaxed); }

namespace {

// The weights and their sums in both directions, for a picture of the
// source's size.
struct TGaussianTable {
  int radius;
  std::vector<float> w;
  TByteSums sumsX;
  std::vector<float> sumsY;

  TGaussianTable(const TBitmap& source, int s) : radius(3 * s), w(Weights(s)), sumsX(WeightSums(source.Width(), radius, w)),
                                                 sumsY(WeightSums(source.Height(), radius, w)) {}

  static std::vector<float> Weights(int s) {
    std::vector<float> w(3 * static_cast<std::size_t>(s) + 1);
    for (int d = 0; d <= 3 * s; ++d)
      w[d] = static_cast<float>(std::exp(-static_cast<long double>(d * d) / static_cast<long double>(2 * s * s)));
    return w;
  }

  // Whether both passes run at once on this picture.
  bool Fused(const TBitmap& source) const {
    return UseAvx2Fma() && TFusedGaussian::RingBytes(source.Width(), source.Height(), radius) <=
                               gFusedRingLimit.load(std::memory_order_relaxed);
  }
};

}  // namespace

bool GaussianBlur(TBitmap& image, std::int32_t sigmaPx, int threads) {
  if (!Is24(image) || sigmaPx < 1 || sigmaPx > 30) return false;
  if (image.Empty()) return true;
  const TGaussianTable g(image, sigmaPx);
  if (g.Fused(image)) {
    TFusedGaussian(image, image, g.radius, g.w, g.sumsX, g.sumsY).Run(threads);
    return true;
  }
  const bool simd = UseAvx2Fma();
  // Every byte of the second picture is written by the first pass.
  TBitmap pass = TBitmap::ForOverwrite(image.Width(), image.Height());
  ForEachRowBlock(image.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    GaussianHorizontal(image, pass, g.radius, g.w, g.sumsX, simd, y0, y1);
  });
  ForEachRowBlock(image.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    GaussianVertical(pass, image, g.radius, g.w, g.sumsY, simd, y0, y1);
  });
  return true;
}

bool GaussianBlurInto(const TBitmap& source, TBitmap& result, std::int32_t sigmaPx, int threads) {
  if (!Is24(source) || sigmaPx < 1 || sigmaPx > 30) return false;
  if (source.Empty()) {
    result = source;
    return true;
  }
  const TGaussianTable g(source, sigmaPx);
  if (!g.Fused(source)) {
    result = source;
    return GaussianBlur(result, sigmaPx, threads);
  }
  // Every byte of the result is written: storage of the right size is reused.
  if (result.Width() != source.Width() || result.Height() != source.Height() || !Is24(result))
    result = TBitmap::ForOverwrite(source.Width(), source.Height());
  TFusedGaussian(source, result, g.radius, g.w, g.sumsX, g.sumsY).Run(threads);
  return true;
}

}  // namespace kira
