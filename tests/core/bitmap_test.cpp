#include <gtest/gtest.h>

#include <type_traits>

#include <cmath>
#include <cstring>

#include "core/bitmap.h"
#include "core/rounding.h"

namespace kira {
namespace {

TEST(Rounding, RoundClampByteLimitsThenRoundsHalvesToEven) {
  EXPECT_EQ(RoundClampByte(-0.3L), 0);
  EXPECT_EQ(RoundClampByte(255.2L), 255);
  EXPECT_EQ(RoundClampByte(255.0L), 255);
  EXPECT_EQ(RoundClampByte(127.5L), 128);
  EXPECT_EQ(RoundClampByte(126.5L), 126);
  EXPECT_EQ(RoundClampByte(0.5L), 0);
  EXPECT_EQ(RoundClampByte(1.5L), 2);
  EXPECT_EQ(RoundClampByte(2.5L), 2);
  EXPECT_EQ(RoundClampByte(254.5L), 254);
  EXPECT_EQ(RoundClampByte(std::nanl("")), 0);
}

TEST(Rounding, RoundHalfAwayAndClampByte) {
  EXPECT_EQ(RoundHalfAway(2.5L), 3);
  EXPECT_EQ(RoundHalfAway(1.5L), 2);
  EXPECT_EQ(RoundHalfAway(0.49L), 0);
  EXPECT_EQ(RoundHalfAway(0.5L), 1);
  EXPECT_EQ(RoundHalfAway(-0.5L), -1);
  EXPECT_EQ(RoundHalfAway(-2.5L), -3);
  // 0.49999999999999994 + 0.5 rounds up to 1 in double but not in extended.
  EXPECT_EQ(RoundHalfAway(0.49999999999999994L), 0);
  EXPECT_EQ(ClampByte(254.5), 255);
  EXPECT_EQ(ClampByte(255.5), 255);
  EXPECT_EQ(ClampByte(300.0), 255);
  EXPECT_EQ(ClampByte(0.5), 1);
  EXPECT_EQ(ClampByte(-0.4), 0);
  EXPECT_EQ(ClampByte(-0.5), 0);
  EXPECT_EQ(ClampByte(1e300), 255);
  EXPECT_EQ(ClampByte(-1e300), 0);
}

TEST(Rounding, RoundHalfEven) {
  EXPECT_EQ(RoundHalfEven(2.5L), 2);
  EXPECT_EQ(RoundHalfEven(3.5L), 4);
  EXPECT_EQ(RoundHalfEven(-2.5L), -2);
  EXPECT_EQ(RoundHalfEven(0.5L), 0);
  EXPECT_EQ(RoundHalfEven(1e30L), INT32_MAX);
}

TEST(Bitmap, RowsArePaddedToFourBytesAndNumberedFromTheTop) {
  TBitmap b(5, 3);
  EXPECT_EQ(b.Stride(), 16);  // 15 bytes padded to 16
  EXPECT_EQ(TBitmap(1, 1, TPixelFormat::pf8bit).Stride(), 4);
  EXPECT_EQ(TBitmap(33, 1, TPixelFormat::pf1bit).Stride(), 8);
  TBmpData24 d(b);
  EXPECT_EQ(d.Pixel(0, 0), b.ScanLine(0));
  EXPECT_EQ(d.Pixel(1, 0), b.ScanLine(0) + 3);
  EXPECT_EQ(d.Pixel(0, 2), b.ScanLine(2));
  EXPECT_EQ(d.Width(), 5);
  EXPECT_EQ(d.Height(), 3);
  const TBitmap& read = b;
  const TConstBmpData24 c(read);  // a view of a const picture reads only
  EXPECT_EQ(c.Pixel(4, 2), read.ScanLine(2) + 12);
  static_assert(std::is_same_v<decltype(c.Row(0)), const std::uint8_t*>);
}

TEST(Bitmap, AccessorOverEmptyBitmapHasNoRows) {
  TBitmap b(7, 0);
  TBmpData24 d(b);
  EXPECT_EQ(d.Height(), 0);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, SetBitAddressesTheMostSignificantBitFirst) {
  TBitmap b(16, 2, TPixelFormat::pf1bit);
  TBmpData1 d(b);
  d.SetBit(0, 1, true);
  EXPECT_EQ(b.ScanLine(1)[0], 128);
  d.SetBit(9, 1, true);
  EXPECT_EQ(b.ScanLine(1)[1], 64);
  d.SetBit(0, 1, false);
  EXPECT_EQ(b.ScanLine(1)[0], 0);
  EXPECT_EQ(b.ScanLine(1)[1], 64);
  EXPECT_EQ(b.ScanLine(0)[0], 0);
}

TEST(Bitmap, CopiesAreIndependentAndMovesEmptyTheSource) {
  TBitmap a(2, 2);
  a.ScanLine(0)[0] = 9;
  TBitmap b = DuplicateBitmap(a);
  b.ScanLine(0)[0] = 1;
  EXPECT_EQ(a.ScanLine(0)[0], 9);
  TBitmap c = std::move(a);
  EXPECT_TRUE(a.Empty());
  EXPECT_EQ(c.ScanLine(0)[0], 9);
}

TEST(Bitmap, StorageGivenBackIsReusedAndReadsAsFresh) {
  // A large block given back comes back to the next picture of its length:
  // zero-filled when made fresh, written over by a same-length assignment.
  const auto fill = [](TBitmap& b, std::uint8_t v) {
    for (int y = 0; y < b.Height(); ++y) std::memset(b.ScanLine(y), v, b.Stride());
  };
  const auto allBytes = [](const TBitmap& b, std::uint8_t v) {
    for (int y = 0; y < b.Height(); ++y)
      for (int i = 0; i < b.Stride(); ++i)
        if (b.ScanLine(y)[i] != v) return false;
    return true;
  };
  TBitmap a(2000, 1500);
  fill(a, 7);
  const std::uint8_t* storage = a.Bits();
  a.Clear();
  TBitmap b(2000, 1500);
  EXPECT_EQ(b.Bits(), storage);
  EXPECT_TRUE(allBytes(b, 0));
  TBitmap c(1500, 2000);
  fill(c, 9);
  b = c;  // another shape, the same length: the same storage
  EXPECT_EQ(b.Bits(), storage);
  EXPECT_EQ(b, c);
  // Made for overwriting: padding and the shape as usual, palette included.
  for (const TPixelFormat f : {TPixelFormat::pf24bit, TPixelFormat::pf8bit, TPixelFormat::pf1bit}) {
    TBitmap big(3001, 1000, f);
    fill(big, 0xAB);
    big.Clear();
    TBitmap small(5, 3, f);
    fill(small, 0xCD);
    small.Clear();
    for (const int w : {3001, 5}) {
      const int h = w == 5 ? 3 : 1000;
      const TBitmap o = TBitmap::ForOverwrite(w, h, f);
      const TBitmap z(w, h, f);
      ASSERT_EQ(o.Width(), w);
      ASSERT_EQ(o.Stride(), z.Stride());
      ASSERT_EQ(o.ColorTable(), z.ColorTable());
      const int used = (w * static_cast<int>(f) + 7) / 8;
      for (int y = 0; y < h; ++y)
        for (int i = used; i < o.Stride(); ++i) ASSERT_EQ(o.ScanLine(y)[i], 0) << w << " " << static_cast<int>(f);
    }
  }
}

TEST(Bitmap, ResizeKeepsTheTopLeftAndBlackensNewPixels) {
  TBitmap b(2, 2);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 6; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(10 * y + i + 1);
  b.SetSize(3, 1);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(b.ScanLine(0)[i], i + 1);
  for (int i = 6; i < 9; ++i) EXPECT_EQ(b.ScanLine(0)[i], 0);
  b.SetSize(-4, 5);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, PaletteFormatsExpandThroughTheColourTable) {
  TBitmap p(3, 1, TPixelFormat::pf8bit);
  p.ColorTable()[7] = TRGBQuad{1, 2, 3, 0};
  p.ScanLine(0)[1] = 7;
  p.SetPixelFormat(TPixelFormat::pf24bit);
  const std::uint8_t* r = p.ScanLine(0);
  EXPECT_EQ(r[0], 0);
  EXPECT_EQ(r[3], 1);
  EXPECT_EQ(r[4], 2);
  EXPECT_EQ(r[5], 3);

  TBitmap m(10, 1, TPixelFormat::pf1bit);
  m.ColorTable()[0] = TRGBQuad{0, 0, 200, 0};
  m.ColorTable()[1] = TRGBQuad{50, 60, 70, 0};
  TBmpData1(m).SetBit(9, 0, true);
  m.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(m.ScanLine(0)[2], 200);
  EXPECT_EQ(m.ScanLine(0)[27], 50);
  EXPECT_EQ(m.ScanLine(0)[29], 70);
}

TEST(Bitmap, ConvertToGrey8UsesTruncatedWeightedSum) {
  TBitmap b(4, 1);
  const std::uint8_t px[4][3] = {{255, 255, 255}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
  for (int x = 0; x < 4; ++x)
    for (int c = 0; c < 3; ++c) b.ScanLine(0)[3 * x + c] = px[x][c];
  ASSERT_TRUE(ConvertToGrey8(b));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  const std::uint8_t* g = b.ScanLine(0);
  EXPECT_EQ(g[0], 255);
  EXPECT_EQ(g[1], 76);
  EXPECT_EQ(g[2], 149);
  EXPECT_EQ(g[3], 29);
  EXPECT_EQ(b.ColorTable()[200], (TRGBQuad{200, 200, 200, 0}));
  // An 8-bit bitmap is refused and left as it is.
  const TBitmap before = b;
  EXPECT_FALSE(ConvertToGrey8(b));
  EXPECT_EQ(b, before);
}

TEST(Bitmap, GreyLevelsThatLoseOneInExtendedPrecision) {
  TBitmap b(256, 1);
  for (int v = 0; v < 256; ++v)
    for (int c = 0; c < 3; ++c) b.ScanLine(0)[3 * v + c] = static_cast<std::uint8_t>(v);
  ASSERT_TRUE(ConvertToGrey8(b));
  for (int v = 0; v < 256; ++v) {
    const bool loses = v == 63 || v == 126 || v == 215 || v == 229 || v == 252;
    EXPECT_EQ(b.ScanLine(0)[v], loses ? v - 1 : v) << v;
  }
}

}  // namespace
}  // namespace kira
