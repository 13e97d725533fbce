#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/bitmap.h"
#include "core/rounding.h"
#include "effects/art.h"

namespace kira {
namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

TBitmap Uniform(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  TBitmap bmp(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bmp.ScanLine(y)[3 * x] = b;
      bmp.ScanLine(y)[3 * x + 1] = g;
      bmp.ScanLine(y)[3 * x + 2] = r;
    }
  return bmp;
}

TBitmap Grey(int w, int h, std::uint8_t v) { return Uniform(w, h, v, v, v); }

void SetPixel(TBitmap& bmp, int x, int y, std::uint8_t v) {
  for (int c = 0; c < 3; ++c) bmp.ScanLine(y)[3 * x + c] = v;
}

// Random pictures with flat patches and steps as well as noise, so that ties,
// equal neighbours and large distances all occur.
TBitmap Random24(int w, int h, unsigned seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  const int mode = static_cast<int>(seed % 3);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) {
      std::uint8_t v = static_cast<std::uint8_t>(rng());
      if (mode == 1) v = static_cast<std::uint8_t>((v & 0x30) + 100);  // few, close levels
      if (mode == 2) v = (rng() % 4 == 0) ? 0 : 255;                     // extremes
      b.ScanLine(y)[i] = v;
    }
  return b;
}

const int kSizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 5}, {17, 13}, {64, 3}, {40, 41}};

bool Bit(const TBitmap& b, int x, int y) { return (b.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1; }

// ------------------------------------------------------------- plain oracles

TBitmap WatercolorOracle(const TBitmap& in, int c) {
  const int w = in.Width(), h = in.Height();
  TBitmap out = in;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int hist[3][16] = {};
      for (long long k = static_cast<long long>(y) - c; k <= static_cast<long long>(y) + c; ++k)
        for (long long l = static_cast<long long>(x) - c; l <= static_cast<long long>(x) + c; ++l) {
          if (k < 0 || k >= h || l < 0 || l >= w) continue;
          for (int ch = 0; ch < 3; ++ch) ++hist[ch][in.ScanLine(static_cast<int>(k))[3 * l + ch] / 16];
        }
      for (int ch = 0; ch < 3; ++ch) {
        int best = 0, bestBin = 0;
        for (int b = 0; b < 16; ++b)
          if (hist[ch][b] > best) best = hist[ch][b], bestBin = b;
        out.ScanLine(y)[3 * x + ch] = static_cast<std::uint8_t>(bestBin * 16);
      }
    }
  return out;
}

TBitmap FishEyeOracle(const TBitmap& in, float k) {
  const int w = in.Width(), h = in.Height();
  TBitmap out = Grey(w, h, 128);
  const float cx = static_cast<float>(w / 2.0L), cy = static_cast<float>(h / 2.0L);
  const float R = static_cast<float>(std::sqrt(static_cast<long double>(cx) * cx + static_cast<long double>(cy) * cy));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float d = static_cast<float>(std::sqrt((x - static_cast<long double>(cx)) * (x - static_cast<long double>(cx)) +
                                                   (y - static_cast<long double>(cy)) * (y - static_cast<long double>(cy))));
      const float th = static_cast<float>(std::atan2(y - static_cast<long double>(cy), x - static_cast<long double>(cx)));
      const float sine = static_cast<float>(std::sin(static_cast<long double>(k) * d * kPi / (2 * static_cast<long double>(R))));
      const float m = static_cast<float>(std::sqrt(static_cast<long double>(sine)) + 0.1L);
      const float sx = static_cast<float>(std::cos(static_cast<long double>(th)) * (static_cast<long double>(d) * m) + cx);
      const float sy = static_cast<float>(std::sin(static_cast<long double>(th)) * (static_cast<long double>(d) * m) + cy);
      if (sx >= 0 && sx <= w - 2 && sy >= 0 && sy <= h - 2) {
        const int l = static_cast<int>(std::floor(sx)), t = static_cast<int>(std::floor(sy));
        const float fx = sx - l, fy = sy - t;
        for (int ch = 0; ch < 3; ++ch) {
          auto p = [&](int px, int py) { return static_cast<long double>(in.ScanLine(py)[3 * px + ch]); };
          const long double top = p(l, t) * (1 - static_cast<long double>(fx)) + p(l + 1, t) * fx;
          const long double bottom = p(l, t + 1) * (1 - static_cast<long double>(fx)) + p(l + 1, t + 1) * fx;
          out.ScanLine(y)[3 * x + ch] = RoundClampByte(top * (1 - static_cast<long double>(fy)) + bottom * fy);
        }
      }
    }
  return out;
}

