#include "effects/mirage.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <limits>

#include <immintrin.h>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "core/vector_level.h"

namespace kira {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// 360 is subtracted while the angle exceeds 360 and added while it is below
// 0, so 360 itself stays 360.
long double BringInto360(long double angle) {
  while (angle > 360) angle -= 360;
  while (angle < 0) angle += 360;
  return angle;
}

TMirageOffset OffsetAt(long double distance, long double angleDeg) {
  const long double rad = angleDeg * kPi / 180;
  return {RoundHalfAway(distance * std::cos(rad)), RoundHalfAway(distance * std::sin(rad))};
}

long double LongerSide(int width, int height) { return std::max(width, height); }

// Squared distance of pixel (x, y) from the unrounded centre; exact, since
// both differences are multiples of 0.5.
struct TCentre {
  long double Cx, Cy;
  long double Squared(int x, int y) const {
    const long double a = Cx - x;
    const long double b = Cy - y;
    return a * a + b * b;
  }
};

// m = min(1, d / radius) as the plain formula gives it. Beyond radius + 1 the
// square root cannot come back to the radius, so m is 1 without computing it.
struct TFalloff {
  long double Radius;
  long double Beyond;  // (radius + 1)^2
  explicit TFalloff(long double radius) : Radius(radius), Beyond((radius + 1) * (radius + 1)) {}
  bool Full(long double squared) const { return squared >= Beyond; }
  long double M(long double squared) const { return std::min(1.0L, std::sqrt(squared) / Radius); }
};

// The columns [X0, X1) of target row y that a copy reaches, and the source
// row they come from; empty when the copy covers nothing on that row.
struct TSpan {
  std::int64_t X0 = 0, X1 = 0;
  std::int64_t SourceRow = -1;
};

TSpan CopySpan(const TMirageOffset& o, int width, int height, int y) {
  TSpan s;
  const std::int64_t sy = static_cast<std::int64_t>(y) - o.Dy;
  if (sy < 0 || sy >= height) return s;
  s.SourceRow = sy;
  s.X0 = std::max<std::int64_t>(0, o.Dx);
  s.X1 = std::min<std::int64_t>(width, static_cast<std::int64_t>(width) + o.Dx);
  if (s.X1 < s.X0) s.X1 = s.X0;
  return s;
}

__attribute__((target_clones("avx2", "default"))) void MinBytes(std::uint8_t* __restrict dst,
                                                                const std::uint8_t* __restrict src,
                                                                std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) dst[i] = src[i] < dst[i] ? src[i] : dst[i];
}

__attribute__((target_clones("avx2", "default"))) void MaxBytes(std::uint8_t* __restrict dst,
                                                                const std::uint8_t* __restrict src,
                                                                std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) dst[i] = src[i] > dst[i] ? src[i] : dst[i];
}

// ClampByte of a double, without the extended-precision rounding call: the
// fraction x - floor(x) is exact, so comparing it with one half decides the
// rounding exactly as x + 0.5 truncated in extended precision does.
inline std::uint8_t ClampByteOf(double x) {
  if (!(x >= 0)) return 0;  // negatives round to 0 or below; NaN gives 0 as well
  if (x >= 255) return 255;
  const int r = static_cast<int>(x);
  return static_cast<std::uint8_t>(r + (x - r >= 0.5 ? 1 : 0));
}

// Fills values[x] = value(squared distance of (x, y)) for a row. Columns x and
// W - x lie at the same distance from the centre (the differences are a and
// -a), so the right half takes the left half's values.
template <class T, class Value>
void FillRowByDistance(T* values, int w, int y, const TCentre& centre, Value value) {
  for (int x = 0; x < w; ++x) {
    const int mirror = w - x;
    values[x] = mirror < x ? values[mirror] : value(centre.Squared(x, y));
  }
}

