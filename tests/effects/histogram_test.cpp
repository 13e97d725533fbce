#include <gtest/gtest.h>

#include <vector>

#include "core/bitmap.h"
#include "effects/histogram.h"

namespace kira {
namespace {

TBitmap Filled(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  TBitmap bmp(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = bmp.ScanLine(y) + 3 * x;
      p[0] = b, p[1] = g, p[2] = r;
    }
  return bmp;
}

TEST(Histogram, MidGreyRisesOnlyAtTheVertexAfterColumn90) {
  // All pixels in bin 128 of every table; bin height 118 of 120. Only column
  // 90 samples bin 128 (90 * 255 / 180 = 127.5), so the vertex at x = 93
  // averages 118, 0, 0 to 39 and every other vertex lies on the bottom edge.
  const std::vector<THistogramCurve> curves = HistogramCurves(Filled(50, 40, 128, 128, 128), true, 181, 120);
  ASSERT_EQ(curves.size(), 4u);
  for (const THistogramCurve& c : curves) {
    ASSERT_EQ(c.points.size(), 2u + 59u);  // x = 0, the multiples of 3 up to 177, x = 180
    EXPECT_EQ(c.points.front(), (THistogramPoint{0, 120}));
    EXPECT_EQ(c.points.back(), (THistogramPoint{180, 120}));
    for (const THistogramPoint& p : c.points) EXPECT_EQ(p.y, p.x == 93 ? 120 - 39 : 120) << p.x;
  }
}

TEST(Histogram, PensInDrawingOrder) {
  const TBitmap pic = Filled(3, 3, 10, 20, 30);
  const std::vector<THistogramCurve> lum = HistogramCurves(pic, false, 181, 120);
  ASSERT_EQ(lum.size(), 1u);
  EXPECT_EQ(lum[0].penWidth, 2);
  EXPECT_EQ(lum[0].red + lum[0].green + lum[0].blue, 0);

  const std::vector<THistogramCurve> all = HistogramCurves(pic, true, 181, 120);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[1].blue, 255);
  EXPECT_EQ(all[1].red + all[1].green, 0);
  EXPECT_EQ(all[2].green, 128);
  EXPECT_EQ(all[2].red + all[2].blue, 0);
  EXPECT_EQ(all[3].red, 255);
  EXPECT_EQ(all[3].green + all[3].blue, 0);
  for (int k = 1; k < 4; ++k) EXPECT_EQ(all[k].penWidth, 1);
  // Toggling twice gives back the luminance-only drawing.
  EXPECT_EQ(HistogramCurves(pic, false, 181, 120)[0].points, lum[0].points);
}

TEST(Histogram, TwoPixelWideDrawingIsOneLineFromBin0ToBin255) {
  THistogramTable t{};
  t[0] = 100;
  t[255] = 50;
  const std::vector<THistogramPoint> pts = HistogramCurve(t, 102, 2, 120);
  // h(100) = RoundHalfAway(100 * 120 / 102) = 118; h(50) = 58.82 -> 59.
  EXPECT_EQ(pts, (std::vector<THistogramPoint>{{0, 2}, {1, 61}}));
}

TEST(Histogram, VerticesAverageTheColumnsBeforeThem) {
  // Width 8: columns 1..6 sample bins 36, 73, 109, 146, 182, 219 (x*255/7).
  THistogramTable t{};
  t[36] = 10, t[73] = 20, t[109] = 40, t[146] = 50, t[182] = 60, t[219] = 70, t[255] = 90;
  const std::vector<THistogramPoint> pts = HistogramCurve(t, 100, 8, 100);
  // x=3: (10 + 20) / 2 = 15; x=6: (40 + 50 + 60) / 3 = 50; x=7: (70 + 90) / 2 = 80.
  EXPECT_EQ(pts, (std::vector<THistogramPoint>{{0, 100}, {3, 85}, {6, 50}, {7, 20}}));
}

TEST(Histogram, ScaleCountsAllFourTables) {
  // Blue concentrated in one value, the luminance spread over two bins.
  TBitmap pic = Filled(10, 10, 200, 0, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x) pic.ScanLine(y)[3 * x + 2] = 255;
  const THistogramTables t = CountHistogram(pic);
  EXPECT_EQ(t.blue[200], 100);
  EXPECT_EQ(t.luminance[66], 50);   // 200 / 3
  EXPECT_EQ(t.luminance[151], 50);  // 455 / 3
  EXPECT_EQ(HistogramScale(t), 102);
  // h(50) = RoundHalfAway(50 * 120 / 102) = 59, not the 118 of its own peak.
  const std::vector<THistogramCurve> lum = HistogramCurves(pic, false, 181, 120);
  int lowest = 120;
  for (const THistogramPoint& p : lum[0].points) lowest = std::min(lowest, p.y);
  EXPECT_GE(lowest, 120 - 59);
}

TEST(Histogram, LargePicturesAreReducedOnlyWhenBothSidesExceed256) {
  auto total = [](const THistogramTables& t) {
    long long n = 0;
    for (std::int32_t v : t.luminance) n += v;
    return n;
  };
  EXPECT_EQ(total(CountHistogram(Filled(300, 200, 1, 2, 3))), 60000);
  EXPECT_EQ(total(CountHistogram(Filled(300, 300, 1, 2, 3))), 65536);
  EXPECT_EQ(total(CountHistogram(Filled(256, 1000, 1, 2, 3))), 256000);
  EXPECT_EQ(CountHistogram(Filled(300, 300, 1, 2, 3)).red[3], 65536);
}

TEST(Histogram, EmptyPictureLiesOnTheBottomEdge) {
  const std::vector<THistogramCurve> curves = HistogramCurves(TBitmap(), true, 181, 120);
  ASSERT_EQ(curves.size(), 4u);
  for (const THistogramCurve& c : curves)
    for (const THistogramPoint& p : c.points) EXPECT_EQ(p.y, 120);
  EXPECT_EQ(HistogramScale(THistogramTables{}), 0);
}

TEST(Histogram, OtherFormatsAreCountedThroughTheirColours) {
  TBitmap grey(4, 4, TPixelFormat::pf8bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) grey.ScanLine(y)[x] = 77;
  const THistogramTables t = CountHistogram(grey);
  EXPECT_EQ(t.luminance[77], 16);
  EXPECT_EQ(t.red[77], 16);
}

}  // namespace
}  // namespace kira
