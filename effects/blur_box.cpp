// The box blur: integer window sums slid from row to row.
#include "effects/blur.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/parallel_rows.h"

namespace kira {

namespace {

// ---------------------------------------------------------------- box blur
//
// The window of a pixel is every pairing of a list of rows with a list of
// columns (each position beyond an edge replaced by the pixel's own row or
// column), so its sum splits: per row y, C(x) = the column's sum over the rows
// in range plus (rows out of range) * p(x, y); the total is the sum of C over
// the columns in range plus (columns out of range) * C(x). The sums are
// integers, so column sums slid from row to row and then added along the row
// give exactly the window's sum.

// Radii up to 7 (the page goes to 6): every sum fits 16 bits, since
// 255 * 15 * 15 < 2^16, and the mean is (total * m) >> s in 32 bits with s the
// least shift where 255 n^2 < 2^s and m = ceil(2^s / n): the error
// total (m - 2^s / n) / 2^s stays under 1 / n, and total * m under 2^32.
constexpr std::int64_t kSmallBox = 7;

struct TSmallDivide {
  std::uint32_t m = 0;
  int s = 0;
  explicit TSmallDivide(std::uint32_t n) {
    while (std::uint64_t{255} * n * n >= (std::uint64_t{1} << s)) ++s;
    m = static_cast<std::uint32_t>(((std::uint64_t{1} << s) + n - 1) / n);
  }
};

__attribute__((target_clones("avx2", "default"))) void AddBytes(std::uint16_t* __restrict sum,
                                                               const std::uint8_t* __restrict row, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) sum[i] = static_cast<std::uint16_t>(sum[i] + row[i]);
}

__attribute__((target_clones("avx2", "default"))) void SubtractBytes(std::uint16_t* __restrict sum,
                                                                    const std::uint8_t* __restrict row,
                                                                    std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) sum[i] = static_cast<std::uint16_t>(sum[i] - row[i]);
}

__attribute__((target_clones("avx2", "default"))) void ColumnPlusOwn(std::uint16_t* __restrict c,
                                                                    const std::uint16_t* __restrict column,
                                                                    const std::uint8_t* __restrict own,
                                                                    std::uint16_t times, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) c[i] = static_cast<std::uint16_t>(column[i] + times * own[i]);
}

// total[k] = c[k] + c[k + 3] + ... + c[k + 3 (taps - 1)], then the mean. The
// sum is built from runs of doubling length, pair[k] = c[k] + c[k + 3],
// quad[k] = pair[k] + pair[k + 6], oct[k] = quad[k] + quad[k + 12], a run of
// each length in taps' binary digits: 13 taps = oct + quad + one, 5 additions
// where the tap-by-tap sum takes 12. The 16-bit sums wrap nowhere (below).
// `pair`, `quad` and `oct` hold n + 3 (taps - 1) entries.
__attribute__((target_clones("avx2", "default"))) void AddShifted(std::uint16_t* __restrict to,
                                                                 const std::uint16_t* __restrict from,
                                                                 std::size_t shift, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) to[k] = static_cast<std::uint16_t>(from[k] + from[k + shift]);
}

__attribute__((target_clones("avx2", "default"))) void AddTo(std::uint16_t* __restrict total,
                                                            const std::uint16_t* __restrict run, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) total[k] = static_cast<std::uint16_t>(total[k] + run[k]);
}

__attribute__((target_clones("avx2", "default"))) void Means(std::uint8_t* __restrict out,
                                                            const std::uint16_t* __restrict total, std::size_t n,
                                                            std::uint32_t m, int s) {
  for (std::size_t k = 0; k < n; ++k) out[k] = static_cast<std::uint8_t>((total[k] * m) >> s);
}

struct TRuns {
  std::vector<std::uint16_t> run[4];  // lengths 1 (unused: c itself), 2, 4, 8
  std::vector<std::uint16_t> total;
};

void WindowMeans(std::uint8_t* out, TRuns& runs, const std::uint16_t* c, int taps, std::size_t n, std::uint32_t m,
                 int s) {
  const std::size_t span = n + 3 * static_cast<std::size_t>(taps - 1);
  const std::uint16_t* level[4] = {c, nullptr, nullptr, nullptr};
  for (int b = 1; b < 4 && (1 << b) <= taps; ++b) {
    std::vector<std::uint16_t>& r = runs.run[b];
    r.resize(span);
    const std::size_t shift = 3 * (std::size_t{1} << (b - 1));
    AddShifted(r.data(), level[b - 1], shift, span - (std::size_t{3} << b) + 3);
    level[b] = r.data();
  }
  runs.total.assign(n, 0);
  std::size_t offset = 0;
  for (int b = 3; b >= 0; --b)
    if (taps & (1 << b)) {
      AddTo(runs.total.data(), level[b] + offset, n);
      offset += 3 * (std::size_t{1} << b);
    }
  Means(out, runs.total.data(), n, m, s);
}