TBitmap SobelOracle(const TBitmap& in) {
  static const int gx[3][3] = {{-1, 0, 1}, {-2, 0, 2}, {-1, 0, 1}};
  static const int gy[3][3] = {{-1, -2, -1}, {0, 0, 0}, {1, 2, 1}};
  const int w = in.Width(), h = in.Height();
  TBitmap out = in;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int ch = 0; ch < 3; ++ch) {
        int sx = 0, sy = 0;
        for (int j = -1; j <= 1; ++j)
          for (int i = -1; i <= 1; ++i) {
            const int row = (y + j < 0 || y + j >= h) ? y : y + j;
            const int col = (x + i < 0 || x + i >= w) ? x : x + i;
            const int v = in.ScanLine(row)[3 * col + ch];
            sx += gx[j + 1][i + 1] * v;
            sy += gy[j + 1][i + 1] * v;
          }
        out.ScanLine(y)[3 * x + ch] = RoundClampByte(std::sqrt(static_cast<long double>(sx) * sx + static_cast<long double>(sy) * sy));
      }
  return out;
}

float Dist(const TBitmap& in, int x0, int y0, int x1, int y1) {
  float d2 = 0;
  for (int ch = 0; ch < 3; ++ch) {
    const float diff = static_cast<float>(in.ScanLine(y0)[3 * x0 + ch]) - in.ScanLine(y1)[3 * x1 + ch];
    d2 += diff * diff;
  }
  return static_cast<float>(std::trunc(std::sqrt(static_cast<long double>(d2)) / static_cast<long double>(1.7320508f)));
}

// Both edge drawings from one pass: the 1-bit lines and the 8-bit shades.
void EdgeOracles(const TBitmap& in, int a, TBitmap& lines, TBitmap& shades) {
  const int w = in.Width(), h = in.Height();
  lines = TBitmap(w, h, TPixelFormat::pf1bit);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < lines.Stride(); ++i) lines.ScanLine(y)[i] = 0xFF;
  shades = TBitmap(w, h, TPixelFormat::pf8bit);
  const TBmpData1 bits(lines);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float dh = x + 1 < w ? Dist(in, x, y, x + 1, y) : 0;
      const float dv = y + 1 < h ? Dist(in, x, y, x, y + 1) : 0;
      if (dh >= a || dv >= a) bits.SetBit(x, y, false);
      shades.ScanLine(y)[x] = RoundClampByte(255.0L - dh - dv);
    }
}

// ---------------------------------------------------------------- examples

TEST(Watercolor, UniformTwoHundredFallsIntoBinTwelve) {
  TBitmap b = Grey(9, 7, 200);
  ASSERT_TRUE(Watercolor(b, 3));
  EXPECT_EQ(b, Grey(9, 7, 192));
}

TEST(Watercolor, EqualCountsKeepTheLowerBin) {
  // Two columns: 40 (bin 2) and 250 (bin 15); every window of reach 1 sees
  // both columns equally often.
  TBitmap b(2, 3);
  for (int y = 0; y < 3; ++y) SetPixel(b, 0, y, 250), SetPixel(b, 1, y, 40);
  ASSERT_TRUE(Watercolor(b, 1));
  EXPECT_EQ(b, Grey(2, 3, 32));
}

TEST(Watercolor, WindowsSkipPositionsOutsideThePicture) {
  // A 3 x 1 row 0, 0, 255 at reach 1: the right pixel's window holds one 0 and
  // one 255 (tie, lower bin), not a replicated edge (which would favour 255).
  TBitmap b(3, 1);
  SetPixel(b, 2, 0, 255);
  ASSERT_TRUE(Watercolor(b, 1));
  for (int x = 0; x < 3; ++x) EXPECT_EQ(b.ScanLine(0)[3 * x], 0) << x;
}

