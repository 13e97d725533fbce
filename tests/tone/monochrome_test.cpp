#include "tone/monochrome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "tone/tone_oracle.h"

namespace kira {
namespace {

std::uint8_t GreyOf(TGreyKind kind, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  TBitmap p(1, 1);
  p.ScanLine(0)[0] = b;
  p.ScanLine(0)[1] = g;
  p.ScanLine(0)[2] = r;
  EXPECT_TRUE(WeightedGrey(p, GreyWeightsFor(kind)));
  EXPECT_EQ(p.ScanLine(0)[0], p.ScanLine(0)[1]);
  EXPECT_EQ(p.ScanLine(0)[0], p.ScanLine(0)[2]);
  return p.ScanLine(0)[0];
}

TEST(WeightedGrey, PureColoursAndMixes) {
  constexpr auto M = TGreyKind::Monochrome, R = TGreyKind::RedFilter, G = TGreyKind::GreenFilter,
                 B = TGreyKind::BlueFilter, Y = TGreyKind::Greyscale;
  struct {
    TGreyKind kind;
    std::uint8_t r, g, b, grey;
  } const cases[] = {
      {M, 255, 0, 0, 76},   {R, 255, 0, 0, 204}, {G, 255, 0, 0, 26}, {B, 255, 0, 0, 26},  // 25.5 up
      {Y, 255, 0, 0, 85},   {M, 0, 0, 255, 29},  {B, 0, 0, 255, 204}, {M, 0, 255, 0, 150},
      {Y, 0, 255, 0, 85},   {G, 0, 255, 0, 204}, {Y, 10, 20, 30, 20}, {M, 10, 20, 30, 18},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GreyOf(c.kind, c.r, c.g, c.b), c.grey)
        << static_cast<int>(c.kind) << " " << int{c.r} << "," << int{c.g} << "," << int{c.b};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(GreyOf(static_cast<TGreyKind>(k), 255, 255, 255), 255) << k;
    EXPECT_EQ(GreyOf(static_cast<TGreyKind>(k), 0, 0, 0), 0) << k;
  }
}

TEST(WeightedGrey, WeightsAreSinglePrecision) {
  const TGreyWeights m = GreyWeightsFor(TGreyKind::Monochrome);
  EXPECT_EQ(m.Red, 0.299f);
  EXPECT_EQ(m.Green, 0.587f);
  EXPECT_EQ(m.Blue, 0.114f);
  const TGreyWeights y = GreyWeightsFor(TGreyKind::Greyscale);
  EXPECT_EQ(y.Green, 0.334f);
  EXPECT_EQ(GreyWeightsFor(TGreyKind::BlueFilter).Blue, 0.8f);
}

TEST(WeightedGrey, MatchesTheOracle) {
  std::mt19937 rng(17);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<TGreyWeights> weights;
  for (int k = 0; k < 5; ++k) weights.push_back(GreyWeightsFor(static_cast<TGreyKind>(k)));
  // Beyond the page: weights that do not sum to one, negative, tiny, huge,
  // and not numbers at all; around the limits of the integer form (weights
  // that are whole multiples of 2^-27 and below 1 after scaling).
  weights.insert(weights.end(), {{1, 1, 1},
                                 {0.5f, 0.25f, 0.25f},
                                 {0.99999994f, 0.1f, 0.0f},
                                 {0x1p-27f, 0x1p-27f, 0.75f},
                                 {0x1p-28f, 0.5f, 0.5f},
                                 {3.9f, 0.1f, 0},
                                 {0.1f, 1.0f, 0.1f},
                                 {0, 0, 0},
                                 {-0.5f, 0.7f, 0.9f},
                                 {1e-30f, 0.5f, 0.5f},
                                 {1e30f, -1e30f, 0.25f},
                                 {0.5f / 255, 0.5f / 255, 0.5f / 255},
                                 {inf, 0, 0},
                                 {-inf, 1, 1},
                                 {nan, 0.3f, 0.3f}});
  for (int i = 0; i < 6; ++i) {
    std::uniform_real_distribution<float> d(0, 1.2f);
    weights.push_back({d(rng), d(rng), d(rng)});
  }
  for (TSimdLevel level : test::kLevels) {
    const test::TLevelGuard guard(level);
    for (const TGreyWeights& w : weights) {
      for (const test::TSize& size : test::kSizes) {
        const TBitmap source = test::RandomPicture(size.w, size.h, rng);
        TBitmap expected = source;
        test::OracleWeightedGrey(expected, w.Red, w.Green, w.Blue);
        const int threads = 1 + static_cast<int>(rng() % 3);
        SCOPED_TRACE(testing::Message() << "weights " << w.Red << " " << w.Green << " " << w.Blue << " size "
                                        << size.w << "x" << size.h);
        TBitmap inPlace = source;
        ASSERT_TRUE(WeightedGrey(inPlace, w.Red, w.Green, w.Blue, threads));
        EXPECT_EQ(inPlace, expected);
        TBitmap result(3, 3);
        ASSERT_TRUE(WeightedGrey(source, result, w, threads));
        EXPECT_EQ(result, expected);
      }
    }
  }
}

// Pixels whose weighed sum lies exactly on a half: the rounding goes up.
TEST(WeightedGrey, ExactHalvesRoundUp) {
  for (TSimdLevel level : test::kLevels) {
    const test::TLevelGuard guard(level);
    TBitmap b(20, 1);
    for (int x = 0; x < 20; ++x) b.ScanLine(0)[3 * x + 2] = static_cast<std::uint8_t>(2 * x + 1);
    ASSERT_TRUE(WeightedGrey(b, 0.5f, 0, 0));
    for (int x = 0; x < 20; ++x) EXPECT_EQ(b.ScanLine(0)[3 * x], x + 1) << x;
  }
}

TEST(WeightedGrey, RefusesOtherFormatsUnchanged) {
  TBitmap b(6, 2, TPixelFormat::pf1bit);
  b.ScanLine(0)[0] = 0xA5;
  const TBitmap before = b;
  TBitmap result;
  EXPECT_FALSE(WeightedGrey(b, GreyWeightsFor(TGreyKind::Greyscale)));
  EXPECT_FALSE(WeightedGrey(b, result, GreyWeightsFor(TGreyKind::Greyscale)));
  EXPECT_EQ(b, before);
  EXPECT_TRUE(result.Empty());
}

}  // namespace
}  // namespace kira
