#include "tone/color_filter.h"

#include <gtest/gtest.h>

#include <random>

#include "tone/tone_oracle.h"

namespace kira {
namespace {

TBitmap Pixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  TBitmap p(1, 1);
  p.ScanLine(0)[0] = b;
  p.ScanLine(0)[1] = g;
  p.ScanLine(0)[2] = r;
  return p;
}

struct TFilterCase {
  std::uint32_t color;
  int density;
  std::uint8_t in[3];   // red, green, blue
  std::uint8_t out[3];
};

TEST(ColorFilter, WorkedValues) {
  const TFilterCase cases[] = {
      // pure red at full density keeps red, drops green and blue
      {ColorRef(255, 0, 0), 100, {200, 255, 100}, {200, 0, 0}},
      // at half density green and blue are halved, 127.5 rounded up
      {ColorRef(255, 0, 0), 50, {255, 255, 100}, {255, 128, 50}},
      // grey 128 at half density: factor 191.5 / 255
      {ColorRef(128, 128, 128), 50, {200, 200, 200}, {150, 150, 150}},
      {ColorRef(0, 0, 0), 100, {255, 255, 255}, {0, 0, 0}},
      // channels follow the colour's byte order: blue filter on a white pixel
      {ColorRef(0, 0, 255), 100, {255, 255, 255}, {0, 0, 255}},
      {ColorRef(10, 20, 30), 0, {1, 2, 3}, {1, 2, 3}},
  };
  for (const TFilterCase& c : cases) {
    TBitmap p = Pixel(c.in[0], c.in[1], c.in[2]);
    ASSERT_TRUE(ColorFilter(p, c.color, 100 - c.density));
    EXPECT_EQ(p.ScanLine(0)[2], c.out[0]) << std::hex << c.color << std::dec << " " << c.density;
    EXPECT_EQ(p.ScanLine(0)[1], c.out[1]) << std::hex << c.color << std::dec << " " << c.density;
    EXPECT_EQ(p.ScanLine(0)[0], c.out[2]) << std::hex << c.color << std::dec << " " << c.density;
  }
}

TEST(ColorFilter, DensityZeroAndWhiteLeaveThePicture) {
  std::mt19937 rng(9);
  const TBitmap source = test::AllValuesPicture(rng);
  for (int i = 0; i < 20; ++i) {
    TBitmap b = source;
    ASSERT_TRUE(ColorFilter(b, rng() & 0xFFFFFF, 100));
    EXPECT_EQ(b, source);
  }
  for (int density = 0; density <= 100; ++density) {
    TBitmap b = source;
    ASSERT_TRUE(ColorFilter(b, ColorRef(255, 255, 255), 100 - density));
    EXPECT_EQ(b, source) << density;
  }
}

TEST(ColorFilter, TopByteOfTheColourIsIgnored) {
  std::mt19937 rng(2);
  const TBitmap source = test::RandomPicture(13, 5, rng);
  TBitmap a = source, b = source;
  ColorFilter(a, 0x00336699, 40);
  ColorFilter(b, 0xFF336699, 40);
  EXPECT_EQ(a, b);
}

TEST(ColorFilter, MatchesTheOracle) {
  std::mt19937 rng(21);
  // Strengths beyond 0..100 give factors above 1 or below 0: the bytes are
  // limited at both ends.
  const int strengths[] = {0, 100, 50, 1, 99, 37, -40, 180, 1000};
  for (TSimdLevel level : test::kLevels) {
    const test::TLevelGuard guard(level);
    for (int s : strengths) {
      for (const test::TSize& size : test::kSizes) {
        const std::uint32_t color = rng() & 0xFFFFFF;
        const TBitmap source = test::RandomPicture(size.w, size.h, rng);
        TBitmap expected = source;
        test::OracleColorFilter(expected, color, s);
        const int threads = 1 + static_cast<int>(rng() % 3);
        SCOPED_TRACE(testing::Message() << "s " << s << " size " << size.w << "x" << size.h << " colour "
                                        << std::hex << color);
        TBitmap inPlace = source;
        ASSERT_TRUE(ColorFilter(inPlace, color, s, threads));
        EXPECT_EQ(inPlace, expected);
        TBitmap result;
        ASSERT_TRUE(ColorFilter(source, result, color, s, threads));
        EXPECT_EQ(result, expected);
      }
    }
  }
}

TEST(ColorFilter, RefusesOtherFormatsUnchanged) {
  TBitmap b(5, 5, TPixelFormat::pf8bit);
  b.ScanLine(2)[2] = 200;
  const TBitmap before = b;
  TBitmap result(1, 1);
  EXPECT_FALSE(ColorFilter(b, 0, 0));
  EXPECT_FALSE(ColorFilter(b, result, 0, 0));
  EXPECT_EQ(b, before);
  EXPECT_EQ(result.Width(), 1);
}

}  // namespace
}  // namespace kira
