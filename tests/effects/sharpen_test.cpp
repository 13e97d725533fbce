#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>

#include "core/bitmap.h"
#include "core/rounding.h"
#include "effects/sharpen.h"

namespace kira {
namespace {

TBitmap Picture(int w, int h, unsigned seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  const int noise = 1 + static_cast<int>(rng() % 80);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        int v = 30 * c + 3 * x + 2 * y + static_cast<int>(rng() % noise);
        if ((x / 4 + y / 3) % 3 == 0) v = 255 * ((x + y + c) % 2);
        b.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>(v & 255);
      }
  return b;
}

std::uint8_t& At(TBitmap& b, int x, int y, int c = 0) { return b.ScanLine(y)[3 * x + c]; }

// Plain oracle: the kernel over the copy, zero entries not read, neighbours
// beyond an edge from the own row or column.
void SharpenOracle(TBitmap& image, long double factor, bool focus) {
  static const int kSharpen[3][3] = {{-1, -1, -1}, {-1, 8, -1}, {-1, -1, -1}};
  static const int kFocus[3][3] = {{-1, 0, -1}, {0, 4, 0}, {-1, 0, -1}};
  const auto& k = focus ? kFocus : kSharpen;
  const TBitmap copy = image;
  const int w = image.Width(), h = image.Height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sum[3] = {0, 0, 0};
      for (int row = y - 1; row <= y + 1; ++row)
        for (int col = x - 1; col <= x + 1; ++col) {
          const int kv = k[row - y + 1][col - x + 1];
          if (kv == 0) continue;
          const int r = (row >= 0 && row <= h - 1) ? row : y;
          const int c = (col >= 0 && col <= w - 1) ? col : x;
          for (int ch = 0; ch < 3; ++ch) sum[ch] += kv * copy.ScanLine(r)[3 * c + ch];
        }
      for (int ch = 0; ch < 3; ++ch) {
        std::uint8_t& out = image.ScanLine(y)[3 * x + ch];
        out = RoundClampByte(factor * sum[ch] + out);
      }
    }
}

float FocusFactor(float amount) { return static_cast<float>(static_cast<long double>(amount) / 100); }

TBitmap Dot(int value) {
  TBitmap b(5, 5);
  At(b, 2, 2) = static_cast<std::uint8_t>(value);
  return b;
}

TEST(Sharpen, SinglePixelAndStepEdge) {
  TBitmap s = Dot(200);
  ASSERT_TRUE(Sharpen(s, 100));
  EXPECT_EQ(At(s, 2, 2), 255);  // 200 + 1600
  for (int y = 1; y <= 3; ++y)
    for (int x = 1; x <= 3; ++x)
      if (x != 2 || y != 2) {
        EXPECT_EQ(At(s, x, y), 0);  // 0 - 200
      }

  TBitmap f = Dot(100);
  ASSERT_TRUE(Focus(f, 20));
  EXPECT_EQ(At(f, 2, 2), 180);  // 100 + 0.2 * 400
  EXPECT_EQ(At(f, 1, 1), 0);    // 0 - 20
  EXPECT_EQ(At(f, 2, 1), 0);    // response 0
  TBitmap g = Dot(10);
  ASSERT_TRUE(Focus(g, 100));
  EXPECT_EQ(At(g, 2, 2), 50);
  ASSERT_TRUE(Focus(f = Dot(200), 100.0f));
  EXPECT_EQ(At(f, 2, 2), 255);

  TBitmap step(6, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) At(step, x, y) = x < 3 ? 100 : 200;
  ASSERT_TRUE(Sharpen(step, 50));
  EXPECT_EQ(At(step, 2, 2), 0);    // 100 + 0.5 * -300
  EXPECT_EQ(At(step, 3, 2), 255);  // 200 + 0.5 * 300
  EXPECT_EQ(At(step, 1, 2), 100);
}

TEST(Sharpen, CornerReadsTheOwnRowAndColumn) {
  TBitmap b(3, 3);
  At(b, 0, 0) = 100;
  At(b, 1, 0) = 90;
  At(b, 0, 1) = 80;
  At(b, 1, 1) = 40;
  // 5*100 - 2*90 - 2*80 - 40 = 120 -> 100 + 0.1 * 120 = 112.
  ASSERT_TRUE(Sharpen(b, 10));
  EXPECT_EQ(At(b, 0, 0), 112);
}

TEST(Sharpen, TiesGoToTheEvenNeighbour) {
  // A dot of g + 1 on a ground g with amount 50: every neighbour's sum is -1,
  // so it gets g - 0.5: 100.5 rounds to 100, 101.5 to 102.
  for (const int ground : {101, 102}) {
    TBitmap b(3, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) At(b, x, y) = static_cast<std::uint8_t>(ground);
    At(b, 1, 1) = static_cast<std::uint8_t>(ground + 1);
    ASSERT_TRUE(Sharpen(b, 50));
    EXPECT_EQ(At(b, 0, 1), ground == 101 ? 100 : 102) << ground;  // ground - 0.5
  }
}