// The original rows a band of the picture reads, while it writes its own rows
// in place: those within r beside the band, kept before any band starts, and
// the band's own rows already written, kept as they are passed.
class TOriginalRows {
 public:
  TOriginalRows(const TBitmap& image, int r, int y0, int y1)
      : image_(image), r_(r), y0_(y0), y1_(y1), bytes_(3 * static_cast<std::size_t>(image.Width())) {
    const int h = image.Height();
    for (int k = std::max(0, y0 - r); k < y0; ++k) Keep(beside_, k);
    for (int k = y1; k < std::min(h, y1 + r); ++k) Keep(beside_, k);
    passed_.resize(static_cast<std::size_t>(r + 1) * bytes_);
  }
  // Row k as it was; k is one of the band's rows not yet passed, or one of
  // those beside it, or one of the last r + 1 passed.
  const std::uint8_t* Row(int k, int next) const {
    if (k >= y0_ && k < y1_)
      return k >= next ? image_.ScanLine(k) : passed_.data() + static_cast<std::size_t>(k % (r_ + 1)) * bytes_;
    const int i = k < y0_ ? k - std::max(0, y0_ - r_) : std::min(y0_, r_) + (k - y1_);
    return beside_.data() + static_cast<std::size_t>(i) * bytes_;
  }
  // Keeps the band's row y before it is written.
  void Pass(int y) {
    std::copy_n(image_.ScanLine(y), bytes_, passed_.data() + static_cast<std::size_t>(y % (r_ + 1)) * bytes_);
  }

 private:
  void Keep(std::vector<std::uint8_t>& rows, int k) {
    rows.insert(rows.end(), image_.ScanLine(k), image_.ScanLine(k) + bytes_);
  }
  const TBitmap& image_;
  int r_, y0_, y1_;
  std::size_t bytes_;
  std::vector<std::uint8_t> beside_, passed_;
};

void BoxRowsSmall(TBitmap& image, TOriginalRows& original, int r, int y0, int y1) {
  const int w = image.Width(), h = image.Height(), side = 2 * r + 1;
  const TSmallDivide div(static_cast<std::uint32_t>(side * side));
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  std::vector<std::uint16_t> column(bytes, 0), c(bytes);
  TRuns runs;
  for (int k = std::max(0, y0 - r); k <= std::min(h - 1, y0 + r); ++k)
    AddBytes(column.data(), original.Row(k, y0), bytes);
  const int left = std::min(r, w), right = std::max(left, w - r);
  for (int y = y0; y < y1; ++y) {
    if (y > y0) {
      if (y + r <= h - 1) AddBytes(column.data(), original.Row(y + r, y), bytes);
      if (y - r - 1 >= 0) SubtractBytes(column.data(), original.Row(y - r - 1, y), bytes);
    }
    const int rowsIn = std::min(h - 1, y + r) - std::max(0, y - r) + 1;
    ColumnPlusOwn(c.data(), column.data(), image.ScanLine(y), static_cast<std::uint16_t>(side - rowsIn), bytes);
    original.Pass(y);
    std::uint8_t* out = image.ScanLine(y);
    const auto edge = [&](int x) {
      const int lo = std::max(0, x - r), hi = std::min(w - 1, x + r);
      const std::uint32_t outX = static_cast<std::uint32_t>(side - (hi - lo + 1));
      for (int ch = 0; ch < 3; ++ch) {
        std::uint32_t t = outX * c[3 * x + ch];
        for (int l = lo; l <= hi; ++l) t += c[3 * l + ch];
        out[3 * x + ch] = static_cast<std::uint8_t>((t * div.m) >> div.s);
      }
    };
    for (int x = 0; x < left; ++x) edge(x);
    // Inside, every column of the window is in range.
    if (right > left)
      WindowMeans(out + 3 * left, runs, c.data() + 3 * (left - r), side, 3 * static_cast<std::size_t>(right - left),
                  div.m, div.s);
    for (int x = right; x < w; ++x) edge(x);
  }
}

// Larger radii: floor(v / n) as (v * m) >> s, exact for 0 <= v <= 255 n when n
// is odd, above 1 and below 2^31 / 255: with s = 32 + floor(log2 n),
// m = ceil(2^s / n) is at most 2^32 and the error v (m - 2^s / n) / 2^s stays
// under 1 / n.
struct TMagicDivide {
  std::uint64_t m = 0;
  int s = 0;
  explicit TMagicDivide(std::uint32_t n) {
    int log2 = 0;
    while ((std::uint64_t{2} << log2) <= n) ++log2;
    s = 32 + log2;
    m = ((std::uint64_t{1} << s) + n - 1) / n;
  }
  std::uint32_t operator()(std::uint32_t v) const { return static_cast<std::uint32_t>((v * m) >> s); }
};

