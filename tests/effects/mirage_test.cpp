#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "core/bitmap.h"
#include "core/rounding.h"
#include "effects/mirage.h"
#include "tests/effects/picture_util.h"

namespace kira {
namespace {

using testpic::Random24;
using testpic::Uniform;

enum class TMode { Bright, Dark, Blend };

void SetPixel(TBitmap& b, int x, int y, std::uint8_t v) {
  std::uint8_t* p = b.ScanLine(y) + 3 * x;
  p[0] = p[1] = p[2] = v;
}

int Channel(const TBitmap& b, int x, int y, int c = 1) { return b.ScanLine(y)[3 * x + c]; }

// The density of track-bar position p: p / 20 + 0.2, held in single precision.
float Density(int position) { return static_cast<float>(position / 20.0L + 0.2L); }

bool RunMirage(TBitmap& b, bool line, TMode mode, int n, int deg, int offset, float density,
         int threads = 1) {
  if (mode == TMode::Blend)
    return line ? MirageLineBlend(b, n, deg, offset, density, threads)
                : MirageCircleBlend(b, n, deg, offset, density, threads);
  const bool dark = mode == TMode::Dark;
  return line ? MirageLinePriority(b, n, deg, offset, density, dark, threads)
              : MirageCirclePriority(b, n, deg, offset, density, dark, threads);
}

// Plain loops, step by step as the effect is defined: offsets, faded copy or
// mask, then every pixel visiting every copy in order.
std::vector<TMirageOffset> OracleOffsets(int w, int h, bool line, int n, int deg, int offset) {
  const long double pi = 3.141592653589793238462643383279502884L;
  const auto bring = [](long double a) {
    while (a > 360) a -= 360;
    while (a < 0) a += 360;
    return a;
  };
  const auto at = [&](long double dist, long double a) {
    return TMirageOffset{RoundHalfAway(dist * std::cos(a * pi / 180)),
                         RoundHalfAway(dist * std::sin(a * pi / 180))};
  };
  std::vector<TMirageOffset> out;
  const int longer = std::max(w, h);
  if (!line) {
    const long double r = RoundHalfAway(static_cast<long double>(offset) * longer / 100);
    const long double step = 360.0L / (n - 1);
    long double a = deg - 90.0L;
    for (int k = 1; k <= n - 1; ++k) {
      a = bring(a);
      out.push_back(at(r, a));
      a = a + step;
    }
  } else {
    const long double s = RoundHalfAway(static_cast<long double>(offset) * longer / 100 / 2);
    const long double a = bring(deg - 90.0L), b = bring(deg + 90.0L);
    for (int k = 1; k <= n - 1; ++k) out.push_back(at(s * std::ceil(k / 2.0L), k % 2 == 1 ? a : b));
  }
  return out;
}

TBitmap Oracle(const TBitmap& in, bool line, TMode mode, int n, int deg, int offset, float rho) {
  const int w = in.Width(), h = in.Height();
  const auto offsets = OracleOffsets(w, h, line, n, deg, offset);
  const auto dist = [&](int x, int y) {
    return std::sqrt((w / 2.0L - x) * (w / 2.0L - x) + (h / 2.0L - y) * (h / 2.0L - y));
  };
  TBitmap base = in;
  TBitmap other = in;  // faded copy (priority) or unchanged source (blend)
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (mode == TMode::Blend) {
        const long double m = std::min(1.0L, dist(x, y) / (std::min(w, h) / 3.0L));
        const float rest = static_cast<float>(1.0L - rho);
        mask[static_cast<std::size_t>(y) * w + x] =
            ClampByte(static_cast<double>(255 * (rho * (m * m) + rest)));
        continue;
      }
      const long double m = std::min(1.0L, dist(x, y) / (std::min(w, h) / 2.0L));
      const long double g = rho * (m * m);
      const float e = static_cast<float>(2.0L - rho);
      for (int c = 0; c < 3; ++c) {
        const long double v = in.ScanLine(y)[3 * x + c];
        other.ScanLine(y)[3 * x + c] = ClampByte(
            static_cast<double>(mode == TMode::Dark ? v * e + 255 * g : v / e - 255 * g));
      }
    }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (const TMirageOffset& o : offsets) {
        const long long sx = static_cast<long long>(x) - o.Dx, sy = static_cast<long long>(y) - o.Dy;
        if (sx < 0 || sx >= w || sy < 0 || sy >= h) continue;
        std::uint8_t* b = base.ScanLine(y) + 3 * x;
        const std::uint8_t* s = other.ScanLine(static_cast<int>(sy)) + 3 * sx;
        const float q = static_cast<float>(mask[sy * w + sx] / 255.0L);
        const float rest = static_cast<float>(1.0L - q);
        for (int c = 0; c < 3; ++c) {
          if (mode == TMode::Dark) b[c] = std::min(b[c], s[c]);
          if (mode == TMode::Bright) b[c] = std::max(b[c], s[c]);
          if (mode == TMode::Blend)
            b[c] = static_cast<std::uint8_t>(
                RoundHalfAway(static_cast<long double>(q) * b[c] + static_cast<long double>(rest) * s[c]));
        }
      }
  return base;
}

struct TOffsetCase {
  int w, h;
  bool line;
  int n, deg, offset;
  std::vector<TMirageOffset> expected;
};

TEST(Mirage, OffsetsOfBothKinds) {
  const TOffsetCase cases[] = {
      {640, 480, false, 5, 60, 30, {{166, -96}, {96, 166}, {-166, 96}, {-96, -166}}},
      {640, 480, true, 5, 60, 30, {{83, -48}, {-83, 48}, {166, -96}, {-166, 96}}},
      {640, 480, false, 2, 60, 30, {{166, -96}}},
      {640, 480, true, 2, 60, 30, {{83, -48}}},
      {640, 480, false, 2, 0, 30, {{0, -192}}},
      {640, 480, false, 2, 90, 30, {{192, 0}}},
      {640, 480, true, 3, 0, 30, {{0, -96}, {0, 96}}},
      // Portrait: the longer side is the height; 360 degrees is straight up.
      {480, 640, false, 3, 360, 5, {{0, -32}, {0, 32}}},
      {640, 480, false, 1, 60, 30, {}},
  };
  for (const TOffsetCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " line " << c.line << " n " << c.n
                                      << " deg " << c.deg << " offset " << c.offset);
    const auto got = c.line ? MirageLineOffsets(c.w, c.h, c.n, c.deg, c.offset)
                            : MirageCircleOffsets(c.w, c.h, c.n, c.deg, c.offset);
    EXPECT_EQ(got, c.expected);
  }
}