TEST(Sharpen, RefusalsAndIdentities) {
  TBitmap b = Picture(9, 7, 1);
  const TBitmap before = b;
  EXPECT_FALSE(Sharpen(b, 101));
  EXPECT_FALSE(Sharpen(b, -1));
  EXPECT_FALSE(Focus(b, 100.01f));
  EXPECT_FALSE(Focus(b, -0.5f));
  EXPECT_FALSE(Focus(b, std::numeric_limits<float>::quiet_NaN()));
  TBitmap into(2, 2);
  const TBitmap intoBefore = into;
  EXPECT_FALSE(SharpenInto(b, into, 101));
  EXPECT_FALSE(FocusInto(b, into, -1.0f));
  EXPECT_EQ(into, intoBefore);
  EXPECT_TRUE(Sharpen(b, 0));
  EXPECT_TRUE(Focus(b, 0));
  EXPECT_EQ(b, before);
  TBitmap flat(8, 4);
  for (int y = 0; y < 4; ++y)
    for (int i = 0; i < 24; ++i) flat.ScanLine(y)[i] = 93;
  const TBitmap flatBefore = flat;
  EXPECT_TRUE(Sharpen(flat, 100));
  EXPECT_TRUE(Focus(flat, 77.5f));
  EXPECT_EQ(flat, flatBefore);
  TBitmap grey = Picture(5, 4, 2);
  ASSERT_TRUE(ConvertToGrey8(grey));
  const TBitmap greyBefore = grey;
  EXPECT_FALSE(Sharpen(grey, 50));
  EXPECT_FALSE(Focus(grey, 50));
  EXPECT_EQ(grey, greyBefore);
}

// Each test runs on every path: the table alone, SSE2 and AVX2 (where the
// machine has it).
class SharpenPaths : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { sharpen_detail::gWidestPath = GetParam(); }
  void TearDown() override { sharpen_detail::gWidestPath = 2; }
};

INSTANTIATE_TEST_SUITE_P(Paths, SharpenPaths, ::testing::Values(0, 1, 2));

// Every kernel sum at every amount: 3 x 3 blocks side by side whose centre has
// the sum -2040 + i, the three channels with different own values: the
// lowest, the highest and a middle one possible for the sum, in round 1 moved
// inwards by a random step.
TEST_P(SharpenPaths, EverySumAtEveryAmountMatchesThePlainLoops) {
  constexpr int kSums = 4081;
  std::mt19937 rng(5);
  for (int round = 0; round < 2; ++round) {
    TBitmap b(3 * kSums, 3);
    for (int i = 0; i < kSums; ++i) {
      const int sum = -2040 + i;
      // own values with a ring of 8 own - sum = 0 .. 2040
      const int first = sum > 0 ? (sum + 7) / 8 : 0, hi = std::min(255, (sum + 2040) / 8);
      const int step = round == 0 ? 0 : static_cast<int>(rng() % 4);
      const int owns[3] = {std::min(hi, first + step), std::max(first, hi - step), std::min(hi, (first + hi) / 2 + step)};
      for (int c = 0; c < 3; ++c) {
        const int ring = 8 * owns[c] - sum;  // 0 .. 2040
        int k = 0;
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < 3; ++x)
            At(b, 3 * i + x, y, c) = static_cast<std::uint8_t>(
                x == 1 && y == 1 ? owns[c] : ring / 8 + (k++ < ring % 8 ? 1 : 0));
      }
    }
    for (int amount = 1; amount <= 100; ++amount) {
      TBitmap a = b, expected = b;
      SharpenOracle(expected, static_cast<long double>(amount) / 100, false);
      ASSERT_TRUE(Sharpen(a, amount));
      for (int i = 0; i < kSums; ++i)
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(At(a, 3 * i + 1, 1, c), At(expected, 3 * i + 1, 1, c)) << amount << " sum " << -2040 + i;
    }
  }
}

TEST_P(SharpenPaths, MatchesThePlainLoopsForEveryAmount) {
  const int sizes[][2] = {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {3, 4}, {17, 9}, {40, 23}};
  unsigned seed = 10;
  for (int amount = 0; amount <= 100; ++amount)
    for (const auto& s : sizes) {
      const int threads = 1 + amount % 2;
      TBitmap a = Picture(s[0], s[1], ++seed), expected = a;
      SharpenOracle(expected, static_cast<long double>(amount) / 100, false);
      // Into a result of another size, then into the same one again.
      TBitmap into(3, 5);
      for (int twice = 0; twice < 2; ++twice) {
        ASSERT_TRUE(SharpenInto(a, into, amount, threads));
        ASSERT_EQ(into, expected) << "sharpen into " << amount << " " << s[0] << "x" << s[1];
      }
      ASSERT_TRUE(Sharpen(a, amount, threads));
      ASSERT_EQ(a, expected) << "sharpen " << amount << " " << s[0] << "x" << s[1];
      TBitmap f = Picture(s[0], s[1], ++seed);
      expected = f;
      SharpenOracle(expected, FocusFactor(static_cast<float>(amount)), true);
      ASSERT_TRUE(FocusInto(f, into, static_cast<float>(amount), threads));
      ASSERT_EQ(into, expected) << "focus into " << amount << " " << s[0] << "x" << s[1];
      ASSERT_TRUE(Focus(f, static_cast<float>(amount), threads));
      ASSERT_EQ(f, expected) << "focus " << amount << " " << s[0] << "x" << s[1];
    }
  for (const float amount : {0.5f, 33.3f, 99.99f, 12.25f}) {
    TBitmap f = Picture(31, 12, ++seed), expected = f;
    SharpenOracle(expected, FocusFactor(amount), true);
    ASSERT_TRUE(Focus(f, amount, 2));
    ASSERT_EQ(f, expected) << amount;
  }
}

}  // namespace
}  // namespace kira
