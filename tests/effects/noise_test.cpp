#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>

#include "core/bitmap.h"
#include "effects/noise.h"
#include "effects/random.h"
#include "tests/effects/picture_util.h"

namespace kira {
namespace {

using testpic::Random24;
using testpic::Uniform;

// A fixed clock for the ripple's reseeding.
TTimeOfDay g_time{12, 34, 56, 789};
TTimeOfDay FixedClock() { return g_time; }

class Noise : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSeed_ = RandSeed();
    SetRandomClock(&FixedClock);
  }
  void TearDown() override {
    SetRandomClock(nullptr);
    RandSeed() = savedSeed_;
  }

 private:
  std::uint32_t savedSeed_ = 0;
};

// The generator and the four routines as plain loops, one draw at a time.
struct TPlainLcg {
  std::uint32_t seed;
  std::uint32_t Next(std::uint32_t n) {
    seed = seed * 134775813u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * n) >> 32);
  }
};

std::uint8_t Limit(long long v) { return static_cast<std::uint8_t>(std::clamp(v, 0LL, 255LL)); }

void ColorNoiseOracle(TBitmap& b, int p, TPlainLcg& g) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      std::uint8_t* px = b.ScanLine(y) + 3 * x;
      const long long rb = g.Next(p), rg = g.Next(p), rr = g.Next(p);
      px[0] = Limit(px[0] + rb - p / 2);
      px[1] = Limit(px[1] + rg - p / 2);
      px[2] = Limit(px[2] + rr - p / 2);
    }
}

void MonoNoiseOracle(TBitmap& b, int p, TPlainLcg& g) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      std::uint8_t* px = b.ScanLine(y) + 3 * x;
      const long long r = static_cast<long long>(g.Next(p)) - p / 2;
      for (int c = 0; c < 3; ++c) px[c] = Limit(px[c] + r);
    }
}

void SprayOracle(TBitmap& b, int p, TPlainLcg& g) {
  const int w = b.Width(), h = b.Height();
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < h; ++y) {
      const long long d = g.Next(p);
      const long long e = g.Next(static_cast<std::uint32_t>(2 * d));
      const long long f = g.Next(static_cast<std::uint32_t>(2 * d));
      const long long sx = x + d - e, sy = y + d - f;
      if (sx >= 0 && sx < w && sy >= 0 && sy < h)
        for (int c = 0; c < 3; ++c) b.ScanLine(y)[3 * x + c] = b.ScanLine(static_cast<int>(sy))[3 * sx + c];
    }
}

void RippleOracle(TBitmap& b, int p, TPlainLcg& g) {
  const int w = b.Width(), h = b.Height();
  const int bound = std::min(h / 2, p);
  g.seed = ((g_time.Hour * 60 + g_time.Minute) * 60 + g_time.Second) * 1000 + g_time.Millisecond;
  for (int n = h - 1 - bound; n >= 0; --n) {
    std::uint8_t e = 0;
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 3; ++c) b.ScanLine(n + e)[3 * x + c] = b.ScanLine(n)[3 * x + c];
      e = static_cast<std::uint8_t>(g.Next(bound));
    }
  }
}

enum class TKind { Color, Mono, Ripple, Spray };

bool RunKind(TKind k, TBitmap& b, int p, int threads) {
  switch (k) {
    case TKind::Color: return ColorNoise(b, p, threads);
    case TKind::Mono: return MonoNoise(b, p, threads);
    case TKind::Ripple: return Ripple(b, p, threads);
    case TKind::Spray: return Spray(b, p);
  }
  return false;
}

void RunOracle(TKind k, TBitmap& b, int p, TPlainLcg& g) {
  switch (k) {
    case TKind::Color: ColorNoiseOracle(b, p, g); break;
    case TKind::Mono: MonoNoiseOracle(b, p, g); break;
    case TKind::Ripple: RippleOracle(b, p, g); break;
    case TKind::Spray: SprayOracle(b, p, g); break;
  }
}

TEST_F(Noise, GeneratorJumpsAreRepeatedSteps) {
  TPlainLcg g{987654321u};
  for (std::uint64_t steps = 0; steps <= 3000; ++steps) {
    ASSERT_EQ(LcgJump(steps).Apply(987654321u), g.seed) << steps;
    g.Next(0);
  }
  RandSeed() = 0;
  EXPECT_EQ(Random(0), 0u);
  EXPECT_EQ(RandSeed(), 1u);  // Random(0) still advances
  EXPECT_EQ(LcgJump(std::uint64_t{1} << 32).Apply(12345u), 12345u);  // the full period
}

TEST_F(Noise, ReseedingTakesTheTimeOfDayInMilliseconds) {
  RandomizeFromClock();
  EXPECT_EQ(RandSeed(), 45296789u);
  g_time = {23, 59, 59, 999};
  RandomizeFromClock();
  EXPECT_EQ(RandSeed(), 86399999u);
  g_time = {12, 34, 56, 789};
  SetRandomClock(nullptr);
  RandomizeFromClock();
  EXPECT_LT(RandSeed(), 86400000u);
}

TEST_F(Noise, FirstColourNoiseAfterStartUp) {
  RandSeed() = 0;
  TBitmap b = Uniform(2, 1, 128);
  ASSERT_TRUE(ColorNoise(b, 64));
  const std::uint8_t* px = b.ScanLine(0);
  EXPECT_EQ(px[0] - 128, -32);
  EXPECT_EQ(px[1] - 128, -30);
  EXPECT_EQ(px[2] - 128, 23);
  EXPECT_EQ(px[3] - 128, -20);
  EXPECT_EQ(px[4] - 128, -15);
  EXPECT_EQ(px[5] - 128, 10);
}

