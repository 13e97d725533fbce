// JPEG files stand upright by their EXIF orientation: the turn against a
// plain loop written from the tag's wording, the tag read from good and
// damaged blocks, and decoded photos of all eight orientations.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "core/orientation.h"
#include "tests/core/codec_test_util.h"
#include "tests/core/phone_photo.h"

namespace kira {
namespace {

using namespace kira::testing;

// The tag's wording: the side of the upright picture that stored row 0 and
// stored column 0 lie on.
enum class TSide { Top, Bottom, Left, Right };
struct TMeaning {
  TSide row0, column0;
};
constexpr TMeaning kMeanings[9] = {{},
                                   {TSide::Top, TSide::Left},     {TSide::Top, TSide::Right},
                                   {TSide::Bottom, TSide::Right}, {TSide::Bottom, TSide::Left},
                                   {TSide::Left, TSide::Top},     {TSide::Right, TSide::Top},
                                   {TSide::Right, TSide::Bottom}, {TSide::Left, TSide::Bottom}};

// Each stored pixel put where the wording says, one at a time.
TBitmap PlainUpright(const TBitmap& stored, int orientation) {
  const TMeaning m = kMeanings[orientation];
  const int w = stored.Width(), h = stored.Height();
  const bool rowsStandUp = m.row0 == TSide::Left || m.row0 == TSide::Right;
  TBitmap upright(rowsStandUp ? h : w, rowsStandUp ? w : h);
  for (int sy = 0; sy < h; ++sy) {
    for (int sx = 0; sx < w; ++sx) {
      int ux, uy;
      if (rowsStandUp) {
        ux = m.row0 == TSide::Left ? sy : h - 1 - sy;
        uy = m.column0 == TSide::Top ? sx : w - 1 - sx;
      } else {
        uy = m.row0 == TSide::Top ? sy : h - 1 - sy;
        ux = m.column0 == TSide::Left ? sx : w - 1 - sx;
      }
      std::memcpy(upright.ScanLine(uy) + 3 * ux, stored.ScanLine(sy) + 3 * sx, 3);
    }
  }
  return upright;
}

TBitmap RandomPicture(int w, int h, std::mt19937& rng) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
  return b;
}

TEST(Orientation, EveryValueMatchesThePlainLoopOnOddAndTinySizes) {
  std::mt19937 rng(22);
  const int sizes[][2] = {{1, 1}, {1, 5}, {5, 1}, {2, 2}, {3, 2}, {17, 13}, {31, 33}, {64, 32}, {97, 45}, {1, 67}, {67, 1}};
  for (const auto& s : sizes) {
    const TBitmap stored = RandomPicture(s[0], s[1], rng);
    for (int o = 1; o <= 8; ++o) {
      SCOPED_TRACE(::testing::Message() << s[0] << "x" << s[1] << " orientation " << o);
      TBitmap turned = stored;
      const std::uint8_t* before = turned.Bits();
      ASSERT_TRUE(OrientUpright(turned, o));
      EXPECT_TRUE(turned == PlainUpright(stored, o));
      EXPECT_EQ(OrientationSwapsSides(o), o >= 5);
      if (!OrientationSwapsSides(o)) {
        EXPECT_EQ(turned.Bits(), before);  // no copy made
      }
    }
  }
  // Values no camera writes leave the picture; other depths are refused.
  for (int o : {0, 9, -1, 65535}) {
    TBitmap same = RandomPicture(7, 3, rng);
    const TBitmap before = same;
    EXPECT_TRUE(OrientUpright(same, o));
    EXPECT_TRUE(same == before) << o;
  }
  TBitmap grey(5, 3, TPixelFormat::pf8bit);
  EXPECT_FALSE(OrientUpright(grey, 6));
  EXPECT_EQ(grey.Width(), 5);
}

// A TIFF block by hand: byte order, then one directory entry for the tag.
TBytes HandExif(bool intel, int type, std::uint32_t count, int value, std::uint32_t directory = 8) {
  const auto u16 = [&](TBytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(intel ? v & 0xFF : v >> 8));
    b.push_back(static_cast<std::uint8_t>(intel ? v >> 8 : v & 0xFF));
  };
  const auto u32 = [&](TBytes& b, std::uint32_t v) {
    u16(b, intel ? v & 0xFFFF : v >> 16);
    u16(b, intel ? v >> 16 : v & 0xFFFF);
  };
  TBytes b = {'E', 'x', 'i', 'f', 0, 0, intel ? std::uint8_t{'I'} : std::uint8_t{'M'}, intel ? std::uint8_t{'I'} : std::uint8_t{'M'}};
  u16(b, 42);
  u32(b, directory);
  u16(b, 1);
  u16(b, 0x0112);
  u16(b, static_cast<unsigned>(type));
  u32(b, count);
  u16(b, static_cast<unsigned>(value));
  u16(b, 0);
  u32(b, 0);  // no next directory
  return b;
}

