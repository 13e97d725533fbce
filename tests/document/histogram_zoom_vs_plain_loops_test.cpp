// A second reading of the histogram under the effect pages and of
// the image window's zoom arithmetic, written as plain loops straight from the
// rules with their own rounding helpers. The library's functions must give the
// same tables, scales, vertices, lengths and positions on many random pictures,
// drawing sizes, zoom percents and window layouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "effects/histogram.h"
#include "document/view_geometry.h"
#include "effects/resample.h"

namespace kira {
namespace {

// ---------------------------------------------------------------------------
// The second oracle's rounding, written from the definitions rather than taken
// from core/rounding.h.

// Integer part of x + 0.5 (x - 0.5 below zero), in extended precision.
std::int64_t HalfAway(long double x) {
  return static_cast<std::int64_t>(x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L));
}

// Nearest integer; an exact half goes to the even neighbour.
std::int64_t HalfEven(long double x) {
  const long double f = std::floor(x);
  const long double d = x - f;
  if (d < 0.5L) return static_cast<std::int64_t>(f);
  if (d > 0.5L) return static_cast<std::int64_t>(f) + 1;
  const auto fi = static_cast<std::int64_t>(f);
  return fi % 2 == 0 ? fi : fi + 1;
}

// ---------------------------------------------------------------------------
// Histogram.

struct PlainTables {
  std::array<std::int32_t, 256> lum{}, blue{}, green{}, red{};
};

PlainTables PlainCount(const TBitmap& image) {
  PlainTables t;
  if (image.Empty()) return t;
  const int w = image.Width(), h = image.Height();
  // Working copy in 24 bits; 1 and 8 bits go through the colour table.
  TBitmap copy(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = image.ScanLine(y);
    std::uint8_t* dst = copy.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      std::uint8_t b, g, r;
      if (image.PixelFormat() == TPixelFormat::pf24bit) {
        b = src[3 * x];
        g = src[3 * x + 1];
        r = src[3 * x + 2];
      } else {
        const int index = image.PixelFormat() == TPixelFormat::pf8bit
                              ? src[x]
                              : (src[x / 8] >> (7 - x % 8)) & 1;
        const TRGBQuad q = image.ColorTable()[index];
        b = q.Blue;
        g = q.Green;
        r = q.Red;
      }
      dst[3 * x] = b;
      dst[3 * x + 1] = g;
      dst[3 * x + 2] = r;
    }
  }
  if (w > 256 && h > 256) ResampleBitmap(copy, 256, 256, 1);
  for (int y = 0; y < copy.Height(); ++y) {
    const std::uint8_t* p = copy.ScanLine(y);
    for (int x = 0; x < copy.Width(); ++x) {
      const int b = p[3 * x], g = p[3 * x + 1], r = p[3 * x + 2];
      ++t.lum[(b + g + r) / 3];
      ++t.blue[b];
      ++t.green[g];
      ++t.red[r];
    }
  }
  return t;
}

std::int32_t PlainScale(const PlainTables& t) {
  std::int32_t m = 0;
  for (int i = 0; i < 256; ++i)
    m = std::max({m, t.lum[i], t.blue[i], t.green[i], t.red[i]});
  return static_cast<std::int32_t>(HalfAway(static_cast<long double>(m) * 1.02L));
}

std::vector<THistogramPoint> PlainCurve(const std::array<std::int32_t, 256>& table, std::int32_t s,
                                        int ww, int hh) {
  std::vector<THistogramPoint> pts;
  if (ww < 1) return pts;
  auto height = [&](std::int32_t v) -> long double {
    if (s <= 0) return 0;
    return static_cast<long double>(HalfAway(static_cast<long double>(v) * hh / s));
  };
  pts.push_back({0, static_cast<int>(hh - height(table[0]))});
  long double sum = 0;
  int n = 0;
  for (int x = 1; x <= ww - 2; ++x) {
    if (x % 3 == 0) {
      pts.push_back({x, static_cast<int>(hh - HalfAway(sum / n))});
      sum = 0;
      n = 0;
    }
    const auto i = HalfAway(static_cast<long double>(x * 255) / (ww - 1));
    sum += height(table[i]);
    ++n;
  }
  sum += height(table[255]);
  ++n;
  pts.push_back({ww - 1, static_cast<int>(hh - HalfAway(sum / n))});
  return pts;
}

