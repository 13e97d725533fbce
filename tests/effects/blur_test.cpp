#include <gtest/gtest.h>

#include <cstring>

#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "core/bitmap.h"
#include "core/rounding.h"
#include "effects/blur.h"

namespace kira {
namespace {

// Photo-like test pictures: smooth gradients with noise, flat patches and
// hard edges, so that exact ties and saturated values both occur.
TBitmap Picture(int w, int h, unsigned seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  const int gx = static_cast<int>(rng() % 7), gy = static_cast<int>(rng() % 5), noise = 1 + static_cast<int>(rng() % 60);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        int v = 40 * c + gx * x + gy * y + static_cast<int>(rng() % noise);
        if ((x / 5 + y / 3) % 4 == 0) v = 255 * ((x + c) % 2);
        b.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>(v & 255);
      }
  return b;
}

std::uint8_t& At(TBitmap& b, int x, int y, int c = 0) { return b.ScanLine(y)[3 * x + c]; }

// ------------------------------------------------------------ plain oracle
// Straight from the definitions: every window and every sample visited in
// order, extended precision where the definitions say so.

void BoxOracle(TBitmap& image, int r) {
  const TBitmap copy = image;
  const int w = image.Width(), h = image.Height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::int64_t sum[3] = {0, 0, 0};
      for (int k = y - r; k <= y + r; ++k)
        for (int l = x - r; l <= x + r; ++l) {
          const int row = (k >= 0 && k <= h - 1) ? k : y;
          const int col = (l >= 0 && l <= w - 1) ? l : x;
          for (int c = 0; c < 3; ++c) sum[c] += copy.ScanLine(row)[3 * col + c];
        }
      const std::int64_t n = static_cast<std::int64_t>(2 * r + 1) * (2 * r + 1);
      for (int c = 0; c < 3; ++c) image.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>(sum[c] / n);
    }
}

void GaussianOracle(TBitmap& image, int s) {
  const int w = image.Width(), h = image.Height(), radius = 3 * s;
  std::vector<float> wt(radius + 1);
  for (int d = 0; d <= radius; ++d)
    wt[d] = static_cast<float>(std::exp(-static_cast<long double>(d * d) / static_cast<long double>(2 * s * s)));
  TBitmap dup = image;
  for (int pass = 0; pass < 2; ++pass) {
    const TBitmap& src = pass == 0 ? image : dup;
    TBitmap& dst = pass == 0 ? dup : image;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        float acc[3] = {0, 0, 0}, sum = 0;
        const int centre = pass == 0 ? x : y, size = pass == 0 ? w : h;
        for (int t = centre - radius; t <= centre + radius; ++t) {
          if (t < 0 || t > size - 1) continue;
          const float wgt = wt[std::abs(t - centre)];
          const std::uint8_t* p = pass == 0 ? src.ScanLine(y) + 3 * t : src.ScanLine(t) + 3 * x;
          for (int c = 0; c < 3; ++c) acc[c] = static_cast<float>(acc[c] + static_cast<long double>(p[c]) * wgt);
          sum = sum + wgt;
        }
        for (int c = 0; c < 3; ++c)
          dst.ScanLine(y)[3 * x + c] = RoundClampByte(static_cast<long double>(acc[c]) / sum);
      }
  }
}

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// The shared sampling of the two centre-based blurs.
struct TSampler {
  const TBitmap& copy;
  std::int64_t sum[3] = {0, 0, 0}, count = 0;
  void Sample(long double fx, long double fy) {
    const std::int64_t px = static_cast<std::int64_t>(std::nearbyint(fx));
    const std::int64_t py = static_cast<std::int64_t>(std::nearbyint(fy));
    if (!(px >= 0 && px < copy.Width() - 1 && py >= 0 && py < copy.Height() - 1)) return;
    for (int c = 0; c < 3; ++c) sum[c] += copy.ScanLine(static_cast<int>(py))[3 * px + c];
    ++count;
  }
  void Store(std::uint8_t* out) const {
    if (count > 0)
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(sum[c] / count);
  }
};

