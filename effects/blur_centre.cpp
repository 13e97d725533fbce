// The radial and angle blurs: samples along a ray or an arc about the centre.
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
using blur_detail::UseAvx512;

// The vector width a blur runs with: none, AVX2 or AVX-512.
enum class TLanes { Plain, Avx2, Avx512 };

TLanes LanesToUse() {
  if (UseAvx512()) return TLanes::Avx512;
  return UseAvx2Fma() ? TLanes::Avx2 : TLanes::Plain;
}

// ------------------------------------------------------ centre-based blurs
//
// Both blurs are defined in extended precision. The fast way computes in
// double and falls back to the extended computation wherever the double
// result could round differently: a position within 2^-20 of a half, or a
// single-precision value within 2^-40 of the halfway point between two
// floats. For pictures and reaches up to 2^22 the double results lie within
// 2^-26 of the extended ones, so every other rounding is the same.

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr std::int64_t kFastLimit = std::int64_t{1} << 22;
constexpr double kNearHalf = 0x1p-20;

struct TSums {
  std::int64_t b = 0, g = 0, r = 0, count = 0;
};

// The sample's position, or false when it is beyond any picture.
inline bool RoundPosition(long double v, std::int64_t& out) {
  if (!(v > -0x1p62L && v < 0x1p62L)) return false;
  out = static_cast<std::int64_t>(std::rint(v));
  return true;
}

// The point-in-rectangle test against (0, 0, W - 1, H - 1): the right and
// bottom edges are outside, so the last column and row are never taken.
inline void Take(const TBitmap& copy, std::int64_t px, std::int64_t py, TSums& s) {
  if (px < 0 || py < 0 || px >= copy.Width() - 1 || py >= copy.Height() - 1) return;
  const std::uint8_t* p = copy.ScanLine(static_cast<int>(py)) + 3 * px;
  s.b += p[0];
  s.g += p[1];
  s.r += p[2];
  ++s.count;
}

// sum div count through a double quotient: for 0 <= sum and sum + count
// below 2^53 the quotient, correctly rounded, has the same whole part (a
// fraction is at least 1 / count away from the next whole number, more than
// the rounding error), and a double division is much cheaper than a 64-bit one.
inline std::uint8_t Mean(std::int64_t sum, double count) {
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(static_cast<double>(sum) / count));
}

inline void Store(std::uint8_t* out, const TSums& s) {
  if (s.count <= 0) return;
  const double count = static_cast<double>(s.count);
  out[0] = Mean(s.b, count);
  out[1] = Mean(s.g, count);
  out[2] = Mean(s.r, count);
}

// A double that rounds to an integer the way the extended value it stands
// for does, unless it lies within kNearHalf of a half.
inline bool SafeRound(double v, std::int64_t& out) {
  const double r = std::rint(v);
  if (std::fabs(std::fabs(v - r) - 0.5) < kNearHalf) return false;
  out = static_cast<std::int64_t>(r);
  return true;
}

// (float) of the value that the double d approximates to within 2^-50 of
// itself, or false when that rounding is not certain.
inline bool SafeFloat(double d, float& out) {
  const double e = std::fabs(d) * 0x1p-40;
  const float f = static_cast<float>(d);
  if (static_cast<float>(d - e) != f || static_cast<float>(d + e) != f) return false;
  out = f;
  return true;
}

// Rows y and H - y lie at the same distance above and below the centre
// (cy = H / 2 exactly), so a pixel and its mirror share the distance, and
// their directions are opposite: atan2 is odd in dy, and so are the rounding
// to single precision and to whole degrees. Mirrored values from the double
// setup stand as close to the exact ones as the originals did (and the
// exact extended routines' own asymmetry, if any, is far inside the margins
// of SafeFloat and SafeRound), so every rounding the setup decides is the
// one of the mirrored pixel; the samples then run with -theta or -a.
// Rows 0 .. H / 2 lead; MirrorRow gives the row each one also does, or -1.
inline std::int32_t LeadingRows(std::int32_t h) { return h / 2 + 1; }

inline int MirrorRow(int y, int h) { return y >= 1 && h - y > y ? h - y : -1; }

struct TCentre {
  float cx, cy;
  TCentre(int w, int h) : cx(static_cast<float>(w) / 2), cy(static_cast<float>(h) / 2) {}
};

// Pixels in small tiles, so that the samples of neighbouring pixels, which
// lie close together, are still in the cache. The angle blur's samples of a
// tile spread along an arc through it; its tiles go ring by ring about the
// centre and by direction within a ring, so that each tile's arc mostly
// overlaps the one before.
template <class TPixel>
void ForTiles(TBitmap& image, int y0, int y1, bool polar, const TPixel& pixel) {
  constexpr int kTile = 32;
  const int w = image.Width();
  struct TTile {
    int x, y;
    double ring, angle;
  };
  std::vector<TTile> tiles;
  for (int ty = y0; ty < y1; ty += kTile)
    for (int tx = 0; tx < w; tx += kTile) {
      TTile t{tx, ty, 0, 0};
      if (polar) {
        const double dx = tx + kTile / 2 - w / 2.0, dy = ty + kTile / 2 - image.Height() / 2.0;
        t.ring = std::floor(std::sqrt(dx * dx + dy * dy) / kTile);
        t.angle = std::atan2(dy, dx);
      }
      tiles.push_back(t);
    }
  if (polar)
    std::stable_sort(tiles.begin(), tiles.end(), [](const TTile& a, const TTile& b) {
      return a.ring != b.ring ? a.ring < b.ring : a.angle < b.angle;
    });
  for (const TTile& t : tiles)
    for (int y = t.y; y < std::min(t.y + kTile, y1); ++y) {
      std::uint8_t* out = image.ScanLine(y);
      for (int x = t.x; x < std::min(t.x + kTile, w); ++x) pixel(x, y, out);
    }
}