TBitmap RandomPicture(std::mt19937& rng, int w, int h, TPixelFormat format) {
  TBitmap bmp(w, h, format);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = bmp.ScanLine(y);
    for (int i = 0; i < bmp.Stride(); ++i) row[i] = static_cast<std::uint8_t>(rng());
  }
  if (format != TPixelFormat::pf24bit)
    for (auto& q : bmp.ColorTable())
      q = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
           static_cast<std::uint8_t>(rng()), 0};
  return bmp;
}

// A picture with few distinct values, so that bins collect large counts and
// the sampled bins of the drawing meet non-zero heights of every size.
TBitmap LumpyPicture(std::mt19937& rng, int w, int h) {
  TBitmap bmp(w, h);
  std::uniform_int_distribution<int> level(0, 7);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        bmp.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>(level(rng) * 36 + c);
  return bmp;
}

void ExpectSameHistogram(const TBitmap& image, const std::vector<std::pair<int, int>>& drawings,
                         const std::string& what) {
  SCOPED_TRACE(what);
  const PlainTables want = PlainCount(image);
  const THistogramTables got = CountHistogram(image);
  ASSERT_EQ(got.luminance, want.lum);
  ASSERT_EQ(got.blue, want.blue);
  ASSERT_EQ(got.green, want.green);
  ASSERT_EQ(got.red, want.red);
  const std::int32_t s = PlainScale(want);
  ASSERT_EQ(HistogramScale(got), s);
  for (const auto& [ww, hh] : drawings) {
    SCOPED_TRACE(std::to_string(ww) + "x" + std::to_string(hh));
    for (bool rgb : {false, true}) {
      const auto curves = HistogramCurves(image, rgb, ww, hh);
      ASSERT_EQ(curves.size(), rgb ? 4u : 1u);
      EXPECT_EQ(curves[0].points, PlainCurve(want.lum, s, ww, hh));
      EXPECT_EQ(curves[0].penWidth, 2);
      EXPECT_EQ((std::array<int, 3>{curves[0].red, curves[0].green, curves[0].blue}),
                (std::array<int, 3>{0, 0, 0}));
      if (!rgb) continue;
      const std::array<const std::array<std::int32_t, 256>*, 3> tables{&want.blue, &want.green,
                                                                      &want.red};
      const std::array<std::array<int, 3>, 3> pens{{{0, 0, 255}, {0, 128, 0}, {255, 0, 0}}};
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(curves[k + 1].points, PlainCurve(*tables[k], s, ww, hh)) << "curve " << k + 1;
        EXPECT_EQ(curves[k + 1].penWidth, 1);
        EXPECT_EQ((std::array<int, 3>{curves[k + 1].red, curves[k + 1].green, curves[k + 1].blue}),
                  pens[k]);
      }
    }
  }
}

const std::vector<std::pair<int, int>> kDrawings = {{181, 120}, {2, 120}, {3, 120}, {4, 50},
                                                    {5, 7},     {1, 10},  {0, 10},  {-3, 10},
                                                    {256, 100}, {257, 1}, {181, 0}, {6, 120}};