// The faded copy of the priority modes. The channel terms c e (exact) and
// c / e are the same for every pixel and come from tables; the pixel's own
// term 255 g is added to them exactly as in the formula.
TBitmap FadedCopy(const TBitmap& image, float density, bool dark, int threads) {
  const int w = image.Width(), h = image.Height();
  TBitmap faded(w, h);
  const float e = 2.0f - density;
  std::array<long double, 256> term{};
  for (int c = 0; c < 256; ++c)
    term[c] = dark ? static_cast<long double>(c) * e : static_cast<long double>(c) / e;
  const auto fade = [&](int c, long double g255) {
    return ClampByteOf(static_cast<double>(dark ? term[c] + g255 : term[c] - g255));
  };
  const TFalloff falloff(std::min(w, h) / 2.0L);
  const long double rho = density;
  const long double rimG255 = 255 * (rho * (1.0L * 1.0L));  // m = 1
  std::array<std::uint8_t, 256> rim{};
  for (int c = 0; c < 256; ++c) rim[c] = fade(c, rimG255);
  const TCentre centre{w / 2.0L, h / 2.0L};
  ForEachRowBlock(h, threads, [&](std::int32_t begin, std::int32_t end) {
    std::vector<long double> g255(static_cast<std::size_t>(w));
    for (int y = begin; y < end; ++y) {
      FillRowByDistance(g255.data(), w, y, centre, [&](long double sq) {
        if (falloff.Full(sq)) return rimG255;
        const long double m = falloff.M(sq);
        return 255 * (rho * (m * m));
      });
      const std::uint8_t* in = image.ScanLine(y);
      std::uint8_t* out = faded.ScanLine(y);
      for (int x = 0; x < w; ++x, in += 3, out += 3) {
        const long double g = g255[x];
        if (g == rimG255) {
          out[0] = rim[in[0]], out[1] = rim[in[1]], out[2] = rim[in[2]];
          continue;
        }
        for (int c = 0; c < 3; ++c) out[c] = fade(in[c], g);
      }
    }
  });
  return faded;
}

bool Priority(TBitmap& image, const std::vector<TMirageOffset>& offsets, float density, bool dark,
              int threads) {
  if (offsets.empty() || image.Empty()) return true;
  const int w = image.Width(), h = image.Height();
  const TBitmap faded = FadedCopy(image, density, dark, threads);
  ForEachRowBlock(h, threads, [&](std::int32_t begin, std::int32_t end) {
    for (int y = begin; y < end; ++y) {
      std::uint8_t* base = image.ScanLine(y);
      for (const TMirageOffset& o : offsets) {
        const TSpan s = CopySpan(o, w, h, y);
        if (s.X1 <= s.X0) continue;
        std::uint8_t* dst = base + 3 * s.X0;
        const std::uint8_t* src = faded.ScanLine(static_cast<int>(s.SourceRow)) + 3 * (s.X0 - o.Dx);
        const auto count = static_cast<std::size_t>(3 * (s.X1 - s.X0));
        if (dark)
          MinBytes(dst, src, count);
        else
          MaxBytes(dst, src, count);
      }
    }
  });
  return true;
}

// The fade mask, one byte per pixel, with the span of each row outside which
// the mask is 255. There q = 1 and 1 - q = 0, and blending gives the base
// value back exactly, so those pixels need no work.
struct TFadeMask {
  int Width = 0;
  std::vector<std::uint8_t> Values;
  std::vector<std::int32_t> Lo, Hi;  // row y: columns [Lo, Hi) may differ from 255
  const std::uint8_t* Row(int y) const { return Values.data() + static_cast<std::size_t>(y) * Width; }
};

