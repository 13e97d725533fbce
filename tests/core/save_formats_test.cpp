// PNG, TIFF and WebP written by us, read back by their own libraries (and
// by ImageMagick where installed); the metadata each keeps; the quality.
#include <gtest/gtest.h>

#include <tiffio.h>
#include <webp/decode.h>
#include <webp/mux.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "core/image_files.h"
#include "tests/core/codec_test_util.h"
#include "tests/core/phone_photo.h"

namespace kira {
namespace {

using namespace kira::testing;
namespace fs = std::filesystem;

TBitmap NoisePicture(int w, int h, unsigned seed, int spread = 256) {
  std::mt19937 rng(seed);
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>((i * 3 + y * 5) % 200 + rng() % spread * 55 / 256);
  }
  return b;
}

struct TempDir {
  fs::path dir = fs::temp_directory_path() / ("kira_save_" + std::to_string(::getpid()));
  TempDir() { fs::create_directories(dir); }
  ~TempDir() { fs::remove_all(dir); }
  std::string P(const std::string& name) const { return (dir / name).string(); }
};

// A profile libpng accepts: a display class, XYZ connection space, no tags.
TBytes RgbProfile() {
  TBytes p = FakeIccProfile(512, "RGB ");
  std::memcpy(&p[12], "mntr", 4);
  std::memcpy(&p[20], "XYZ ", 4);
  std::memset(&p[64], 0, 4);
  std::memset(&p[128], 0, 4);
  return p;
}

TBitmap FromRgb(const std::uint8_t* rgb, int w, int h, int stride, int channels) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* s = rgb + static_cast<std::ptrdiff_t>(y) * stride + channels * x;
      std::uint8_t* d = b.ScanLine(y) + 3 * x;
      d[0] = s[2], d[1] = s[1], d[2] = s[0];
    }
  }
  return b;
}

// What a file says, through the format's own library.
struct TSeen {
  std::optional<TBitmap> pixels;
  TBytes exif;  // "Exif\0\0" first, as a JPEG marker holds it
  TBytes icc;
  std::string make;  // TIFF only
  int orientation = 0;  // TIFF only
};

TBytes WithExifHeader(const std::uint8_t* data, std::size_t size) {
  TBytes out(6 + size);
  std::memcpy(out.data(), "Exif\0", 6);
  if (size > 0) std::memcpy(out.data() + 6, data, size);
  return out;
}

TSeen SeePng(const TFileBytes& f) {
  TSeen s;
  if (TLoadResult r = DecodePng(f.data(), f.size())) s.pixels = *r.bitmap;
  for (std::size_t at = 8; at + 12 <= f.size();) {
    const std::uint8_t* c = f.data() + at;
    const std::size_t n = std::size_t{c[0]} << 24 | c[1] << 16 | c[2] << 8 | c[3];
    const std::string type(reinterpret_cast<const char*>(c + 4), 4);
    if (type == "eXIf") s.exif = WithExifHeader(c + 8, n);
    if (type == "iCCP") {
      const std::size_t name = strnlen(reinterpret_cast<const char*>(c + 8), n) + 2;  // NUL, method
      uLongf size = 1 << 20;
      s.icc.resize(size);
      if (uncompress(s.icc.data(), &size, c + 8 + name, static_cast<uLong>(n - name)) == Z_OK) s.icc.resize(size);
    }
    at += n + 12;
  }
  return s;
}

TSeen SeeWebp(const TFileBytes& f) {
  TSeen s;
  int w = 0, h = 0;
  if (std::uint8_t* rgb = WebPDecodeRGB(f.data(), f.size(), &w, &h)) {
    s.pixels = FromRgb(rgb, w, h, 3 * w, 3);
    WebPFree(rgb);
  }
  const WebPData data{f.data(), f.size()};
  WebPMux* mux = WebPMuxCreate(&data, 0);
  WebPData chunk{};
  if (mux && WebPMuxGetChunk(mux, "EXIF", &chunk) == WEBP_MUX_OK) s.exif = WithExifHeader(chunk.bytes, chunk.size);
  if (mux && WebPMuxGetChunk(mux, "ICCP", &chunk) == WEBP_MUX_OK) s.icc.assign(chunk.bytes, chunk.bytes + chunk.size);
  WebPMuxDelete(mux);
  return s;
}

