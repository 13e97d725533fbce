#include "effects/sharpen.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "effects/edge_bands.h"

namespace kira {

namespace {

// Every output byte is RoundClampByte(factor * sum + own) in extended
// precision, a function of the kernel sum (-maxSum .. maxSum) and the own
// value (0..255) alone: one row of 256 bytes per sum, looked up as
// Row(sum)[own]. Most rows are a stretch of one of two shared ramps.
class TSharpenTable {
 public:
  TSharpenTable(long double factor, int maxSum) : maxSum_(maxSum), rows_(static_cast<std::size_t>(2 * maxSum + 1)) {
    const int span = 2 * (maxSum + 1) + 256;
    nearest_.resize(static_cast<std::size_t>(span));
    even_.resize(nearest_.size());
    for (int j = -maxSum - 1; j < maxSum + 1 + 256; ++j) {
      nearest_[j + maxSum + 1] = Clamp(j);
      even_[j + maxSum + 1] = Clamp(j + (j & 1));
    }
    std::size_t own = 0;
    for (int sum = -maxSum; sum <= maxSum; ++sum) own += Kind(factor * sum) == TKind::Near;
    anyNear_ = own > 0;
    ownRows_.resize(own * 256);
    std::uint8_t* next = ownRows_.data();
    for (int sum = -maxSum; sum <= maxSum; ++sum) {
      const long double t = factor * sum;
      const int base = static_cast<int>(std::floor(t)) + maxSum + 1;
      const std::uint8_t*& row = rows_[static_cast<std::size_t>(sum + maxSum)];
      switch (Kind(t)) {
        case TKind::Down: row = nearest_.data() + base; break;
        case TKind::Up: row = nearest_.data() + base + 1; break;
        case TKind::Tie: row = even_.data() + base; break;
        case TKind::Near:
          for (int v = 0; v < 256; ++v) next[v] = RoundClampByte(t + v);
          row = next;
          next += 256;
          break;
      }
    }
  }
  const std::uint8_t* Row(int sum) const { return rows_[static_cast<std::size_t>(sum + maxSum_)]; }
  // Whether some sum's product lies just beside a half without being one.
  bool AnyNear() const { return anyNear_; }

 private:
  enum class TKind { Down, Up, Tie, Near };

  static std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

  // t + own stays below 2^12, where an extended rounding moves a value by at
  // most 2^-53: with m = floor(t), the result is m + own or m + own + 1 unless
  // the fraction of t lies within that of a half. An exact half goes to the
  // even one of the two; a fraction just beside a half is worked out for each
  // own value.
  static TKind Kind(long double t) {
    const long double frac = t - std::floor(t);  // exact
    if (frac == 0.5L) return TKind::Tie;
    if (std::fabs(frac - 0.5L) <= 0x1p-50L) return TKind::Near;
    return frac > 0.5L ? TKind::Up : TKind::Down;
  }