// Every step of the mask's formula rounds monotonically, so the mask never
// falls as the distance grows. The squared distance is a quarter of the
// integer n = (W - 2x)^2 + (H - 2y)^2, and the mask reaches value v from the
// least n at which the formula gives at least v: 255 thresholds found once by
// bisection with the formula itself. A row then walks through them, from its
// left end toward the centre, where n only falls; the right half mirrors it.
// A negative or unbounded density (never the page's) takes the formula at
// every pixel.
TFadeMask FadeMask(int w, int h, float density, int threads) {
  TFadeMask mask;
  mask.Width = w;
  mask.Values.resize(static_cast<std::size_t>(w) * h);
  mask.Lo.resize(h);
  mask.Hi.resize(h);
  const long double rho = density;
  const long double rest = static_cast<float>(1.0L - rho);
  const auto value = [&](long double m) {
    return ClampByteOf(static_cast<double>(255 * (rho * (m * m) + rest)));
  };
  const std::uint8_t rim = value(1.0L);
  const TFalloff falloff(std::min(w, h) / 3.0L);
  const auto valueAt = [&](std::int64_t n) {
    const long double sq = static_cast<long double>(n) / 4;  // exact below 2^64
    return falloff.Full(sq) ? rim : value(falloff.M(sq));
  };
  // From nFull on the rim value holds: n / 4 >= (radius + 1)^2.
  const std::int64_t nFull = static_cast<std::int64_t>(std::ceil(4 * falloff.Beyond));
  constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
  const bool rising = rho >= 0 && std::isfinite(rho);
  const TCentre centre{w / 2.0L, h / 2.0L};
  std::array<std::int64_t, 257> from{};  // from[v]: least n with a mask of at least v
  for (int v = 1; v <= 256 && rising; ++v) {
    if (v > rim) {
      from[v] = kNever;
      continue;
    }
    std::int64_t lo = from[v - 1], hi = nFull;  // valueAt(hi) = rim >= v
    while (lo < hi) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      if (valueAt(mid) >= v)
        hi = mid;
      else
        lo = mid + 1;
    }
    from[v] = lo;
  }
  ForEachRowBlock(h, threads, [&](std::int32_t begin, std::int32_t end) {
    for (int y = begin; y < end; ++y) {
      std::uint8_t* row = mask.Values.data() + static_cast<std::size_t>(y) * w;
      const std::int64_t b = static_cast<std::int64_t>(h) - 2 * static_cast<std::int64_t>(y);
      int v = rim;
      if (!rising)
        FillRowByDistance(row, w, y, centre, [&](long double sq) {
          return falloff.Full(sq) ? rim : value(falloff.M(sq));
        });
      for (int x = 0; x < w && rising; ++x) {
        const int mirror = w - x;
        if (mirror < x) {
          row[x] = row[mirror];
          continue;
        }
        const std::int64_t a = static_cast<std::int64_t>(w) - 2 * static_cast<std::int64_t>(x);
        const std::int64_t n = a * a + b * b;
        while (from[v] > n) --v;  // from[0] = 0
        row[x] = static_cast<std::uint8_t>(v);
      }
      std::int32_t lo = w, hi = 0;
      for (int x = 0; x < w; ++x) {
        if (row[x] != 255) {
          lo = std::min(lo, x);
          hi = x + 1;
        }
      }
      mask.Lo[y] = lo;
      mask.Hi[y] = std::max(lo, hi);
    }
  });
  return mask;
}

// q and 1 - q are single-precision numbers of at least 2^-8 (or 0) and the
// channels are below 2^8, so q b + (1 - q) s needs at most 40 significant
// bits: the sum, and the half added for the rounding, are exact in double
// precision and equal to the extended-precision evaluation.
struct TBlendWeights {
  std::array<double, 256> Q{}, Rest{};
  TBlendWeights() {
    for (int m = 0; m < 256; ++m) {
      const float q = static_cast<float>(m / 255.0L);
      Q[m] = q;
      Rest[m] = static_cast<float>(1.0L - q);
    }
  }
};

void BlendSpan(std::uint8_t* base, const std::uint8_t* src, const std::uint8_t* mask,
               std::int64_t count, const TBlendWeights& wt) {
  for (std::int64_t i = 0; i < count; ++i, base += 3, src += 3) {
    const std::uint8_t m = mask[i];
    if (m == 255) continue;
    const double q = wt.Q[m], rest = wt.Rest[m];
    for (int c = 0; c < 3; ++c)
      base[c] = static_cast<std::uint8_t>(static_cast<int>(q * base[c] + rest * src[c] + 0.5));
  }
}

