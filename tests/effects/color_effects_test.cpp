#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "core/bitmap.h"
#include "core/rounding.h"
#include "effects/color_effects.h"
#include "tests/effects/picture_util.h"

namespace kira {
namespace {

using testpic::Solid;

using ld = long double;

TBitmap Random24(int w, int h, unsigned seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
  // Some greys and near-greys, where the hue and the ties of the maximum matter.
  for (int y = 0; y < h; y += 3)
    for (int x = 0; x < w; x += 2) {
      std::uint8_t* p = b.ScanLine(y) + 3 * x;
      p[1] = p[0];
      if (x % 4 == 0) p[2] = p[0];
    }
  return b;
}

// The plain oracle of this family: one pixel at a time, line by line.
void SaturationOracle(TBitmap& bm, ld amount) {
  const ld s = amount / 100 + 1;
  const ld u = 1 - s;
  const ld wr = u * 0.3086L, wg = u * 0.6094L, wb = u * 0.082L;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x) {
      std::uint8_t* p = bm.ScanLine(y) + 3 * x;
      const ld R = p[2], G = p[1], B = p[0];
      const std::uint8_t red = RoundClampByte(R * (s + wr) + wg * G + wb * B);
      const std::uint8_t green = RoundClampByte(wb * B + (wr * R + G * (s + wg)));
      const std::uint8_t blue = RoundClampByte(wg * G + wr * R + B * (s + wb));
      p[2] = red;
      p[1] = green;
      p[0] = blue;
    }
}

void HslOracle(int red, int green, int blue, int& H, int& S, int& L) {
  const ld r = red / 255.0L, g = green / 255.0L, b = blue / 255.0L;
  const ld mx = std::max(std::max(r, g), b), mn = std::min(std::min(r, g), b);
  const ld d = mx - mn;
  const ld l = (mx + mn) / 2;
  ld s = 0, h = 0;
  if (d >= 0.000001L) {
    s = l > 0.5L ? d / (2 - mx - mn) : d / (mx + mn);
    if (r == mx) {
      h = (g - b) / d;
    } else if (g == mx) {
      h = 2 + (b - r) / d;
    } else {
      h = 4 + (r - g) / d;
    }
    h = h * 60;
    if (h < 0) h = h + 360;
  }
  H = static_cast<int>(std::trunc(h));
  S = static_cast<int>(std::trunc(s * 100));
  L = static_cast<int>(std::trunc(l * 100));
}

void RgbOracle(std::uint8_t* px, int H, int S, int L) {
  const ld l = L / 100.0L;
  if (S == 0) {
    px[0] = px[1] = px[2] = static_cast<std::uint8_t>(std::trunc(l * 255));
    return;
  }
  const ld s = S / 100.0L;
  const ld q = l > 0.5L ? l + s * (1 - l) : (s + 1) * l;
  const ld p = 2 * l - q;
  const ld d = q - p;
  const auto f = [&](int t) -> ld {
    if (t < 60) return p + d * t / 60;
    if (t < 180) return q;
    if (t < 240) return p + d * (240 - t) / 60;
    if (t < 360) return p;
    return 0;
  };
  const int tr = H + 120 >= 360 ? H - 240 : H + 120;
  const int tb = H - 120 < 0 ? H + 240 : H - 120;
  px[2] = static_cast<std::uint8_t>(std::trunc(f(tr) * 255));
  px[1] = static_cast<std::uint8_t>(std::trunc(f(H) * 255));
  px[0] = static_cast<std::uint8_t>(std::trunc(f(tb) * 255));
}

void LuminanceOracle(TBitmap& bm, int amount) {
  const TBitmap dup = bm;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x) {
      const std::uint8_t* q = dup.ScanLine(y) + 3 * x;
      int H, S, L;
      HslOracle(q[2], q[1], q[0], H, S, L);
      const int L2 = std::min(static_cast<int>(std::trunc((amount / 100.0L + 1) * L)), 100);
      RgbOracle(bm.ScanLine(y) + 3 * x, H, S, L2);
    }
}