TEST(HistogramVsPlainLoops, RandomPicturesOfManySizes) {
  std::mt19937 rng(20261208);
  const std::vector<std::pair<int, int>> sizes = {
      {1, 1},     {2, 1},     {1, 2},     {3, 5},     {17, 9},    {256, 256}, {257, 256},
      {256, 257}, {257, 257}, {300, 200}, {200, 300}, {300, 300}, {1, 400},   {400, 1},
      {0, 0},     {0, 5},     {5, 0}};
  for (const auto& [w, h] : sizes)
    ExpectSameHistogram(RandomPicture(rng, w, h, TPixelFormat::pf24bit), kDrawings,
                        "24-bit " + std::to_string(w) + "x" + std::to_string(h));
  for (int k = 0; k < 12; ++k) {
    const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 40);
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    ExpectSameHistogram(LumpyPicture(rng, w, h), kDrawings, "lumpy " + size);
    ExpectSameHistogram(RandomPicture(rng, w, h, TPixelFormat::pf8bit), {{181, 120}},
                        "8-bit " + size);
    ExpectSameHistogram(RandomPicture(rng, w, h, TPixelFormat::pf1bit), {{181, 120}},
                        "1-bit " + size);
  }
  // Reduced pictures with few values, and drawings of random sizes.
  ExpectSameHistogram(LumpyPicture(rng, 260, 270), kDrawings, "lumpy 260x270");
  const TBitmap lumpy = LumpyPicture(rng, 33, 21);
  std::vector<std::pair<int, int>> drawings;
  for (int k = 0; k < 60; ++k)
    drawings.push_back({1 + static_cast<int>(rng() % 400), static_cast<int>(rng() % 300)});
  ExpectSameHistogram(lumpy, drawings, "random drawings");
}

// Tables as a long strip counted at full size could give them (a side of 256
// or less is never reduced): counters of tens of millions, whose product
// with the drawing height leaves the 32-bit range.
TEST(HistogramVsPlainLoops, CurvesOfLargeCounters) {
  std::mt19937 rng(3);
  for (int k = 0; k < 300; ++k) {
    THistogramTable table{};
    const std::int32_t top = static_cast<std::int32_t>(rng() % 60000000) + 1;
    for (auto& v : table) v = k % 3 == 0 ? static_cast<std::int32_t>(rng() % (top + 1)) : 0;
    for (int n = 0; n < 6; ++n) table[rng() % 256] = top;
    const std::int32_t s = static_cast<std::int32_t>(HalfAway(top * 1.02L));
    const int ww = 1 + static_cast<int>(rng() % 300), hh = static_cast<int>(rng() % 2000);
    ASSERT_EQ(HistogramCurve(table, s, ww, hh), PlainCurve(table, s, ww, hh))
        << "top " << top << " drawing " << ww << "x" << hh;
  }
}

TEST(HistogramVsPlainLoops, FullSizeOrReducedByBothSides) {
  std::mt19937 rng(7);
  auto total = [](const TBitmap& image) {
    const THistogramTables t = CountHistogram(image);
    std::int64_t n = 0;
    for (int v : t.luminance) n += v;
    return n;
  };
  EXPECT_EQ(total(RandomPicture(rng, 300, 200, TPixelFormat::pf24bit)), 60000);
  EXPECT_EQ(total(RandomPicture(rng, 257, 256, TPixelFormat::pf24bit)), 257 * 256);
  EXPECT_EQ(total(RandomPicture(rng, 300, 300, TPixelFormat::pf24bit)), 65536);
  EXPECT_EQ(total(TBitmap()), 0);
}

TEST(HistogramVsPlainLoops, MidGreyAndExactHalfScale) {
  // All pixels in bin 128: only column 90 of a 181-wide drawing samples it,
  // so the vertex at x = 93 alone rises, to RoundHalfAway(118 / 3) = 39.
  TBitmap grey(10, 10);
  for (int y = 0; y < 10; ++y) std::fill_n(grey.ScanLine(y), 30, std::uint8_t{128});
  const auto curves = HistogramCurves(grey, true, 181, 120);
  ASSERT_EQ(curves.size(), 4u);
  for (const auto& c : curves)
    for (const auto& p : c.points) EXPECT_EQ(p.y, p.x == 93 ? 120 - 39 : 120) << p.x;
  // 25 pixels: 25 x 1.02 = 25.5 exactly, rounded away to 26.
  TBitmap small(5, 5);
  EXPECT_EQ(HistogramScale(CountHistogram(small)), 26);
  EXPECT_EQ(PlainScale(PlainCount(small)), 26);
}

