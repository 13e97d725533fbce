// A second reading of the star filter: bright-point extraction and
// thinning, horizontal rays, the turn pair with its centre crop, the saturating
// sum, the diamond softening and the whole Preview, each written as a plain loop
// straight from the rules, with no code shared with the library. The library's
// functions must give the same bytes on many small random pictures and at every
// extreme of the page's controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "document/document.h"
#include "effects/soften.h"
#include "starfilter/brightpoints.h"
#include "starfilter/rays.h"
#include "pages/star_page.h"

namespace kira {
namespace {

// ---------------------------------------------------------------------------
// The second oracle. A picture is a plain vector of B, G, R bytes, row by row
// from the top, with no padding.

struct Pic {
  int W = 0, H = 0;
  std::vector<std::uint8_t> px;  // 3 * W * H
  Pic() = default;
  Pic(int w, int h) : W(w), H(h), px(static_cast<std::size_t>(3) * w * h, 0) {}
  std::uint8_t* at(int x, int y) { return &px[(static_cast<std::size_t>(y) * W + x) * 3]; }
  const std::uint8_t* at(int x, int y) const { return &px[(static_cast<std::size_t>(y) * W + x) * 3]; }
};

TBitmap ToBitmap(const Pic& p) {
  TBitmap b(p.W, p.H);
  for (int y = 0; y < p.H; ++y)
    for (int x = 0; x < p.W; ++x)
      for (int c = 0; c < 3; ++c) b.ScanLine(y)[3 * x + c] = p.at(x, y)[c];
  return b;
}

// Half away from zero: the integer part of x + 0.5 (x - 0.5 below zero).
long long OwnRoundHalfAway(long double x) {
  return static_cast<long long>(x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L));
}

std::uint8_t OwnClampByte(double x) {
  const long long r = OwnRoundHalfAway(x);
  return static_cast<std::uint8_t>(r > 255 ? 255 : (r < 0 ? 0 : r));
}

void OwnExtract(Pic& p, int threshold) {
  Pic q(p.W, p.H);
  for (int y = 0; y < p.H; ++y)
    for (int x = 0; x < p.W; ++x) {
      const std::uint8_t* s = p.at(x, y);
      const int sum = s[0] + s[1] + s[2];
      if (sum > threshold)
        for (int c = 0; c < 3; ++c) q.at(x, y)[c] = s[c];
    }
  p = q;
}

void OwnThin(Pic& p, int h) {
  if (h < 1) h = 1;
  for (int y = 0; y < p.H; ++y)
    for (int x = 0; x < p.W; ++x) {
      if (p.at(x, y)[0] == 0) continue;  // only the blue byte decides a centre
      for (int j = 0; j <= h; ++j)
        for (int k = -h; k <= h; ++k) {
          if (j == 0 && k == 0) continue;
          const int xx = x + k, yy = y + j;
          if (xx < 0 || xx >= p.W || yy >= p.H) continue;
          for (int c = 0; c < 3; ++c) p.at(xx, yy)[c] = 0;
        }
    }
}

void OwnExtractAndThin(Pic& p, int threshold, int density) {
  OwnExtract(p, threshold);
  if (density != 10) OwnThin(p, 10 - density);
}

int OwnMaxBrightness(const Pic& p) {
  int m = 0;
  for (int y = 0; y < p.H; ++y)
    for (int x = 0; x < p.W; ++x) {
      const std::uint8_t* s = p.at(x, y);
      m = std::max(m, s[0] + s[1] + s[2]);
    }
  return m;
}

void OwnHorizontalRays(Pic& p, int L, int D) {
  if (L < 1 || D < 1) return;
  const float k = static_cast<float>(static_cast<long double>(D) / 100.0L);
  Pic q(p.W, p.H);
  for (int y = 0; y < p.H; ++y)
    for (int x = 0; x < p.W; ++x) {
      float t[3];
      for (int c = 0; c < 3; ++c) t[c] = static_cast<float>(p.at(x, y)[c] * k);
      if (!(t[0] + t[1] + t[2] > 0)) continue;
      float u[3];
      for (int c = 0; c < 3; ++c) u[c] = t[c] / static_cast<float>(L);
      auto lay = [&](int xx, int r) {
        for (int c = 0; c < 3; ++c) {
          const double v = static_cast<double>(t[c]) - static_cast<double>(r) * static_cast<double>(u[c]) +
                           static_cast<double>(q.at(xx, y)[c]);
          q.at(xx, y)[c] = v > 255 ? 255 : static_cast<std::uint8_t>(OwnRoundHalfAway(v));
        }
      };
      for (int r = 1; r <= L; ++r) {
        if (x + r <= p.W - 2) lay(x + r, r);
        if (x - r >= 0) lay(x - r, r);
      }
    }
  p = q;
}

// The trigonometry is rounded to single precision; whether it is evaluated in
// double or extended precision is a free choice that only shows at multiples
// of 90 degrees (the sign of the tiny cosine or sine).
struct Trig {
  float c, s;
};
Trig TrigOf(long double deg, bool extended) {
  if (extended) {
    const long double th = deg * 3.14159265358979323846264338327950288L / 180.0L;
    return {static_cast<float>(std::cos(th)), static_cast<float>(std::sin(th))};
  }
  const double th = static_cast<double>(deg) * 3.14159265358979323846 / 180.0;
  return {static_cast<float>(std::cos(th)), static_cast<float>(std::sin(th))};
}

// The library evaluates them in extended precision; with double the right
// angles come out a row or column apart.
constexpr bool kExtendedTrig = true;
// The products and sums of the turn: double precision or better. With the
// tiny cosine of a right angle, double rounds x * c - y * s to a whole number
// where extended precision stays just beside it.
// The library forms them in double.
constexpr bool kExtendedProducts = false;

long long TruncOf(long long a, float fa, long long b, float fb, bool minus) {
  if (kExtendedProducts) {
    const long double v = minus ? static_cast<long double>(a) * fa - static_cast<long double>(b) * fb
                                : static_cast<long double>(a) * fa + static_cast<long double>(b) * fb;
    return static_cast<long long>(std::trunc(v));
  }
  const double v = minus ? static_cast<double>(a) * fa - static_cast<double>(b) * fb
                         : static_cast<double>(a) * fa + static_cast<double>(b) * fb;
  return static_cast<long long>(std::trunc(v));
}

void OwnRotate(Pic& p, int phi) {
  const Trig f = TrigOf(phi, kExtendedTrig);
  long long minX = 0, maxX = 0, minY = 0, maxY = 0;
  const int cx[4] = {0, p.W - 1, 0, p.W - 1}, cy[4] = {0, 0, p.H - 1, p.H - 1};
  for (int n = 0; n < 4; ++n) {
    const long long xr = TruncOf(cx[n], f.c, cy[n], f.s, true);  // x c - y s
    const long long yr = TruncOf(cx[n], f.s, cy[n], f.c, false);  // x s + y c
    if (n == 0 || xr < minX) minX = xr;
    if (n == 0 || xr > maxX) maxX = xr;
    if (n == 0 || yr < minY) minY = yr;
    if (n == 0 || yr > maxY) maxY = yr;
  }
  Pic q(static_cast<int>(maxX - minX + 1), static_cast<int>(maxY - minY + 1));
  const Trig b = TrigOf(-static_cast<long double>(phi), kExtendedTrig);
  for (long long A = minY; A <= maxY; ++A)
    for (long long i = minX; i <= maxX; ++i) {
      const long long sx = TruncOf(i, b.c, A, b.s, true);   // i c' - A s'
      const long long sy = TruncOf(i, b.s, A, b.c, false);  // i s' + A c'
      if (sx < 0 || sx >= p.W || sy < 0 || sy >= p.H) continue;
      for (int ch = 0; ch < 3; ++ch)
        q.at(static_cast<int>(i - minX), static_cast<int>(A - minY))[ch] =
            p.at(static_cast<int>(sx), static_cast<int>(sy))[ch];
    }
  p = q;
}

void OwnCropCentre(Pic& p, int w, int h) {
  const int ox = (p.W - w) / 2, oy = (p.H - h) / 2;  // C++ division truncates toward zero
  Pic q(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = ox + x, sy = oy + y;
      if (sx < 0 || sx >= p.W || sy < 0 || sy >= p.H) continue;  // black, never read outside
      for (int c = 0; c < 3; ++c) q.at(x, y)[c] = p.at(sx, sy)[c];
    }
  p = q;
}

void OwnAddSaturated(Pic& target, const Pic& addend) {
  const int h = std::min(target.H, addend.H), w = std::min(target.W, addend.W);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        target.at(x, y)[c] = OwnClampByte(static_cast<double>(target.at(x, y)[c] + addend.at(x, y)[c]));
}

std::vector<int> OwnAngles(TStarKind kind, int a) {
  switch (kind) {
    case TStarKind::Cross: return {a, 90 + a};
    case TStarKind::Snow: return {a, 60 + a, 120 + a};
    case TStarKind::Sunny: return {a, 45 + a, 90 + a, 135 + a};
  }
  return {};
}

Pic OwnDrawKind(const Pic& bright, TStarKind kind, int L, int D, int a) {
  Pic out;
  bool first = true;
  for (const int phi : OwnAngles(kind, a)) {
    Pic work = bright;
    if (phi != 0) OwnRotate(work, phi);
    OwnHorizontalRays(work, L, D);
    if (phi != 0) OwnRotate(work, -phi);
    OwnCropCentre(work, bright.W, bright.H);
    if (first) out = work;
    else OwnAddSaturated(out, work);
    first = false;
  }
  return out;
}

void OwnDiamondSoften(Pic& p, int n, int pct) {
  const int h = std::max((n - 1) / 2, 1);
  const double s = (1.0 - pct / 100.0) / (n - 1);
  std::vector<double> w(static_cast<std::size_t>(std::max(n, 2 * h + 1)));
  for (std::size_t d = 0; d < w.size(); ++d) w[d] = std::max(0.0, 1.0 - 2.0 * static_cast<double>(d) * s);
  const Pic src = p;
  for (int y = 0; y < p.H; ++y)
    for (int x = 0; x < p.W; ++x) {
      double sum[3] = {0, 0, 0}, ws = 0;
      for (int i = -h; i <= h; ++i)
        for (int j = -h; j <= h; ++j) {
          const int yy = std::clamp(y + i, 0, p.H - 1), xx = std::clamp(x + j, 0, p.W - 1);
          const double wt = w[static_cast<std::size_t>(std::abs(i) + std::abs(j))];
          for (int c = 0; c < 3; ++c) sum[c] += wt * src.at(xx, yy)[c];
          ws += wt;
        }
      for (int c = 0; c < 3; ++c) p.at(x, y)[c] = OwnClampByte(sum[c] / ws);
    }
}

// The whole Preview: bright points (extracted unless ready), the rays of the
// kind, the soft cross, the rays laid over the source.
struct OwnPreviewOut {
  Pic bright, result;
};
OwnPreviewOut OwnPreview(const Pic& source, bool ready, const Pic& readyPoints, int threshold, int density,
                         TStarKind kind, int L, int D, int R, bool soft) {
  const int a = -R;
  OwnPreviewOut o;
  o.bright = ready ? readyPoints : source;
  if (!ready) OwnExtractAndThin(o.bright, threshold, density);
  o.result = OwnDrawKind(o.bright, kind, L, D, a);
  if (soft) OwnDiamondSoften(o.result, 3, 75);
  OwnAddSaturated(o.result, source);
  return o;
}

// ---------------------------------------------------------------------------
// Pictures and comparison.

std::mt19937 gRng(20261208);
int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gRng); }

