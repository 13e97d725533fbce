#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "core/bitmap.h"
#include "core/rounding.h"
#include "effects/lighting.h"
#include "tests/effects/picture_util.h"

namespace kira {
namespace {

using testpic::Random24;
using testpic::Solid;

using ld = long double;

enum class TKind { Spot, ColorSpot, Vaseline };

// The plain oracle of this family, one pixel at a time from a duplicate.
struct TGeom {
  float cx, cy, r2;
  TGeom(const TBitmap& b, int r)
      : cx(static_cast<float>(b.Width() / 2.0L)),
        cy(static_cast<float>(b.Height() / 2.0L)),
        r2(static_cast<float>(static_cast<std::int64_t>(r) * r)) {}
  float D2(int x, int y) const {
    return static_cast<float>((x - static_cast<ld>(cx)) * (x - static_cast<ld>(cx)) +
                              (y - static_cast<ld>(cy)) * (y - static_cast<ld>(cy)));
  }
};

void Oracle(TKind kind, TBitmap& bm, int r) {
  const TBitmap dup = bm;
  const TGeom g(bm, r);
  const int w = bm.Width(), h = bm.Height();
  if (kind == TKind::Spot) {
    for (int y = 0; y < h; ++y) std::fill(bm.ScanLine(y), bm.ScanLine(y) + 3 * w, 0);
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float d2 = g.D2(x, y);
      const std::uint8_t* q = dup.ScanLine(y) + 3 * x;
      std::uint8_t* p = bm.ScanLine(y) + 3 * x;
      if (kind == TKind::Spot) {
        const float f = static_cast<float>((1 - d2 / static_cast<ld>(g.r2)) * 1.1L);
        if (f >= 0)
          for (int c = 0; c < 3; ++c) p[c] = RoundClampByte(q[c] * static_cast<ld>(f));
      } else if (kind == TKind::ColorSpot) {
        const float f = static_cast<float>((1 - d2 / static_cast<ld>(g.r2)) * 1.1L);
        const ld R = q[2], G = q[1], B = q[0];
        if (f > 0) {
          const ld u = 1 - static_cast<ld>(f);
          const ld wr = u * 0.3086L, wg = u * 0.6094L, wb = u * 0.082L;
          p[2] = RoundClampByte(R * (f + wr) + G * wg + B * wb);
          p[1] = RoundClampByte(B * wb + (R * wr + G * (f + wg)));
          p[0] = RoundClampByte(G * wg + R * wr + B * (f + wb));
        } else {
          p[0] = p[1] = p[2] = static_cast<std::uint8_t>(std::trunc(0.3086L * R + 0.6094L * G + 0.082L * B));
        }
      } else {
        const float rho = static_cast<float>(std::sqrt(static_cast<ld>(d2)));
        const ld v = 0.04L * rho * rho * rho / g.r2;
        if (std::rint(v) <= 1) continue;
        const int n = std::rint(v) > 10 ? 10 : static_cast<int>(std::rint(v));
        int sum[3] = {0, 0, 0}, count = 0;
        for (int yy = y - n; yy <= y + n; ++yy)
          for (int xx = x - n; xx <= x + n; ++xx) {
            if (xx < 0 || xx >= w || yy < 0 || yy >= h) continue;
            ++count;
            for (int c = 0; c < 3; ++c) sum[c] += dup.ScanLine(yy)[3 * xx + c];
          }
        for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(sum[c] / count);
      }
    }
}

bool RunEffect(TKind kind, TBitmap& b, int r, int threads = 1) {
  switch (kind) {
    case TKind::Spot: return SpotLight(b, r, threads);
    case TKind::ColorSpot: return ColorSpotLight(b, r, threads);
    case TKind::Vaseline: return Vaseline(b, r, threads);
  }
  return false;
}

std::array<int, 3> Rgb(const TBitmap& bm, int x, int y) {
  const std::uint8_t* p = bm.ScanLine(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

TEST(SpotLight, CentreBrightensByATenthAndTheRimIsBlack) {
  // Width 8: the centre (4, 4) is a pixel, f = 1.1 in single precision.
  // Width 9: the nearest pixels are half a pixel off, f = 1.099945 with r = 100.
  for (int side : {8, 9}) {
    TBitmap b = Solid(side, side, 200, 240, 10);
    ASSERT_TRUE(SpotLight(b, 100));
    EXPECT_EQ(Rgb(b, 4, 4), (std::array<int, 3>{220, 255, 11})) << side;
  }
  TBitmap b = Solid(21, 14, 200, 240, 10);
  ASSERT_TRUE(SpotLight(b, 6));
  const TGeom g(b, 6);
  int black = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const bool outside = g.D2(x, y) >= g.r2;
      black += outside;
      EXPECT_EQ(Rgb(b, x, y) == (std::array<int, 3>{0, 0, 0}), outside) << x << "," << y;
    }
  EXPECT_GT(black, 0);
}

TEST(ColorSpotLight, RedTurnsGrey78OutsideAndAbout79JustInside) {
  TBitmap b = Solid(41, 41, 255, 0, 0);
  const int r = 15;
  ASSERT_TRUE(ColorSpotLight(b, r));
  const TGeom g(b, r);
  int outside = 0, rim = 0;
  for (int y = 0; y < 41; ++y)
    for (int x = 0; x < 41; ++x) {
      const float d2 = g.D2(x, y);
      if (d2 >= g.r2) {
        ++outside;
        EXPECT_EQ(Rgb(b, x, y), (std::array<int, 3>{78, 78, 78})) << x << "," << y;  // Trunc(78.693)
      } else if (d2 > 0.99f * g.r2) {
        ++rim;
        EXPECT_EQ(Rgb(b, x, y), (std::array<int, 3>{79, 79, 79})) << x << "," << y;  // the mix rounds
      }
    }
  EXPECT_GT(outside, 0);
  EXPECT_GT(rim, 0);
  EXPECT_EQ(Rgb(b, 20, 20)[0], 255);  // more saturated at the centre
  EXPECT_EQ(Rgb(b, 20, 20)[1], 0);
}

TEST(Vaseline, CentreUntouchedAndWindowsClippedToThePicture) {
  const TBitmap in = Random24(30, 24, 4);
  TBitmap b = in;
  ASSERT_TRUE(Vaseline(b, 1));
  // Corner: reach 10, an 11 x 11 block inside the picture.
  int sum[3] = {0, 0, 0};
  for (int y = 0; y <= 10; ++y)
    for (int x = 0; x <= 10; ++x)
      for (int c = 0; c < 3; ++c) sum[c] += in.ScanLine(y)[3 * x + c];
  for (int c = 0; c < 3; ++c) EXPECT_EQ(b.ScanLine(0)[c], sum[c] / 121) << c;
  // Centre (15, 12): d2 = 0, reach 0, kept exactly.
  EXPECT_EQ(Rgb(b, 15, 12), Rgb(in, 15, 12));

  // A large radius leaves pixels with 0.04 rho^3 / r2 below 1.5 untouched.
  TBitmap wide = in;
  ASSERT_TRUE(Vaseline(wide, 20));  // the far corner: 0.04 * 19.2^3 / 400 = 0.71
  EXPECT_EQ(wide, in);
}

TEST(Vaseline, NeverAveragesMoreThan21By21) {
  // A bright frame 11 pixels from the centre pixel lies outside its window.
  TBitmap b = Solid(61, 61, 0, 0, 0);
  for (int i = 0; i < 61; ++i)
    for (int c = 0; c < 3; ++c) {
      b.ScanLine(19)[3 * i + c] = b.ScanLine(i)[3 * 19 + c] = 255;
    }
  // Pixel (30, 30) is 0.5 off the centre 30.5; with r = 1 its reach is 0.
  // Pixel (8, 30): reach 10, window columns 0..18 rows 20..40, all black.
  ASSERT_TRUE(Vaseline(b, 1));
  EXPECT_EQ(Rgb(b, 8, 30), (std::array<int, 3>{0, 0, 0}));
  EXPECT_GT(Rgb(b, 9, 30)[0], 0);  // column 19 enters the window
}

TEST(Lighting, RefusesSmallRadiiAndOtherFormatsUnchanged) {
  const TBitmap in = Random24(6, 5, 8);
  for (TKind kind : {TKind::Spot, TKind::ColorSpot, TKind::Vaseline}) {
    for (int r : {0, -1, INT32_MIN}) {
      TBitmap b = in;
      EXPECT_FALSE(RunEffect(kind, b, r));
      EXPECT_EQ(b, in);
    }
    TBitmap grey = in;
    grey.SetPixelFormat(TPixelFormat::pf8bit);
    const TBitmap greyIn = grey;
    EXPECT_FALSE(RunEffect(kind, grey, 10));
    EXPECT_EQ(grey, greyIn);
    TBitmap empty(0, 0);
    EXPECT_TRUE(RunEffect(kind, empty, 10));
  }
}

TEST(Lighting, OnePixelPicture) {
  // d2 = 0.5 with r = 1: spotlight factor 0.55, colour spotlight mix with 0.55,
  // vaseline reach 0.
  TBitmap b = Solid(1, 1, 200, 100, 20);
  ASSERT_TRUE(SpotLight(b, 1));
  EXPECT_EQ(Rgb(b, 0, 0), (std::array<int, 3>{110, 55, 11}));
  b = Solid(1, 1, 200, 100, 20);
  ASSERT_TRUE(Vaseline(b, 1));
  EXPECT_EQ(Rgb(b, 0, 0), (std::array<int, 3>{200, 100, 20}));
}

TEST(Lighting, MatchesTheOracleOnManySizesRadiiAndThreadCounts) {
  const int sizes[][2] = {{1, 1}, {2, 1}, {1, 7}, {7, 3}, {33, 20}, {64, 47}, {150, 101}};
  unsigned seed = 21;
  for (const auto& sz : sizes) {
    const TBitmap in = Random24(sz[0], sz[1], seed++);
    const int big = std::max(sz[0], sz[1]);
    for (int r : {1, 2, 3, 5, 7, big / 2 + 1, big, 50, 1000, 46341, INT32_MAX}) {
      for (TKind kind : {TKind::Spot, TKind::ColorSpot, TKind::Vaseline}) {
        TBitmap want = in;
        Oracle(kind, want, r);
        for (int threads : {1, 2, 3}) {
          TBitmap got = in;
          ASSERT_TRUE(RunEffect(kind, got, r, threads));
          ASSERT_EQ(got, want) << static_cast<int>(kind) << " " << sz[0] << "x" << sz[1] << " r" << r << " t"
                               << threads;
        }
      }
    }
  }
}

// Pixels whose squared distance is the very least one that reaches the next
// window size (found by search): (358, 1) of 360 x 102 with r = 318 takes
// reach 3, and (246, 68) of 247 x 69 with r = 153 takes reach 4.
TEST(Vaseline, PixelsExactlyOnAReachBoundary) {
  const struct {
    int w, h, r;
  } cases[] = {{360, 102, 318}, {247, 69, 153}};
  for (const auto& c : cases) {
    const TBitmap in = Random24(c.w, c.h, 77);
    TBitmap want = in;
    Oracle(TKind::Vaseline, want, c.r);
    TBitmap got = in;
    ASSERT_TRUE(Vaseline(got, c.r));
    EXPECT_EQ(got, want) << c.r;
  }
}

}  // namespace
}  // namespace kira