void CentreOracle(TBitmap& image, int n, bool angle) {
  const TBitmap copy = image;
  const int w = image.Width(), h = image.Height();
  const float cx = static_cast<float>(w) / 2, cy = static_cast<float>(h) / 2;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const long double dx = x - static_cast<long double>(cx), dy = y - static_cast<long double>(cy);
      TSampler s{copy};
      if (!angle) {
        const std::int64_t rho = static_cast<std::int64_t>(std::nearbyint(std::sqrt(dx * dx + dy * dy)));
        const float theta = static_cast<float>(std::atan2(dy, dx));
        for (std::int64_t k = rho - n; k <= rho + n; ++k) {
          if (k < 0) continue;
          s.Sample(std::cos(static_cast<long double>(theta)) * k + cx, std::sin(static_cast<long double>(theta)) * k + cy);
        }
      } else {
        const float rho = static_cast<float>(std::sqrt(dx * dx + dy * dy));
        const std::int64_t a = static_cast<std::int64_t>(std::nearbyint(std::atan2(dy, dx) * 180 / kPi));
        for (std::int64_t k = a - n; k <= a + n; ++k) {
          const long double phi = k * kPi / 180;
          s.Sample(std::cos(phi) * rho + cx, std::sin(phi) * rho + cy);
        }
      }
      s.Store(image.ScanLine(y) + 3 * x);
    }
}

// ------------------------------------------------------------ exact cases

TEST(BoxBlur, CornerReadsItsOwnRowAndColumnAndTruncates) {
  TBitmap b(3, 3);
  At(b, 0, 0) = 90;
  At(b, 1, 0) = 9;
  At(b, 0, 1) = 18;
  At(b, 1, 1) = 50;
  ASSERT_TRUE(BoxBlur(b, 1));
  // (4*90 + 2*9 + 2*18 + 50) / 9 = 464 / 9 = 51.6 -> 51, not the edge-clamped 46.
  EXPECT_EQ(At(b, 0, 0), 51);
}

TEST(BoxBlur, WindowSumTruncatesAndUniformStays) {
  TBitmap b(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      for (int c = 0; c < 3; ++c) At(b, x, y, c) = 200;
  At(b, 2, 2, 1) = 208;  // green window sum at the centre: 1808
  ASSERT_TRUE(BoxBlur(b, 1));
  EXPECT_EQ(At(b, 1, 1, 0), 200);
  EXPECT_EQ(At(b, 1, 1, 1), 200);  // 200.9 truncated
  TBitmap flat(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int i = 0; i < 21; ++i) flat.ScanLine(y)[i] = 77;
  const TBitmap before = flat;
  ASSERT_TRUE(BoxBlur(flat, 6));
  EXPECT_EQ(flat, before);
}

TEST(GaussianBlur, BorderPixelsAreNormalisedByTheWeightsUsed) {
  // One row, so the vertical pass keeps every value (a single tap of weight 1).
  TBitmap b(9, 1);
  At(b, 0, 0, 0) = 200;  // blue: 200 at x = 0, 0 elsewhere
  for (int x = 1; x < 9; ++x) At(b, x, 0, 1) = 255;  // green: 0 at x = 0, 255 elsewhere
  ASSERT_TRUE(GaussianBlur(b, 1));
  // Taps at distances 0..3 only, sum 1 + 0.6065 + 0.1353 + 0.0111 = 1.75297.
  EXPECT_EQ(At(b, 0, 0, 0), 114);  // 200 / 1.75297 = 114.09
  EXPECT_EQ(At(b, 0, 0, 1), 110);  // 255 * 0.75297 / 1.75297 = 109.53
  EXPECT_EQ(At(b, 1, 0, 0), 51);   // 200 * 0.6065 / 2.3595 = 51.41
  EXPECT_EQ(At(b, 4, 0, 0), 0);    // beyond the radius
}

TEST(BlurFamily, RefusalsChangeNothing) {
  TBitmap b = Picture(6, 5, 3);
  const TBitmap before = b;
  EXPECT_FALSE(GaussianBlur(b, 31));
  EXPECT_FALSE(GaussianBlur(b, 0));
  EXPECT_FALSE(GaussianBlur(b, -2));
  EXPECT_EQ(b, before);
  TBitmap into(2, 2);
  const TBitmap intoBefore = into;
  EXPECT_FALSE(GaussianBlurInto(b, into, 31));
  EXPECT_EQ(into, intoBefore);
  TBitmap grey = Picture(6, 5, 4);
  ASSERT_TRUE(ConvertToGrey8(grey));
  const TBitmap greyBefore = grey;
  EXPECT_FALSE(BoxBlur(grey, 2));
  EXPECT_FALSE(GaussianBlur(grey, 2));
  EXPECT_FALSE(RadialBlur(grey, 3));
  EXPECT_FALSE(AngleBlur(grey, 3));
  EXPECT_EQ(grey, greyBefore);
}

TEST(CentreBlurs, LastRowAndColumnAreNeverSampled) {
  for (const bool angle : {false, true})
    for (const auto& [w, h] : {std::pair{8, 6}, std::pair{7, 9}}) {
      TBitmap b(w, h);
      for (int y = 0; y < h; ++y)
        for (int c = 0; c < 3; ++c) At(b, w - 1, y, c) = 255;
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) At(b, x, h - 1, c) = 255;
      ASSERT_TRUE(angle ? AngleBlur(b, 18) : RadialBlur(b, 18));
      for (int y = 0; y < h - 1; ++y)
        for (int x = 0; x < w - 1; ++x) EXPECT_EQ(At(b, x, y), 0) << angle << " " << x << "," << y;
    }
}