// Four or eight samples at a time: the bytes of the copy as one block
// reached by 32-bit offsets.
struct TLaneSource {
  const std::uint8_t* base;
  std::int32_t stride, lastX, lastY, height, size;
  explicit TLaneSource(const TBitmap& copy)
      : base(copy.ScanLine(0)),
        stride(copy.Stride()),
        lastX(copy.Width() - 1),
        lastY(copy.Height() - 1),
        height(copy.Height()),
        size(copy.Height() * copy.Stride()) {}
  static bool Fits(const TBitmap& copy) { return copy.SizeInBytes() < (std::size_t{1} << 31); }
};

// A pixel and its mirror row go through the lanes together: the mirror's
// samples lie at the same columns and at the mirrored rows. Rows y and
// H - y are mirrors, cy = H / 2, and the mirror's direction is the
// negated one, so its exact sample position (x', y') is (x, 2 cy - y) up to
// the last bits of the extended arithmetic (the extended cos is even and
// sin odd, or within an ulp of it). Where the double x and y are more than
// kNearHalf from a half, the exact x and y are more than 2^-21 from one,
// and so are x' and y': then px' = px and py' = H - py. A lane where either
// is closer is worked out in extended precision for both pixels.

struct TLaneSums {
  __m128i b, g, r, count;
};

