// The document carries a photo's metadata from open to save; opening a BMP
// (or any other file) replaces it.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "document/document.h"
#include "effects/geometry.h"
#include "tests/core/codec_test_util.h"
#include "tests/core/phone_photo.h"

namespace kira {
namespace {

using namespace kira::testing;

class DocumentMetadata : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("kira_docmeta_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string P(const char* name) const { return (dir / name).string(); }
  std::string Bytes(const char* name) const {
    const TBytes b = ReadBytes(P(name));
    return std::string(b.begin(), b.end());
  }
  std::filesystem::path dir;
};

TEST_F(DocumentMetadata, APhoneShotOpensUprightAndSavesSoWithCameraGpsAndProfile) {
  TBitmap picture(14, 10, TPixelFormat::pf24bit);
  for (int y = 0; y < 10; ++y)
    for (int i = 0; i < 42; ++i) picture.ScanLine(y)[i] = static_cast<std::uint8_t>(i * 6 + y * 20);
  const TBytes icc = FakeIccProfile(700, "RGB ");
  WriteBytes(P("phone.jpg"), PhoneJpeg(picture, PhoneExif(6, true, 14, 10), icc));

  TDocument doc;
  ASSERT_EQ(doc.OpenImageFile(P("phone.jpg")), TOpenOutcome::Opened);
  // Stored sideways with orientation 6: it opens standing, 10 x 14.
  ASSERT_EQ(doc.Source().Width(), 10);
  ASSERT_EQ(doc.Source().Height(), 14);
  doc.Apply([&] { doc.PreviewInPlace([](TBitmap& b) { return FlipBitmap(b, 1); }); });
  ASSERT_TRUE(doc.SaveShownImage(P("saved.jpg")));
  // The saved file says orientation 1 and is stored upright: read with or
  // without its orientation it is the picture the editor showed.
  const TLoadResult applied = LoadPicture(P("saved.jpg"));
  const TLoadResult kept = LoadPicture(P("saved.jpg"), TOrientation::Keep);
  ASSERT_TRUE(applied && kept);
  EXPECT_TRUE(*applied.bitmap == *kept.bitmap);
  ASSERT_EQ(applied.bitmap->Width(), 10);
  EXPECT_LT(MeanAbsDiff(*applied.bitmap, doc.Source()), 8.0);

  const auto [exif, profile] = MetadataOf(Bytes("saved.jpg"));
  const TExifSeen seen = SeeExif(exif);
  EXPECT_EQ(seen.make, kPhoneMake);
  EXPECT_EQ(seen.date, kPhoneDate);
  EXPECT_EQ(seen.latitudeRef, "N");
  EXPECT_EQ(seen.orientation, 1);
  EXPECT_FALSE(seen.thumbnail);
  EXPECT_EQ(seen.pixelX, 10);
  EXPECT_EQ(seen.pixelY, 14);
  EXPECT_EQ(profile, icc);

  // A BMP opened next has no metadata: nothing of the photo's goes with it.
  ASSERT_TRUE(doc.SaveShownImage(P("saved.bmp")));
  ASSERT_EQ(doc.OpenImageFile(P("saved.bmp")), TOpenOutcome::Opened);
  ASSERT_TRUE(doc.SaveShownImage(P("from_bmp.jpg")));
  const auto [noExif, noProfile] = MetadataOf(Bytes("from_bmp.jpg"));
  EXPECT_TRUE(noExif.empty());
  EXPECT_TRUE(noProfile.empty());

  // A failed open keeps the picture and its metadata.
  ASSERT_EQ(doc.OpenImageFile(P("phone.jpg")), TOpenOutcome::Opened);
  EXPECT_EQ(doc.OpenImageFile(P("missing.jpg")), TOpenOutcome::Failed);
  ASSERT_TRUE(doc.SaveShownImage(P("again.jpg")));
  EXPECT_EQ(SeeExif(MetadataOf(Bytes("again.jpg")).first).make, kPhoneMake);
}

}  // namespace
}  // namespace kira