TEST(RadialBlur, OneSampleMayFallBesideThePixel) {
  // 9 x 6, centre (4.5, 3), row 3 (dy = 0) with n = 0.
  TBitmap b(9, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x) At(b, x, y) = static_cast<std::uint8_t>(10 * y + x);
  ASSERT_TRUE(RadialBlur(b, 0));
  const struct {
    int x, from;
  } cases[] = {
      {5, 4},  // rho = Round(0.5) = 0 (to even): 4.5 + 0 -> 4 (to even)
      {7, 6},  // rho = Round(2.5) = 2: 6.5 -> 6
      {6, 6},  // rho = Round(1.5) = 2: 6.5 -> 6
      {0, 1},  // rho = 4 along theta = pi held in single precision: 0.50000000000002 -> 1
      {2, 3},  // rho = Round(2.5) = 2: 2.50000000000001 -> 3
      {4, 4},  // rho = 0
      {8, 8},  // rho = 4 (to even) -> 8.5 -> 8: the last column, no sample, value kept
  };
  for (const auto& c : cases) EXPECT_EQ(At(b, c.x, 3), 30 + c.from) << c.x;
}

TEST(AngleBlur, CentrePixelSamplesOnlyItself) {
  TBitmap b = Picture(8, 6, 11);
  const std::uint8_t centre[3] = {At(b, 4, 3, 0), At(b, 4, 3, 1), At(b, 4, 3, 2)};
  ASSERT_TRUE(AngleBlur(b, 18));
  for (int c = 0; c < 3; ++c) EXPECT_EQ(At(b, 4, 3, c), centre[c]);
}

// ------------------------------------------------------------ against the oracle

struct TSize {
  int w, h;
};
const TSize kSizes[] = {{1, 1}, {2, 1}, {1, 3}, {2, 2}, {3, 5}, {7, 6}, {8, 7}, {13, 4}, {31, 17}, {70, 9}, {9, 64}};

TEST(BoxBlur, MatchesThePlainLoops) {
  unsigned seed = 100;
  for (const TSize s : kSizes)
    for (const int r : {0, 1, 2, 3, 4, 5, 6, 7, 9, 40})
      for (const int threads : {1, 2}) {
        TBitmap b = Picture(s.w, s.h, ++seed), expected = b;
        if (seed % 5 == 0)  // white: the largest sums
          for (int y = 0; y < s.h; ++y) std::memset(b.ScanLine(y), 255, 3 * s.w), expected = b;
        BoxOracle(expected, r);
        ASSERT_TRUE(BoxBlur(b, r, threads));
        ASSERT_EQ(b, expected) << s.w << "x" << s.h << " r=" << r << " threads=" << threads;
      }
  // A radius whose window sums no longer fit 32 bits.
  for (const TSize s : {TSize{2, 1}, TSize{1, 3}}) {
    TBitmap b = Picture(s.w, s.h, ++seed), expected = b;
    BoxOracle(expected, 1001);
    ASSERT_TRUE(BoxBlur(b, 1001));
    ASSERT_EQ(b, expected) << s.w << "x" << s.h;
  }
}

