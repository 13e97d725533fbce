#include "effects/art.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/parallel_rows.h"
#include "core/rounding.h"

namespace kira {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// ---------------------------------------------------------------- watercolour

// Sliding histograms. Each column keeps its 3 x 16 bin counts over the rows of
// the window; the window's histogram moves along the row by adding the column
// entering on the right and removing the one leaving on the left. A bin is kept
// as the key count * 16 + (15 - bin), so that the largest key is the largest
// count and, among equal counts, the lowest bin: one maximum per channel gives
// the first strictly greater count of a scan from bin 0.
template <typename Key>
void WatercolorRows(const TBitmap& src, TBitmap& dst, int reachX, int reachY, int y0, int y1) {
  const int w = src.Width(), h = src.Height();
  const int pad = reachX + 1;
  const std::size_t cols = static_cast<std::size_t>(w) + 2 * static_cast<std::size_t>(pad);
  std::vector<Key> column(cols * 48, 0);  // zero columns on either side
  auto countRow = [&](int row, Key step, bool add) {
    const std::uint8_t* s = src.ScanLine(row);
    Key* c = column.data() + static_cast<std::size_t>(pad) * 48;
    for (int x = 0; x < w; ++x, s += 3, c += 48) {
      for (int ch = 0; ch < 3; ++ch) {
        Key& bin = c[16 * ch + (s[ch] >> 4)];
        bin = add ? static_cast<Key>(bin + step) : static_cast<Key>(bin - step);
      }
    }
  };
  for (int r = std::max(0, y0 - reachY); r <= std::min(h - 1, y0 + reachY); ++r) countRow(r, 16, true);

  alignas(64) Key window[48];
  for (int y = y0; y < y1; ++y) {
    if (y > y0) {
      if (y - reachY - 1 >= 0) countRow(y - reachY - 1, 16, false);
      if (y + reachY < h) countRow(y + reachY, 16, true);
    }
    for (int i = 0; i < 48; ++i) window[i] = static_cast<Key>(15 - (i & 15));
    // Columns -reachX .. reachX of pixel 0 (padded index pad - reachX = 1 on).
    for (int x = 1; x <= 2 * reachX + 1; ++x) {
      const Key* c = column.data() + static_cast<std::size_t>(x) * 48;
      for (int i = 0; i < 48; ++i) window[i] = static_cast<Key>(window[i] + c[i]);
    }
    std::uint8_t* out = dst.ScanLine(y);
    for (int x = 0; x < w; ++x, out += 3) {
      if (x > 0) {
        const Key* in = column.data() + static_cast<std::size_t>(x + pad + reachX) * 48;
        const Key* off = column.data() + static_cast<std::size_t>(x + pad - reachX - 1) * 48;
        for (int i = 0; i < 48; ++i) window[i] = static_cast<Key>(window[i] + in[i] - off[i]);
      }
      for (int ch = 0; ch < 3; ++ch) {
        Key best = 0;
        for (int b = 0; b < 16; ++b) best = std::max(best, window[16 * ch + b]);
        out[ch] = static_cast<std::uint8_t>((15 - (best & 15)) * 16);
      }
    }
  }
}

// ------------------------------------------------------------ colour distance

// dist depends only on the integer sum of the squared differences (0..195075),
// so one table holds it exactly.
constexpr int kMaxSquareSum = 3 * 255 * 255;

const std::array<std::uint8_t, kMaxSquareSum + 1>& DistanceTable() {
  static const auto table = [] {
    std::array<std::uint8_t, kMaxSquareSum + 1> t{};
    const long double root3 = 1.7320508f;
    for (int s = 0; s <= kMaxSquareSum; ++s)
      t[s] = static_cast<std::uint8_t>(std::trunc(std::sqrt(static_cast<long double>(s)) / root3));
    return t;
  }();
  return table;
}

inline int SquareSum(const std::uint8_t* p, const std::uint8_t* q) {
  const int b = p[0] - q[0], g = p[1] - q[1], r = p[2] - q[2];
  return b * b + g * g + r * r;
}

// Distances to the right and to the lower neighbour of every pixel of row y;
// 0 where the neighbour is missing.
void RowDistances(const TBitmap& image, int y, std::uint8_t* dh, std::uint8_t* dv) {
  const auto& dist = DistanceTable();
  const int w = image.Width();
  const std::uint8_t* row = image.ScanLine(y);
  const std::uint8_t* below = y + 1 < image.Height() ? image.ScanLine(y + 1) : nullptr;
  for (int x = 0; x < w; ++x) {
    dh[x] = x + 1 < w ? dist[SquareSum(row + 3 * x, row + 3 * x + 3)] : 0;
    dv[x] = below ? dist[SquareSum(row + 3 * x, below + 3 * x)] : 0;
  }
}

// ---------------------------------------------------------------------- Sobel

// RoundClampByte(sqrt(n)) for n = Sx^2 + Sy^2 below 255.5^2; above it is 255.
constexpr int kSobelTable = 65281;

const std::array<std::uint8_t, kSobelTable>& SobelTable() {
  static const auto table = [] {
    std::array<std::uint8_t, kSobelTable> t{};
    for (int n = 0; n < kSobelTable; ++n) t[n] = RoundClampByte(std::sqrt(static_cast<long double>(n)));
    return t;
  }();
  return table;
}

void SobelRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
              std::uint8_t* out, int w) {
  const auto& root = SobelTable();
  auto channel = [&](int i, int l, int r) {
    const int sx = (up[r] + 2 * mid[r] + down[r]) - (up[l] + 2 * mid[l] + down[l]);
    const int sy = (down[l] + 2 * down[i] + down[r]) - (up[l] + 2 * up[i] + up[r]);
    const int n = sx * sx + sy * sy;
    out[i] = n < kSobelTable ? root[n] : 255;
  };
  const int bytes = 3 * w;
  for (int i = 0; i < bytes; ++i) {
    const int l = i >= 3 ? i - 3 : i;           // column 0 reads itself on the left
    const int r = i + 3 < bytes ? i + 3 : i;    // the last column on the right
    channel(i, l, r);
  }
}