TEST(Solarize, InvertsOnlyBelowTheThreshold) {
  struct Case { int t; std::uint8_t in, out; };
  const Case cases[] = {{128, 100, 155}, {128, 128, 128}, {128, 127, 128}, {0, 0, 0},
                        {255, 254, 1},   {255, 255, 255}, {256, 255, 0}};
  for (const Case& c : cases) {
    TBitmap b = Grey(2, 1, c.in);
    ASSERT_TRUE(Solarize(b, c.t));
    EXPECT_EQ(b, Grey(2, 1, c.out)) << c.t << " " << int(c.in);
  }
}

TEST(Negative, TwiceRestoresTheImage) {
  const TBitmap in = Random24(7, 5, 3);
  TBitmap b = in;
  ASSERT_TRUE(Negative(b));
  EXPECT_EQ(b.ScanLine(4)[20], 255 - in.ScanLine(4)[20]);
  ASSERT_TRUE(Negative(b));
  EXPECT_EQ(b, in);
}

TEST(FishEye, StrengthOutsideTheRangeIsRefused) {
  const TBitmap in = Random24(12, 9, 4);
  struct Case { float k; bool ok; };
  const Case cases[] = {{0.05f, false}, {0.0999f, false}, {0.1f, true}, {1.1f, true}, {1.1001f, false},
                        {std::nanf(""), false}};
  for (const Case& c : cases) {
    TBitmap b = in;
    EXPECT_EQ(FishEye(b, c.k), c.ok) << c.k;
    if (!c.ok) EXPECT_EQ(b, in) << c.k;
    else EXPECT_NE(b, in) << c.k;
  }
}

TEST(FishEye, SourcesInTheLastColumnOrRowOrOutsideShowGrey) {
  // 8 x 8 at strength 1.1: the corners look beyond the picture.
  TBitmap b = Grey(8, 8, 10);
  ASSERT_TRUE(FishEye(b, 1.1f));
  EXPECT_EQ(b.ScanLine(0)[0], 128);
  EXPECT_EQ(b.ScanLine(7)[3 * 7 + 2], 128);
  EXPECT_EQ(b.ScanLine(4)[3 * 4], 10);  // the centre magnifies the middle
  // A one-pixel picture has no 2 x 2 cell to read: all grey.
  TBitmap one = Grey(1, 1, 7);
  ASSERT_TRUE(FishEye(one, 0.8f));
  EXPECT_EQ(one, Grey(1, 1, 128));
}

TEST(SobelEdges, UniformIsBlackAndAStepGivesFullWhite) {
  TBitmap flat = Grey(5, 4, 77);
  ASSERT_TRUE(SobelEdges(flat, false));
  EXPECT_EQ(flat, Grey(5, 4, 0));
  TBitmap step = Grey(6, 4, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 3; x < 6; ++x) SetPixel(step, x, y, 255);
  ASSERT_TRUE(SobelEdges(step, false));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(step.ScanLine(y)[3 * x], (x == 2 || x == 3) ? 255 : 0) << x << "," << y;
}

TEST(SobelEdges, GreyLeavesAnEightBitPicture) {
  TBitmap b = Random24(6, 5, 5);
  ASSERT_TRUE(SobelEdges(b, true));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(b.Width(), 6);
}

TEST(ThresholdEdges, DistanceAgainstThreshold) {
  // Grey steps from 100: n * sqrt(3) / 1.7320508f lies just above n, so a step
  // of 12 is a distance of exactly 12, which reaches a threshold of 12.
  struct Case { int to, a; bool black; };
  const Case cases[] = {{112, 20, false}, {130, 20, true}, {112, 12, true}, {112, 13, false}, {100, 1, false},
                        {100, 0, true}};
  for (const Case& c : cases) {
    TBitmap b = Grey(2, 1, 100);
    SetPixel(b, 1, 0, static_cast<std::uint8_t>(c.to));
    ASSERT_TRUE(ThresholdEdges(b, c.a));
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(Bit(b, 0, 0), !c.black) << c.to << " " << c.a;
    EXPECT_EQ(Bit(b, 1, 0), c.a > 0) << c.to << " " << c.a;  // no neighbours: distance 0
  }
}