TEST(GaussianBlur, MatchesThePlainLoopsWithAndWithoutVectors) {
  unsigned seed = 200;
  // lanes: plain, AVX2, AVX-512 where offered; ring 0: one pass after the
  // other, 64 MiB: both at once, row by row.
  constexpr std::size_t kRing = std::size_t{64} << 20;
  for (const auto& [lanes, ring] : {std::pair{2, kRing}, {1, kRing}, {2, std::size_t{0}}, {1, std::size_t{0}}, {0, kRing}}) {
    SetBlurSimd(lanes > 0);
    SetBlurAvx512(lanes > 1);
    SetGaussianRingLimit(ring);
    for (const TSize s : kSizes)
      for (const int sigma : {1, 2, 3, 12, 30})
        for (const int threads : {1, 2}) {
          TBitmap b = Picture(s.w, s.h, ++seed), expected = b, into(1, 1);  // storage of another size
          GaussianOracle(expected, sigma);
          ASSERT_TRUE(GaussianBlurInto(b, into, sigma, threads));
          ASSERT_TRUE(GaussianBlur(b, sigma, threads));
          ASSERT_EQ(b, expected) << s.w << "x" << s.h << " s=" << sigma << " lanes=" << lanes << " ring=" << ring;
          ASSERT_EQ(into, expected) << s.w << "x" << s.h << " s=" << sigma << " into";
        }
    // Rows long enough for whole vector blocks and a remainder; bands whose
    // windows reach past their neighbours; white for the largest sums; enough
    // pixels that taps added out of order would round some byte differently;
    // rows wider than one strip of columns.
    for (const auto& [w, h, sigma] : {std::tuple{150, 40, 2}, {203, 61, 4}, {45, 300, 5}, {99, 9, 1}, {1000, 700, 2}, {500, 100, 12}}) {
      TBitmap b = Picture(w, h, ++seed), expected = b;
      if (w == 99)
        for (int y = 0; y < h; ++y) std::memset(b.ScanLine(y), 255, 3 * w), expected = b;
      GaussianOracle(expected, sigma);
      TBitmap into = b;  // storage of the right size, written over
      ASSERT_TRUE(GaussianBlurInto(b, into, sigma, 2));
      ASSERT_TRUE(GaussianBlur(b, sigma, 2));
      ASSERT_EQ(b, expected) << w << "x" << h << " lanes=" << lanes << " ring=" << ring;
      ASSERT_EQ(into, expected) << w << "x" << h << " into";
    }
  }
  SetBlurSimd(true);
  SetBlurAvx512(true);
  SetGaussianRingLimit(kRing);
}

TEST(CentreBlurs, MatchThePlainLoopsWithAndWithoutVectors) {
  unsigned seed = 300;
  for (const bool angle : {false, true})
    for (const TSize s : {TSize{1, 1}, TSize{2, 1}, TSize{3, 3}, TSize{7, 6}, TSize{8, 8}, TSize{9, 5}, TSize{9, 6},
                          TSize{15, 10}, TSize{40, 31}, TSize{64, 48}, TSize{67, 20}, TSize{1, 70}, TSize{35, 67},
                          TSize{20, 66}, TSize{301, 203}})  // rows shared with their mirror across tiles and blocks
      for (const int n : {0, 1, 3, 18, 45, 200, 1100}) {  // 45: arcs over two axes; 1100: sums emptied on the way
        if ((n > 200 && s.w * s.h > 100) || (n > 45 && s.w * s.h > 10000)) continue;
        const TBitmap source = Picture(s.w, s.h, ++seed);
        TBitmap expected = source;
        CentreOracle(expected, n, angle);
        for (const int lanes : {0, 1, 2})  // plain, AVX2, AVX-512 where offered
          for (const int threads : {1, 2}) {
            SetBlurSimd(lanes > 0);
            SetBlurAvx512(lanes > 1);
            TBitmap b = source;
            ASSERT_TRUE(angle ? AngleBlur(b, n, threads) : RadialBlur(b, n, threads));
            ASSERT_EQ(b, expected) << (angle ? "angle " : "radial ") << s.w << "x" << s.h << " n=" << n
                                   << " lanes=" << lanes;
          }
      }
  SetBlurSimd(true);
  SetBlurAvx512(true);
}

// All-white pictures: the lane sums at their largest, on every path.
TEST(CentreBlurs, WhiteStaysWhiteOnEveryPath) {
  TBitmap white(45, 38);
  std::memset(white.ScanLine(0), 255, white.SizeInBytes());
  for (const bool angle : {false, true})
    for (const int n : {18, 300})
      for (const int lanes : {0, 1, 2}) {
        SetBlurSimd(lanes > 0);
        SetBlurAvx512(lanes > 1);
        TBitmap b = white;
        ASSERT_TRUE(angle ? AngleBlur(b, n, 2) : RadialBlur(b, n, 2));
        ASSERT_EQ(b, white) << (angle ? "angle" : "radial") << " n=" << n << " lanes=" << lanes;
      }
  SetBlurSimd(true);
  SetBlurAvx512(true);
}

}  // namespace
}  // namespace kira