TSeen SeeTiff(const TFileBytes& f, const std::string& path) {
  TSeen s;
  WriteBytes(path, std::string(f.View()));
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return s;
  std::uint32_t w = 0, h = 0, iccSize = 0;
  std::uint16_t orientation = 0, compression = 0;
  void* icc = nullptr;
  char* make = nullptr;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccSize, &icc)) s.icc.assign(static_cast<std::uint8_t*>(icc), static_cast<std::uint8_t*>(icc) + iccSize);
  if (TIFFGetField(tif, TIFFTAG_MAKE, &make)) s.make = make;
  if (TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation)) s.orientation = orientation;
  std::vector<std::uint32_t> rgba(std::size_t{w} * h);
  if (compression == COMPRESSION_ADOBE_DEFLATE && TIFFReadRGBAImageOriented(tif, w, h, rgba.data(), ORIENTATION_TOPLEFT, 0)) {
    s.pixels = FromRgb(reinterpret_cast<const std::uint8_t*>(rgba.data()), static_cast<int>(w), static_cast<int>(h),
                       static_cast<int>(4 * w), 4);
  }
  TIFFClose(tif);
  return s;
}

TEST(SaveFormats, LosslessRoundTripsAndLossyIsClose) {
  TempDir t;
  const struct {
    TFileKind kind;
    int quality;
    double maxDiff;  // mean absolute difference per channel
  } cases[] = {{TFileKind::Png, 90, 0}, {TFileKind::Tiff, 90, 0}, {TFileKind::Webp, 100, 0}, {TFileKind::Webp, 90, 8},
               {TFileKind::Jpeg, 90, 8}};
  for (const auto& c : cases) {
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{17, 13}, std::pair{300, 7}, std::pair{1, 200}}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(c.kind)) + " q" + std::to_string(c.quality) + " " +
                   std::to_string(w) + "x" + std::to_string(h));
      const TBitmap original = NoisePicture(w, h, static_cast<unsigned>(w * h), c.maxDiff > 0 ? 16 : 256);
      TFileBytes out;
      std::string error;
      ASSERT_TRUE(EncodePicture(c.kind, original, {}, TSaveOptions{c.quality}, out, &error)) << error;
      TSeen seen;
      if (c.kind == TFileKind::Png) seen = SeePng(out);
      if (c.kind == TFileKind::Tiff) seen = SeeTiff(out, t.P("rt.tif"));
      if (c.kind == TFileKind::Webp) seen = SeeWebp(out);
      if (c.kind == TFileKind::Jpeg) seen.pixels = DecodeJpeg(out.data(), out.size()).bitmap;
      ASSERT_TRUE(seen.pixels);
      ASSERT_EQ(seen.pixels->Width(), w);
      ASSERT_EQ(seen.pixels->Height(), h);
      EXPECT_LE(MeanAbsDiff(*seen.pixels, original), c.maxDiff);
    }
  }
}

