#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/bitmap.h"
#include "effects/resample.h"
#include "tests/effects/picture_util.h"
#include "tests/effects/resample_oracle.h"

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
  EXPECT_EQ(out, resample_oracle::OracleBitmap(in, 7, 20, kResampleMitchell));
}

// ---- The fast path against the oracle.

void ExpectSameAsOracle(const TBitmap& in, int w, int h) {
  for (std::uint8_t code = 0; code <= 8; ++code) {
    const TBitmap expected = resample_oracle::OracleBitmap(in, w, h, code);
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
