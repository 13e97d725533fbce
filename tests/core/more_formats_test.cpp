// TIFF, WebP, HEIC and AVIF, and transparency in PNG and GIF: pixels against
// another decoder's (references made by ImageMagick, dwebp and heif-convert),
// orientation, names that lie, and refusals that name the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "codec_test_util.h"
#include "core/image_files.h"
#include "core/orientation.h"
#include "core/photo_metadata.h"
#include "core/working_memory.h"

namespace kira {
namespace {

using testing::DataFile;
using testing::ReadBytes;

int MaxDiff(const TBitmap& a, const TBitmap& b) {
  int most = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int i = 0; i < a.Width() * 3; ++i) most = std::max(most, std::abs(a.ScanLine(y)[i] - b.ScanLine(y)[i]));
  }
  return most;
}

TEST(MoreFormats, PixelsAgreeWithAnotherDecoder) {
  struct Case {
    const char* file;
    const char* reference;
    int tolerance;  // 1 where the other decoder rounds alpha or CMYK its own way
  };
  const std::vector<Case> cases = {
      {"tiff/rgb8_lzw_strips.tif", "tiff/ref_rocket_64x48.png", 0},
      {"tiff/rgb8_deflate_tiles16.tif", "tiff/ref_rocket_64x48.png", 0},
      {"tiff/two_pages.tif", "tiff/ref_rocket_64x48.png", 0},
      {"tiff/rgb16.tif", "tiff/rgb16_ref.png", 0},
      {"tiff/grey8.tif", "tiff/grey8_ref.png", 0},
      {"tiff/grey16.tif", "tiff/grey16_ref.png", 0},
      {"tiff/palette.tif", "tiff/palette_ref.png", 0},
      {"tiff/cmyk.tif", "tiff/cmyk_ref.png", 1},
      {"tiff/rgba_unassociated.tif", "tiff/rgba_ref.png", 1},
      {"webp/lossless.webp", "tiff/ref_rocket_64x48.png", 0},
      {"webp/lossy.webp", "webp/lossy_ref.png", 0},
      {"webp/alpha_lossless.webp", "webp/alpha_ref.png", 1},
      {"webp/animated_2_frames.webp", "tiff/ref_rocket_64x48.png", 0},
      {"heif/rocket.heic", "heif/rocket_heic_ref.png", 0},
      {"heif/rocket.avif", "heif/rocket_avif_ref.png", 0},
      {"heif/phone_irot270_exif6.heic", "heif/phone_ref.png", 0},
      {"png/basn6a08.png", "over-white/basn6a08.png", 1},
      {"png/basn6a16.png", "over-white/basn6a16.png", 1},
      {"png/basn4a16.png", "over-white/basn4a16.png", 1},
      {"png/tbbn3p08.png", "over-white/tbbn3p08.png", 1},
      {"png/tbrn2c08.png", "over-white/tbrn2c08.png", 1},
      {"png/tbbn2c16.png", "over-white/tbbn2c16.png", 1},
      {"gif/gif89a_transparent_rocket.gif", "over-white/gif89a_transparent_rocket.png", 0},
  };
  for (const Case& c : cases) {
    const TLoadResult r = LoadPicture(DataFile(c.file));
    const std::optional<TBitmap> reference = testing::ReadPng(DataFile(c.reference));
    ASSERT_TRUE(r && reference) << c.file << ": " << r.error;
    ASSERT_EQ(r.bitmap->Width(), reference->Width()) << c.file;
    ASSERT_EQ(r.bitmap->Height(), reference->Height()) << c.file;
    EXPECT_LE(MaxDiff(*r.bitmap, *reference), c.tolerance) << c.file;
  }
}

TEST(MoreFormats, OrientationFromEachFormat) {
  struct Case {
    const char* file;
    bool turned;  // upright is 48 x 64, stored 64 x 48
    bool ours;    // turned by OrientUpright (HEIF: by libheif)
  };
  const std::vector<Case> cases = {
      {"png-exif/exif_orientation6.png", true, true},
      {"webp/exif_orientation6.webp", true, true},
      {"tiff/orientation6.tif", true, true},
      // libheif turns by the file's irot; the EXIF tag saying the same is
      // not applied a second time, nor one without irot.
      {"heif/phone_irot270_exif6.heic", true, false},
      {"heif/exif6_no_irot.heic", false, false},
  };
  for (const Case& c : cases) {
    const TLoadResult stored = LoadPicture(DataFile(c.file), TOrientation::Keep);
    const TLoadResult upright = LoadPicture(DataFile(c.file));
    ASSERT_TRUE(stored && upright) << c.file << ": " << stored.error << upright.error;
    EXPECT_EQ(stored.bitmap->Width(), 64) << c.file;
    EXPECT_EQ(upright.bitmap->Width(), c.turned ? 48 : 64) << c.file;
    if (c.ours) {
      TBitmap turned = *stored.bitmap;
      OrientUpright(turned, 6);
      EXPECT_TRUE(turned == *upright.bitmap) << c.file;
    }
    // The EXIF block kept for the saved photo, as read (a TIFF's made from its tags).
    const std::vector<std::uint8_t>& exif = upright.metadata.exif;
    EXPECT_EQ(ExifOrientation(exif.data(), exif.size()), 6) << c.file;
  }
  const std::vector<std::uint8_t> tiff = LoadPicture(DataFile("tiff/orientation6.tif")).metadata.exif;
  EXPECT_NE(std::string(tiff.begin(), tiff.end()).find("KiraCam"), std::string::npos);
  const std::vector<std::uint8_t> plain = LoadPicture(DataFile("tiff/grey8.tif")).metadata.exif;
  EXPECT_EQ(ExifOrientation(plain.data(), plain.size()), 1);
}