TEST(SaveFormats, PhotoMetadataIsKeptWithOrientationOne) {
  TempDir t;
  const TBitmap picture = NoisePicture(40, 30, 7);
  const TPhotoMetadata photo{PhoneExif(6, true, 30, 40), RgbProfile()};
  for (TFileKind kind : {TFileKind::Jpeg, TFileKind::Png, TFileKind::Webp, TFileKind::Tiff}) {
    SCOPED_TRACE(static_cast<int>(kind));
    TFileBytes out;
    ASSERT_TRUE(EncodePicture(kind, picture, photo, {}, out, nullptr));
    TSeen seen;
    if (kind == TFileKind::Jpeg) {
      const TLoadResult r = DecodeJpeg(out.data(), out.size());
      seen.exif = r.metadata.exif, seen.icc = r.metadata.icc;
    }
    if (kind == TFileKind::Png) seen = SeePng(out);
    if (kind == TFileKind::Webp) seen = SeeWebp(out);
    if (kind == TFileKind::Tiff) {
      seen = SeeTiff(out, t.P("meta.tif"));
      EXPECT_EQ(seen.make, kPhoneMake);
      EXPECT_EQ(seen.orientation, 1);
      EXPECT_EQ(seen.icc, photo.icc);
      continue;
    }
    EXPECT_EQ(seen.icc, photo.icc);
    const TExifSeen exif = SeeExif(seen.exif);
    EXPECT_TRUE(exif.readable);
    EXPECT_EQ(exif.orientation, 1);
    EXPECT_EQ(exif.make, kPhoneMake);
    EXPECT_EQ(exif.date, kPhoneDate);
    EXPECT_FALSE(exif.thumbnail);
    EXPECT_EQ(exif.pixelX, 40);
  }
  // A BMP holds none, and a damaged EXIF block is left out everywhere.
  for (TFileKind kind : {TFileKind::Png, TFileKind::Webp}) {
    TFileBytes out;
    ASSERT_TRUE(EncodePicture(kind, picture, TPhotoMetadata{TBytes{'E', 'x', 'i', 'f', 0, 0, 'M', 'M'}, {}}, {}, out,
                              nullptr));
    EXPECT_TRUE((kind == TFileKind::Png ? SeePng(out) : SeeWebp(out)).exif.empty());
  }
}

TEST(SaveFormats, QualityChangesJpegAndWebpButNinetyIsTheDefault) {
  const TBitmap picture = NoisePicture(64, 48, 3);
  for (TFileKind kind : {TFileKind::Jpeg, TFileKind::Webp}) {
    TFileBytes plain, at90, at50, at0;
    if (kind == TFileKind::Jpeg) {
      ASSERT_TRUE(EncodeJpeg(picture, plain, nullptr));
    }
    ASSERT_TRUE(EncodePicture(kind, picture, {}, TSaveOptions{}, at90, nullptr));
    ASSERT_TRUE(EncodePicture(kind, picture, {}, TSaveOptions{50}, at50, nullptr));
    if (kind == TFileKind::Jpeg) {
      EXPECT_EQ(plain.View(), at90.View());
    }
    EXPECT_LT(at50.size(), at90.size());
    std::string error;
    EXPECT_FALSE(EncodePicture(kind, picture, {}, TSaveOptions{0}, at0, &error));
    EXPECT_NE(error.find("1..100"), std::string::npos) << error;
  }
}

TEST(SaveFormats, FailuresWriteNothingAndKeepTheOldFile) {
  TempDir t;
  for (const char* name : {"old.png", "old.tif", "old.webp"}) {
    WriteBytes(t.P(name), "old contents");
    const TSaveResult r = SavePicture(TBitmap(), t.P(name));
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error.rfind(t.P(name) + ": ", 0), 0u) << r.error;
  }
  // Wider than WebP can hold: refused before anything is written.
  const TSaveResult wide = SavePicture(TBitmap(16384, 1), t.P("wide.webp"));
  EXPECT_FALSE(wide);
  EXPECT_NE(wide.error.find("16383"), std::string::npos) << wide.error;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(t.dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"old.png", "old.tif", "old.webp"}));
  for (const char* name : {"old.png", "old.tif", "old.webp"}) EXPECT_EQ(ReadBytes(t.P(name)).size(), 12u);
}

// ImageMagick, a reader of libraries not ours, sees the same pixels.
TEST(SaveFormats, ImageMagickAgrees) {
  if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
  TempDir t;
  const TBitmap picture = NoisePicture(23, 9, 11);
  for (const char* name : {"m.png", "m.tif", "m.webp", "m.PNG"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(SavePicture(picture, t.P(name), {}, TSaveOptions{100}));
    const std::string ppm = t.P("m.ppm");
    ASSERT_EQ(std::system(("convert " + t.P(name) + " -depth 8 ppm:" + ppm).c_str()), 0);
    const TBytes bytes = ReadBytes(ppm);
    const std::string header = "P6\n23 9\n255\n";
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(header.size())), header);
    EXPECT_EQ(MeanAbsDiff(FromRgb(bytes.data() + header.size(), 23, 9, 69, 3), picture), 0);
  }
}

}  // namespace
}  // namespace kira
