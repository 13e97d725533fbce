#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "core/image_files.h"
#include "core/stop_request.h"
#include "tests/core/codec_test_util.h"

namespace kira {
namespace {

using namespace kira::testing;

TLoadResult LoadJpeg(const std::string& name) { return LoadJpegFile(DataFile(name)); }

double Psnr(const TBitmap& a, const TBitmap& b) {
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int i = 0; i < a.Width() * 3; ++i) {
      const double d = a.ScanLine(y)[i] - b.ScanLine(y)[i];
      sum += d * d;
    }
  }
  const double mse = sum / (3.0 * a.Width() * a.Height());
  return 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(JpegFiles, GreyscaleGivesEqualChannels) {
  for (const char* name : {"jpeg/grey_camera_512.jpg", "jpeg/grey_progressive_astronaut.jpg"}) {
    SCOPED_TRACE(name);
    const TLoadResult r = LoadJpeg(name);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.bitmap->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_TRUE(IsGrey(*r.bitmap));
  }
  EXPECT_EQ(LoadJpeg("jpeg/grey_camera_512.jpg").bitmap->Width(), 512);
}

// Every variant of the rocket photo decodes at its size and shows the same
// picture as the 4:4:4 file (colour order right: a B/R swap would fail this).
TEST(JpegFiles, VariantsOfOnePhotoAgree) {
  const TLoadResult ref = LoadJpeg("jpeg/sampling_444.jpg");
  ASSERT_TRUE(ref) << ref.error;
  for (const char* name :
       {"jpeg/sampling_420.jpg", "jpeg/sampling_422.jpg", "jpeg/sampling_440.jpg", "jpeg/sampling_411.jpg",
        "jpeg/progressive_rocket.jpg", "jpeg/restart_every_row.jpg", "jpeg/restart_every_7_mcus.jpg",
        "jpeg/restart_progressive.jpg", "jpeg/q100_optimized.jpg", "jpeg/arithmetic_coded.jpg",
        "jpeg/rgb_colourspace_no_ycc.jpg", "jpeg/cmyk_rocket.jpg",
        "jpeg/no_jfif_app0.jpg", "jpeg/fill_bytes_before_marker.jpg", "jpeg/trailing_bytes_after_eoi.jpg",
        "photos/rocket.jpg"}) {
    SCOPED_TRACE(name);
    const TLoadResult r = LoadJpeg(name);
    ASSERT_TRUE(r) << r.error;
    ASSERT_EQ(r.bitmap->Width(), 640);
    ASSERT_EQ(r.bitmap->Height(), 427);
    EXPECT_GT(Psnr(*r.bitmap, *ref.bitmap), 30.0);
  }
  // Quality 5 is far off in detail but must still be the same picture.
  const TLoadResult low = LoadJpeg("jpeg/q5_low.jpg");
  ASSERT_TRUE(low) << low.error;
  EXPECT_LT(MeanAbsDiff(*low.bitmap, *ref.bitmap), 12.0);
}

TEST(JpegFiles, SizesOfRealAndOddFiles) {
  const struct {
    const char* name;
    int width, height;
  } cases[] = {{"photos/hubble_deep_field.jpg", 1000, 872},
               {"photos/grace_hopper.jpg", 512, 600},
               {"photos/aitzgorri_by_Aitzol_Berasategi_800px.jpg", 800, 533},
               {"jpeg/ijg_testorig.jpg", 227, 149},
               {"jpeg/ijg_testimgint.jpg", 227, 149},
               {"jpeg/ijg_testimgari_arithmetic.jpg", 227, 149},
               {"jpeg/tiny_1x1.jpg", 1, 1},
               {"jpeg/odd_17x13.jpg", 17, 13},
               {"jpeg/strip_1000x1.jpg", 1000, 1},
               {"jpeg/strip_1x1000.jpg", 1, 1000},
               {"jpeg/tall_100x300.jpg", 100, 300},
               {"jpeg/portrait_480x640.jpg", 480, 640}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TLoadResult r = LoadJpeg(c.name);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.bitmap->Width(), c.width);
    EXPECT_EQ(r.bitmap->Height(), c.height);
  }
  for (const char* name : {"jpeg/upper_case_ext.JPG", "jpeg/mixed_case_ext.JpEg", "jpeg/jpeg_ext.jpeg"}) {
    EXPECT_TRUE(LoadPicture(DataFile(name))) << name;
  }
}

