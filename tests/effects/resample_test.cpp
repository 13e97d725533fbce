#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/bitmap.h"
#include "core/rounding.h"
#include "effects/resample.h"
#include "tests/effects/picture_util.h"

namespace kira {
namespace {

using testpic::Random24;

// A one-row (or one-column) picture whose three channels all hold values[k].
TBitmap Line(const std::vector<int>& values, bool vertical = false) {
  const int n = static_cast<int>(values.size());
  TBitmap b(vertical ? 1 : n, vertical ? n : 1);
  for (int k = 0; k < n; ++k) {
    std::uint8_t* p = vertical ? b.ScanLine(k) : b.ScanLine(0) + 3 * k;
    p[0] = p[1] = p[2] = static_cast<std::uint8_t>(values[k]);
  }
  return b;
}

std::vector<int> Values(const TBitmap& b, int channel = 1) {
  std::vector<int> v;
  const bool vertical = b.Width() == 1 && b.Height() > 1;
  const int n = vertical ? b.Height() : b.Width();
  for (int k = 0; k < n; ++k) v.push_back((vertical ? b.ScanLine(k) : b.ScanLine(0) + 3 * k)[channel]);
  return v;
}

// ---- The oracle: the resampling rule followed line by line, one destination
// pixel at a time, both kernel weights evaluated afresh for every tap and the
// B-spline weights once per pixel, no tap skipped.

long double OracleKernel(std::uint8_t method, long double t) {
  const long double pi = 3.141592653589793238462643383279502884L;
  const long double piHalf = pi / 2;
  const long double piSquaredHalf = pi * pi / 2;
  const long double t2 = t * t;
  const long double t3 = t2 * t;
  switch (method) {
    case 2:
      if (t < 1) return ((t2 - t) - 1) * (t - 1);
      return -((t - 1) * ((t - 2) * (t - 2)));
    case 4: return (((2 * t - 3) * t) * t) + 1;
    case 5:
      if (t < 1) return (((7 * t3) / 6) - (2 * t2)) + (8.0L / 9.0L);
      return (((2 * t2) - ((10 * t) / 3)) - ((7 * t3) / 18)) + (16.0L / 9.0L);
    case 6:
      if (t < 0.5L) return 0.75L - t2;
      if (t < 1.5L) return 0.5L * ((t - 1.5L) * (t - 1.5L));
      return 0;
    case 7:
      if (t == 0) return 1;
      return (sinl(pi * t) * sinl(piHalf * t)) / ((t * piSquaredHalf) * t);
    case 8:
      if (t < 1) return (((t - 2) * 0.5L) * (t + 1)) * (t - 1);
      return -(((t - 3) * (t - 2)) * (t - 1)) / 6;
  }
  return 0;
}

bool ResampleOracle(TBitmap& bitmap, int newWidth, int newHeight, std::uint8_t method) {
  if (!Is24(bitmap) || bitmap.Empty() || newWidth < 1 || newHeight < 1 || method > 8) return false;
  const int W = bitmap.Width(), H = bitmap.Height();
  const long double ratioX = static_cast<long double>(W) / newWidth;
  const long double ratioY = static_cast<long double>(H) / newHeight;
  TBitmap result = DuplicateBitmap(bitmap);
  result.SetWidth(newWidth);
  result.SetHeight(newHeight);
  TBmpData24 src(bitmap);
  TBmpData24 dst(result);
  for (int y = 0; y < newHeight; ++y) {
    for (int x = 0; x < newWidth; ++x) {
      const long double sx = x * ratioX;
      const long double sy = y * ratioY;
      std::uint8_t* d = dst.Pixel(x, y);
      if (method == 0) {
        int i = static_cast<int>(nearbyintl(sx));
        if (i > W - 1) i = W - 1;
        int j = static_cast<int>(nearbyintl(sy));
        if (j > H - 1) j = H - 1;
        const std::uint8_t* p = src.Pixel(i, j);
        d[0] = p[0];
        d[1] = p[1];
        d[2] = p[2];
      } else if (method == 1) {
        int x0 = static_cast<int>(truncl(sx));
        if (x0 < 0) x0 = 0;
        const int x1 = x0 + 1 > W - 1 ? x0 : x0 + 1;
        int y0 = static_cast<int>(truncl(sy));
        if (y0 < 0) y0 = 0;
        const int y1 = y0 + 1 > H - 1 ? y0 : y0 + 1;
        const long double fx = sx - x0, fy = sy - y0;
        for (int c : {2, 1, 0}) {
          const long double top = src.Pixel(x0, y0)[c] * (1 - fx) + src.Pixel(x1, y0)[c] * fx;
          const long double bottom = src.Pixel(x0, y1)[c] * (1 - fx) + src.Pixel(x1, y1)[c] * fx;
          d[c] = RoundClampByte(top * (1 - fy) + bottom * fy);
        }
      } else {
        const int ix = static_cast<int>(truncl(sx));
        const int iy = static_cast<int>(truncl(sy));
        long double sum[3] = {0, 0, 0};
        const int lo = method == 4 ? 0 : -1;
        const int hi = method == 4 ? 1 : 2;
        long double bx[4], by[4];
        if (method == 3) {
          const long double f = sx - ix, g = sy - iy;
          long double a[5], b[4];
          for (int k = 1; k <= 4; ++k) a[k] = ((k - f) * (k - f) * (k - f)) / 6;
          for (int k = 0; k <= 3; ++k) b[k] = ((g + k) * (g + k) * (g + k)) / 6;
          bx[0] = a[1];
          bx[1] = a[2] - 4 * a[1];
          bx[2] = a[3] - 4 * a[2] + 6 * a[1];
          bx[3] = a[4] - 4 * a[3] + 6 * a[2] - 4 * a[1];
          by[3] = b[0];
          by[2] = b[1] - 4 * b[0];
          by[1] = b[2] - 4 * b[1] + 6 * b[0];
          by[0] = b[3] - 4 * b[2] + 6 * b[1] - 4 * b[0];
        }
        for (int j = iy + lo; j <= iy + hi; ++j) {
          for (int i = ix + lo; i <= ix + hi; ++i) {
            const long double wx = method == 3 ? bx[i - ix + 1] : OracleKernel(method, fabsl(sx - i));
            const long double wy = method == 3 ? by[j - iy + 1] : OracleKernel(method, fabsl(sy - j));
            const int ii = (i >= 0 && i <= W - 1) ? i : ix;
            const int jj = (j >= 0 && j <= H - 1) ? j : iy;
            const std::uint8_t* p = src.Pixel(ii, jj);
            for (int c : {2, 1, 0}) sum[c] += p[c] * wx * wy;
          }
        }
        for (int c : {2, 1, 0}) d[c] = RoundClampByte(sum[c]);
      }
    }
  }
  bitmap = std::move(result);
  return true;
}

// ---- Hand-worked examples.

TEST(Resample, SameSizeIsTheIdentityForTheInterpolatingCodes) {
  const TBitmap in = Random24(9, 7, 5);
  for (std::uint8_t code : {0, 1, 2, 4, 8}) {
    TBitmap b = in;
    ASSERT_TRUE(ResampleBitmap(b, 9, 7, code));
    EXPECT_EQ(b, in) << "code " << int(code);
  }
}

TEST(Resample, SameSizeSmoothsWithBSplineMitchellAndBell) {
  // One pixel of 180 on black: the centre, side and corner neighbours take
  // 180 times the products of the per-axis weights at distances 0 and 1.
  TBitmap in(5, 5);
  std::uint8_t* c = in.ScanLine(2) + 3 * 2;
  c[0] = c[1] = c[2] = 180;
  struct Case {
    std::uint8_t code;
    int centre, side, corner;
  };
  // B-spline 1/6, 2/3: 80, 20, 5. Mitchell 1/18, 8/9: 142.2, 8.9, 0.56.
  // Bell 0.125, 0.75: 101.25, 16.875, 2.8125.
  for (const Case& k : {Case{3, 80, 20, 5}, Case{5, 142, 9, 1}, Case{6, 101, 17, 3}}) {
    TBitmap b = in;
    ASSERT_TRUE(ResampleBitmap(b, 5, 5, k.code));
    EXPECT_EQ(b.ScanLine(2)[3 * 2 + 1], k.centre) << "code " << int(k.code);
    EXPECT_EQ(b.ScanLine(1)[3 * 2 + 1], k.side) << "code " << int(k.code);
    EXPECT_EQ(b.ScanLine(2)[3 * 3 + 0], k.side) << "code " << int(k.code);
    EXPECT_EQ(b.ScanLine(1)[3 * 1 + 2], k.corner) << "code " << int(k.code);
    EXPECT_EQ(b.ScanLine(0)[3 * 0 + 2], 0) << "code " << int(k.code);
  }
}

TEST(Resample, NearestNeighbourColumns) {
  // Positions 0, 0.5, 1, 1.5, ... rounded with ties to even; 4 is limited to 3.
  TBitmap up = Line({0, 10, 20, 30});
  ASSERT_TRUE(ResampleBitmap(up, 8, 1, kResampleNearest));
  EXPECT_EQ(Values(up), (std::vector<int>{0, 0, 10, 20, 20, 20, 30, 30}));

  TBitmap down = Line({0, 10, 20, 30, 40, 50, 60, 70});
  ASSERT_TRUE(ResampleBitmap(down, 4, 1, kResampleNearest));
  EXPECT_EQ(Values(down), (std::vector<int>{0, 20, 40, 60}));

  TBitmap column = Line({0, 10, 20, 30}, /*vertical=*/true);
  ASSERT_TRUE(ResampleBitmap(column, 1, 8, kResampleNearest));
  EXPECT_EQ(Values(column), (std::vector<int>{0, 0, 10, 20, 20, 20, 30, 30}));
}

TEST(Resample, TwoPixelEnlargements) {
  // Bilinear: the last column mixes only with itself.
  TBitmap linear = Line({0, 100});
  ASSERT_TRUE(ResampleBitmap(linear, 4, 1, kResampleBilinear));
  EXPECT_EQ(Values(linear), (std::vector<int>{0, 50, 100, 100}));

  // Bicubic: the last pixel reads columns 0, 1, 1, 1 with -0.125, 0.625,
  // 0.625, -0.125; the second reads 0, 0, 1, 0.
  TBitmap cubic = Line({0, 200});
  ASSERT_TRUE(ResampleBitmap(cubic, 4, 1, kResampleBicubic));
  EXPECT_EQ(Values(cubic), (std::vector<int>{0, 125, 200, 225}));

  // Lagrange: 0.5625 and -0.0625 give exact halves, 112.5 and 212.5, which
  // go to the even neighbours.
  TBitmap lagrange = Line({0, 200});
  ASSERT_TRUE(ResampleBitmap(lagrange, 4, 1, kResampleLagrange));
  EXPECT_EQ(Values(lagrange), (std::vector<int>{0, 112, 200, 212}));

  // The same along a column.
  TBitmap tall = Line({0, 200}, /*vertical=*/true);
  ASSERT_TRUE(ResampleBitmap(tall, 1, 4, kResampleBicubic));
  EXPECT_EQ(Values(tall), (std::vector<int>{0, 125, 200, 225}));
}

TEST(Resample, OutOfRangeTapsReadTheTruncatedPositionNotTheEdge) {
  // Width 10, only column 8 lit. Destination 17 of 20 sits at 8.5 (ix = 8):
  // taps 7, 8, 9, 10 with -0.125, 0.625, 0.625, -0.125, and tap 10 reads
  // column 8 (200), not the edge column 9 (0): 125 - 25 = 100.
  for (bool vertical : {false, true}) {
    std::vector<int> v(10, 0);
    v[8] = 200;
    TBitmap b = Line(v, vertical);
    ASSERT_TRUE(ResampleBitmap(b, vertical ? 1 : 20, vertical ? 20 : 1, kResampleBicubic));
    const std::vector<int> out = Values(b);
    EXPECT_EQ(out[16], 200) << vertical;
    EXPECT_EQ(out[17], 100) << vertical;  // the edge rule would give 125
    EXPECT_EQ(out[19], 0) << vertical;    // -25, clamped
  }
}

TEST(Resample, ChannelsStayApartAndNegativeLobesClamp) {
  TBitmap b(2, 1);
  std::uint8_t* p = b.ScanLine(0);
  p[0] = 255, p[1] = 0, p[2] = 40;   // blue, green, red of column 0
  p[3] = 0, p[4] = 255, p[5] = 80;   // column 1
  ASSERT_TRUE(ResampleBitmap(b, 4, 1, kResampleBicubic));
  const std::uint8_t* q = b.ScanLine(0);
  // Column 3 reads columns 0, 1, 1, 1 with -0.125, 0.625, 0.625, -0.125.
  EXPECT_EQ(q[9], 0);     // -31.875, limited to 0
  EXPECT_EQ(q[10], 255);  // 286.875, limited to 255
  EXPECT_EQ(q[11], 85);   // -5 + 50 + 50 - 10
}

TEST(Resample, RefusesWithoutChangingAnything) {
  const TBitmap in = Random24(6, 4, 1);
  for (auto [w, h] : {std::pair{0, 4}, std::pair{6, 0}, std::pair{-3, 4}, std::pair{6, -1}}) {
    TBitmap b = in;
    EXPECT_FALSE(ResampleBitmap(b, w, h, kResampleBicubic)) << w << "x" << h;
    EXPECT_EQ(b, in);
  }
  TBitmap unknownCode = in;
  EXPECT_FALSE(ResampleBitmap(unknownCode, 3, 3, 9));
  EXPECT_EQ(unknownCode, in);

  TBitmap grey(6, 4, TPixelFormat::pf8bit);
  const TBitmap greyCopy = grey;
  EXPECT_FALSE(ResampleBitmap(grey, 3, 3, kResampleBilinear));
  EXPECT_EQ(grey, greyCopy);

  // An empty picture has no pixel for any rule to read (not even the
  // truncated position 0): refused rather than read outside the buffer.
  for (std::uint8_t code = 0; code <= 8; ++code) {
    TBitmap empty;
    EXPECT_FALSE(ResampleBitmap(empty, 4, 4, code));
    EXPECT_TRUE(empty.Empty());
    TBitmap noRows(5, 0);
    EXPECT_FALSE(ResampleBitmap(noRows, 4, 4, code));
    EXPECT_EQ(noRows.Width(), 5);
  }
}

TEST(Resample, IntoLeavesTheSourceAlone) {
  const TBitmap in = Random24(13, 11, 3);
  TBitmap source = in;
  TBitmap out;
  ASSERT_TRUE(ResampleInto(source, out, 7, 20, kResampleMitchell));
  EXPECT_EQ(source, in);
  TBitmap expected = in;
  ASSERT_TRUE(ResampleOracle(expected, 7, 20, kResampleMitchell));
  EXPECT_EQ(out, expected);
}

// ---- The fast path against the oracle.

void ExpectSameAsOracle(const TBitmap& in, int w, int h) {
  for (std::uint8_t code = 0; code <= 8; ++code) {
    TBitmap expected = in;
    ASSERT_TRUE(ResampleOracle(expected, w, h, code));
    for (int threads : {1, 2, 3}) {
      TBitmap fast = in;
      ASSERT_TRUE(ResampleBitmap(fast, w, h, code, threads));
      ASSERT_EQ(fast, expected) << in.Width() << "x" << in.Height() << " -> " << w << "x" << h << " code "
                                << int(code) << " threads " << threads;
    }
  }
}

TEST(Resample, MatchesTheOracleOnChosenSizes) {
  const int cases[][4] = {
      {1, 1, 1, 1},   {1, 1, 37, 23}, {1, 9, 4, 30},  {9, 1, 30, 2},  {2, 2, 5, 3},   {3, 5, 5, 3},
      {10, 10, 20, 20}, {17, 13, 34, 26}, {200, 3, 1, 1}, {97, 5, 3, 2}, {3, 97, 2, 3}, {4, 3, 97, 71},
      {31, 29, 29, 31}, {64, 48, 32, 24}, {7, 7, 7, 7},  {5, 6, 96, 1},
  };
  unsigned seed = 10;
  for (const auto& c : cases) ExpectSameAsOracle(Random24(c[0], c[1], seed++), c[2], c[3]);
}

TEST(Resample, MatchesTheOracleOnRandomSizes) {
  std::mt19937 rng(2024);
  std::uniform_int_distribution<int> side(1, 40), target(1, 70);
  for (int k = 0; k < 30; ++k) {
    const int w = side(rng), h = side(rng);
    ExpectSameAsOracle(Random24(w, h, 100 + k), target(rng), target(rng));
  }
}

TEST(Resample, SharpEdgesMatchTheOracle) {
  // Black and white blocks drive the negative lobes beyond 0..255.
  TBitmap in(12, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 12; ++x)
      for (int c = 0; c < 3; ++c) in.ScanLine(y)[3 * x + c] = ((x / 3 + y / 3 + c) % 2) ? 255 : 0;
  ExpectSameAsOracle(in, 29, 23);
  ExpectSameAsOracle(in, 5, 4);
}

}  // namespace
}  // namespace kira
