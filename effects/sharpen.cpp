#include "effects/sharpen.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/parallel_rows.h"
#include "core/rounding.h"

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

// Row y of the output from the original rows up, mid, down (the own row
// where y - 1 or y + 1 is beyond an edge); `focus` picks the kernel. Per
// byte the kernel sum is formed from column sums: Sharpen 9 mid - (3 x 3
// sum), Focus 4 mid - (the four corners); a column beyond an edge is the own
// column.
void SharpenRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, std::uint8_t* out,
                int width, bool focus, const TSharpenTable& table, std::vector<int>& column,
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
  for (std::size_t i = 0; i < bytes; ++i) out[i] = table.Row(sum[i])[mid[i]];
}

// Rows y0 .. y1-1 in place, keeping the originals of the row above and of
// the current row aside; `above` and `below` are the originals of the rows
// just outside the band (the band's own edge rows at the picture's border).
void SharpenBand(TBitmap& image, int y0, int y1, bool focus, const TSharpenTable& table,
                 const std::vector<std::uint8_t>& above, const std::vector<std::uint8_t>& below) {
  const int w = image.Width();
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  std::vector<std::uint8_t> prev = above, cur(image.ScanLine(y0), image.ScanLine(y0) + bytes);
  std::vector<int> column(bytes), sum(bytes);
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* next = y + 1 < y1 ? image.ScanLine(y + 1) : below.data();
    SharpenRow(prev.data(), cur.data(), next, image.ScanLine(y), w, focus, table, column, sum);
    prev.swap(cur);
    if (y + 1 < y1) std::memcpy(cur.data(), next, bytes);
  }
}

bool Run(TBitmap& image, long double factor, bool focus, int threads) {
  if (image.Empty()) return true;
  const TSharpenTable table(factor, (focus ? 4 : 8) * 255);
  const int h = image.Height();
  const std::size_t bytes = 3 * static_cast<std::size_t>(image.Width());
  // Each band reads only its own rows and the saved originals of the rows
  // beside it, so the bands may run at the same time and give the bytes of a
  // single pass over a copy.
  const int bands = std::clamp(threads, 1, h);
  const auto bound = [&](int b) { return static_cast<int>(static_cast<std::int64_t>(h) * b / bands); };
  const auto original = [&](int y) {
    const std::uint8_t* row = image.ScanLine(std::clamp(y, 0, h - 1));
    return std::vector<std::uint8_t>(row, row + bytes);
  };
  std::vector<std::vector<std::uint8_t>> above(bands), below(bands);
  for (int b = 0; b < bands; ++b) {
    above[b] = original(bound(b) - 1);
    below[b] = original(bound(b + 1));
  }
  ForEachRowBlock(bands, bands, [&](std::int32_t b0, std::int32_t b1) {
    for (int b = b0; b < b1; ++b) SharpenBand(image, bound(b), bound(b + 1), focus, table, above[b], below[b]);
  });
  return true;
}

}  // namespace

bool Sharpen(TBitmap& image, std::int32_t amount, int threads) {
  if (!Is24(image) || amount < 0 || amount > 100) return false;
  if (amount == 0) return true;  // factor 0: every byte keeps its value
  return Run(image, static_cast<long double>(amount) / 100, false, threads);
}

bool Focus(TBitmap& image, float amount, int threads) {
  if (!Is24(image) || !(amount >= 0 && amount <= 100)) return false;
  if (amount == 0) return true;
  const float factor = amount / 100.0f;
  return Run(image, factor, true, threads);
}

}  // namespace kira