TEST(Mirage, DensityOfThePagePosition) {
  EXPECT_EQ(Density(10), 0.7f);
  EXPECT_EQ(Density(0), 0.2f);
  EXPECT_EQ(Density(16), 1.0f);
}

// One copy 32 pixels to the right (640 x 480, n = 2, 90 degrees, 5 %): the
// copy's centre, source (320, 240), lands on (352, 240).
struct TCentreCase {
  TMode mode;
  int densityPos;
  std::uint8_t background, centre;
  int expected;  // at the copy's centre
};

TEST(Mirage, CopyCentreValues) {
  const TCentreCase cases[] = {
      // Mask 77 at the centre for density 0.7: 77/255 of the picture, the rest copy.
      {TMode::Blend, 10, 200, 0, 60},    // 0.30196 * 200 = 60.39
      {TMode::Blend, 10, 0, 200, 140},   // 0.69804 * 200 = 139.6
      {TMode::Blend, 16, 200, 0, 0},     // density 1: the copy alone at its centre
      {TMode::Dark, 10, 255, 100, 130},  // 100 * 1.3
      {TMode::Bright, 10, 0, 100, 77},   // 100 / 1.3 = 76.92
      {TMode::Dark, 16, 255, 100, 100},  // density 1: the source value itself
  };
  for (const TCentreCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << static_cast<int>(c.mode) << " pos " << c.densityPos);
    TBitmap b = Uniform(640, 480, c.background);
    SetPixel(b, 320, 240, c.centre);
    ASSERT_TRUE(RunMirage(b, false, c.mode, 2, 90, 5, Density(c.densityPos)));
    EXPECT_EQ(Channel(b, 352, 240), c.expected);
  }
}

// At half the shorter side or farther from its centre a copy is faded to 255
// (dark) or 0 (bright) and never wins; in blend mode the mask is 255 there.
TEST(Mirage, CopiesVanishTowardTheirRim) {
  for (TMode mode : {TMode::Dark, TMode::Bright, TMode::Blend}) {
    SCOPED_TRACE(static_cast<int>(mode));
    TBitmap b = Uniform(640, 480, mode == TMode::Bright ? 1 : 254);
    for (int x = 0; x < 640; ++x) SetPixel(b, x, 0, mode == TMode::Bright ? 254 : 1);  // top row: 240 away
    const TBitmap before = b;
    ASSERT_TRUE(RunMirage(b, false, mode, 2, 180, 5, Density(16)));  // copy 32 rows down
    for (int x = 0; x < 640; ++x) EXPECT_EQ(Channel(b, x, 32), Channel(before, x, 32)) << x;
  }
}