// The same sums in integers: q and 1 - q are multiples of 2^-31 no larger
// than 1, so with Q = q 2^31 and R = (1 - q) 2^31 (both whole, below 2^32)
// q b + (1 - q) s + 1/2 truncated is (Q b + R s + 2^30) >> 31, exactly, in
// 64 bits. Eight pixels at a time: their weights are loaded once and spread
// over the 24 channel bytes, eight lanes of 32 bits per group of 8 bytes.
struct TBlendInts {
  alignas(32) std::uint32_t Q[256], R[256];
  explicit TBlendInts(const TBlendWeights& wt) {
    for (int m = 0; m < 256; ++m) {
      Q[m] = static_cast<std::uint32_t>(wt.Q[m] * 0x1p31);
      R[m] = static_cast<std::uint32_t>(wt.Rest[m] * 0x1p31);
    }
  }
};

__attribute__((target("avx2"))) inline __m256i BlendLanes(__m256i q, __m256i r, const std::uint8_t* b,
                                                          const std::uint8_t* s) {
  const __m256i vb = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
  const __m256i vs = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s)));
  const __m256i half = _mm256_set1_epi64x(std::int64_t{1} << 30);
  const __m256i even = _mm256_srli_epi64(
      _mm256_add_epi64(_mm256_add_epi64(_mm256_mul_epu32(q, vb), _mm256_mul_epu32(r, vs)), half), 31);
  const __m256i odd = _mm256_srli_epi64(
      _mm256_add_epi64(_mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(q, 32), _mm256_srli_epi64(vb, 32)),
                                        _mm256_mul_epu32(_mm256_srli_epi64(r, 32), _mm256_srli_epi64(vs, 32))),
                       half),
      31);
  return _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
}

__attribute__((target("avx2"))) inline void StoreLanes(__m256i v, std::uint8_t* out) {
  const __m256i words = _mm256_packus_epi32(v, v);          // per half: 4 words twice
  const __m256i bytes = _mm256_packus_epi16(words, words);  // per half: 4 bytes in dword 0
  const __m256i joined = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(joined));
}

__attribute__((target("avx2"))) void BlendSpanAvx2(std::uint8_t* base, const std::uint8_t* src,
                                                   const std::uint8_t* mask, std::int64_t count,
                                                   const TBlendWeights& wt, const TBlendInts& ints) {
  const __m256i spread[3] = {_mm256_setr_epi32(0, 0, 0, 1, 1, 1, 2, 2), _mm256_setr_epi32(2, 3, 3, 3, 4, 4, 4, 5),
                             _mm256_setr_epi32(5, 5, 6, 6, 6, 7, 7, 7)};
  std::int64_t i = 0;
  for (; i + 8 <= count; i += 8, base += 24, src += 24) {
    // Loaded one by one: a gather instruction is slower here than eight loads.
    const std::uint8_t* m = mask + i;
    const auto Q = [&](int j) { return static_cast<int>(ints.Q[m[j]]); };
    const auto R = [&](int j) { return static_cast<int>(ints.R[m[j]]); };
    const __m256i q = _mm256_setr_epi32(Q(0), Q(1), Q(2), Q(3), Q(4), Q(5), Q(6), Q(7));
    const __m256i r = _mm256_setr_epi32(R(0), R(1), R(2), R(3), R(4), R(5), R(6), R(7));
    for (int g = 0; g < 3; ++g) {
      const __m256i v = BlendLanes(_mm256_permutevar8x32_epi32(q, spread[g]),
                                   _mm256_permutevar8x32_epi32(r, spread[g]), base + 8 * g, src + 8 * g);
      StoreLanes(v, base + 8 * g);
    }
  }
  BlendSpan(base, src, mask + i, count - i, wt);
}

std::atomic<int> gMirageVectors{2};

bool UseAvx2() {
  return OfferedVectorLevel() >= kVectorAvx2 && gMirageVectors.load(std::memory_order_relaxed) >= 1;
}

