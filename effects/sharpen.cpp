#include "effects/sharpen.h"

#include <algorithm>
#include <cmath>
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

// Row y of the output from rows up, mid, down of the copy (the own row where
// y - 1 or y + 1 is beyond an edge); `focus` picks the kernel. Per byte the
// kernel sum is formed from column sums: Sharpen 9 mid - (3 x 3 sum), Focus
// 4 mid - (the four corners); a column beyond an edge is the own column.
void SharpenRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, std::uint8_t* out,
                int width, bool focus, const TSharpenTable& table, std::vector<int>& column,
                std::vector<int>& sum) {
  const std::size_t bytes = 3 * static_cast<std::size_t>(width);
  if (focus) {
    for (std::size_t i = 0; i < bytes; ++i) column[i] = up[i] + down[i];
  } else {
    for (std::size_t i = 0; i < bytes; ++i) column[i] = up[i] + mid[i] + down[i];
  }
  const auto around = [&](std::size_t i, std::size_t left, std::size_t right) {
    return focus ? column[left] + column[right] : column[left] + column[i] + column[right];
  };
  const int centre = focus ? 4 : 9;
  const std::size_t last = bytes - 3;
  for (std::size_t i = 0; i < std::min<std::size_t>(3, bytes); ++i)
    sum[i] = centre * mid[i] - around(i, i, width > 1 ? i + 3 : i);
  if (focus) {
    for (std::size_t i = 3; i < last; ++i) sum[i] = 4 * mid[i] - (column[i - 3] + column[i + 3]);
  } else {
    for (std::size_t i = 3; i < last; ++i) sum[i] = 9 * mid[i] - (column[i - 3] + column[i] + column[i + 3]);
  }
  if (width > 1)
    for (std::size_t i = last; i < bytes; ++i) sum[i] = centre * mid[i] - around(i, i - 3, i);
  for (std::size_t i = 0; i < bytes; ++i) out[i] = table.Row(sum[i])[mid[i]];
}

bool Run(TBitmap& image, long double factor, bool focus, int threads) {
  if (image.Empty()) return true;
  const TSharpenTable table(factor, (focus ? 4 : 8) * 255);
  const TBitmap copy = DuplicateBitmap(image);
  const int w = image.Width(), h = image.Height();
  ForEachRowBlock(h, threads, [&](std::int32_t y0, std::int32_t y1) {
    std::vector<int> column(3 * static_cast<std::size_t>(w)), sum(column.size());
    for (int y = y0; y < y1; ++y)
      SharpenRow(copy.ScanLine(std::max(y - 1, 0)), copy.ScanLine(y), copy.ScanLine(std::min(y + 1, h - 1)),
                 image.ScanLine(y), w, focus, table, column, sum);
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