std::array<int, 3> Rgb(const TBitmap& bm, int x, int y) {
  const std::uint8_t* p = bm.ScanLine(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

TEST(Saturation, WorkedExamples) {
  struct Case {
    ld amount;
    std::uint8_t r, g, b;
    std::array<int, 3> want;
  } cases[] = {
      {-100, 255, 0, 0, {79, 79, 79}},      // 0.3086 * 255 = 78.69
      {100, 200, 100, 100, {255, 69, 69}},  // 269.14 limited; 69.14 twice
      {0, 200, 100, 100, {200, 100, 100}},
      {0, 1, 254, 127, {1, 254, 127}},
  };
  for (const Case& c : cases) {
    TBitmap b = Solid(2, 1, c.r, c.g, c.b);
    ASSERT_TRUE(AdjustSaturation(b, c.amount));
    EXPECT_EQ(Rgb(b, 1, 0), c.want) << static_cast<double>(c.amount);
  }
}

TEST(Luminance, WorkedExamples) {
  struct Case {
    int amount;
    std::uint8_t r, g, b;
    std::array<int, 3> want;
  } cases[] = {
      {0, 128, 128, 128, {127, 127, 127}},  // lightness 50, back as Trunc(127.5)
      {0, 255, 255, 255, {255, 255, 255}},
      {0, 0, 0, 0, {0, 0, 0}},
      {0, 255, 0, 0, {255, 0, 0}},
      {-100, 255, 200, 7, {0, 0, 0}},
      {100, 255, 0, 0, {255, 255, 255}},   // lightness 50 doubles to 100
      {100, 128, 128, 128, {255, 255, 255}},
      // Lightness 29 -> 58; the saturation 0.6 comes out just below and is
      // truncated to 59: q = 0.8278 -> 211, p = 0.3322 -> 84.
      {100, 120, 30, 30, {211, 84, 84}},
  };
  for (const Case& c : cases) {
    TBitmap b = Solid(1, 2, c.r, c.g, c.b);
    ASSERT_TRUE(AdjustLuminance(b, c.amount));
    EXPECT_EQ(Rgb(b, 0, 1), c.want) << c.amount << " " << int{c.r};
  }
}

TEST(Luminance, RefusesAmountsOutsideTheRangeAndOtherFormats) {
  const TBitmap in = Random24(5, 4, 3);
  for (int amount : {101, -101, 1000, INT32_MIN}) {
    TBitmap b = in;
    EXPECT_FALSE(AdjustLuminance(b, amount));
    EXPECT_EQ(b, in);
  }
  TBitmap grey = in;
  grey.SetPixelFormat(TPixelFormat::pf8bit);
  const TBitmap greyIn = grey;
  EXPECT_FALSE(AdjustLuminance(grey, 0));
  EXPECT_FALSE(AdjustSaturation(grey, 50));
  EXPECT_EQ(grey, greyIn);
}

TEST(Hsl, PrimariesAndGreys) {
  struct Case {
    int color, h, s, l;
  } cases[] = {
      {0xFF0000, 0, 100, 50},   {0x00FF00, 120, 100, 50}, {0x0000FF, 240, 100, 50},
      {0x808080, 0, 0, 50},     {0xFFFFFF, 0, 0, 100},    {0x000000, 0, 0, 0},
      {0xFF00FF, 300, 100, 50}, {0xFFFF00, 60, 100, 50},  {0x00FFFF, 180, 100, 50},
      {0xFF0001, 359, 100, 50},  // just below a full turn
  };
  for (const Case& c : cases) {
    const THsl hsl = RgbToHsl(c.color);
    EXPECT_EQ(hsl.Hue, c.h) << std::hex << c.color;
    EXPECT_EQ(hsl.Saturation, c.s) << std::hex << c.color;
    EXPECT_EQ(hsl.Lightness, c.l) << std::hex << c.color;
  }
  std::uint8_t px[3];
  HslToRgb(px, 0, 100, 50);
  EXPECT_EQ((std::array<int, 3>{px[2], px[1], px[0]}), (std::array<int, 3>{255, 0, 0}));
  HslToRgb(px, 200, 0, 50);
  EXPECT_EQ((std::array<int, 3>{px[2], px[1], px[0]}), (std::array<int, 3>{127, 127, 127}));
}

TEST(Hsl, ConversionsMatchTheOracleOnEveryHueAndManyColours) {
  std::mt19937 rng(5);
  for (int i = 0; i < 200000; ++i) {
    const int color = static_cast<int>(rng() & 0xFFFFFF);
    int H, S, L;
    HslOracle(color >> 16, (color >> 8) & 255, color & 255, H, S, L);
    const THsl got = RgbToHsl(color);
    ASSERT_EQ(got.Hue, H) << color;
    ASSERT_EQ(got.Saturation, S) << color;
    ASSERT_EQ(got.Lightness, L) << color;
  }
  for (int h = 0; h < 360; ++h)
    for (int s = 0; s <= 100; s += 3)
      for (int l = 0; l <= 100; l += 7) {
        std::uint8_t a[3], b[3];
        HslToRgb(a, h, s, l);
        RgbOracle(b, h, s, l);
        ASSERT_TRUE(a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) << h << " " << s << " " << l;
      }
}

TEST(ColorEffects, MatchTheOracleOnRandomPicturesAndThreadCounts) {
  const int sizes[][2] = {{1, 1}, {2, 1}, {1, 5}, {7, 3}, {31, 17}, {64, 40}};
  unsigned seed = 11;
  for (const auto& sz : sizes) {
    const TBitmap in = Random24(sz[0], sz[1], seed++);
    for (ld amount : {-100.0L, -99.0L, -50.0L, -20.0L, -1.0L, 0.0L, 0.5L, 1.0L, 33.3L, 99.0L, 100.0L}) {
      TBitmap want = in;
      SaturationOracle(want, amount);
      for (int threads : {1, 2, 3}) {
        LimitSaturationVectors(threads - 1);  // SSE2, AVX2, AVX-512 where offered
        TBitmap got = in;
        ASSERT_TRUE(AdjustSaturation(got, amount, threads));
        ASSERT_EQ(got, want) << sz[0] << "x" << sz[1] << " " << static_cast<double>(amount) << " t" << threads;
      }
      LimitSaturationVectors(2);
    }
    for (int amount : {-100, -99, -50, -20, -1, 0, 1, 37, 99, 100}) {
      TBitmap want = in;
      LuminanceOracle(want, amount);
      for (int threads : {1, 2, 3}) {
        TBitmap got = in;
        ASSERT_TRUE(AdjustLuminance(got, amount, threads));
        ASSERT_EQ(got, want) << sz[0] << "x" << sz[1] << " " << amount << " t" << threads;
      }
    }
  }
}

// A sixteenth of all 24-bit colours, spread over the whole cube: the
// luminance tables must agree with the plain round trip for them.
TEST(ColorEffects, LuminanceMatchesTheOracleAcrossTheColourCube) {
  TBitmap all(1024, 1024);
  for (int y = 0; y < 1024; ++y)
    for (int x = 0; x < 1024; ++x) {
      const int c = (y * 1024 + x) * 16 + (x * 7 + y) % 16;
      std::uint8_t* p = all.ScanLine(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(c);
      p[1] = static_cast<std::uint8_t>(c >> 8);
      p[2] = static_cast<std::uint8_t>(c >> 16);
    }
  for (int amount : {-20, 100}) {
    TBitmap want = all;
    LuminanceOracle(want, amount);
    TBitmap got = all;
    ASSERT_TRUE(AdjustLuminance(got, amount, 2));
    ASSERT_EQ(got, want) << amount;
  }
}

// Every colour with channels in steps of 5: at these amounts hundreds of
// channels land exactly on a half (3086 R + 6094 G + 820 B weighs in), where
// the extended rounding decides.
TEST(ColorEffects, SaturationMatchesTheOracleOnExactHalves) {
  TBitmap cube(52 * 52, 52);
  for (int r = 0; r < 52; ++r)
    for (int g = 0; g < 52; ++g)
      for (int b = 0; b < 52; ++b) {
        std::uint8_t* p = cube.ScanLine(r) + 3 * (g * 52 + b);
        p[0] = static_cast<std::uint8_t>(5 * b);
        p[1] = static_cast<std::uint8_t>(5 * g);
        p[2] = static_cast<std::uint8_t>(5 * r);
      }
  for (ld amount : {-100.0L, -50.0L, -20.0L, 50.0L, 100.0L, 1000.0L, -1000.0L, 1001.0L}) {
    TBitmap want = cube;
    SaturationOracle(want, amount);
    for (const int vectors : {0, 1, 2}) {
      LimitSaturationVectors(vectors);
      TBitmap got = cube;
      ASSERT_TRUE(AdjustSaturation(got, amount, 2));
      ASSERT_EQ(got, want) << static_cast<double>(amount) << " vectors=" << vectors;
    }
  }
  LimitSaturationVectors(2);
}

}  // namespace
}  // namespace kira