// Mostly dark with a few bright points of random colour; some whites, some
// points with blue 0.
Pic SparsePicture(int w, int h, int points) {
  Pic p(w, h);
  for (auto& v : p.px) v = static_cast<std::uint8_t>(Rand(0, 60));
  for (int n = 0; n < points; ++n) {
    std::uint8_t* q = p.at(Rand(0, w - 1), Rand(0, h - 1));
    switch (Rand(0, 3)) {
      case 0: q[0] = q[1] = q[2] = 255; break;
      case 1: q[0] = 0; q[1] = static_cast<std::uint8_t>(Rand(200, 255)); q[2] = 255; break;
      default:
        for (int c = 0; c < 3; ++c) q[c] = static_cast<std::uint8_t>(Rand(150, 255));
    }
  }
  return p;
}

Pic NoisePicture(int w, int h) {
  Pic p(w, h);
  for (auto& v : p.px) v = static_cast<std::uint8_t>(Rand(0, 255));
  return p;
}

// Black except a few lit points (a ready bright-point image, or a ray input).
Pic PointsPicture(int w, int h, int points) {
  Pic p(w, h);
  for (int n = 0; n < points; ++n) {
    std::uint8_t* q = p.at(Rand(0, w - 1), Rand(0, h - 1));
    for (int c = 0; c < 3; ++c) q[c] = static_cast<std::uint8_t>(Rand(0, 255));
  }
  return p;
}

