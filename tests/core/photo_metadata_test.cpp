// Photo metadata from an opened JPEG to the saved one: EXIF kept with
// orientation 1 and no thumbnail, RGB profiles kept, damaged blocks dropped.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "core/image_files.h"
#include "core/photo_metadata.h"
#include "tests/core/codec_test_util.h"
#include "tests/core/phone_photo.h"

namespace kira {
namespace {

using namespace kira::testing;

TBitmap Gradient(int w, int h) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w * 3; ++x) b.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 5 + y * 11);
  }
  return b;
}

// Opens `jpeg` from memory, re-encodes the picture with what was read (the
// picture resized to saveW x saveH first, as an effect page might) and returns
// the saved file's bytes.
std::string RoundTrip(const std::string& jpeg, int saveW = 0, int saveH = 0) {
  TLoadResult r = DecodeJpeg(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
  EXPECT_TRUE(r) << r.error;
  if (!r) return {};
  TBitmap picture = saveW > 0 ? TBitmap(saveW, saveH, TPixelFormat::pf24bit) : *r.bitmap;
  TFileBytes out;
  std::string error;
  EXPECT_TRUE(EncodeJpeg(picture, r.metadata, out, &error)) << error;
  return std::string(out.View());
}

struct TKeptCase {
  const char* name;
  int orientation;  // in the source; 0 = none
  bool thumbnail;
  ExifByteOrder order;
  int saveW, saveH;  // 0: as opened
};

class ExifKept : public ::testing::TestWithParam<TKeptCase> {};

TEST_P(ExifKept, CameraDateAndGpsStayOrientationIsOneThumbnailGone) {
  const TKeptCase& c = GetParam();
  const TBytes icc = FakeIccProfile(560, "RGB ");
  const std::string source = PhoneJpeg(Gradient(12, 8), PhoneExif(c.orientation, c.thumbnail, 12, 8, c.order), icc);
  ASSERT_TRUE(SeeExif(MetadataOf(source).first).thumbnail == c.thumbnail);

  const std::string saved = RoundTrip(source, c.saveW, c.saveH);
  const auto [exif, profile] = MetadataOf(saved);
  const TExifSeen seen = SeeExif(exif);
  ASSERT_TRUE(seen.readable);
  EXPECT_EQ(seen.make, kPhoneMake);
  EXPECT_EQ(seen.date, kPhoneDate);
  EXPECT_EQ(seen.latitudeRef, "N");
  EXPECT_EQ(seen.latitude[2].numerator, 295u);
  EXPECT_EQ(seen.latitude[2].denominator, 10u);
  EXPECT_EQ(seen.orientation, 1);
  EXPECT_FALSE(seen.thumbnail);
  EXPECT_EQ(seen.thumbnailDirectoryEntries, 0u);
  // Opened upright: a 12 x 8 picture stored for orientation 5..8 is 8 x 12.
  const bool stoodUp = c.orientation >= 5;
  EXPECT_EQ(seen.pixelX, c.saveW > 0 ? c.saveW : stoodUp ? 8 : 12);
  EXPECT_EQ(seen.pixelY, c.saveW > 0 ? c.saveH : stoodUp ? 12 : 8);
  EXPECT_EQ(profile, icc);
  // The kept blocks come before the frame, the EXIF block first of them after
  // the JFIF header, so that viewers find it.
  const auto segments = Segments(saved);
  ASSERT_GE(segments.size(), 3u);
  EXPECT_EQ(segments[0].first, 0xE0);
  EXPECT_EQ(segments[1].first, 0xE1);
  EXPECT_EQ(segments[2].first, 0xE2);
}

INSTANTIATE_TEST_SUITE_P(
    Photos, ExifKept,
    ::testing::Values(TKeptCase{"TurnedPhoneShot", 6, true, EXIF_BYTE_ORDER_INTEL, 0, 0},
                      TKeptCase{"MotorolaOrderUpsideDown", 3, true, EXIF_BYTE_ORDER_MOTOROLA, 0, 0},
                      TKeptCase{"NoOrientationTag", 0, false, EXIF_BYTE_ORDER_INTEL, 0, 0},
                      TKeptCase{"TurnedAndResized", 8, true, EXIF_BYTE_ORDER_INTEL, 5, 9}),
    [](const auto& info) { return std::string(info.param.name); });

// Whatever is wrong with a block, the picture opens and saves without it and
// without an error.
struct TDamagedCase {
  const char* name;
  TBytes exif;
  TBytes icc;
  bool exifKept, iccKept;
};

TBytes Cut(TBytes b, std::size_t n) {
  b.resize(std::min(n, b.size()));
  return b;
}
TBytes Garbled(TBytes b) {
  for (std::size_t i = 6; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(b[i] * 31 + 17);
  return b;
}
TBytes Bytes(const char* s, std::size_t n) { return TBytes(s, s + n); }

class DamagedMetadata : public ::testing::TestWithParam<TDamagedCase> {};

TEST_P(DamagedMetadata, OpensAndSavesWithoutTheBadBlock) {
  const TDamagedCase& c = GetParam();
  const std::string source = PhoneJpeg(Gradient(9, 7), c.exif, c.icc);
  TLoadResult opened = DecodeJpeg(reinterpret_cast<const std::uint8_t*>(source.data()), source.size());
  ASSERT_TRUE(opened) << opened.error;
  // The sound block says orientation 6: the picture stands up. A damaged one
  // is no guide, so the pixels stay as stored.
  EXPECT_EQ(opened.bitmap->Width(), c.exifKept ? 7 : 9);
  const std::string saved = RoundTrip(source);
  ASSERT_FALSE(saved.empty());
  const auto [exif, profile] = MetadataOf(saved);
  EXPECT_EQ(!exif.empty(), c.exifKept);
  if (c.exifKept) {
    EXPECT_EQ(SeeExif(exif).make, kPhoneMake);
  }
  EXPECT_EQ(!profile.empty(), c.iccKept);
  if (c.iccKept) {
    EXPECT_EQ(profile, c.icc);
  }
}

const TBytes kGood = PhoneExif(6, true, 9, 7);

INSTANTIATE_TEST_SUITE_P(
    Blocks, DamagedMetadata,
    ::testing::Values(
        TDamagedCase{"HeaderOnly", Bytes("Exif\0\0", 6), {}, false, false},
        TDamagedCase{"CutInTheTiffHeader", Cut(kGood, 10), {}, false, false},
        TDamagedCase{"CutInTheFirstDirectory", Cut(kGood, 20), {}, false, false},
        TDamagedCase{"GarbledAfterTheHeader", Garbled(kGood), {}, false, false},
        TDamagedCase{"DirectoryOffsetPastTheEnd", Bytes("Exif\0\0II*\0\xff\xff\x00\x00", 14), {}, false, false},
        TDamagedCase{"NotExifButXmp", Bytes("http://ns.adobe.com/xap/1.0/\0<x/>", 33), {}, false, false},
        TDamagedCase{"ProfileForGrey", kGood, FakeIccProfile(300, "GRAY"), true, false},
        TDamagedCase{"ProfileForCmyk", kGood, FakeIccProfile(300, "CMYK"), true, false},
        TDamagedCase{"ProfileWithoutSignature", {}, FakeIccProfile(300, "RGB ", "xxxx"), false, false},
        TDamagedCase{"ProfileShorterThanItsHeader", {}, Cut(FakeIccProfile(300, "RGB "), 100), false, false},
        TDamagedCase{"LargeProfileInThreeChunks", kGood, FakeIccProfile(150000, "RGB "), true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PhotoMetadata, FilesCarryItFromLoadToSaveAndBmpHasNone) {
  const std::string dir = std::filesystem::temp_directory_path() / ("kira_meta_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const TBytes icc = FakeIccProfile(400, "RGB ");
  WriteBytes(dir + "/phone.jpg", PhoneJpeg(Gradient(10, 6), PhoneExif(6, true, 10, 6), icc));

  TLoadResult photo = LoadPicture(dir + "/phone.jpg");
  ASSERT_TRUE(photo) << photo.error;
  ASSERT_TRUE(SavePicture(*photo.bitmap, dir + "/kept.JPEG", photo.metadata));
  const TBytes kept = ReadBytes(dir + "/kept.JPEG");
  const auto [exif, profile] = MetadataOf(std::string(kept.begin(), kept.end()));
  EXPECT_EQ(SeeExif(exif).orientation, 1);
  EXPECT_EQ(profile, icc);

  // Through a BMP the metadata is gone: the BMP opens with none, and a JPEG
  // saved from it has no APP1 or APP2 segment.
  ASSERT_TRUE(SavePicture(*photo.bitmap, dir + "/plain.bmp", photo.metadata));
  TLoadResult bmp = LoadPicture(dir + "/plain.bmp");
  ASSERT_TRUE(bmp);
  EXPECT_TRUE(bmp.metadata.Empty());
  ASSERT_TRUE(SavePicture(*bmp.bitmap, dir + "/from_bmp.jpg", bmp.metadata));
  const TBytes fromBmp = ReadBytes(dir + "/from_bmp.jpg");
  for (const auto& [marker, payload] : Segments(std::string(fromBmp.begin(), fromBmp.end()))) {
    EXPECT_NE(marker, 0xE1);
    EXPECT_NE(marker, 0xE2);
  }
  // Saving without metadata gives the bytes of the plain encoder.
  TFileBytes plain;
  ASSERT_TRUE(EncodeJpeg(*bmp.bitmap, plain, nullptr));
  EXPECT_EQ(std::string(plain.View()), std::string(fromBmp.begin(), fromBmp.end()));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kira