// p = 1 draws only zeros: nothing moves, but the generator goes on by the
// draws of every pixel (the ripple's seed comes from the clock).
TEST_F(Noise, StrengthOneChangesNothingButAdvancesTheGenerator) {
  const TBitmap in = Random24(13, 9, 4);
  struct TCase {
    TKind kind;
    std::uint64_t draws;
    std::uint32_t from;
  } cases[] = {{TKind::Color, 3 * 13 * 9, 77},
               {TKind::Mono, 13 * 9, 77},
               {TKind::Spray, 3 * 13 * 9, 77},
               {TKind::Ripple, 13 * (9 - 1), 45296789u}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    RandSeed() = 77;
    TBitmap b = in;
    ASSERT_TRUE(RunKind(c.kind, b, 1, 1));
    EXPECT_TRUE(b == in);
    EXPECT_EQ(RandSeed(), LcgJump(c.draws).Apply(c.from));
  }
}

TEST_F(Noise, StrengthTwoMovesByMinusOneOrZero) {
  for (TKind kind : {TKind::Color, TKind::Mono}) {
    TBitmap black = Uniform(20, 10, 0);
    ASSERT_TRUE(RunKind(kind, black, 2, 1));
    EXPECT_TRUE(black == Uniform(20, 10, 0));
    TBitmap white = Uniform(20, 10, 255);
    ASSERT_TRUE(RunKind(kind, white, 2, 1));
    std::set<int> seen;
    for (int y = 0; y < 10; ++y) {
      const std::uint8_t* row = white.ScanLine(y);
      for (int x = 0; x < 20; ++x) {
        for (int c = 0; c < 3; ++c) seen.insert(row[3 * x + c]);
        if (kind == TKind::Mono) {
          EXPECT_TRUE(row[3 * x] == row[3 * x + 1] && row[3 * x] == row[3 * x + 2]);
        }
      }
    }
    EXPECT_EQ(seen, (std::set<int>{254, 255}));
  }
}

TEST_F(Noise, RippleKeepsSmallPicturesTheLeftColumnAndTheBottomRow) {
  for (int h : {1, 2, 3}) {
    const TBitmap in = Random24(50, h, h);
    TBitmap b = in;
    ASSERT_TRUE(Ripple(b, 64));
    EXPECT_TRUE(b == in) << h;
  }
  const TBitmap in = Random24(40, 300, 9);
  TBitmap b = in;
  ASSERT_TRUE(Ripple(b, 128));
  EXPECT_FALSE(b == in);
  for (int y = 0; y < 300; ++y)
    for (int c = 0; c < 3; ++c) ASSERT_EQ(b.ScanLine(y)[c], in.ScanLine(y)[c]) << y;
  for (int i = 0; i < 3 * 40; ++i) ASSERT_EQ(b.ScanLine(299)[i], in.ScanLine(299)[i]);
}

TEST_F(Noise, RippleTakesAnyFormatAndGivesTwentyFourBits) {
  TBitmap grey(9, 8, TPixelFormat::pf8bit);
  SetGreyPalette(grey);
  ASSERT_TRUE(Ripple(grey, 3));
  EXPECT_EQ(grey.PixelFormat(), TPixelFormat::pf24bit);
}

TEST_F(Noise, RefusalsChangeNothingAndDrawNothing) {
  TBitmap grey(6, 5, TPixelFormat::pf8bit);
  grey.ScanLine(2)[2] = 9;
  const TBitmap greyBefore = grey;
  TBitmap colour = Random24(6, 5, 1);
  const TBitmap colourBefore = colour;
  RandSeed() = 5;
  for (TKind kind : {TKind::Color, TKind::Mono, TKind::Spray}) {
    EXPECT_FALSE(RunKind(kind, grey, 64, 1));
    EXPECT_TRUE(grey == greyBefore);
  }
  for (TKind kind : {TKind::Color, TKind::Mono, TKind::Spray, TKind::Ripple}) {
    EXPECT_FALSE(RunKind(kind, colour, -1, 1));
    EXPECT_TRUE(colour == colourBefore);
  }
  EXPECT_EQ(RandSeed(), 5u);
}

// The fast routines against the plain loops: pictures of many sizes, every
// strength edge, random generator states and clocks, any thread count; the
// generator must end where the plain loops leave it.
TEST_F(Noise, MatchesThePlainLoops) {
  struct TSize {
    int w, h;
  };
  const TSize sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 4}, {4, 4}, {17, 11}, {64, 3}, {33, 260}};
  const int strengths[] = {0, 1, 2, 3, 64, 127, 128, 1000};
  std::mt19937 rng(11);
  unsigned picture = 1;
  for (TKind kind : {TKind::Color, TKind::Mono, TKind::Ripple, TKind::Spray})
    for (const TSize& s : sizes)
      for (int p : strengths) {
        const std::uint32_t seed = rng();
        g_time = {static_cast<int>(rng() % 24), static_cast<int>(rng() % 60), static_cast<int>(rng() % 60),
                  static_cast<int>(rng() % 1000)};
        const TBitmap in = picture % 5 == 0 ? Uniform(s.w, s.h, 255) : Random24(s.w, s.h, picture);
        ++picture;
        TBitmap want = in;
        TPlainLcg g{seed};
        RunOracle(kind, want, p, g);
        for (int threads : {1, 2, 3}) {
          TBitmap got = in;
          RandSeed() = seed;
          ASSERT_TRUE(RunKind(kind, got, p, threads));
          ASSERT_TRUE(got == want) << "kind " << static_cast<int>(kind) << " " << s.w << "x" << s.h
                                   << " p " << p << " threads " << threads;
          ASSERT_EQ(RandSeed(), g.seed);
        }
      }
  g_time = {12, 34, 56, 789};
}

}  // namespace
}  // namespace kira