// -------------------------------------------------------------------- fisheye

void FishEyeRows(const TBitmap& src, TBitmap& dst, float k, int y0, int y1) {
  const int w = src.Width(), h = src.Height();
  const float cx = static_cast<float>(w / 2.0L);
  const float cy = static_cast<float>(h / 2.0L);
  const float radius = static_cast<float>(
      std::sqrt(static_cast<long double>(cx) * cx + static_cast<long double>(cy) * cy));
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* out = dst.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const long double dx = static_cast<long double>(x) - cx;
      const long double dy = static_cast<long double>(y) - cy;
      const float d = static_cast<float>(std::sqrt(dx * dx + dy * dy));
      const float theta = static_cast<float>(std::atan2(dy, dx));
      const float s = static_cast<float>(std::sin(static_cast<long double>(k) * d * kPi / (2.0L * radius)));
      const float m = static_cast<float>(std::sqrt(static_cast<long double>(s)) + 0.1L);
      const long double dm = static_cast<long double>(d) * m;
      const float sx = static_cast<float>(std::cos(static_cast<long double>(theta)) * dm + cx);
      const float sy = static_cast<float>(std::sin(static_cast<long double>(theta)) * dm + cy);
      if (!(sx >= 0 && sx <= static_cast<float>(w - 2) && sy >= 0 && sy <= static_cast<float>(h - 2))) continue;
      const int l = static_cast<int>(std::floor(sx));
      const int t = static_cast<int>(std::floor(sy));
      const float fx = sx - static_cast<float>(l);
      const float fy = sy - static_cast<float>(t);
      const std::uint8_t* p0 = src.ScanLine(t) + 3 * l;
      const std::uint8_t* p1 = src.ScanLine(t + 1) + 3 * l;
      for (int ch = 0; ch < 3; ++ch) {
        const long double top = p0[ch] * (1.0L - fx) + p0[ch + 3] * static_cast<long double>(fx);
        const long double bottom = p1[ch] * (1.0L - fx) + p1[ch + 3] * static_cast<long double>(fx);
        out[3 * x + ch] = RoundClampByte(top * (1.0L - fy) + bottom * static_cast<long double>(fy));
      }
    }
  }
}

}  // namespace

bool Watercolor(TBitmap& image, std::int32_t reach, int threads) {
  if (!Is24(image)) return false;
  const int w = image.Width(), h = image.Height();
  if (w <= 0 || h <= 0) return true;
  if (reach < 0) {
    // An empty window counts nothing: every channel takes bin 0.
    for (int y = 0; y < h; ++y) std::memset(image.ScanLine(y), 0, 3 * static_cast<std::size_t>(w));
    return true;
  }
  // A reach beyond the picture covers the same pixels as one just reaching it.
  const int reachX = static_cast<int>(std::min<std::int64_t>(reach, w));
  const int reachY = static_cast<int>(std::min<std::int64_t>(reach, h));
  const std::uint64_t maxCount = static_cast<std::uint64_t>(std::min<std::int64_t>(2LL * reach + 1, w)) *
                                 static_cast<std::uint64_t>(std::min<std::int64_t>(2LL * reach + 1, h));
  const TBitmap src = DuplicateBitmap(image);
  ForEachRowBlock(h, threads, [&](std::int32_t y0, std::int32_t y1) {
    if (maxCount * 16 + 15 <= 0xFFFF)
      WatercolorRows<std::uint16_t>(src, image, reachX, reachY, y0, y1);
    else if (maxCount * 16 + 15 <= 0xFFFFFFFFu)
      WatercolorRows<std::uint32_t>(src, image, reachX, reachY, y0, y1);
    else
      WatercolorRows<std::uint64_t>(src, image, reachX, reachY, y0, y1);
  });
  return true;
}