// ---------------------------------------------------------------------------
// Zoom arithmetic of the image window.

int PlainZoomIn(int z) { return z < 250 ? z + 5 : z; }
int PlainZoomOut(int z) { return z > 5 ? z - 5 : z; }
int PlainZoomed(int len, int z) {
  return static_cast<int>(HalfEven(static_cast<long double>(len * z) / 100));
}
int PlainShown(int len, int z) {
  return static_cast<int>(HalfAway(static_cast<long double>(len * z) / 100));
}
int PlainPosition(int pos, int oldLen, int newLen, int client, int outer) {
  if (oldLen <= 0) return (outer - newLen) / 2;
  const int c = client / 2;
  const long double r = static_cast<long double>(c - pos) / oldLen;
  return c - static_cast<int>(HalfEven(newLen * r));
}
int PlainCentred(int outer, int len) { return std::max(0, (outer - len) / 2); }
int PlainKeepCentre(int oldLen, int newLen) {
  return static_cast<int>(
      HalfAway(static_cast<long double>(oldLen) / 2 - static_cast<long double>(newLen) / 2));
}

TEST(ZoomVsPlainLoops, StepsAndBounds) {
  for (int z = 0; z <= 260; ++z) {
    EXPECT_EQ(ZoomIn(z), PlainZoomIn(z)) << z;
    EXPECT_EQ(ZoomOut(z), PlainZoomOut(z)) << z;
  }
  int z = 100;
  for (int i = 0; i < 30; ++i) z = ZoomIn(z);
  EXPECT_EQ(z, 250);
  EXPECT_EQ(ZoomIn(z), 250);
  z = 100;
  for (int i = 0; i < 19; ++i) z = ZoomOut(z);
  EXPECT_EQ(z, 5);
  EXPECT_EQ(ZoomOut(z), 5);
}

TEST(ZoomVsPlainLoops, LengthsAtEveryPercent) {
  for (int z = kZoomMin; z <= kZoomMax; z += kZoomStep)
    for (int len = 0; len <= 2100; ++len) {
      ASSERT_EQ(ZoomedLength(len, z), PlainZoomed(len, z)) << len << " at " << z;
      ASSERT_EQ(ShownLength(len, z), PlainShown(len, z)) << len << " at " << z;
    }
  for (int len : {4000, 4001, 8191, 12345, 20002, 65535, 100001})
    for (int z = kZoomMin; z <= kZoomMax; z += kZoomStep) {
      EXPECT_EQ(ZoomedLength(len, z), PlainZoomed(len, z)) << len << " at " << z;
      EXPECT_EQ(ShownLength(len, z), PlainShown(len, z)) << len << " at " << z;
    }
  // The two rules part at exact halves: 25 % of 2 pixels.
  EXPECT_EQ(ZoomedLength(2, 25), 0);
  EXPECT_EQ(ShownLength(2, 25), 1);
  EXPECT_EQ(ZoomedLength(6, 25), 2);  // 1.5 -> 2 either way
  EXPECT_EQ(ZoomedLength(10, 25), 2);  // 2.5 -> 2 / 3
  EXPECT_EQ(ShownLength(10, 25), 3);
}