::testing::AssertionResult SamePic(const Pic& want, const TBitmap& got) {
  if (got.PixelFormat() != TPixelFormat::pf24bit)
    return ::testing::AssertionFailure() << "not 24-bit";
  if (got.Width() != want.W || got.Height() != want.H)
    return ::testing::AssertionFailure() << "size " << got.Width() << "x" << got.Height() << ", want " << want.W
                                         << "x" << want.H;
  for (int y = 0; y < want.H; ++y)
    for (int x = 0; x < want.W; ++x)
      for (int c = 0; c < 3; ++c)
        if (got.ScanLine(y)[3 * x + c] != want.at(x, y)[c])
          return ::testing::AssertionFailure()
                 << "pixel (" << x << ", " << y << ") channel " << c << ": got "
                 << int(got.ScanLine(y)[3 * x + c]) << ", want " << int(want.at(x, y)[c]);
  return ::testing::AssertionSuccess();
}

const char* KindName(TStarKind k) {
  return k == TStarKind::Cross ? "cross" : (k == TStarKind::Snow ? "snow" : "sunny");
}

constexpr TStarKind kKinds[] = {TStarKind::Cross, TStarKind::Snow, TStarKind::Sunny};
constexpr int kAngles[] = {0, 1, 30, 45, 89, 90, 91, 179, 180};
constexpr int kLengths[] = {0, 1, 2, 5, 32, 256};