TEST(Orientation, ReadFromTheMainDirectoryOnlyWhenSound) {
  const struct {
    const char* what;
    TBytes exif;
    int expected;
  } cases[] = {
      {"phone, Intel order", PhoneExif(6, true, 12, 8, EXIF_BYTE_ORDER_INTEL), 6},
      {"phone, Motorola order", PhoneExif(7, true, 12, 8, EXIF_BYTE_ORDER_MOTOROLA), 7},
      {"no tag", PhoneExif(0, false, 12, 8), 1},
      {"value 0", HandExif(true, 3, 1, 0), 1},
      {"value 9", PhoneExif(9, false, 12, 8), 1},
      {"hand, Intel", HandExif(true, 3, 1, 8), 8},
      {"hand, Motorola", HandExif(false, 3, 1, 5), 5},
      {"LONG instead of SHORT", HandExif(true, 4, 1, 6), 1},
      {"two values", HandExif(true, 3, 2, 6), 1},
      {"directory past the end", HandExif(true, 3, 1, 6, 4000), 1},
      {"directory offset wraps", HandExif(false, 3, 1, 6, 0xFFFFFFFF), 1},
      {"no EXIF header", TBytes{'J', 'F', 'I', 'F', 0, 0, 'I', 'I', 42, 0}, 1},
      {"empty", TBytes{}, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ExifOrientation(c.exif.data(), c.exif.size()), c.expected) << c.what;
  // Cut anywhere, a block reads as stored or, once the entry is whole, as 6;
  // never beyond its bytes (the sanitized build checks that).
  const TBytes whole = PhoneExif(6, true, 12, 8);
  for (std::size_t n = 0; n <= whole.size(); ++n) {
    const TBytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    const int o = ExifOrientation(cut.data(), cut.size());
    EXPECT_TRUE(o == 1 || o == 6) << n;
  }
}

// A small real photo stored as the camera would for each orientation: the
// same compressed pixels, an EXIF block saying how to stand them up.
TEST(Orientation, JpegOpensUprightForAllEightValuesAndKeepGivesTheStoredPixels) {
  const TBytes raw = ReadBytes(DataFile("jpeg/odd_17x13.jpg"));
  const std::string plain(raw.begin(), raw.end());
  const auto decode = [](const std::string& f, TOrientation how = TOrientation::Apply) {
    return DecodeJpeg(reinterpret_cast<const std::uint8_t*>(f.data()), f.size(), how);
  };
  const TLoadResult stored = decode(plain);
  ASSERT_TRUE(stored) << stored.error;
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(o);
    const std::string file =
        WithExif(plain, PhoneExif(o, o % 2 == 0, 17, 13, o % 2 ? EXIF_BYTE_ORDER_INTEL : EXIF_BYTE_ORDER_MOTOROLA));
    const TLoadResult upright = decode(file);
    ASSERT_TRUE(upright) << upright.error;
    EXPECT_EQ(upright.bitmap->Width(), o >= 5 ? 13 : 17);
    EXPECT_TRUE(*upright.bitmap == PlainUpright(*stored.bitmap, o));
    const TLoadResult kept = decode(file, TOrientation::Keep);
    ASSERT_TRUE(kept) << kept.error;
    EXPECT_TRUE(*kept.bitmap == *stored.bitmap);
    EXPECT_FALSE(kept.metadata.exif.empty());
    // The thumbnails read by content: the same upright picture.
    const TLoadResult byContent = DecodeAnyPicture(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    ASSERT_TRUE(byContent) << byContent.error;
    EXPECT_TRUE(*byContent.bitmap == *upright.bitmap);
  }
  // A file tagged by exiftool (orientation 6) through the editor's reader.
  const TLoadResult tagged = LoadPicture(DataFile("jpeg/orientation_tag_6.jpg"));
  const TLoadResult asStored = LoadPicture(DataFile("jpeg/orientation_tag_6.jpg"), TOrientation::Keep);
  ASSERT_TRUE(tagged && asStored) << tagged.error << asStored.error;
  EXPECT_EQ(tagged.bitmap->Width(), 427);
  EXPECT_EQ(tagged.bitmap->Height(), 640);
  EXPECT_TRUE(*tagged.bitmap == PlainUpright(*asStored.bitmap, 6));
}

}  // namespace
}  // namespace kira