TEST(ZoomVsPlainLoops, PositionsCentringAndKeptCentre) {
  std::mt19937 rng(99);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int k = 0; k < 200000; ++k) {
    const int z0 = 5 * pick(1, 50), z1 = 5 * pick(1, 50);
    const int w = pick(0, 3000);
    const int oldLen = k % 7 == 0 ? pick(-5, 0) : PlainZoomed(w, z0);
    const int newLen = PlainZoomed(w, z1);
    const int pos = pick(-12000, 12000);
    const int client = pick(0, 2500), outer = client + pick(0, 20);
    ASSERT_EQ(ZoomedPosition(pos, oldLen, newLen, client, outer),
              PlainPosition(pos, oldLen, newLen, client, outer))
        << pos << " " << oldLen << " " << newLen << " " << client << " " << outer;
    ASSERT_EQ(CentredPosition(outer, newLen), PlainCentred(outer, newLen)) << outer << " " << newLen;
    const int shown0 = PlainShown(w, z0), shown1 = PlainShown(pick(0, 3000), z1);
    ASSERT_EQ(KeepCentreShift(shown0, shown1), PlainKeepCentre(shown0, shown1))
        << shown0 << " " << shown1;
  }
  // Small lengths and positions close to the centre, where exact halves are
  // frequent.
  for (int oldLen = -2; oldLen <= 24; ++oldLen)
    for (int newLen = 0; newLen <= 24; ++newLen)
      for (int pos = -30; pos <= 30; ++pos)
        for (int client : {0, 1, 2, 3, 20, 21}) {
          ASSERT_EQ(ZoomedPosition(pos, oldLen, newLen, client, client + 7),
                    PlainPosition(pos, oldLen, newLen, client, client + 7))
              << pos << " " << oldLen << " " << newLen << " " << client;
          if (oldLen >= 0) {
            ASSERT_EQ(KeepCentreShift(oldLen, newLen), PlainKeepCentre(oldLen, newLen));
          }
        }
  // Every one-step zoom of pictures up to 300 pixels where new x (c - pos) /
  // old is an exact half: here the ratio r, held as a real before the
  // product, decides the side (95 x 0.3 is not 28.5 in binary).
  int halves = 0;
  for (int w = 1; w <= 300; ++w)
    for (int z0 = kZoomMin; z0 <= kZoomMax; z0 += kZoomStep)
      for (int z1 : {z0 - kZoomStep, z0 + kZoomStep}) {
        if (z1 < kZoomMin || z1 > kZoomMax) continue;
        const int oldLen = PlainZoomed(w, z0), newLen = PlainZoomed(w, z1);
        if (oldLen <= 0) continue;
        for (int d = -oldLen; d <= 2 * oldLen; ++d) {
          const long long twice = 2LL * newLen * d;
          if (twice % oldLen != 0 || (twice / oldLen) % 2 == 0) continue;
          ++halves;
          ASSERT_EQ(ZoomedPosition(400 - d, oldLen, newLen, 800, 810),
                    PlainPosition(400 - d, oldLen, newLen, 800, 810))
              << w << " from " << z0 << " to " << z1 << ", centre " << d << " into the picture";
        }
      }
  EXPECT_GT(halves, 10000);
  // Exact halves where the ratio r = (c - pos) / w0 is not a binary fraction:
  // 45 x 0.7 comes out at 31.5 or above (32, as halves to even would give),
  // 95 x 0.3 above 28.5 (29 where the exact quotient would give 28).
  EXPECT_EQ(ZoomedPosition(72, 40, 45, 200, 210), 100 - 32);
  EXPECT_EQ(ZoomedPosition(70, 100, 95, 200, 210), 100 - 29);
  EXPECT_EQ(PlainPosition(70, 100, 95, 200, 210), 100 - 29);
  // No former size: centred with no lower bound, div truncating toward zero.
  EXPECT_EQ(ZoomedPosition(50, 0, 105, 90, 100), -2);
  EXPECT_EQ(ZoomedPosition(50, 0, 95, 90, 100), 2);
  EXPECT_EQ(CentredPosition(100, 105), 0);
  EXPECT_EQ(KeepCentreShift(3, 0), 2);
  EXPECT_EQ(KeepCentreShift(0, 3), -2);
}

TEST(ZoomVsPlainLoops, Captions) {
  EXPECT_EQ(FileCaption("beach.jpg", 640, 480), "beach.jpg (640x480)");
  EXPECT_EQ(FileCaption("", 0, 0), " (0x0)");
  for (int z = kZoomMin; z <= kZoomMax; z += kZoomStep)
    EXPECT_EQ(ZoomCaption(z), std::string("キラボックス Ver. 0.32 (") + std::to_string(z) + "%)");
  EXPECT_EQ(std::string(kAppTitle), "キラボックス Ver. 0.32");
}

}  // namespace
}  // namespace kira