TEST(MoreFormats, ContentDecidesWhateverTheName) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"wrong-extension/png_exif6_content_named.jpg", "png-exif/exif_orientation6.png"},
      {"wrong-extension/tiff_content_named.bmp", "tiff/rgb8_lzw_strips.tif"},
      {"wrong-extension/webp_content_named.png", "webp/lossless.webp"},
      {"wrong-extension/heic_content_named.jpg", "heif/rocket.heic"},
      {"wrong-extension/bmp_content_named.jpg", "wrong-extension/bmp_content_named.jpg"},
  };
  for (const auto& [named, real] : cases) {
    const TLoadResult r = LoadPicture(DataFile(named));
    const TLoadResult any = LoadAnyPicture(DataFile(real));
    ASSERT_TRUE(r && any) << named << ": " << r.error;
    EXPECT_TRUE(*r.bitmap == testing::To24(*any.bitmap)) << named;
  }
  const std::string text = ::testing::TempDir() + "/words.jpg";
  testing::WriteBytes(text, "no picture here");
  EXPECT_EQ(LoadPicture(text).error, text + ": " + NotAPictureMessage());
  EXPECT_EQ(CheckPictureFile(text), text + ": " + NotAPictureMessage());
  EXPECT_EQ(CheckPictureFile(DataFile("wrong-extension/heic_content_named.jpg")), "");
}

TEST(MoreFormats, CutDamagedAndTooLargeFilesAreRefused) {
  std::mt19937 random(29);
  for (const char* name : {"tiff/rgb8_lzw_strips.tif", "tiff/rgb8_deflate_tiles16.tif", "tiff/rgb16.tif",
                           "webp/lossy.webp", "webp/alpha_lossless.webp", "webp/animated_2_frames.webp",
                           "heif/rocket.heic", "heif/rocket.avif", "png-exif/exif_orientation6.png"}) {
    const std::vector<std::uint8_t> bytes = ReadBytes(DataFile(name));
    // Cut anywhere in the first half: refused, and by LoadPicture with the path.
    const std::size_t step = std::max<std::size_t>(1, bytes.size() / 120);
    for (std::size_t n = 0; n < bytes.size() / 2; n += step) {
      const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
      const TLoadResult r = DecodeAnyPicture(cut.data(), cut.size());
      EXPECT_FALSE(r) << name << " cut at " << n;
      EXPECT_FALSE(r.error.empty()) << name << " cut at " << n;
    }
    const std::string path = ::testing::TempDir() + "/cut_" + FileNamePart(name);
    testing::WriteBytes(path, std::string(bytes.begin(), bytes.begin() + bytes.size() / 2));
    const TLoadResult cut = LoadPicture(path);
    EXPECT_FALSE(cut) << name;
    EXPECT_EQ(cut.error.rfind(path + ": ", 0), 0u) << cut.error;
    // Damaged anywhere: a picture or a refusal that says why, never a crash
    // (the sanitizer build reports reads outside the bytes).
    for (int round = 0; round < 60; ++round) {
      std::vector<std::uint8_t> damaged = bytes;
      for (int f = 1 + static_cast<int>(random() % 6); f > 0; --f) {
        damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
      }
      const TLoadResult r = DecodeAnyPicture(damaged.data(), damaged.size());
      EXPECT_TRUE(r ? !r.bitmap->Empty() : !r.error.empty()) << name << " round " << round;
    }
    // A working set that does not fit is refused before the pixels.
    SetAvailableMemoryForTests(1000);
    const TLoadResult tight = DecodeAnyPicture(bytes.data(), bytes.size());
    SetAvailableMemoryForTests(-1);
    EXPECT_FALSE(tight) << name;
    EXPECT_NE(tight.error.find("not enough memory to edit"), std::string::npos) << name << ": " << tight.error;
  }
}

TEST(MoreFormats, Signatures) {
  struct Case {
    std::string bytes;
    bool tiff, webp, heif;
  };
  const std::string ftyp = std::string("\0\0\0\x18" "ftyp", 8);
  const std::vector<Case> cases = {
      {std::string("II*\0", 4), true, false, false},
      {std::string("MM\0*", 4), true, false, false},
      {std::string("II+\0", 4), true, false, false},
      {std::string("MI*\0", 4), false, false, false},
      {std::string("RIFF\x10\0\0\0WEBP", 12), false, true, false},
      {std::string("RIFF\x10\0\0\0WAVE", 12), false, false, false},
      {ftyp + "heic" + std::string(4, '\0') + "mif1heic", false, false, true},
      {ftyp + "avif" + std::string(4, '\0') + "mif1miaf", false, false, true},
      {ftyp + "isom" + std::string(4, '\0') + "isomavif", false, false, true},
      {ftyp + "isom" + std::string(4, '\0') + "isommp42", false, false, false},
      {std::string("\0\0\0\x08" "ftypheic", 12) + std::string(8, '\0'), false, false, false},
  };
  for (const Case& c : cases) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
    EXPECT_EQ(IsTiffData(p, c.bytes.size()), c.tiff) << c.bytes;
    EXPECT_EQ(IsWebpData(p, c.bytes.size()), c.webp) << c.bytes;
    EXPECT_EQ(IsHeifData(p, c.bytes.size()), c.heif) << c.bytes;
  }
}

}  // namespace
}  // namespace kira