// The reduced decode of a first view: each side 1/scale rounded up, the
// full upright size beside it, scale 1 (and a scale libjpeg lacks) the full
// decode; a stop request ends any decode with TStopped.
TEST(JpegFiles, ScaledDecodeAndStop) {
  for (const char* name : {"jpeg/odd_17x13.jpg", "jpeg/strip_1x1000.jpg", "jpeg/tiny_1x1.jpg",
                           "jpeg/progressive_rocket.jpg", "jpeg/cmyk_rocket.jpg", "jpeg/portrait_480x640.jpg"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> bytes = ReadBytes(DataFile(name));
    const TLoadResult full = DecodeJpeg(bytes.data(), bytes.size());
    ASSERT_TRUE(full) << full.error;
    const int w = full.bitmap->Width(), h = full.bitmap->Height();
    for (int scale : {1, 2, 3, 4, 8}) {
      int fw = 0, fh = 0;
      const TLoadResult r = DecodeJpegScaled(bytes.data(), bytes.size(), scale, TOrientation::Apply, &fw, &fh);
      ASSERT_TRUE(r) << r.error;
      const int s = scale == 3 ? 1 : scale;
      EXPECT_EQ(r.bitmap->Width(), (w + s - 1) / s);
      EXPECT_EQ(r.bitmap->Height(), (h + s - 1) / s);
      EXPECT_EQ(fw, w);
      EXPECT_EQ(fh, h);
      if (s == 1) EXPECT_TRUE(*r.bitmap == *full.bitmap);
    }
    int sw = 0, sh = 0;
    EXPECT_TRUE(JpegStoredSize(bytes.data(), bytes.size(), sw, sh));
    EXPECT_EQ(sw, w);
    const std::atomic<bool> stop{true};
    const TStopScope scope(&stop);
    EXPECT_THROW(DecodeJpeg(bytes.data(), bytes.size()), TStopped);
  }
  int sw = 0, sh = 0;
  const std::uint8_t junk[] = {0xFF, 0xD8, 0x00};
  EXPECT_FALSE(JpegStoredSize(junk, sizeof junk, sw, sh));
}

TEST(JpegFiles, UnsupportedAndBrokenFilesAreRefusedWithOneLine) {
  const std::string twelve = DataFile("jpeg/twelve_bit_monkey12.jpg");
  const TLoadResult r12 = LoadJpegFile(twelve);
  ASSERT_FALSE(r12);
  EXPECT_EQ(r12.error, twelve + ": cannot read JPEG: 12-bit JPEG files are not supported (only 8-bit)");

  const TLoadResult bmp = LoadJpegFile(DataFile("wrong-extension/bmp_content_named.jpg"));
  ASSERT_FALSE(bmp);
  EXPECT_NE(bmp.error.find("bmp_content_named.jpg: cannot read JPEG: Not a JPEG file"), std::string::npos)
      << bmp.error;
  EXPECT_FALSE(DecodeJpeg(nullptr, 0));

  // Cut short anywhere: in the headers, in the middle of the entropy-coded
  // data, just before the end marker; sequential, progressive and arithmetic.
  for (const char* name : {"photos/rocket.jpg", "jpeg/progressive_rocket.jpg", "jpeg/arithmetic_coded.jpg",
                           "jpeg/grey_camera_512.jpg"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> whole = ReadBytes(DataFile(name));
    for (std::size_t keep : {std::size_t{2}, std::size_t{100}, whole.size() / 2, whole.size() - 300}) {
      const TLoadResult r = DecodeJpeg(whole.data(), keep);
      EXPECT_FALSE(r) << keep;
      EXPECT_FALSE(r.error.empty());
      EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
  }
}

// A file that lacks only its end marker (an interrupted copy, some cameras)
// opens with the pixels of the whole file, unless cut data could not be told
// from it (arithmetic coding). One byte of picture data fewer, or a
// progressive file that stops before its last scan, is refused as cut.
TEST(JpegFiles, OnlyTheEndMarkerMissingOpensWithTheWholePicture) {
  const struct {
    const char* name;
    bool opens;
  } cases[] = {{"photos/rocket.jpg", true},          {"jpeg/grey_camera_512.jpg", true},
               {"jpeg/progressive_rocket.jpg", true}, {"jpeg/grey_progressive_astronaut.jpg", true},
               {"jpeg/restart_every_row.jpg", true},  {"jpeg/restart_progressive.jpg", true},
               {"jpeg/cmyk_rocket.jpg", true},        {"jpeg/arithmetic_coded.jpg", false}};
  const auto refusedAsCut = [](const TLoadResult& r) { return !r && r.error.ends_with("Premature end of JPEG file"); };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> whole = ReadBytes(DataFile(c.name));
    const std::size_t n = whole.size();
    ASSERT_TRUE(whole[n - 2] == 0xFF && whole[n - 1] == 0xD9);
    const TLoadResult full = DecodeJpeg(whole.data(), n);
    ASSERT_TRUE(full) << full.error;
    const TLoadResult noEnd = DecodeJpeg(whole.data(), n - 2);
    EXPECT_EQ(bool(noEnd), c.opens) << noEnd.error;
    EXPECT_TRUE(noEnd ? *noEnd.bitmap == *full.bitmap : refusedAsCut(noEnd)) << noEnd.error;
    EXPECT_TRUE(refusedAsCut(DecodeJpeg(whole.data(), n - 3)));
    std::size_t lastScan = n;
    while (lastScan > 2 && !(whole[lastScan - 2] == 0xFF && whole[lastScan - 1] == 0xDA)) --lastScan;
    EXPECT_TRUE(refusedAsCut(DecodeJpeg(whole.data(), lastScan - 2)));
  }
}

TEST(JpegFiles, AbsurdSizeInTheHeaderIsRefusedBeforeDecoding) {
  std::vector<std::uint8_t> bytes = ReadBytes(DataFile("jpeg/ijg_testorig.jpg"));
  // Find the frame header (SOF0..SOF2) and claim 65000 x 65000.
  std::size_t sof = 0;
  for (std::size_t i = 2; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] >= 0xC0 && bytes[i + 1] <= 0xC2) {
      sof = i;
      break;
    }
  }
  ASSERT_NE(sof, 0u);
  bytes[sof + 5] = 0xFD;  // height 65000
  bytes[sof + 6] = 0xE8;
  bytes[sof + 7] = 0xFD;  // width 65000
  bytes[sof + 8] = 0xE8;
  const TLoadResult r = DecodeJpeg(bytes.data(), bytes.size());
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error, "picture too large (65000 x 65000)");
}