// Sums and division for a radius whose whole window total fits 32 bits, and
// for any larger radius.
struct TBoxNarrow {
  using Sum = std::uint32_t;  // differences of prefix sums are taken modulo 2^32
  TMagicDivide div;
  explicit TBoxNarrow(std::int64_t n) : div(static_cast<std::uint32_t>(n)) {}
  std::uint8_t Mean(Sum total) const { return static_cast<std::uint8_t>(div(total)); }
};

struct TBoxWide {
  using Sum = unsigned __int128;
  unsigned __int128 n;
  explicit TBoxWide(std::int64_t side) : n(static_cast<unsigned __int128>(side) * side) {}
  std::uint8_t Mean(Sum total) const { return static_cast<std::uint8_t>(total / n); }
};

template <class TBox>
void BoxRows(const TBitmap& copy, TBitmap& image, std::int64_t r, const TBox& box, int y0, int y1) {
  using Sum = typename TBox::Sum;
  const std::int64_t w = image.Width(), h = image.Height();
  const std::int64_t side = 2 * r + 1;
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  std::vector<Sum> column(bytes, 0), c(bytes), q(bytes + 3);
  const auto addRow = [&](std::int64_t k, bool add) {
    const std::uint8_t* p = copy.ScanLine(static_cast<int>(k));
    if (add) {
      for (std::size_t i = 0; i < bytes; ++i) column[i] += p[i];
    } else {
      for (std::size_t i = 0; i < bytes; ++i) column[i] -= p[i];
    }
  };
  for (std::int64_t k = std::max<std::int64_t>(0, y0 - r); k <= std::min(h - 1, y0 + r); ++k) addRow(k, true);
  for (std::int64_t y = y0; y < y1; ++y) {
    if (y > y0) {
      if (y + r <= h - 1) addRow(y + r, true);
      if (y - r - 1 >= 0) addRow(y - r - 1, false);
    }
    const std::int64_t rowsIn = std::min(h - 1, y + r) - std::max<std::int64_t>(0, y - r) + 1;
    const Sum outY = static_cast<Sum>(side - rowsIn);
    const std::uint8_t* own = copy.ScanLine(static_cast<int>(y));
    for (std::size_t i = 0; i < bytes; ++i) c[i] = column[i] + outY * own[i];
    q[0] = q[1] = q[2] = 0;
    for (std::size_t i = 0; i < bytes; ++i) q[i + 3] = q[i] + c[i];
    std::uint8_t* out = image.ScanLine(static_cast<int>(y));
    const auto edge = [&](std::int64_t x) {
      const std::int64_t lo = std::max<std::int64_t>(0, x - r), hi = std::min(w - 1, x + r);
      const Sum outX = static_cast<Sum>(side - (hi - lo + 1));
      for (int ch = 0; ch < 3; ++ch) {
        const std::size_t i = static_cast<std::size_t>(3 * x + ch);
        out[i] = box.Mean(q[3 * (hi + 1) + ch] - q[3 * lo + ch] + outX * c[i]);
      }
    };
    const std::int64_t left = std::min(r, w), right = std::max(left, w - r);
    for (std::int64_t x = 0; x < left; ++x) edge(x);
    // Inside, every column of the window is in range.
    const std::size_t step = static_cast<std::size_t>(3 * r + 3), back = static_cast<std::size_t>(3 * r);
    for (std::size_t i = static_cast<std::size_t>(3 * left); i < static_cast<std::size_t>(3 * right); ++i)
      out[i] = box.Mean(q[i + step] - q[i - back]);
    for (std::int64_t x = right; x < w; ++x) edge(x);
  }
}

}  // namespace

bool BoxBlur(TBitmap& image, std::int32_t radiusPx, int threads) {
  if (!Is24(image)) return false;
  if (radiusPx <= 0 || image.Empty()) return true;
  const std::int64_t r = radiusPx, side = 2 * r + 1;
  if (r <= kSmallBox) {
    // In place, in one band per thread: each band keeps the originals it
    // reads beside it before any band starts, and its own as it passes them,
    // so the bands give the bytes of one pass over a copy.
    const int h = image.Height(), bands = std::clamp(threads, 1, h);
    const auto bound = [&](int b) { return static_cast<int>(static_cast<std::int64_t>(h) * b / bands); };
    std::vector<TOriginalRows> originals;
    originals.reserve(static_cast<std::size_t>(bands));
    for (int b = 0; b < bands; ++b) originals.emplace_back(image, static_cast<int>(r), bound(b), bound(b + 1));
    ForEachRowBlock(bands, bands, [&](std::int32_t b0, std::int32_t b1) {
      for (int b = b0; b < b1; ++b) BoxRowsSmall(image, originals[b], static_cast<int>(r), bound(b), bound(b + 1));
    });
    return true;
  }
  const TBitmap copy = DuplicateBitmap(image);
  ForEachRowBlock(image.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    if (r <= 1000)
      BoxRows(copy, image, r, TBoxNarrow(side * side), y0, y1);
    else
      BoxRows(copy, image, r, TBoxWide(side), y0, y1);
  });
  return true;
}

}  // namespace kira