bool Blend(TBitmap& image, const std::vector<TMirageOffset>& offsets, float density, int threads) {
  if (offsets.empty() || image.Empty()) return true;
  const int w = image.Width(), h = image.Height();
  const TBitmap source = image;
  const TFadeMask mask = FadeMask(w, h, density, threads);
  static const TBlendWeights weights;
  static const TBlendInts ints(weights);
  const bool avx2 = UseAvx2();
  ForEachRowBlock(h, threads, [&](std::int32_t begin, std::int32_t end) {
    for (int y = begin; y < end; ++y) {
      std::uint8_t* base = image.ScanLine(y);
      for (const TMirageOffset& o : offsets) {
        const TSpan s = CopySpan(o, w, h, y);
        if (s.X1 <= s.X0) continue;
        const int sy = static_cast<int>(s.SourceRow);
        // Source columns of the span, narrowed to where the mask is below 255.
        const std::int64_t from = std::max<std::int64_t>(s.X0 - o.Dx, mask.Lo[sy]);
        const std::int64_t to = std::min<std::int64_t>(s.X1 - o.Dx, mask.Hi[sy]);
        if (to <= from) continue;
        std::uint8_t* out = base + 3 * (from + o.Dx);
        const std::uint8_t* in = source.ScanLine(sy) + 3 * from;
        if (avx2)
          BlendSpanAvx2(out, in, mask.Row(sy) + from, to - from, weights, ints);
        else
          BlendSpan(out, in, mask.Row(sy) + from, to - from, weights);
      }
    }
  });
  return true;
}

}  // namespace

void LimitMirageVectors(int level) { gMirageVectors.store(level, std::memory_order_relaxed); }

std::vector<TMirageOffset> MirageCircleOffsets(int width, int height, int faces, int angleDeg,
                                               int offsetPct) {
  std::vector<TMirageOffset> offsets;
  if (faces < 2) return offsets;
  const long double r = RoundHalfAway(offsetPct * LongerSide(width, height) / 100);
  const long double step = 360.0L / (faces - 1);
  long double angle = static_cast<long double>(angleDeg) - 90;
  offsets.reserve(static_cast<std::size_t>(faces) - 1);
  for (int k = 1; k < faces; ++k) {
    angle = BringInto360(angle);  // the running angle goes on from the brought value
    offsets.push_back(OffsetAt(r, angle));
    angle += step;
  }
  return offsets;
}

std::vector<TMirageOffset> MirageLineOffsets(int width, int height, int faces, int angleDeg,
                                             int offsetPct) {
  std::vector<TMirageOffset> offsets;
  if (faces < 2) return offsets;
  const long double s = RoundHalfAway(offsetPct * LongerSide(width, height) / 100 / 2);
  const long double a = BringInto360(static_cast<long double>(angleDeg) - 90);
  const long double b = BringInto360(static_cast<long double>(angleDeg) + 90);
  offsets.reserve(static_cast<std::size_t>(faces) - 1);
  for (int k = 1; k < faces; ++k) offsets.push_back(OffsetAt(s * ((k + 1) / 2), k % 2 == 1 ? a : b));
  return offsets;
}

bool MirageCirclePriority(TBitmap& image, int faces, int angleDeg, int offsetPct, float density,
                          bool dark, int threads) {
  if (!Is24(image)) return false;
  return Priority(image, MirageCircleOffsets(image.Width(), image.Height(), faces, angleDeg, offsetPct),
                  density, dark, threads);
}

bool MirageLinePriority(TBitmap& image, int faces, int angleDeg, int offsetPct, float density,
                        bool dark, int threads) {
  if (!Is24(image)) return false;
  return Priority(image, MirageLineOffsets(image.Width(), image.Height(), faces, angleDeg, offsetPct),
                  density, dark, threads);
}

bool MirageCircleBlend(TBitmap& image, int faces, int angleDeg, int offsetPct, float density,
                       int threads) {
  if (!Is24(image)) return false;
  return Blend(image, MirageCircleOffsets(image.Width(), image.Height(), faces, angleDeg, offsetPct),
               density, threads);
}

bool MirageLineBlend(TBitmap& image, int faces, int angleDeg, int offsetPct, float density,
                     int threads) {
  if (!Is24(image)) return false;
  return Blend(image, MirageLineOffsets(image.Width(), image.Height(), faces, angleDeg, offsetPct),
               density, threads);
}

}  // namespace kira