// A smooth gradient with a little noise, like a photo's worth of detail.
TBitmap TestPicture(int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  TBitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < width; ++x, p += 3) {
      const int noise = static_cast<int>(rng() % 5) - 2;
      p[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / std::max(width - 1, 1) + noise, 0, 255));
      p[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / std::max(height - 1, 1) + noise, 0, 255));
      p[2] = static_cast<std::uint8_t>(std::clamp(128 + noise, 0, 255));
    }
  }
  return b;
}

TEST(JpegWriter, RoundTripIsCloseAndUsesTheFixedParameters) {
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{17, 13}, std::pair{64, 48}, std::pair{1, 40}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const TBitmap original = TestPicture(w, h, 3);
    TFileBytes out;
    ASSERT_TRUE(EncodeJpeg(original, out, nullptr));
    const auto* bytes = out.data();
    const TLoadResult back = DecodeJpeg(bytes, out.size());
    ASSERT_TRUE(back) << back.error;
    ASSERT_EQ(back.bitmap->Width(), w);
    ASSERT_EQ(back.bitmap->Height(), h);
    EXPECT_LT(MeanAbsDiff(*back.bitmap, original), 3.0);

    // Baseline frame (SOF0, not progressive) with three components, and the
    // quality-90 luminance table: the standard table's first value 16 scaled
    // by 20 % gives 3.
    bool sawSof0 = false, sawProgressive = false;
    int components = 0, firstQuant = -1;
    for (std::size_t i = 2; i + 10 < out.size(); ++i) {
      if (bytes[i] != 0xFF) continue;
      if (bytes[i + 1] == 0xC0) {
        sawSof0 = true;
        components = bytes[i + 9];
      }
      if (bytes[i + 1] == 0xC2) sawProgressive = true;
      if (bytes[i + 1] == 0xDB && firstQuant < 0) firstQuant = bytes[i + 5];
      if (bytes[i + 1] == 0xDA) break;  // start of scan: headers are over
    }
    EXPECT_TRUE(sawSof0);
    EXPECT_FALSE(sawProgressive);
    EXPECT_EQ(components, 3);
    EXPECT_EQ(firstQuant, 3);
  }
}

TEST(JpegWriter, GreyBitmapIsWrittenAsThreeComponentsAndStaysGrey) {
  TBitmap grey(20, 10, TPixelFormat::pf8bit);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) grey.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 12);
  }
  TFileBytes out;
  ASSERT_TRUE(EncodeJpeg(grey, out, nullptr));
  const TLoadResult back = DecodeJpeg(out.data(), out.size());
  ASSERT_TRUE(back);
  EXPECT_LT(MeanAbsDiff(*back.bitmap, To24(grey)), 2.0);

  // A greyscale JPEG read and written again is a three-component file.
  const TLoadResult camera = LoadJpeg("jpeg/grey_camera_512.jpg");
  ASSERT_TRUE(camera) << camera.error;
  ASSERT_TRUE(EncodeJpeg(*camera.bitmap, out, nullptr));
  const TLoadResult again = DecodeJpeg(out.data(), out.size());
  ASSERT_TRUE(again);
  EXPECT_GT(Psnr(*again.bitmap, *camera.bitmap), 35.0);
}

TEST(JpegWriter, SaveAndLoadThroughFiles) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("kira_codecs_" + std::to_string(::getpid()) + ".JPEG"))
          .string();
  const TBitmap original = TestPicture(33, 21, 5);
  ASSERT_TRUE(SavePicture(original, path));
  const TLoadResult back = LoadPicture(path);
  std::filesystem::remove(path);
  ASSERT_TRUE(back) << back.error;
  EXPECT_LT(MeanAbsDiff(*back.bitmap, original), 3.0);

  std::string error;
  TFileBytes out;
  EXPECT_FALSE(EncodeJpeg(TBitmap(), out, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kira