TEST(ThresholdEdges, UniformIsWhiteAndTheLastRowCanTurnBlack) {
  TBitmap flat = Grey(11, 3, 60);
  ASSERT_TRUE(ThresholdEdges(flat, 20));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 11; ++x) EXPECT_TRUE(Bit(flat, x, y));
  TBitmap b = Grey(3, 3, 0);
  SetPixel(b, 2, 2, 255);
  ASSERT_TRUE(ThresholdEdges(b, 20));
  EXPECT_FALSE(Bit(b, 1, 2));  // last row, through its right neighbour
  EXPECT_FALSE(Bit(b, 2, 1));  // last column, through its lower neighbour
  EXPECT_TRUE(Bit(b, 2, 2));
  EXPECT_TRUE(Bit(b, 0, 0));
}

TEST(ShadedEdges, UniformIsWhiteAndCornersClampToBlack) {
  TBitmap flat = Grey(4, 4, 33);
  ASSERT_TRUE(ShadedEdges(flat, false));
  ASSERT_EQ(flat.PixelFormat(), TPixelFormat::pf8bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(flat.ScanLine(y)[x], 255);
  TBitmap corner = Grey(2, 2, 255);
  SetPixel(corner, 0, 0, 0);
  ASSERT_TRUE(ShadedEdges(corner, false));
  EXPECT_EQ(corner.ScanLine(0)[0], 0);    // 255 - 255 - 255
  EXPECT_EQ(corner.ScanLine(0)[1], 255);  // white against its white neighbour below
  EXPECT_EQ(corner.ScanLine(1)[0], 255);
}

TEST(AutoLevels8, StretchesBetweenTheClippedLevels) {
  // 100 pixels (clip 2): levels 10 x 3, 50 x 94, 200 x 3 -> low 10, high 200,
  // scale 255 / 191 in single precision.
  TBitmap g(10, 10, TPixelFormat::pf8bit);
  for (int i = 0; i < 100; ++i) g.ScanLine(i / 10)[i % 10] = i < 3 ? 10 : (i < 97 ? 50 : 200);
  ASSERT_TRUE(AutoLevels8(g));
  const float scale = static_cast<float>(255.0L / 191);
  EXPECT_EQ(g.ScanLine(0)[0], 0);
  EXPECT_EQ(g.ScanLine(5)[5], RoundClampByte(40.0L * scale));
  EXPECT_EQ(g.ScanLine(9)[9], 254);  // high itself stays below white: 190 * scale
  // Two outliers inside the clip are cut: low becomes 52, high 147.
  TBitmap h(10, 10, TPixelFormat::pf8bit);
  for (int i = 0; i < 100; ++i) h.ScanLine(i / 10)[i % 10] = i < 2 ? 0 : 50 + i;
  ASSERT_TRUE(AutoLevels8(h));
  EXPECT_EQ(h.ScanLine(0)[0], 0);
  EXPECT_EQ(h.ScanLine(0)[2], 0);  // 52 is the first level past the clip
}

TEST(ArtEffects, OtherFormatsAreRefusedUnchanged) {
  TBitmap g(5, 4, TPixelFormat::pf8bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) g.ScanLine(y)[x] = static_cast<std::uint8_t>(40 * x + y);
  const TBitmap in = g;
  EXPECT_FALSE(Watercolor(g, 3));
  EXPECT_FALSE(Solarize(g, 128));
  EXPECT_FALSE(FishEye(g, 0.8f));
  EXPECT_FALSE(SobelEdges(g, true));
  EXPECT_FALSE(ThresholdEdges(g, 20));
  EXPECT_FALSE(ShadedEdges(g, true));
  EXPECT_FALSE(Negative(g));
  EXPECT_EQ(g, in);
  TBitmap rgb = Grey(3, 3, 9);
  EXPECT_FALSE(AutoLevels8(rgb));
  EXPECT_EQ(rgb, Grey(3, 3, 9));
}

// ------------------------------------------------------- fast against plain

TEST(ArtOracle, WatercolorOnManySizesAndReaches) {
  unsigned seed = 10;
  for (const auto& s : kSizes)
    for (int c : {-1, 0, 1, 3, 7, 20}) {
      const TBitmap in = Random24(s[0], s[1], seed++);
      for (int threads : {1, 2}) {
        TBitmap b = in;
        ASSERT_TRUE(Watercolor(b, c, threads));
        ASSERT_EQ(b, WatercolorOracle(in, c)) << s[0] << "x" << s[1] << " reach " << c << " threads " << threads;
      }
    }
  // Window counts beyond 16 bits and a reach far beyond the picture.
  const TBitmap big = Random24(70, 61, 1);
  for (int c : {31, 32, 2147483647}) {
    TBitmap b = big;
    ASSERT_TRUE(Watercolor(b, c, 2));
    ASSERT_EQ(b, WatercolorOracle(big, std::min(c, 100))) << c;
  }
}

TEST(ArtOracle, FishEyeOnManySizesAndStrengths) {
  for (int vectors : {0, 1}) {  // the portable path, then AVX2 where offered
    LimitFishEyeVectors(vectors);
    unsigned seed = 20;
    for (const auto& s : kSizes)
      for (int p = 1; p <= 11; p += 2) {
        const float k = static_cast<float>(p / 10.0L);
        const TBitmap in = Random24(s[0], s[1], seed++);
        TBitmap b = in;
        ASSERT_TRUE(FishEye(b, k, 2));
        ASSERT_EQ(b, FishEyeOracle(in, k)) << s[0] << "x" << s[1] << " k " << k << " vectors " << vectors;
      }
    const TBitmap photo = Random24(301, 203, 0);
    for (float k : {0.1f, 0.8f, 1.1f})
      for (int threads : {1, 3}) {
        TBitmap b = photo;
        ASSERT_TRUE(FishEye(b, k, threads));
        ASSERT_EQ(b, FishEyeOracle(photo, k)) << k << " vectors " << vectors;
      }
  }
  LimitFishEyeVectors(1);
}

TEST(ArtOracle, SobelOnManySizesOnBothPaths) {
  // Widths around the vector steps, and the extremes: stripes of 0 and 255
  // give the largest sums of either sign.
  std::vector<TBitmap> ins;
  unsigned seed = 30;
  for (const auto& s : kSizes) ins.push_back(Random24(s[0], s[1], seed++));
  for (int w : {4, 5, 6, 8, 11, 12, 19, 33, 129}) ins.push_back(Random24(w, 3, seed++));
  TBitmap stripes = Random24(37, 9, 0);
  for (int y = 0; y < 9; ++y)
    for (int i = 0; i < 3 * 37; ++i) stripes.ScanLine(y)[i] = ((i / 3 + y) % 3 == 0) * 255;
  ins.push_back(stripes);
  for (bool simd : {true, false}) {
    SetArtSimd(simd);
    for (const TBitmap& in : ins)
      for (int threads : {1, 2}) {
        TBitmap b = in;
        ASSERT_TRUE(SobelEdges(b, false, threads));
        ASSERT_EQ(b, SobelOracle(in)) << in.Width() << "x" << in.Height() << " avx2 " << simd;
      }
  }
  SetArtSimd(true);
}

TEST(ArtOracle, EdgeDrawingsOnManySizesAndThresholds) {
  unsigned seed = 40;
  for (const auto& s : kSizes)
    for (int a : {0, 5, 20, 55, 300}) {
      const TBitmap in = Random24(s[0], s[1], seed++);
      TBitmap lines, shades;
      EdgeOracles(in, a, lines, shades);
      TBitmap b = in;
      ASSERT_TRUE(ThresholdEdges(b, a));
      ASSERT_EQ(b, lines) << s[0] << "x" << s[1] << " a " << a;
      TBitmap g = in;
      ASSERT_TRUE(ShadedEdges(g, false));
      ASSERT_EQ(g, shades) << s[0] << "x" << s[1];
    }
}

}  // namespace
}  // namespace kira
