// A second reading of the image window's pointer-to-pixel
// conversion as the bright-point editing uses it: the put point and the cut
// rectangle, written from the rules with their own rounding, compared with the
// library's functions and with whole releases of the mouse on a document.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "core/bitmap.h"
#include "document/document.h"
#include "starfilter/editing.h"
#include "pages/star_page.h"

namespace kira {
namespace {

// Nearest integer; an exact half goes to the even neighbour.
int HalfEven(long double x) {
  const long double f = std::floor(x);
  const long double d = x - f;
  const auto fi = static_cast<int>(f);
  if (d < 0.5L) return fi;
  if (d > 0.5L) return fi + 1;
  return fi % 2 == 0 ? fi : fi + 1;
}

int PlainPixel(int pos, int z) { return HalfEven(static_cast<long double>(pos * 100) / z); }

TPixelRect PlainCutRect(int px, int py, int cx, int cy, int left, int top, int z) {
  return {HalfEven(static_cast<long double>((std::min(px, cx) - left) * 100) / z),
          HalfEven(static_cast<long double>((std::min(py, cy) - top) * 100) / z),
          HalfEven(static_cast<long double>((std::max(px, cx) - left) * 100) / z),
          HalfEven(static_cast<long double>((std::max(py, cy) - top) * 100) / z)};
}

TEST(PointerVsPlainLoops, ConversionAtEveryPercent) {
  for (int z = 5; z <= 250; z += 5)
    for (int pos = -1500; pos <= 1500; ++pos)
      ASSERT_EQ(PointerToPixel(pos, z), PlainPixel(pos, z)) << pos << " at " << z;
  EXPECT_EQ(PointerToPixel(10, 100), 10);
  EXPECT_EQ(PointerToPixel(20, 200), 10);
  EXPECT_EQ(PointerToPixel(5, 50), 10);
  EXPECT_EQ(PointerToPixel(1, 40), 2);    // 2.5 -> 2
  EXPECT_EQ(PointerToPixel(-1, 40), -2);  // -2.5 -> -2
  EXPECT_EQ(PointerToPixel(3, 200), 2);   // 1.5 -> 2
}

TEST(PointerVsPlainLoops, SelectionShapeAndRectangle) {
  std::mt19937 rng(31);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int k = 0; k < 100000; ++k) {
    const int px = pick(-800, 800), py = pick(-800, 800);
    const int cx = k % 5 == 0 ? px : pick(-800, 800), cy = pick(-800, 800);
    const int left = pick(-600, 600), top = pick(-600, 600), z = 5 * pick(1, 50);
    ASSERT_EQ(SelectionToPixels(px, py, cx, cy, left, top, z),
              PlainCutRect(px, py, cx, cy, left, top, z))
        << px << "," << py << " " << cx << "," << cy << " at " << left << "," << top << " " << z;
    ASSERT_EQ(SelectionShape(px, py, cx, cy),
              (TShapeRect{std::min(px, cx), std::min(py, cy), std::abs(cx - px), std::abs(cy - py)}));
  }
}

// Whole releases on a small document: the put point lands on the converted
// pixel (a point off the picture is ignored), the cut clears the converted,
// clipped rectangle with exclusive right and bottom edges.
TEST(PointerVsPlainLoops, ReleasesOnTheBrightPoints) {
  std::mt19937 rng(5);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int k = 0; k < 600; ++k) {
    const int w = pick(1, 19), h = pick(1, 13);
    TDocument doc;
    doc.OpenPicture(TBitmap(w, h));
    doc.ShowSource();
    doc.SetZoomPercent(5 * pick(1, 50));
    TBitmap white(w, h);
    for (int y = 0; y < h; ++y) std::fill_n(white.ScanLine(y), 3 * w, std::uint8_t{255});
    TBitmap black(w, h);
    const bool put = k % 2 == 0;
    doc.BrightPoints() = put ? black : white;
    doc.SetBrightPointsReady(true);
    TStarSettings s;
    s.Tool = put ? TEditTool::Put : TEditTool::Cut;
    s.PointSize = pick(1, 3);
    TStarSelection sel;
    const int left = pick(-30, 30), top = pick(-30, 30);
    const int z = doc.ZoomPercent();
    std::vector<std::uint8_t> want(static_cast<std::size_t>(w) * h, put ? 0 : 255);
    auto set = [&](int x, int y, std::uint8_t v) {
      if (x >= 0 && x < w && y >= 0 && y < h) want[static_cast<std::size_t>(y) * w + x] = v;
    };
    const int x = pick(-20, 3 * w * z / 100 + 5), y = pick(-20, 3 * h * z / 100 + 5);
    if (put) {
      const int ix = PlainPixel(x, z), iy = PlainPixel(y, z);
      if (ix >= 0 && ix < w && iy >= 0 && iy < h) {
        if (s.PointSize == 1) set(ix, iy, 255);
        if (s.PointSize == 2)
          for (int dy = 0; dy <= 1; ++dy)
            for (int dx = 0; dx <= 1; ++dx) set(ix + dx, iy + dy, 255);
        if (s.PointSize == 3)
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) set(ix + dx, iy + dy, 255);
      }
    } else {
      const int pressX = pick(-20, 60) + left, pressY = pick(-20, 60) + top;
      ASSERT_TRUE(StarMouseDown(doc, s, pressX, pressY, sel));
      const int cx = x + left, cy = y + top;
      if (cx != pressX && cy != pressY) {
        const TPixelRect r = PlainCutRect(pressX, pressY, cx, cy, left, top, z);
        for (int yy = r.Top; yy < r.Bottom; ++yy)
          for (int xx = r.Left; xx < r.Right; ++xx) set(xx, yy, 0);
      }
    }
    StarMouseUp(doc, s, sel, x, y, left, top);
    const TBitmap& bp = doc.BrightPoints();
    ASSERT_EQ(bp.Width(), w);
    ASSERT_EQ(bp.Height(), h);
    for (int yy = 0; yy < h; ++yy)
      for (int xx = 0; xx < w; ++xx)
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(bp.ScanLine(yy)[3 * xx + c], want[static_cast<std::size_t>(yy) * w + xx])
              << "case " << k << " pixel " << xx << "," << yy << (put ? " put" : " cut");
  }
}

}  // namespace
}  // namespace kira