// ---------------------------------------------------------------------------
// Checks of the oracle itself against hand-worked bytes, so that an agreement
// below means something.

TEST(StarPlainLoopOracle, HandWorkedRays) {
  Pic p(80, 3);
  p.at(40, 1)[0] = p.at(40, 1)[1] = p.at(40, 1)[2] = 255;
  Pic q = p;
  OwnHorizontalRays(q, 32, 50);
  EXPECT_EQ(q.at(41, 1)[0], 124);
  EXPECT_EQ(q.at(39, 1)[0], 124);
  EXPECT_EQ(q.at(44, 1)[1], 112);
  EXPECT_EQ(q.at(56, 1)[2], 64);
  EXPECT_EQ(q.at(9, 1)[0], 4);
  EXPECT_EQ(q.at(8, 1)[0], 0);
  EXPECT_EQ(q.at(40, 1)[0], 0);
  q = p;
  OwnHorizontalRays(q, 32, 100);
  EXPECT_EQ(q.at(41, 1)[0], 247);
  EXPECT_EQ(q.at(56, 1)[0], 128);
  EXPECT_EQ(q.at(71, 1)[0], 8);

  Pic s(9, 9);
  s.at(4, 4)[0] = 60;
  OwnDiamondSoften(s, 3, 75);
  EXPECT_EQ(s.at(4, 4)[0], 10);
  EXPECT_EQ(s.at(4, 3)[0], 8);
  EXPECT_EQ(s.at(3, 3)[0], 5);

  // Thinning with h = 2: (12, 7) does not reach (10, 10), which clears (12, 12).
  Pic t(20, 20);
  for (auto xy : {std::pair{12, 7}, std::pair{10, 10}, std::pair{12, 12}}) t.at(xy.first, xy.second)[0] = 255;
  OwnThin(t, 2);
  EXPECT_EQ(t.at(12, 7)[0], 255);
  EXPECT_EQ(t.at(10, 10)[0], 255);
  EXPECT_EQ(t.at(12, 12)[0], 0);
}