bool Solarize(TBitmap& image, std::int32_t threshold) {
  if (!Is24(image)) return false;
  std::array<std::uint8_t, 256> map{};
  for (int v = 0; v < 256; ++v) map[v] = static_cast<std::uint8_t>(v < threshold ? 255 - v : v);
  for (int y = 0; y < image.Height(); ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int i = 0; i < 3 * image.Width(); ++i) row[i] = map[row[i]];
  }
  return true;
}

bool Negative(TBitmap& image) {
  if (!Is24(image)) return false;
  // Each byte depends on itself only, so the inversion can run in place.
  for (int y = 0; y < image.Height(); ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int i = 0; i < 3 * image.Width(); ++i) row[i] = static_cast<std::uint8_t>(255 - row[i]);
  }
  return true;
}

bool FishEye(TBitmap& image, float strength, int threads) {
  if (!Is24(image)) return false;
  // Compared in single precision, so that the page's 1.1f is still accepted.
  if (!(strength >= 0.1f && strength <= 1.1f)) return false;
  const TBitmap src = DuplicateBitmap(image);
  for (int y = 0; y < image.Height(); ++y) std::memset(image.ScanLine(y), 128, 3 * static_cast<std::size_t>(image.Width()));
  ForEachRowBlock(image.Height(), threads,
                  [&](std::int32_t y0, std::int32_t y1) { FishEyeRows(src, image, strength, y0, y1); });
  return true;
}

bool SobelEdges(TBitmap& image, bool grey, int threads) {
  if (!Is24(image)) return false;
  const int w = image.Width(), h = image.Height();
  {
    const TBitmap src = DuplicateBitmap(image);
    ForEachRowBlock(h, threads, [&](std::int32_t y0, std::int32_t y1) {
      for (int y = y0; y < y1; ++y)
        SobelRow(src.ScanLine(y > 0 ? y - 1 : y), src.ScanLine(y), src.ScanLine(y + 1 < h ? y + 1 : y),
                 image.ScanLine(y), w);
    });
  }
  if (grey) ConvertToGrey8(image);
  return true;
}

bool ThresholdEdges(TBitmap& image, std::int32_t threshold) {
  if (!Is24(image)) return false;
  const int w = image.Width(), h = image.Height();
  TBitmap lines(w, h, TPixelFormat::pf1bit);
  // A fresh bitmap is black here; the drawing starts on white.
  for (int y = 0; y < h; ++y) std::memset(lines.ScanLine(y), 0xFF, static_cast<std::size_t>(lines.Stride()));
  std::vector<std::uint8_t> dh(static_cast<std::size_t>(w)), dv(static_cast<std::size_t>(w));
  {
    const TBmpData1 bits(lines);
    for (int y = 0; y < h; ++y) {
      RowDistances(image, y, dh.data(), dv.data());
      for (int x = 0; x < w; ++x)
        if (dh[x] >= threshold || dv[x] >= threshold) bits.SetBit(x, y, false);
    }
  }
  image = std::move(lines);
  return true;
}

bool ShadedEdges(TBitmap& image, bool stretch) {
  if (!Is24(image)) return false;
  const int w = image.Width(), h = image.Height();
  TBitmap shade(w, h, TPixelFormat::pf8bit);
  SetGreyPalette(shade);
  std::vector<std::uint8_t> dh(static_cast<std::size_t>(w)), dv(static_cast<std::size_t>(w));
  for (int y = 0; y < h; ++y) {
    RowDistances(image, y, dh.data(), dv.data());
    std::uint8_t* out = shade.ScanLine(y);
    for (int x = 0; x < w; ++x) out[x] = static_cast<std::uint8_t>(std::max(0, 255 - dh[x] - dv[x]));
  }
  if (stretch) AutoLevels8(shade);
  image = std::move(shade);
  return true;
}

bool AutoLevels8(TBitmap& grey8) {
  if (grey8.PixelFormat() != TPixelFormat::pf8bit) return false;
  const int w = grey8.Width(), h = grey8.Height();
  if (w <= 0 || h <= 0) return true;
  std::array<std::int64_t, 256> count{};
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = grey8.ScanLine(y);
    for (int x = 0; x < w; ++x) ++count[row[x]];
  }
  const std::int64_t pixels = static_cast<std::int64_t>(w) * h;
  const long double clip = std::rint(static_cast<long double>(pixels) * 0.015L);
  // clip stays below half the pixel count, so both levels exist and low <= high.
  int low = 0, high = 255;
  std::int64_t total = 0;
  for (low = 0; low < 255; ++low)
    if ((total += count[low]) > clip) break;
  total = 0;
  for (high = 255; high > 0; --high)
    if ((total += count[high]) > clip) break;
  const float scale = static_cast<float>(255.0L / (high - low + 1));
  std::array<std::uint8_t, 256> map{};
  for (int v = 0; v < 256; ++v) map[v] = RoundClampByte(static_cast<long double>(v - low) * scale);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = grey8.ScanLine(y);
    for (int x = 0; x < w; ++x) row[x] = map[row[x]];
  }
  return true;
}

}  // namespace kira