__attribute__((target("avx2"))) inline TLaneSums NoLanes() {
  return {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
}

// Lanes where v lies within kNearHalf of a half (r is v rounded):
// |v - Round(v)| <= 1/2, so that is this one test.
__attribute__((target("avx2"))) inline __m256d NearHalf(__m256d v, __m256d r) {
  const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
  return _mm256_cmp_pd(_mm256_and_pd(_mm256_sub_pd(v, r), absMask), _mm256_set1_pd(0.5 - kNearHalf), _CMP_GT_OQ);
}

__attribute__((target("avx2"))) inline void GatherLanes(const TLaneSource& src, __m128i offset, __m128i take,
                                                        TLaneSums& s) {
  const __m128i word = _mm_mask_i32gather_epi32(_mm_setzero_si128(), reinterpret_cast<const int*>(src.base), offset,
                                                take, 1);
  const __m128i byte = _mm_set1_epi32(0xff);
  s.b = _mm_add_epi32(s.b, _mm_and_si128(word, byte));
  s.g = _mm_add_epi32(s.g, _mm_and_si128(_mm_srli_epi32(word, 8), byte));
  s.r = _mm_add_epi32(s.r, _mm_and_si128(_mm_srli_epi32(word, 16), byte));
  s.count = _mm_sub_epi32(s.count, take);
}

// Takes the samples at (x, y) of the lanes in `valid` (all ones per lane),
// and with kPair those of the mirror at (x, H - y) into m, except where x or
// y lies too close to a half for the double to decide: their rounded
// positions go to rx, ry and the result has bit l (x) or bit 4 + l (y) set
// for them; the caller works those out. kInside: every position is known
// to be inside the picture (SpanInside), so it is not tested.
template <bool kPair, bool kInside>
__attribute__((target("avx2"))) inline int TakeLanes(const TLaneSource& src, __m256d x, __m256d y, __m128i valid,
                                                     TLaneSums& s, TLaneSums& m, double* rx, double* ry) {
  const __m256d rxv = _mm256_round_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256d ryv = _mm256_round_pd(y, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256d nx = NearHalf(x, rxv), ny = NearHalf(y, ryv);
  const int mask = _mm256_movemask_pd(nx) | (_mm256_movemask_pd(ny) << 4);
  __m128i across = valid;
  if (mask != 0) {
    _mm256_storeu_pd(rx, rxv);
    _mm256_storeu_pd(ry, ryv);
    const __m256i both = _mm256_castpd_si256(_mm256_or_pd(nx, ny));
    const __m128i low = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(both, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
    across = _mm_andnot_si128(low, across);
  }
  const __m128i px = _mm256_cvtpd_epi32(rxv), py = _mm256_cvtpd_epi32(ryv);
  const __m128i column = _mm_add_epi32(px, _mm_add_epi32(px, px));
  const __m128i row = _mm_mullo_epi32(py, _mm_set1_epi32(src.stride));
  const __m128i mirrorOffset = _mm_sub_epi32(_mm_add_epi32(_mm_set1_epi32(src.size), column), row);
  if constexpr (kInside) {
    GatherLanes(src, _mm_add_epi32(row, column), across, s);
    if constexpr (kPair) GatherLanes(src, mirrorOffset, across, m);
    return mask;
  }
  across = _mm_and_si128(across, _mm_and_si128(_mm_cmpgt_epi32(px, _mm_set1_epi32(-1)),
                                               _mm_cmpgt_epi32(_mm_set1_epi32(src.lastX), px)));
  GatherLanes(src, _mm_add_epi32(row, column),
              _mm_and_si128(across, _mm_and_si128(_mm_cmpgt_epi32(py, _mm_set1_epi32(-1)),
                                                  _mm_cmpgt_epi32(_mm_set1_epi32(src.lastY), py))),
              s);
  if constexpr (kPair)  // 0 <= H - py < H - 1
    GatherLanes(src, mirrorOffset,
                _mm_and_si128(across, _mm_and_si128(_mm_cmpgt_epi32(py, _mm_set1_epi32(1)),
                                                    _mm_cmpgt_epi32(_mm_set1_epi32(src.height + 1), py))),
                m);
  return mask;
}

// Adds the four lanes' sums to those of the pixel.
__attribute__((target("avx2"))) inline void AddLanes(const TLaneSums& s, TSums& sums) {
  const auto total = [](__m128i v) {
    alignas(16) std::int32_t a[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(a), v);
    return std::int64_t{a[0]} + a[1] + a[2] + a[3];
  };
  sums.b += total(s.b);
  sums.g += total(s.g);
  sums.r += total(s.r);
  sums.count += total(s.count);
}

// Eight samples at a time. Blue and red are summed in the two 16-bit halves
// of a lane, green in the low half of another; the lanes are emptied every
// kChunk512 steps, before the halves could carry even when all eight lanes
// are added up.
constexpr std::int64_t kChunk512 = 32;

struct TLaneSums512 {
  __m256i br, g;
  std::int64_t count;
};

#define KIRA_AVX512 __attribute__((target("avx2,fma,avx512f,avx512vl,avx512dq")))

KIRA_AVX512 inline __m512d Abs512(__m512d v) {
  return _mm512_castsi512_pd(_mm512_and_si512(_mm512_castpd_si512(v), _mm512_set1_epi64(0x7fffffffffffffffLL)));
}

KIRA_AVX512 inline TLaneSums512 NoLanes512() { return {_mm256_setzero_si256(), _mm256_setzero_si256(), 0}; }

// The byte offsets `off` (exact in double, below 2^31 for the lanes taken).
KIRA_AVX512 inline void GatherLanes512(const TLaneSource& src, __m512d off, __mmask8 take, TLaneSums512& s) {
  const __m256i offset = _mm512_maskz_cvtpd_epi32(take, off);
  const __m256i word =
      _mm256_mmask_i32gather_epi32(_mm256_setzero_si256(), take, offset, reinterpret_cast<const int*>(src.base), 1);
  const __m256i byte2 = _mm256_set1_epi32(0x00ff00ff);
  s.br = _mm256_add_epi32(s.br, _mm256_and_si256(word, byte2));
  s.g = _mm256_add_epi32(s.g, _mm256_and_si256(_mm256_srli_epi32(word, 8), byte2));
  s.count += __builtin_popcount(take);
}

// As TakeLanes for the lanes of `valid`; the result has bit l (x) or bit
// 8 + l (y) set for a lane whose rounding the double cannot decide.
template <bool kPair, bool kInside>
KIRA_AVX512 inline unsigned TakeLanes512(const TLaneSource& src, __m512d x, __m512d y, __mmask8 valid,
                                         TLaneSums512& s, TLaneSums512& m, double* rx, double* ry) {
  const __m512d rxv = _mm512_maskz_roundscale_pd(0xff, x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m512d ryv = _mm512_maskz_roundscale_pd(0xff, y, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  // |v - Round(v)| <= 1/2, so "within kNearHalf of a half" is this one test.
  const __m512d nearLimit = _mm512_set1_pd(0.5 - kNearHalf);
  const __mmask8 nx = _mm512_mask_cmp_pd_mask(valid, Abs512(_mm512_sub_pd(x, rxv)), nearLimit, _CMP_GT_OQ);
  const __mmask8 ny = _mm512_mask_cmp_pd_mask(valid, Abs512(_mm512_sub_pd(y, ryv)), nearLimit, _CMP_GT_OQ);
  __mmask8 across = valid & static_cast<__mmask8>(~(nx | ny));
  __mmask8 take = across, mirror = across;
  if constexpr (!kInside) {
    across = _mm512_mask_cmp_pd_mask(across, rxv, _mm512_setzero_pd(), _CMP_GE_OQ);
    across = _mm512_mask_cmp_pd_mask(across, rxv, _mm512_set1_pd(src.lastX), _CMP_LT_OQ);
    take = _mm512_mask_cmp_pd_mask(across, ryv, _mm512_setzero_pd(), _CMP_GE_OQ);
    take = _mm512_mask_cmp_pd_mask(take, ryv, _mm512_set1_pd(src.lastY), _CMP_LT_OQ);
    // 0 <= H - py < H - 1
    mirror = _mm512_mask_cmp_pd_mask(across, ryv, _mm512_set1_pd(1), _CMP_GT_OQ);
    mirror = _mm512_mask_cmp_pd_mask(mirror, ryv, _mm512_set1_pd(src.height), _CMP_LE_OQ);
  }
  const __m512d column = _mm512_mul_pd(rxv, _mm512_set1_pd(3));
  const __m512d row = _mm512_mul_pd(ryv, _mm512_set1_pd(src.stride));
  GatherLanes512(src, _mm512_add_pd(row, column), take, s);
  if constexpr (kPair)
    GatherLanes512(src, _mm512_sub_pd(_mm512_add_pd(_mm512_set1_pd(src.size), column), row), mirror, m);
  const unsigned mask = static_cast<unsigned>(nx) | (static_cast<unsigned>(ny) << 8);
  if (mask != 0) {
    _mm512_storeu_pd(rx, rxv);
    _mm512_storeu_pd(ry, ryv);
  }
  return mask;
}

// Empties the lanes' sums into those of the pixel: blue and red (at most
// 8 kChunk512 255 = 65280 each over all lanes) in the low 32 bits of one
// 64-bit total, green in its high half.
KIRA_AVX512 inline void AddLanes512(TLaneSums512& s, TSums& sums) {
  const __m256i g = _mm256_and_si256(s.g, _mm256_set1_epi32(0xffff));
  const __m256i br64 = _mm256_add_epi64(_mm256_cvtepu32_epi64(_mm256_castsi256_si128(s.br)),
                                        _mm256_cvtepu32_epi64(_mm256_extracti128_si256(s.br, 1)));
  const __m256i g64 = _mm256_add_epi64(_mm256_cvtepu32_epi64(_mm256_castsi256_si128(g)),
                                       _mm256_cvtepu32_epi64(_mm256_extracti128_si256(g, 1)));
  const __m256i both = _mm256_add_epi64(br64, _mm256_slli_epi64(g64, 32));
  const __m128i quarter = _mm_add_epi64(_mm256_castsi256_si128(both), _mm256_extracti128_si256(both, 1));
  const auto total = static_cast<std::uint64_t>(_mm_cvtsi128_si64(quarter) + _mm_extract_epi64(quarter, 1));
  sums.b += static_cast<std::int64_t>(total & 0xffff);
  sums.r += static_cast<std::int64_t>((total >> 16) & 0xffff);
  sums.g += static_cast<std::int64_t>(total >> 32);
  sums.count += s.count;
  s = NoLanes512();
}

void RadialPixelExact(const TBitmap& copy, const TCentre& c, int x, int y, std::int64_t n, std::uint8_t* out) {
  const long double dx = x - static_cast<long double>(c.cx), dy = y - static_cast<long double>(c.cy);
  const std::int64_t rho = static_cast<std::int64_t>(std::rint(std::sqrt(dx * dx + dy * dy)));
  const float theta = static_cast<float>(std::atan2(dy, dx));
  const long double cs = std::cos(static_cast<long double>(theta)), sn = std::sin(static_cast<long double>(theta));
  TSums s;
  for (std::int64_t k = rho - n; k <= rho + n; ++k) {
    if (k < 0) continue;
    std::int64_t px, py;
    if (RoundPosition(cs * k + c.cx, px) && RoundPosition(sn * k + c.cy, py)) Take(copy, px, py, s);
  }
  Store(out, s);
}

// A pixel's ray worked out in double: false when theta's rounding to single
// precision is not certain.
struct TRay {
  std::int64_t rho;
  float theta;
  double cs, sn;
};

bool RadialSetup(const TCentre& c, int x, int y, TRay& ray) {
  const double dx = x - static_cast<double>(c.cx), dy = y - static_cast<double>(c.cy);
  const double sq = dx * dx + dy * dy;  // exact: quarters below 2^46
  const double r = std::sqrt(sq);
  // A root that is not a half lies at least 2^-26 from one here.
  ray.rho = static_cast<std::int64_t>(std::rint(r));
  const double t = std::atan2(dy, dx);
  if (!SafeFloat(t, ray.theta)) return false;
  if (sq > 0) {
    // cos and sin of theta from those of the exact direction, turned by the
    // small difference e between theta and it.
    const double e = static_cast<double>(ray.theta) - t;
    const double ce = 1 - e * e / 2;
    ray.cs = (dx * ce - dy * e) / r;
    ray.sn = (dy * ce + dx * e) / r;
  } else {
    ray.cs = std::cos(static_cast<double>(ray.theta));
    ray.sn = std::sin(static_cast<double>(ray.theta));
  }
  return true;
}

// The exact positions on a ray, for the samples where the double was too
// close to a half; the extended cosine and sine are worked out once, when
// first needed.
struct TRayExact {
  float theta;
  bool ready = false;
  long double cs = 0, sn = 0;
  explicit TRayExact(const TRay& ray) : theta(ray.theta) {}
  __attribute__((noinline)) void Fill() {
    cs = std::cos(static_cast<long double>(theta));
    sn = std::sin(static_cast<long double>(theta));
    ready = true;
  }
  __attribute__((noinline)) std::int64_t operator()(std::int64_t k, float centre, bool vertical) {
    if (!ready) Fill();
    std::int64_t p = -1;
    RoundPosition((vertical ? sn : cs) * k + centre, p);
    return p;
  }
};

void RadialPixel(const TBitmap& copy, const TCentre& c, const TRay& ray, std::int64_t n, std::uint8_t* out) {
  TRayExact exact(ray);
  TSums s;
  for (std::int64_t k = std::max<std::int64_t>(ray.rho - n, 0); k <= ray.rho + n; ++k) {
    const double kd = static_cast<double>(k);
    std::int64_t px = -1, py = -1;
    if (!SafeRound(ray.cs * kd + c.cx, px)) px = exact(k, c.cx, false);
    if (!SafeRound(ray.sn * kd + c.cy, py)) py = exact(k, c.cy, true);
    Take(copy, px, py, s);
  }
  Store(out, s);
}

// Takes the samples of the lanes (the first `count` of `lanes`) that the
// double left undecided (bit l of mask for x, bit lanes + l for y), and
// with kPair those of the mirror: positions from exact(l, vertical) and
// exactMirror(l, vertical) where undecided, from the rounded doubles
// rx, ry elsewhere.
template <bool kPair, class TExact, class TExactMirror>
void TakeUndecided(const TBitmap& copy, unsigned mask, int lanes, std::int64_t count, const double* rx,
                   const double* ry, const TExact& exact, const TExactMirror& exactMirror, TSums& s, TSums& m) {
  for (int l = 0; l < lanes && l < count; ++l) {
    const bool ux = (mask >> l) & 1, uy = (mask >> (lanes + l)) & 1;
    if (!ux && !uy) continue;
    const std::int64_t px = ux ? exact(l, false) : static_cast<std::int64_t>(rx[l]);
    const std::int64_t py = uy ? exact(l, true) : static_cast<std::int64_t>(ry[l]);
    Take(copy, px, py, s);
    if constexpr (kPair)
      Take(copy, ux ? exactMirror(l, false) : px,
           uy ? exactMirror(l, true) : copy.Height() - static_cast<std::int64_t>(ry[l]), m);
  }
}

inline TRay Mirrored(TRay ray) {
  ray.theta = -ray.theta;
  ray.sn = -ray.sn;
  return ray;
}

// Calls run(pair, inside) with the two flags as std::bool_constant.
template <class TRun>
void WithFlags(bool pair, bool inside, const TRun& run) {
  if (pair) {
    if (inside)
      run(std::true_type{}, std::true_type{});
    else
      run(std::true_type{}, std::false_type{});
  } else if (inside) {
    run(std::false_type{}, std::true_type{});
  } else {
    run(std::false_type{}, std::false_type{});
  }
}

// Whether the span x0 .. x1, y0 .. y1 of sample positions (in double, within
// far less than a pixel of the exact ones) lies so far inside the picture
// that every sample of the pixel and of its mirror is taken: rounded, the
// columns stay in 0 .. W - 2 and the rows, and the mirrored rows H - py,
// in 0 .. H - 2. The lanes then skip those tests (kInside).
inline bool SpanInside(double x0, double x1, double y0, double y1, int w, int h) {
  return x0 >= 1 && x1 <= w - 3 && y0 >= 3 && y1 <= h - 3;
}

// The positions along a ray are monotonic in the distance, so its two ends
// bound them all.
inline bool RayInside(const TCentre& c, const TRay& ray, std::int64_t n, int w, int h) {
  const double k0 = static_cast<double>(std::max<std::int64_t>(ray.rho - n, 0)), k1 = static_cast<double>(ray.rho + n);
  const double xa = ray.cs * k0 + c.cx, xb = ray.cs * k1 + c.cx, ya = ray.sn * k0 + c.cy, yb = ray.sn * k1 + c.cy;
  return SpanInside(std::min(xa, xb), std::max(xa, xb), std::min(ya, yb), std::max(ya, yb), w, h);
}

// RadialPixel with four distances at a time; with kPair also for the
// mirror pixel (outMirror), whose ray is the mirrored one.
template <bool kPair, bool kInside>
__attribute__((target("avx2"))) void RadialLanes(const TBitmap& copy, const TLaneSource& src, const TCentre& c,
                                                const TRay& ray, std::int64_t n, std::uint8_t* out,
                                                std::uint8_t* outMirror) {
  TRayExact exact(ray), exactMirror(Mirrored(ray));
  const __m256d cs = _mm256_set1_pd(ray.cs), sn = _mm256_set1_pd(ray.sn);
  const __m256d cx = _mm256_set1_pd(c.cx), cy = _mm256_set1_pd(c.cy);
  const __m256d step = _mm256_setr_pd(0, 1, 2, 3);
  const std::int64_t first = std::max<std::int64_t>(ray.rho - n, 0), last = ray.rho + n;
  const __m256d lastK = _mm256_set1_pd(static_cast<double>(last));
  TLaneSums s = NoLanes(), m = NoLanes();
  TSums sums, sumsMirror;
  double rx[4], ry[4];
  for (std::int64_t k0 = first; k0 <= last; k0 += 4) {
    const __m256d k = _mm256_add_pd(_mm256_set1_pd(static_cast<double>(k0)), step);
    const __m256i le = _mm256_castpd_si256(_mm256_cmp_pd(k, lastK, _CMP_LE_OQ));
    const __m128i valid =
        _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(le, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
    const __m256d x = _mm256_add_pd(_mm256_mul_pd(cs, k), cx), y = _mm256_add_pd(_mm256_mul_pd(sn, k), cy);
    const int mask = TakeLanes<kPair, kInside>(src, x, y, valid, s, m, rx, ry);
    if (mask != 0)
      TakeUndecided<kPair>(
          copy, static_cast<unsigned>(mask), 4, last - k0 + 1, rx, ry,
          [&](int l, bool vertical) { return exact(k0 + l, vertical ? c.cy : c.cx, vertical); },
          [&](int l, bool vertical) { return exactMirror(k0 + l, vertical ? c.cy : c.cx, vertical); }, sums,
          sumsMirror);
  }
  AddLanes(s, sums);
  Store(out, sums);
  if constexpr (kPair) {
    AddLanes(m, sumsMirror);
    Store(outMirror, sumsMirror);
  }
}

// RadialLanes with eight distances at a time.
template <bool kPair, bool kInside>
KIRA_AVX512 void RadialLanes512(const TBitmap& copy, const TLaneSource& src, const TCentre& c, const TRay& ray,
                                std::int64_t n, std::uint8_t* out, std::uint8_t* outMirror) {
  TRayExact exact(ray), exactMirror(Mirrored(ray));
  const __m512d cs = _mm512_set1_pd(ray.cs), sn = _mm512_set1_pd(ray.sn);
  const __m512d cx = _mm512_set1_pd(c.cx), cy = _mm512_set1_pd(c.cy);
  const __m512d step = _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7);
  const std::int64_t first = std::max<std::int64_t>(ray.rho - n, 0), last = ray.rho + n;
  TLaneSums512 s = NoLanes512(), m = NoLanes512();
  TSums sums, sumsMirror;
  double rx[8], ry[8];
  std::int64_t chunk = 0;
  for (std::int64_t k0 = first; k0 <= last; k0 += 8) {
    const std::int64_t left = last - k0 + 1;
    const __mmask8 valid = left >= 8 ? 0xff : static_cast<__mmask8>((1u << left) - 1);
    const __m512d k = _mm512_add_pd(_mm512_set1_pd(static_cast<double>(k0)), step);
    const __m512d x = _mm512_add_pd(_mm512_mul_pd(cs, k), cx), y = _mm512_add_pd(_mm512_mul_pd(sn, k), cy);
    const unsigned mask = TakeLanes512<kPair, kInside>(src, x, y, valid, s, m, rx, ry);
    if (++chunk == kChunk512) {
      AddLanes512(s, sums);
      if constexpr (kPair) AddLanes512(m, sumsMirror);
      chunk = 0;
    }
    if (mask != 0)
      TakeUndecided<kPair>(
          copy, mask, 8, left, rx, ry,
          [&](int l, bool vertical) { return exact(k0 + l, vertical ? c.cy : c.cx, vertical); },
          [&](int l, bool vertical) { return exactMirror(k0 + l, vertical ? c.cy : c.cx, vertical); }, sums,
          sumsMirror);
  }
  AddLanes512(s, sums);
  Store(out, sums);
  if constexpr (kPair) {
    AddLanes512(m, sumsMirror);
    Store(outMirror, sumsMirror);
  }
}

void RadialRows(const TBitmap& copy, TBitmap& image, std::int64_t n, TLanes lanes, int y0, int y1) {
  const int w = image.Width(), h = image.Height();
  const TCentre c(w, h);
  const bool fast = w <= kFastLimit && h <= kFastLimit && n <= kFastLimit;
  if (!TLaneSource::Fits(copy)) lanes = TLanes::Plain;
  const TLaneSource src(copy);
  ForTiles(image, y0, y1, false, [&](int x, int y, std::uint8_t* out) {
    const int ym = MirrorRow(y, h);
    std::uint8_t* outMirror = ym >= 0 ? image.ScanLine(ym) + 3 * x : nullptr;
    out += 3 * x;
    TRay ray;
    if (!fast || !RadialSetup(c, x, y, ray)) {
      RadialPixelExact(copy, c, x, y, n, out);
      if (outMirror) RadialPixelExact(copy, c, x, ym, n, outMirror);
    } else if (lanes != TLanes::Plain) {
      WithFlags(outMirror != nullptr, RayInside(c, ray, n, w, h), [&](auto pair, auto inside) {
        constexpr bool kPair = decltype(pair)::value, kInside = decltype(inside)::value;
        if (lanes == TLanes::Avx512)
          RadialLanes512<kPair, kInside>(copy, src, c, ray, n, out, outMirror);
        else
          RadialLanes<kPair, kInside>(copy, src, c, ray, n, out, outMirror);
      });
    } else {
      RadialPixel(copy, c, ray, n, out);
      if (outMirror) RadialPixel(copy, c, Mirrored(ray), n, outMirror);
    }
  });
}

// cos and sin of k degrees (k pi / 180 in extended precision) for the whole
// degrees from .. to.
struct TDegreeTable {
  std::int64_t first = 0;
  std::vector<long double> cosx, sinx;
  std::vector<double> cosd, sind;
  std::size_t Index(std::int64_t k) const { return static_cast<std::size_t>(k - first); }
  TDegreeTable(std::int64_t from, std::int64_t to) : first(from) {
    const std::size_t size = static_cast<std::size_t>(to - from + 1);
    cosx.resize(size);
    sinx.resize(size);
    cosd.resize(size);
    sind.resize(size);
    for (std::size_t i = 0; i < size; ++i) {
      const long double phi = static_cast<long double>(from + static_cast<std::int64_t>(i)) * kPi / 180;
      cosx[i] = std::cos(phi);
      sinx[i] = std::sin(phi);
      cosd[i] = static_cast<double>(cosx[i]);
      sind[i] = static_cast<double>(sinx[i]);
    }
  }
};

void AnglePixelExact(const TBitmap& copy, const TCentre& c, int x, int y, std::int64_t n, std::uint8_t* out) {
  const long double dx = x - static_cast<long double>(c.cx), dy = y - static_cast<long double>(c.cy);
  const float rho = static_cast<float>(std::sqrt(dx * dx + dy * dy));
  const std::int64_t a = static_cast<std::int64_t>(std::rint(std::atan2(dy, dx) * 180 / kPi));
  TSums s;
  for (std::int64_t k = a - n; k <= a + n; ++k) {
    const long double phi = static_cast<long double>(k) * kPi / 180;
    std::int64_t px, py;
    if (RoundPosition(std::cos(phi) * rho + c.cx, px) && RoundPosition(std::sin(phi) * rho + c.cy, py))
      Take(copy, px, py, s);
  }
  Store(out, s);
}

constexpr std::int64_t kAngleTableLimit = 1 << 16;

// A pixel's circle and direction worked out in double: false when a rounding
// is not certain.
struct TArc {
  float rho;
  std::int64_t a;
};

// The directions of the half degrees k - 1/2 for k from -180 to 181.
struct THalfDegrees {
  double cs[362], sn[362];
  THalfDegrees() {
    for (int i = 0; i < 362; ++i) {
      const long double phi = static_cast<long double>(2 * (i - 180) - 1) * kPi / 360;
      cs[i] = static_cast<double>(std::cos(phi));
      sn[i] = static_cast<double>(std::sin(phi));
    }
  }
};

// Whether the direction of (dx, dy) lies strictly between a - 1/2 and
// a + 1/2 degrees, so that it rounds to the whole degree a, without an arc
// tangent. For a direction phi, cos phi dy - sin phi dx = r sin(alpha - phi)
// (r the distance, alpha the direction); in double, with table entries
// within 2^-52 of the true ones, it is off by at most 2^-50 (|dx| + |dy|).
// Both sides more than 2^-40 (|dx| + |dy|) >= 2^-40 r beyond zero put alpha
// more than 2^-41 from either half degree, far beyond the error of the
// extended arc tangent; anything closer is left undecided. Degrees +-180
// are left to the arc tangent too (their interval wraps round).
inline bool SettleDegree(const THalfDegrees& half, double dx, double dy, std::int64_t a) {
  if (a < -179 || a > 179) return false;
  const std::size_t i = static_cast<std::size_t>(a + 180);
  const double margin = (std::fabs(dx) + std::fabs(dy)) * 0x1p-40;
  const double below = half.cs[i] * dy - half.sn[i] * dx, above = half.cs[i + 1] * dy - half.sn[i + 1] * dx;
  return below > margin && above < -margin;
}

// The whole degree is first tried from `hint` (the neighbour's, usually
// the same or one off), then by the arc tangent.
bool AngleSetup(const TCentre& c, const THalfDegrees& half, int x, int y, std::int64_t hint, TArc& arc) {
  const double dx = x - static_cast<double>(c.cx), dy = y - static_cast<double>(c.cy);
  if (!SafeFloat(std::sqrt(dx * dx + dy * dy), arc.rho)) return false;
  for (const std::int64_t a : {hint, hint - 1, hint + 1})
    if (SettleDegree(half, dx, dy, a)) {
      arc.a = a;
      return true;
    }
  return SafeRound(std::atan2(dy, dx) * static_cast<double>(180 / kPi), arc.a);
}

inline std::int64_t AngleExact(const TDegreeTable& table, std::size_t i, float rho, float centre, bool vertical) {
  std::int64_t p = -1;
  RoundPosition((vertical ? table.sinx[i] : table.cosx[i]) * rho + centre, p);
  return p;
}

void AnglePixel(const TBitmap& copy, const TCentre& c, const TDegreeTable& table, const TArc& arc, std::int64_t n,
                std::uint8_t* out) {
  const double rd = arc.rho;
  TSums s;
  for (std::int64_t k = arc.a - n; k <= arc.a + n; ++k) {
    const std::size_t i = static_cast<std::size_t>(k - table.first);
    std::int64_t px = -1, py = -1;
    if (!SafeRound(table.cosd[i] * rd + c.cx, px)) px = AngleExact(table, i, arc.rho, c.cx, false);
    if (!SafeRound(table.sind[i] * rd + c.cy, py)) py = AngleExact(table, i, arc.rho, c.cy, true);
    Take(copy, px, py, s);
  }
  Store(out, s);
}

// An arc's cosines and sines lie between those of its ends, except that it
// reaches 1 or -1 where it passes a multiple of 90 degrees.
inline bool ArcInside(const TCentre& c, const TDegreeTable& table, const TArc& arc, std::int64_t n, int w, int h) {
  if (n >= 90) return false;
  const std::int64_t lo = arc.a - n, hi = arc.a + n;
  const auto passes = [&](std::int64_t degree) {  // some degree + 360 j in lo .. hi
    const std::int64_t j = (lo - degree + 360 * 4) / 360 - 4;  // floor((lo - degree) / 360), |lo| < 360 * 2
    return degree + 360 * j >= lo || degree + 360 * (j + 1) <= hi;
  };
  const std::size_t i0 = table.Index(lo), i1 = table.Index(hi);
  const double cmax = passes(0) ? 1 : std::max(table.cosd[i0], table.cosd[i1]);
  const double cmin = passes(180) ? -1 : std::min(table.cosd[i0], table.cosd[i1]);
  const double smax = passes(90) ? 1 : std::max(table.sind[i0], table.sind[i1]);
  const double smin = passes(270) ? -1 : std::min(table.sind[i0], table.sind[i1]);
  const double rho = arc.rho;
  return SpanInside(c.cx + rho * cmin, c.cx + rho * cmax, c.cy + rho * smin, c.cy + rho * smax, w, h);
}

// AnglePixel with four degrees at a time (the tables run 3 entries beyond
// the last degree); with kPair also for the mirror pixel (outMirror), whose
// degrees are the negated ones.
template <bool kPair, bool kInside>
__attribute__((target("avx2"))) void AngleLanes(const TBitmap& copy, const TLaneSource& src, const TCentre& c,
                                               const TDegreeTable& table, const TArc& arc, std::int64_t n,
                                               std::uint8_t* out, std::uint8_t* outMirror) {
  const __m256d rho = _mm256_set1_pd(arc.rho);
  const __m256d cx = _mm256_set1_pd(c.cx), cy = _mm256_set1_pd(c.cy);
  const std::int64_t steps = 2 * n + 1;
  const std::int64_t k0 = arc.a - n;
  const std::size_t i0 = static_cast<std::size_t>(k0 - table.first);
  TLaneSums s = NoLanes(), m = NoLanes();
  TSums sums, sumsMirror;
  double rx[4], ry[4];
  for (std::int64_t j = 0; j < steps; j += 4) {
    const std::size_t i = i0 + static_cast<std::size_t>(j);
    const __m128i valid = _mm_cmpgt_epi32(_mm_set1_epi32(static_cast<int>(std::min<std::int64_t>(steps - j, 4))),
                                          _mm_setr_epi32(0, 1, 2, 3));
    const __m256d x = _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(table.cosd.data() + i), rho), cx);
    const __m256d y = _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(table.sind.data() + i), rho), cy);
    const int mask = TakeLanes<kPair, kInside>(src, x, y, valid, s, m, rx, ry);
    if (mask != 0)
      TakeUndecided<kPair>(
          copy, static_cast<unsigned>(mask), 4, steps - j, rx, ry,
          [&](int l, bool vertical) { return AngleExact(table, i + l, arc.rho, vertical ? c.cy : c.cx, vertical); },
          [&](int l, bool vertical) {
            return AngleExact(table, table.Index(-(k0 + j + l)), arc.rho, vertical ? c.cy : c.cx, vertical);
          },
          sums, sumsMirror);
  }
  AddLanes(s, sums);
  Store(out, sums);
  if constexpr (kPair) {
    AddLanes(m, sumsMirror);
    Store(outMirror, sumsMirror);
  }
}

// AngleLanes with eight degrees at a time (the tables run 7 entries beyond
// the last degree).
template <bool kPair, bool kInside>
KIRA_AVX512 void AngleLanes512(const TBitmap& copy, const TLaneSource& src, const TCentre& c,
                               const TDegreeTable& table, const TArc& arc, std::int64_t n, std::uint8_t* out,
                               std::uint8_t* outMirror) {
  const __m512d rho = _mm512_set1_pd(arc.rho);
  const __m512d cx = _mm512_set1_pd(c.cx), cy = _mm512_set1_pd(c.cy);
  const std::int64_t steps = 2 * n + 1;
  const std::int64_t k0 = arc.a - n;
  const std::size_t i0 = static_cast<std::size_t>(k0 - table.first);
  TLaneSums512 s = NoLanes512(), m = NoLanes512();
  TSums sums, sumsMirror;
  double rx[8], ry[8];
  std::int64_t chunk = 0;
  for (std::int64_t j = 0; j < steps; j += 8) {
    const std::size_t i = i0 + static_cast<std::size_t>(j);
    const std::int64_t left = steps - j;
    const __mmask8 valid = left >= 8 ? 0xff : static_cast<__mmask8>((1u << left) - 1);
    const __m512d x = _mm512_add_pd(_mm512_mul_pd(_mm512_loadu_pd(table.cosd.data() + i), rho), cx);
    const __m512d y = _mm512_add_pd(_mm512_mul_pd(_mm512_loadu_pd(table.sind.data() + i), rho), cy);
    const unsigned mask = TakeLanes512<kPair, kInside>(src, x, y, valid, s, m, rx, ry);
    if (++chunk == kChunk512) {
      AddLanes512(s, sums);
      if constexpr (kPair) AddLanes512(m, sumsMirror);
      chunk = 0;
    }
    if (mask != 0)
      TakeUndecided<kPair>(
          copy, mask, 8, left, rx, ry,
          [&](int l, bool vertical) { return AngleExact(table, i + l, arc.rho, vertical ? c.cy : c.cx, vertical); },
          [&](int l, bool vertical) {
            return AngleExact(table, table.Index(-(k0 + j + l)), arc.rho, vertical ? c.cy : c.cx, vertical);
          },
          sums, sumsMirror);
  }
  AddLanes512(s, sums);
  Store(out, sums);
  if constexpr (kPair) {
    AddLanes512(m, sumsMirror);
    Store(outMirror, sumsMirror);
  }
}

void AngleRows(const TBitmap& copy, TBitmap& image, std::int64_t n, TLanes lanes, int y0, int y1) {
  const int w = image.Width(), h = image.Height();
  const TCentre c(w, h);
  const bool fast = w <= kFastLimit && h <= kFastLimit && n <= kAngleTableLimit;
  if (!fast) {
    for (int y = y0; y < y1; ++y)
      for (const int row : {y, MirrorRow(y, h)})
        if (row >= 0)
          for (int x = 0; x < w; ++x) AnglePixelExact(copy, c, x, row, n, image.ScanLine(row) + 3 * x);
    return;
  }
  const TDegreeTable table(-180 - n, 180 + n + 7);
  static const THalfDegrees half;
  std::int64_t hint = 0;
  if (!TLaneSource::Fits(copy)) lanes = TLanes::Plain;
  const TLaneSource src(copy);
  ForTiles(image, y0, y1, true, [&](int x, int y, std::uint8_t* out) {
    const int ym = MirrorRow(y, h);
    std::uint8_t* outMirror = ym >= 0 ? image.ScanLine(ym) + 3 * x : nullptr;
    out += 3 * x;
    TArc arc;
    if (!AngleSetup(c, half, x, y, hint, arc)) {
      AnglePixelExact(copy, c, x, y, n, out);
      if (outMirror) AnglePixelExact(copy, c, x, ym, n, outMirror);
      return;
    }
    hint = arc.a;
    if (lanes != TLanes::Plain) {
      WithFlags(outMirror != nullptr, ArcInside(c, table, arc, n, w, h), [&](auto pair, auto inside) {
        constexpr bool kPair = decltype(pair)::value, kInside = decltype(inside)::value;
        if (lanes == TLanes::Avx512)
          AngleLanes512<kPair, kInside>(copy, src, c, table, arc, n, out, outMirror);
        else
          AngleLanes<kPair, kInside>(copy, src, c, table, arc, n, out, outMirror);
      });
    } else {
      AnglePixel(copy, c, table, arc, n, out);
      if (outMirror) AnglePixel(copy, c, table, TArc{arc.rho, -arc.a}, n, outMirror);
    }
  });
}

}  // namespace

bool RadialBlur(TBitmap& image, std::int32_t reachPx, int threads) {
  if (!Is24(image)) return false;
  if (reachPx < 0 || image.Empty()) return true;
  const TBitmap copy = DuplicateBitmap(image);
  const TLanes lanes = LanesToUse();
  ForEachRowBlock(LeadingRows(image.Height()), threads,
                  [&](std::int32_t y0, std::int32_t y1) { RadialRows(copy, image, reachPx, lanes, y0, y1); });
  return true;
}

bool AngleBlur(TBitmap& image, std::int32_t reachDeg, int threads) {
  if (!Is24(image)) return false;
  if (reachDeg < 0 || image.Empty()) return true;
  const TBitmap copy = DuplicateBitmap(image);
  const TLanes lanes = LanesToUse();
  ForEachRowBlock(LeadingRows(image.Height()), threads,
                  [&](std::int32_t y0, std::int32_t y1) { AngleRows(copy, image, reachDeg, lanes, y0, y1); });
  return true;
}

void SetBlurAvx512(bool allowed) { blur_detail::gAvx512Allowed.store(allowed, std::memory_order_relaxed); }

}  // namespace kira
