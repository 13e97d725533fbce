#include "tone/byte_map.h"

// GCC 12 takes the deliberately undefined upper lanes inside some AVX-512
// intrinsics for uninitialised values once they are inlined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <atomic>
#include <cstddef>

#include "core/parallel_rows.h"

namespace kira {

namespace {

std::atomic<TSimdLevel> gLimit{TSimdLevel::Avx512Vbmi};

void MapRowPlain(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, const std::uint8_t* table) {
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const std::uint8_t a = table[src[i]], b = table[src[i + 1]], c = table[src[i + 2]], d = table[src[i + 3]];
    dst[i] = a;
    dst[i + 1] = b;
    dst[i + 2] = c;
    dst[i + 3] = d;
  }
  for (; i < n; ++i) dst[i] = table[src[i]];
}

// n is a whole number of pixels.
void MapRowPlain3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, const TChannelTables& t) {
  for (std::size_t i = 0; i < n; i += 3) {
    const std::uint8_t b = t.Blue[src[i]], g = t.Green[src[i + 1]], r = t.Red[src[i + 2]];
    dst[i] = b;
    dst[i + 1] = g;
    dst[i + 2] = r;
  }
}

#define KIRA_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// The four 64-byte quarters of a table; bit 6 of a byte picks the quarter
// within each half, bit 7 the half.
struct TVbmiTable {
  __m512i q0, q1, q2, q3;
};

KIRA_VBMI inline TVbmiTable LoadVbmiTable(const std::uint8_t* table) {
  return {_mm512_loadu_si512(table), _mm512_loadu_si512(table + 64), _mm512_loadu_si512(table + 128),
          _mm512_loadu_si512(table + 192)};
}

KIRA_VBMI inline __m512i LookUp(const TVbmiTable& t, __m512i v, __mmask64 upper) {
  const __m512i lo = _mm512_permutex2var_epi8(t.q0, v, t.q1);
  const __m512i hi = _mm512_permutex2var_epi8(t.q2, v, t.q3);
  return _mm512_mask_blend_epi8(upper, lo, hi);
}

KIRA_VBMI inline __m512i LookUp(const TVbmiTable& t, __m512i v) { return LookUp(t, v, _mm512_movepi8_mask(v)); }

KIRA_VBMI void MapRowVbmi(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, const std::uint8_t* table) {
  const TVbmiTable t = LoadVbmiTable(table);
  std::size_t i = 0;
  for (; i + 128 <= n; i += 128) {
    const __m512i a = _mm512_loadu_si512(src + i);
    const __m512i b = _mm512_loadu_si512(src + i + 64);
    _mm512_storeu_si512(dst + i, LookUp(t, a));
    _mm512_storeu_si512(dst + i + 64, LookUp(t, b));
  }
  for (; i < n; i += 64) {
    const std::size_t left = n - i;
    const __mmask64 m = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
    const __m512i a = _mm512_maskz_loadu_epi8(m, src + i);
    _mm512_mask_storeu_epi8(dst + i, m, LookUp(t, a));
  }
}

// Lanes of channel c (0 blue, 1 green, 2 red) in a 64-byte block that starts
// at a byte whose offset from the row start leaves remainder `phase` by 3.
constexpr std::uint64_t ChannelMask(int phase, int c) {
  std::uint64_t m = 0;
  for (int j = 0; j < 64; ++j)
    if ((phase + j) % 3 == c) m |= std::uint64_t{1} << j;
  return m;
}

struct TVbmiTables3 {
  TVbmiTable b, g, r;
};

// One 64-byte block whose first byte has channel `phase`.
KIRA_VBMI inline __m512i LookUp3(const TVbmiTables3& t, __m512i v, int phase) {
  static constexpr std::uint64_t kGreen[3] = {ChannelMask(0, 1), ChannelMask(1, 1), ChannelMask(2, 1)};
  static constexpr std::uint64_t kRed[3] = {ChannelMask(0, 2), ChannelMask(1, 2), ChannelMask(2, 2)};
  const __mmask64 upper = _mm512_movepi8_mask(v);
  __m512i r = LookUp(t.b, v, upper);
  r = _mm512_mask_blend_epi8(kGreen[phase], r, LookUp(t.g, v, upper));
  return _mm512_mask_blend_epi8(kRed[phase], r, LookUp(t.r, v, upper));
}