TEST(Mirage, PixelsNoCopyReachesKeepTheirValues) {
  const TBitmap in = Random24(64, 48, 3);
  for (bool line : {false, true})
    for (TMode mode : {TMode::Dark, TMode::Bright, TMode::Blend}) {
      TBitmap b = in;
      // n = 2 at 90 degrees: one copy shifted right by 16 (circle) or 8 (line).
      ASSERT_TRUE(RunMirage(b, line, mode, 2, 90, 25, Density(10)));
      const int shift = line ? 8 : 16;
      for (int y = 0; y < 48; ++y)
        for (int x = 0; x < shift; ++x)
          for (int c = 0; c < 3; ++c) ASSERT_EQ(Channel(b, x, y, c), Channel(in, x, y, c)) << x << "," << y;
    }
}

TEST(Mirage, RefusesOtherFormatsAndLeavesThemUnchanged) {
  TBitmap grey(8, 8, TPixelFormat::pf8bit);
  grey.ScanLine(3)[3] = 77;
  const TBitmap before = grey;
  for (bool line : {false, true})
    for (TMode mode : {TMode::Dark, TMode::Bright, TMode::Blend}) {
      EXPECT_FALSE(RunMirage(grey, line, mode, 5, 60, 30, Density(10)));
      EXPECT_TRUE(grey == before);
    }
}

TEST(Mirage, MatchesThePlainLoopsOnManyPicturesAndParameters) {
  struct TSize {
    int w, h;
  };
  const TSize sizes[] = {{1, 1}, {2, 1}, {1, 7}, {7, 5}, {31, 17}, {40, 64}, {97, 61}};
  std::mt19937 rng(2024);
  unsigned seed = 1;
  for (const TSize& s : sizes)
    for (bool line : {false, true})
      for (TMode mode : {TMode::Dark, TMode::Bright, TMode::Blend})
        for (int rep = 0; rep < 6; ++rep) {
          const int nChoices[] = {2, 3, 5, 8, 24};
          const int degChoices[] = {0, 60, 90, 359, 360, 17};
          const int offChoices[] = {5, 30, 55};
          const int n = nChoices[rng() % 5];
          const int deg = degChoices[rng() % 6];
          const int off = offChoices[rng() % 3];
          const int pos = rep == 0 ? 0 : (rep == 1 ? 16 : static_cast<int>(rng() % 17));
          const TBitmap in = rep == 2 ? Uniform(s.w, s.h, 255) : Random24(s.w, s.h, seed++);
          const TBitmap want = Oracle(in, line, mode, n, deg, off, Density(pos));
          for (int threads : {1, 2, 3}) {
            LimitMirageVectors(threads - 1);  // portable with 1 thread, vectors with more
            TBitmap got = in;
            ASSERT_TRUE(RunMirage(got, line, mode, n, deg, off, Density(pos), threads));
            ASSERT_TRUE(got == want) << s.w << "x" << s.h << " line " << line << " mode "
                                     << static_cast<int>(mode) << " n " << n << " deg " << deg
                                     << " off " << off << " pos " << pos << " threads " << threads;
          }
          LimitMirageVectors(2);
        }
}

TEST(Mirage, BlendMatchesThePlainLoopsForDensitiesBeyondThePage) {
  const TBitmap in = Random24(97, 61, 7);
  for (float rho : {-0.5f, 0.0f, 1.5f, 1e30f})
    for (bool line : {false, true}) {
      TBitmap got = in;
      ASSERT_TRUE(RunMirage(got, line, TMode::Blend, 24, 60, 30, rho, 2));
      ASSERT_TRUE(got == Oracle(in, line, TMode::Blend, 24, 60, 30, rho)) << rho << " line " << line;
    }
}

TEST(Mirage, OffsetsMatchThePlainLoopsForEveryPageSetting) {
  for (int n = 2; n <= 24; ++n)
    for (int deg = 0; deg <= 360; deg += 7)
      for (int off = 5; off <= 55; off += 10) {
        ASSERT_EQ(MirageCircleOffsets(1023, 767, n, deg, off), OracleOffsets(1023, 767, false, n, deg, off));
        ASSERT_EQ(MirageLineOffsets(1023, 767, n, deg, off), OracleOffsets(1023, 767, true, n, deg, off));
      }
}

}  // namespace
}  // namespace kira