// Single-precision cos/sin of whole degrees: double and extended evaluation
// round to the same floats except at multiples of 90 degrees, so only those
// angles depend on the choice.
TEST(StarPlainLoopOracle, TrigPrecisionMattersOnlyAtRightAngles) {
  for (int deg = -360; deg <= 360; ++deg) {
    if (deg % 90 == 0) continue;
    const Trig d = TrigOf(deg, false), e = TrigOf(deg, true);
    EXPECT_EQ(d.c, e.c) << deg;
    EXPECT_EQ(d.s, e.s) << deg;
  }
}

// ---------------------------------------------------------------------------
// The library against the oracle.

TEST(StarVsPlainLoops, ExtractionThinningAndMaximum) {
  const int sizes[][2] = {{1, 1}, {2, 2}, {1, 7}, {7, 1}, {5, 3}, {13, 11}, {40, 30}, {23, 17}};
  const int thresholds[] = {0, 1, 300, 500, 600, 764, 765};
  for (const auto& sz : sizes)
    for (int rep = 0; rep < 3; ++rep) {
      const Pic src = rep == 0 ? NoisePicture(sz[0], sz[1]) : SparsePicture(sz[0], sz[1], 1 + sz[0] * sz[1] / 8);
      {
        const TBitmap b = ToBitmap(src);
        EXPECT_EQ(MaxBrightness(b), OwnMaxBrightness(src));
      }
      for (int th : thresholds)
        for (int m = 0; m <= 10; ++m) {
          Pic want = src;
          OwnExtractAndThin(want, th, m);
          TBitmap got = ToBitmap(src);
          ASSERT_TRUE(ExtractBrightPoints(got, th, m));
          ASSERT_TRUE(SamePic(want, got)) << sz[0] << "x" << sz[1] << " threshold " << th << " density " << m;
        }
      // Thinning alone, including half-widths below 1 (counted as 1) and
      // points whose blue byte is 0.
      for (int h : {-3, 0, 1, 2, 5, 10, 40}) {
        Pic want = PointsPicture(sz[0], sz[1], 1 + sz[0] * sz[1] / 3);
        TBitmap got = ToBitmap(want);
        OwnThin(want, h);
        ASSERT_TRUE(ThinBrightPoints(got, h));
        ASSERT_TRUE(SamePic(want, got)) << sz[0] << "x" << sz[1] << " h " << h;
      }
    }
}

TEST(StarVsPlainLoops, HorizontalRays) {
  const int sizes[][2] = {{1, 1}, {2, 2}, {3, 1}, {9, 4}, {40, 30}, {31, 7}};
  for (const auto& sz : sizes)
    for (int L : {0, 1, 2, 3, 5, 17, 32, 256, 300})
      for (int D : {0, 1, 2, 33, 50, 99, 100, 150}) {
        const Pic src = (L + D) % 2 ? PointsPicture(sz[0], sz[1], 1 + sz[0] * sz[1] / 4)
                                    : NoisePicture(sz[0], sz[1]);
        Pic want = src;
        OwnHorizontalRays(want, L, D);
        TBitmap got = ToBitmap(src);
        ASSERT_TRUE(DrawHorizontalRays(got, L, D));
        ASSERT_TRUE(SamePic(want, got)) << sz[0] << "x" << sz[1] << " L " << L << " D " << D;
      }
  // Every intensity and a spread of lengths on one line of full-range values.
  const Pic line = NoisePicture(70, 2);
  for (int D = 0; D <= 100; ++D)
    for (int L : {3, 7, 30, 64}) {
      Pic want = line;
      OwnHorizontalRays(want, L, D);
      TBitmap got = ToBitmap(line);
      ASSERT_TRUE(DrawHorizontalRays(got, L, D));
      ASSERT_TRUE(SamePic(want, got)) << "line L " << L << " D " << D;
    }
}