  int maxSum_;
  bool anyNear_ = false;
  std::vector<const std::uint8_t*> rows_;
  std::vector<std::uint8_t> nearest_, even_, ownRows_;
};

__attribute__((target_clones("avx2", "default"))) void ColumnSums(int* __restrict column,
                                                                 const std::uint8_t* __restrict up,
                                                                 const std::uint8_t* __restrict mid,
                                                                 const std::uint8_t* __restrict down, bool focus,
                                                                 std::size_t bytes) {
  if (focus) {
    for (std::size_t i = 0; i < bytes; ++i) column[i] = up[i] + down[i];
  } else {
    for (std::size_t i = 0; i < bytes; ++i) column[i] = up[i] + mid[i] + down[i];
  }
}

// Kernel sums of the bytes 3 .. bytes-4, whose columns are all in range.
__attribute__((target_clones("avx2", "default"))) void InnerSums(int* __restrict sum, const int* __restrict column,
                                                                const std::uint8_t* __restrict mid, bool focus,
                                                                std::size_t bytes) {
  if (focus) {
    for (std::size_t i = 3; i + 3 < bytes; ++i) sum[i] = 4 * mid[i] - (column[i - 3] + column[i + 3]);
  } else {
    for (std::size_t i = 3; i + 3 < bytes; ++i) sum[i] = 9 * mid[i] - (column[i - 3] + column[i] + column[i + 3]);
  }
}

// Sharpen's amount a is a whole number, so factor * sum + own is exactly
// M / 100 with M = a * sum + 100 * own, |M| <= 229500. M is exact in a float,
// and the float product M * 0.01f lies within 2e-4 of M / 100 (0.01f is 2.3e-10
// below a hundredth, the product rounds by at most 2^-24 relative): an exact
// value at least 0.01 from a half rounds as it would exactly. An exact half
// k + 0.5 (|k| < 2^12) is itself a float, and the product's error is under
// half a float step at its size, so the product is exactly k + 0.5 and the
// nearest-even conversion gives the even neighbour. The extended reference
// agrees on every sum that is not Near: its own error is below 2^-50. The 17
// amounts with Near sums (whose extended product misses the exact half and
// decides by the own value) keep the table for every byte: patching their
// halves after the vector pass (a tenth of all sums at amount 30) branches
// so often that it came out slower than the table. The limit to
// 0..255 after the rounding gives the bytes of RoundClampByte, which limits
// before it.
std::uint8_t HundredthsByte(int m) {
  const float r = std::rint(static_cast<float>(m) * 0.01f);
  return static_cast<std::uint8_t>(std::clamp(r, 0.0f, 255.0f));
}

// The Sse2 and Avx2 forms pair each sum with its own value as 16-bit words,
// and one multiply-add by (a, 100) gives M.
std::size_t HundredthsSse2(const int* sum, const std::uint8_t* own, std::uint8_t* out, std::size_t n, int a) {
  const __m128i coef = _mm_set1_epi32(a | (100 << 16)), zero = _mm_setzero_si128();
  const __m128 hundredth = _mm_set1_ps(0.01f);
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(own + i));
    __m128i words[2];
    for (int h = 0; h < 2; ++h) {
      const __m128i s = _mm_packs_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + i + 8 * h)),
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + i + 8 * h + 4)));
      const __m128i ow = h == 0 ? _mm_unpacklo_epi8(o, zero) : _mm_unpackhi_epi8(o, zero);
      const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(s, ow), coef);
      const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(s, ow), coef);
      words[h] = _mm_packs_epi32(_mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(lo), hundredth)),
                                 _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(hi), hundredth)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words[0], words[1]));
  }
  return i;
}

__attribute__((target("avx2"))) std::size_t HundredthsAvx2(const int* sum, const std::uint8_t* own,
                                                           std::uint8_t* out, std::size_t n, int a) {
  const __m256i coef = _mm256_set1_epi32(a | (100 << 16));
  const __m256 hundredth = _mm256_set1_ps(0.01f);
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i words[2];
    for (int h = 0; h < 2; ++h) {
      const std::size_t j = i + 16 * h;
      // Sums j .. j+15 in order as words, beside their own values.
      const __m256i s = _mm256_permute4x64_epi64(
          _mm256_packs_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(sum + j)),
                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sum + j + 8))),
          0xD8);
      const __m256i ow = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(own + j)));
      const __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi16(s, ow), coef);  // j+0..3 | j+8..11
      const __m256i hi = _mm256_madd_epi16(_mm256_unpackhi_epi16(s, ow), coef);  // j+4..7 | j+12..15
      words[h] = _mm256_packs_epi32(_mm256_cvtps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(lo), hundredth)),
                                    _mm256_cvtps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(hi), hundredth)));
    }
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words[0], words[1]), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), bytes);
  }
  return i;
}

bool HasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

void Hundredths(const int* sum, const std::uint8_t* own, std::uint8_t* out, std::size_t n, int a) {
  const int path = sharpen_detail::gWidestPath.load(std::memory_order_relaxed);
  std::size_t i = path >= 2 && HasAvx2() ? HundredthsAvx2(sum, own, out, n, a) : 0;
  i += HundredthsSse2(sum + i, own + i, out + i, n - i, a);
  for (; i < n; ++i) out[i] = HundredthsByte(a * sum[i] + 100 * own[i]);
}

// Row y of the output from the original rows up, mid, down (the own row
// where y - 1 or y + 1 is beyond an edge); `focus` picks the kernel. Per
// byte the kernel sum is formed from column sums: Sharpen 9 mid - (3 x 3
// sum), Focus 4 mid - (the four corners); a column beyond an edge is the own
// column. `amount` is Sharpen's whole amount for the vector mapping, 0 for
// the table alone.
void SharpenRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, std::uint8_t* out,
                int width, bool focus, int amount, const TSharpenTable& table, std::vector<int>& column,
                std::vector<int>& sum) {
  const std::size_t bytes = 3 * static_cast<std::size_t>(width);
  ColumnSums(column.data(), up, mid, down, focus, bytes);
  const auto edge = [&](std::size_t i, std::size_t left, std::size_t right) {
    const int around = focus ? column[left] + column[right] : column[left] + column[i] + column[right];
    sum[i] = (focus ? 4 : 9) * mid[i] - around;
  };
  for (std::size_t i = 0; i < 3; ++i) edge(i, i, width > 1 ? i + 3 : i);
  InnerSums(sum.data(), column.data(), mid, focus, bytes);
  if (width > 1)
    for (std::size_t i = bytes - 3; i < bytes; ++i) edge(i, i - 3, i);
  if (amount > 0 && !table.AnyNear() && sharpen_detail::gWidestPath.load(std::memory_order_relaxed) > 0) {
    Hundredths(sum.data(), mid, out, bytes, amount);
  } else {
    for (std::size_t i = 0; i < bytes; ++i) out[i] = table.Row(sum[i])[mid[i]];
  }
}