KIRA_VBMI void MapRowVbmi3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, const TChannelTables& tables) {
  const TVbmiTables3 t{LoadVbmiTable(tables.Blue.data()), LoadVbmiTable(tables.Green.data()),
                       LoadVbmiTable(tables.Red.data())};
  // 64 = 1 (mod 3): three blocks make whole pixels, with phases 0, 1, 2.
  std::size_t i = 0;
  for (; i + 192 <= n; i += 192) {
    for (int k = 0; k < 3; ++k)
      _mm512_storeu_si512(dst + i + 64 * k, LookUp3(t, _mm512_loadu_si512(src + i + 64 * k), k));
  }
  for (int phase = 0; i < n; i += 64, ++phase) {
    const std::size_t left = n - i;
    const __mmask64 m = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
    _mm512_mask_storeu_epi8(dst + i, m, LookUp3(t, _mm512_maskz_loadu_epi8(m, src + i), phase));
  }
}

#undef KIRA_VBMI

bool SameTables(const TChannelTables& t) { return t.Blue == t.Green && t.Blue == t.Red; }

// Maps rows of src into dst (which may be src) with the chosen inner loop.
void MapRows(const TBitmap& src, TBitmap& dst, const TChannelTables& tables, int threads) {
  const std::size_t n = 3 * static_cast<std::size_t>(src.Width());
  const bool one = SameTables(tables);
  const bool vbmi = ActiveSimdLevel() == TSimdLevel::Avx512Vbmi;
  ForEachRowBlock(src.Height(), threads, [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      const std::uint8_t* s = src.ScanLine(y);
      std::uint8_t* d = dst.ScanLine(y);
      if (one) {
        if (vbmi) MapRowVbmi(s, d, n, tables.Blue.data());
        else MapRowPlain(s, d, n, tables.Blue.data());
      } else {
        if (vbmi) MapRowVbmi3(s, d, n, tables);
        else MapRowPlain3(s, d, n, tables);
      }
    }
  });
}

TChannelTables Triple(const TToneTable& table) { return {table, table, table}; }

}  // namespace

TToneTable IdentityTable() {
  TToneTable t{};
  for (int v = 0; v < 256; ++v) t[v] = static_cast<std::uint8_t>(v);
  return t;
}

TSimdLevel DetectedSimdLevel() {
  static const TSimdLevel level = [] {
    __builtin_cpu_init();
    const bool vbmi = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                      __builtin_cpu_supports("avx512vbmi");
    return vbmi ? TSimdLevel::Avx512Vbmi : TSimdLevel::Plain;
  }();
  return level;
}

TSimdLevel ActiveSimdLevel() {
  const TSimdLevel limit = gLimit.load(std::memory_order_relaxed);
  return limit == TSimdLevel::Plain ? TSimdLevel::Plain : DetectedSimdLevel();
}

void LimitSimdLevel(TSimdLevel level) { gLimit.store(level, std::memory_order_relaxed); }

void PrepareResult(const TBitmap& source, TBitmap& result) {
  if (&source == &result) return;
  if (result.Width() != source.Width() || result.Height() != source.Height() ||
      result.PixelFormat() != TPixelFormat::pf24bit || result.Empty()) {
    result = TBitmap::ForOverwrite(source.Width(), source.Height(), TPixelFormat::pf24bit);
  }
  result.ColorTable() = source.ColorTable();
}

bool MapBytes(TBitmap& bitmap, const TChannelTables& tables, int threads) {
  return MapBytes(bitmap, bitmap, tables, threads);
}

bool MapBytes(TBitmap& bitmap, const TToneTable& table, int threads) {
  return MapBytes(bitmap, bitmap, Triple(table), threads);
}

bool MapBytes(const TBitmap& source, TBitmap& result, const TChannelTables& tables, int threads) {
  if (!Is24(source)) return false;
  PrepareResult(source, result);
  MapRows(source, result, tables, threads);
  return true;
}

bool MapBytes(const TBitmap& source, TBitmap& result, const TToneTable& table, int threads) {
  return MapBytes(source, result, Triple(table), threads);
}

}  // namespace kira