// Turns by every angle a star can ask for (-180..180) and the crop back,
// including the pair that brings the picture back a pixel smaller.
TEST(StarVsPlainLoops, RotationAndCrop) {
  const int sizes[][2] = {{1, 1}, {2, 2}, {1, 5}, {6, 1}, {3, 4}, {17, 9}, {40, 30}, {64, 48}};
  for (const auto& sz : sizes) {
    const Pic src = NoisePicture(sz[0], sz[1]);
    for (int phi = -180; phi <= 180; phi += (sz[0] * sz[1] > 500 ? 7 : 1)) {
      Pic want = src;
      OwnRotate(want, phi);
      TBitmap got = ToBitmap(src);
      ASSERT_TRUE(RotateByAngle(got, phi));
      ASSERT_TRUE(SamePic(want, got)) << sz[0] << "x" << sz[1] << " turn " << phi;
      OwnRotate(want, -phi);
      ASSERT_TRUE(RotateByAngle(got, -phi));
      ASSERT_TRUE(SamePic(want, got)) << sz[0] << "x" << sz[1] << " turn back " << phi;
      OwnCropCentre(want, src.W, src.H);
      ASSERT_TRUE(CropCentre(got, src.W, src.H));
      ASSERT_TRUE(SamePic(want, got)) << sz[0] << "x" << sz[1] << " crop after " << phi;
    }
  }
  // The case that comes back smaller: 64 x 48 turned by 1 and back is 63 x 49.
  Pic p(64, 48);
  OwnRotate(p, 1);
  OwnRotate(p, -1);
  EXPECT_EQ(p.W, 63);
  EXPECT_EQ(p.H, 49);
  // Crops larger and smaller than the picture, odd and even differences.
  const Pic src = NoisePicture(7, 6);
  for (int w : {1, 2, 6, 7, 8, 9, 12})
    for (int h : {1, 3, 5, 6, 7, 10}) {
      Pic want = src;
      OwnCropCentre(want, w, h);
      TBitmap got = ToBitmap(src);
      ASSERT_TRUE(CropCentre(got, w, h));
      ASSERT_TRUE(SamePic(want, got)) << "crop " << w << "x" << h;
    }
}

TEST(StarVsPlainLoops, SaturatedSumAndSoftening) {
  const int sizes[][2] = {{1, 1}, {2, 2}, {5, 3}, {3, 8}, {12, 9}};
  for (const auto& a : sizes)
    for (const auto& b : sizes) {
      const Pic t = NoisePicture(a[0], a[1]), s = NoisePicture(b[0], b[1]);
      Pic want = t;
      OwnAddSaturated(want, s);
      TBitmap got = ToBitmap(t);
      const TBitmap addend = ToBitmap(s);
      ASSERT_TRUE(AddSaturated(got, addend));
      ASSERT_TRUE(SamePic(want, got)) << a[0] << "x" << a[1] << " + " << b[0] << "x" << b[1];
      ASSERT_TRUE(SamePic(s, addend));
    }
  for (const auto& sz : sizes)
    for (int n : {3, 5, 7})
      for (int p : {0, 17, 34, 51, 68, 75, 85, 100, 102, 150}) {
        const Pic src = (n + p) % 2 ? PointsPicture(sz[0], sz[1], 3) : NoisePicture(sz[0], sz[1]);
        Pic want = src;
        OwnDiamondSoften(want, n, p);
        TBitmap got = ToBitmap(src);
        ASSERT_TRUE(DiamondSoften(got, n, p));
        ASSERT_TRUE(SamePic(want, got)) << sz[0] << "x" << sz[1] << " n " << n << " p " << p;
      }
}