// Rows y0 .. y1-1 in place, keeping the originals of the row above and of
// the current row aside; `above` and `below` are the originals of the rows
// just outside the band (the band's own edge rows at the picture's border).
void SharpenBand(TBitmap& image, int y0, int y1, bool focus, int amount, const TSharpenTable& table,
                 const std::vector<std::uint8_t>& above, const std::vector<std::uint8_t>& below) {
  const int w = image.Width();
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  std::vector<std::uint8_t> prev = above, cur(image.ScanLine(y0), image.ScanLine(y0) + bytes);
  std::vector<int> column(bytes), sum(bytes);
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* next = y + 1 < y1 ? image.ScanLine(y + 1) : below.data();
    SharpenRow(prev.data(), cur.data(), next, image.ScanLine(y), w, focus, amount, table, column, sum);
    prev.swap(cur);
    if (y + 1 < y1) std::memcpy(cur.data(), next, bytes);
  }
}

bool Run(TBitmap& image, long double factor, bool focus, int amount, int threads) {
  if (image.Empty()) return true;
  const TSharpenTable table(factor, (focus ? 4 : 8) * 255);
  ForEachEdgeBand(image, threads, [&](int y0, int y1, const std::vector<std::uint8_t>& above,
                                      const std::vector<std::uint8_t>& below) {
    SharpenBand(image, y0, y1, focus, amount, table, above, below);
  });
  return true;
}

// From source into result, which takes the source's size: the rows are read
// straight from the source, so nothing is kept aside.
bool RunInto(const TBitmap& source, TBitmap& result, long double factor, bool focus, int amount, int threads) {
  const int w = source.Width(), h = source.Height();
  if (source.Empty() || factor == 0) {
    result = source;  // factor 0: every byte keeps its value
    return true;
  }
  const TSharpenTable table(factor, (focus ? 4 : 8) * 255);
  // Every byte of the result is written: storage of the right size is reused
  // as it is.
  if (result.Width() != w || result.Height() != h || !Is24(result))
    result = TBitmap::ForOverwrite(w, h, TPixelFormat::pf24bit);
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  ForEachRowBlock(h, threads, [&](std::int32_t y0, std::int32_t y1) {
    std::vector<int> column(bytes), sum(bytes);
    for (int y = y0; y < y1; ++y)
      SharpenRow(source.ScanLine(y > 0 ? y - 1 : y), source.ScanLine(y), source.ScanLine(y + 1 < h ? y + 1 : y),
                 result.ScanLine(y), w, focus, amount, table, column, sum);
  });
  return true;
}

}  // namespace

bool Sharpen(TBitmap& image, std::int32_t amount, int threads) {
  if (!Is24(image) || amount < 0 || amount > 100) return false;
  if (amount == 0) return true;  // factor 0: every byte keeps its value
  return Run(image, static_cast<long double>(amount) / 100, false, amount, threads);
}

bool Focus(TBitmap& image, float amount, int threads) {
  if (!Is24(image) || !(amount >= 0 && amount <= 100)) return false;
  if (amount == 0) return true;
  const float factor = amount / 100.0f;
  return Run(image, factor, true, 0, threads);
}

bool SharpenInto(const TBitmap& source, TBitmap& result, std::int32_t amount, int threads) {
  if (!Is24(source) || amount < 0 || amount > 100) return false;
  return RunInto(source, result, static_cast<long double>(amount) / 100, false, amount, threads);
}

bool FocusInto(const TBitmap& source, TBitmap& result, float amount, int threads) {
  if (!Is24(source) || !(amount >= 0 && amount <= 100)) return false;
  const float factor = amount / 100.0f;
  return RunInto(source, result, factor, true, 0, threads);
}

}  // namespace kira