// Every kind at every angle and length of the brief's table, on sparse bright
// points, through the library's DrawCross / DrawSnow / DrawSunny.
TEST(StarVsPlainLoops, KindsAtEveryExtreme) {
  const int sizes[][2] = {{1, 1}, {2, 2}, {5, 3}, {19, 13}, {40, 30}};
  for (const auto& sz : sizes) {
    const Pic bright = PointsPicture(sz[0], sz[1], 1 + sz[0] * sz[1] / 60);
    const TBitmap brightBmp = ToBitmap(bright);
    for (TStarKind kind : kKinds)
      for (int R : kAngles)
        for (int L : kLengths)
          for (int D : {0, 50, 100}) {
            if (sz[0] * sz[1] > 200 && D == 0 && L != 0) continue;  // same as L = 0; keep the run short
            const Pic want = OwnDrawKind(bright, kind, L, D, -R);
            TBitmap got;
            bool ok = false;
            if (kind == TStarKind::Cross) ok = DrawCross(brightBmp, got, L, D, -R);
            if (kind == TStarKind::Snow) ok = DrawSnow(brightBmp, got, L, D, -R);
            if (kind == TStarKind::Sunny) ok = DrawSunny(brightBmp, got, L, D, -R);
            ASSERT_TRUE(ok);
            ASSERT_TRUE(SamePic(want, got)) << sz[0] << "x" << sz[1] << " " << KindName(kind) << " R " << R
                                            << " L " << L << " D " << D;
            // Both ways the library can take, whichever the entry chose.
            TBitmap sparse, whole;
            ASSERT_TRUE(DrawStarSparse(brightBmp, sparse, kind, L, D, -R));
            ASSERT_TRUE(SamePic(want, sparse)) << "sparse " << sz[0] << "x" << sz[1] << " " << KindName(kind)
                                               << " R " << R << " L " << L << " D " << D;
            ASSERT_TRUE(DrawStarReference(brightBmp, whole, kind, L, D, -R));
            ASSERT_TRUE(SamePic(want, whole)) << "whole " << sz[0] << "x" << sz[1] << " " << KindName(kind)
                                              << " R " << R << " L " << L << " D " << D;
          }
  }
}

// Dense bright points (every pixel lit), every whole angle of the page on one
// picture, and the 64 x 48 picture whose turn pair comes back a pixel smaller.
TEST(StarVsPlainLoops, KindsDenseEveryAngleAndShrunkPair) {
  const Pic dense = NoisePicture(11, 8);
  const TBitmap denseBmp = ToBitmap(dense);
  for (TStarKind kind : kKinds)
    for (int R : kAngles)
      for (int L : {0, 1, 2, 5, 32, 256, 300})
        for (int D : {1, 37, 100, 150}) {
          if ((L == 300) != (D == 150)) continue;  // beyond the page's ranges: one case
          const Pic want = OwnDrawKind(dense, kind, L, D, -R);
          TBitmap got, sparse;
          ASSERT_TRUE(DrawStar(denseBmp, got, kind, L, D, -R));
          ASSERT_TRUE(SamePic(want, got)) << "dense " << KindName(kind) << " R " << R << " L " << L << " D " << D;
          ASSERT_TRUE(DrawStarSparse(denseBmp, sparse, kind, L, D, -R));
          ASSERT_TRUE(SamePic(want, sparse)) << "dense, sparse way " << KindName(kind) << " R " << R << " L " << L
                                             << " D " << D;
        }
  const Pic sparse = PointsPicture(23, 17, 6);
  const TBitmap sparseBmp = ToBitmap(sparse);
  for (int R = 0; R <= 180; ++R) {
    const TStarKind kind = kKinds[R % 3];
    const Pic want = OwnDrawKind(sparse, kind, 7, 80, -R);
    TBitmap got;
    ASSERT_TRUE(DrawStar(sparseBmp, got, kind, 7, 80, -R));
    ASSERT_TRUE(SamePic(want, got)) << "23x17 " << KindName(kind) << " R " << R;
  }
  Pic big(64, 48);
  for (auto xy : {std::pair{0, 0}, std::pair{63, 47}, std::pair{63, 0}, std::pair{0, 47}, std::pair{31, 24}})
    big.at(xy.first, xy.second)[0] = big.at(xy.first, xy.second)[1] = big.at(xy.first, xy.second)[2] = 255;
  const TBitmap bigBmp = ToBitmap(big);
  for (int R : {1, 89, 91, 179}) {
    const Pic want = OwnDrawKind(big, TStarKind::Cross, 0, 0, -R);
    TBitmap got;
    ASSERT_TRUE(DrawCross(bigBmp, got, 0, 0, -R));
    ASSERT_TRUE(SamePic(want, got)) << "64x48 cross R " << R;
  }
}

// The whole Preview through the page's handler: extraction with threshold and
// density, each kind, soft cross on and off, and a ready (hand-edited) bright
// point image that Preview must use unchanged.
TEST(StarVsPlainLoops, PreviewOfThePage) {
  const int sizes[][2] = {{1, 1}, {2, 2}, {1, 6}, {7, 5}, {18, 3}, {33, 21}};
  for (const auto& sz : sizes) {
    const Pic source = SparsePicture(sz[0], sz[1], 1 + sz[0] * sz[1] / 40);
    for (int rep = 0; rep < 30; ++rep) {
      TStarSettings s;
      s.Threshold = std::vector<int>{0, 400, 600, 764, 765}[Rand(0, 4)];
      s.Density = Rand(0, 10);
      s.Length = kLengths[Rand(0, 5)];
      s.Angle = kAngles[Rand(0, 8)];
      s.Intensity = std::vector<int>{0, 1, 50, 100}[Rand(0, 3)];
      s.Kind = kKinds[rep % 3];
      s.SoftCross = rep % 2 == 1;
      const bool ready = rep % 4 == 3;
      const Pic readyPoints = PointsPicture(sz[0], sz[1], 2);

      const OwnPreviewOut want = OwnPreview(source, ready, readyPoints, s.Threshold, s.Density, s.Kind, s.Length,
                                            s.Intensity, s.Angle, s.SoftCross);
      TDocument doc;
      doc.OpenPicture(ToBitmap(source));
      doc.SetBrightPointsReady(ready);
      if (ready) doc.BrightPoints() = ToBitmap(readyPoints);
      StarPreview(doc, s);
      const std::string what = std::to_string(sz[0]) + "x" + std::to_string(sz[1]) + " " + KindName(s.Kind) +
                               " V " + std::to_string(s.Threshold) + " M " + std::to_string(s.Density) +
                               " L " + std::to_string(s.Length) + " R " + std::to_string(s.Angle) + " D " +
                               std::to_string(s.Intensity) + (s.SoftCross ? " soft" : "") +
                               (ready ? " ready" : "");
      EXPECT_TRUE(doc.BrightPointsReady()) << what;
      ASSERT_TRUE(SamePic(want.bright, doc.BrightPoints())) << what;
      ASSERT_TRUE(SamePic(want.result, doc.Result())) << what;
      ASSERT_TRUE(SamePic(source, doc.Source())) << what;
    }
  }
  // No picture: the flag is set, bright points and result stay empty.
  TDocument doc;
  TStarSettings s;
  StarPreview(doc, s);
  EXPECT_TRUE(doc.BrightPointsReady());
  EXPECT_TRUE(doc.BrightPoints().Empty());
  EXPECT_TRUE(doc.Result().Empty());
}

// Random pages on random small pictures: every setting drawn afresh.
TEST(StarVsPlainLoops, RandomPreviews) {
  for (int rep = 0; rep < 300; ++rep) {
    const int w = Rand(1, 30), h = Rand(1, 22);
    const Pic source = rep % 5 == 0 ? NoisePicture(w, h) : SparsePicture(w, h, Rand(0, 1 + w * h / 10));
    TStarSettings s;
    s.Threshold = Rand(0, 1) ? Rand(0, 765) : 764;
    s.Density = Rand(0, 10);
    s.Length = Rand(0, 3) == 0 ? Rand(0, 256) : Rand(0, 12);
    s.Angle = Rand(0, 180);
    s.Intensity = Rand(0, 100);
    s.Kind = kKinds[Rand(0, 2)];
    s.SoftCross = Rand(0, 1) == 1;
    const bool ready = Rand(0, 5) == 0;
    const Pic readyPoints = PointsPicture(w, h, Rand(0, 5));
    const OwnPreviewOut want = OwnPreview(source, ready, readyPoints, s.Threshold, s.Density, s.Kind, s.Length,
                                          s.Intensity, s.Angle, s.SoftCross);
    TDocument doc;
    doc.OpenPicture(ToBitmap(source));
    doc.SetBrightPointsReady(ready);
    if (ready) doc.BrightPoints() = ToBitmap(readyPoints);
    StarPreview(doc, s);
    ASSERT_TRUE(SamePic(want.result, doc.Result()))
        << "run " << rep << ", " << w << "x" << h << " " << KindName(s.Kind) << " V " << s.Threshold << " M "
        << s.Density << " L " << s.Length << " R " << s.Angle << " D " << s.Intensity
        << (s.SoftCross ? " soft" : "") << (ready ? " ready" : "");
  }
}

}  // namespace
}  // namespace kira
