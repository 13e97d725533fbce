// The thumbnail browser's reader: content detection, PNG and GIF decoding,
// and refusal of damaged files without a crash or a read outside the input.
#include "core/image_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "codec_test_util.h"

namespace kira {
namespace {

using testing::DataFile;
using testing::ReadBytes;

bool Is(bool (*test)(const std::uint8_t*, std::size_t), const std::string& bytes) {
  return test(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// "BM", a file header and the information header size at offset 14.
std::vector<std::uint8_t> BmpStart(std::uint32_t headerSize) {
  std::vector<std::uint8_t> b(18, 0);
  b[0] = 'B';
  b[1] = 'M';
  for (int i = 0; i < 4; ++i) b[14 + i] = static_cast<std::uint8_t>(headerSize >> (8 * i));
  return b;
}

TEST(PictureLoader, BmpDetectionAcceptsEveryHeaderSizeTheReaderKnows) {
  // The reader refuses an unknown size by name; any other outcome (here a
  // truncated file) means it knows the size, and so must the content test.
  for (std::uint32_t size : std::vector<std::uint32_t>{0, 11, 12, 13, 15, 16, 39, 40, 41, 52, 56, 64, 65,
                                                       100, 107, 108, 109, 123, 124, 125, 256, 0x80000028u}) {
    const std::vector<std::uint8_t> b = BmpStart(size);
    const TLoadResult r = DecodeBmp(b.data(), b.size());
    const bool readerKnows = r.error.find("unsupported BMP header size") == std::string::npos;
    EXPECT_EQ(IsBmpData(b.data(), b.size()), readerKnows) << "header size " << size;
  }
  // V4 and V5 headers among them (the two good files of the suite).
  for (const char* name : {"bmpsuite/g/pal8v4.bmp", "bmpsuite/g/pal8v5.bmp", "bmpsuite/g/pal8os2.bmp",
                           "bmpsuite/g/rgb24.bmp"}) {
    const auto bytes = ReadBytes(DataFile(name));
    EXPECT_TRUE(IsBmpData(bytes.data(), bytes.size())) << name;
  }
  const std::vector<std::uint8_t> shortFile = {'B', 'M', 40};
  EXPECT_FALSE(IsBmpData(shortFile.data(), shortFile.size()));
}

TEST(PictureLoader, GifAndJpegSignatures) {
  struct Case {
    std::string bytes;
    bool gif, jpeg;
  };
  const std::vector<Case> cases = {
      {"GIF87a", true, false},  {"GIF89a", true, false},  {"gif89a", true, false},
      {"gIf87A", true, false},  {"GIF88a", false, false}, {"GIF89b", false, false},
      {"GIF8a", false, false},  {"GIF8", false, false},   {"GJF89a", false, false},
      {"\xFF\xD8", false, true}, {"\xFF\xD9", false, false}, {"\xFF", false, false},
      {"", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Is(IsGifData, c.bytes), c.gif) << c.bytes;
    EXPECT_EQ(Is(IsJpegData, c.bytes), c.jpeg) << c.bytes;
  }
  const std::string png = "\x89PNG\r\n\x1A\n";
  EXPECT_TRUE(Is(IsPngData, png + "rest"));
  EXPECT_FALSE(Is(IsPngData, png.substr(0, 7)));
  EXPECT_FALSE(Is(IsPngData, "\x89PNG\n\r\x1A\n"));  // line ends changed on the way
}

TEST(PictureLoader, ContentDecidesNotTheName) {
  struct Case {
    const char* file;
    int width, height;
  };
  const std::vector<Case> cases = {
      {"wrong-extension/png_content_named.jpg", 32, 32},
      {"wrong-extension/png_content_named.PNG", 32, 32},
      {"wrong-extension/gif_content_named.png", 320, 214},
      {"wrong-extension/jpeg_content_named.bmp", 640, 427},
      {"wrong-extension/jpeg_content_named.gif", 17, 13},
      {"wrong-extension/bmp_content_named.jpg", 127, 64},
      {"wrong-extension/bmp_v5_header_named.bmp", 127, 64},
      {"gif/lowercase_signature_gif89a.gif", 320, 214},
      {"gif/mixedcase_signature_gIf87A.gif", 320, 214},
  };
  for (const Case& c : cases) {
    const TLoadResult r = LoadAnyPicture(DataFile(c.file));
    ASSERT_TRUE(r) << c.file << ": " << r.error;
    EXPECT_EQ(r.bitmap->Width(), c.width) << c.file;
    EXPECT_EQ(r.bitmap->Height(), c.height) << c.file;
  }
  // A signature in other letters reads the same picture as the original.
  const TLoadResult mixed = LoadAnyPicture(DataFile("gif/mixedcase_signature_gIf87A.gif"));
  const TLoadResult upper = LoadAnyPicture(DataFile("gif/gif87a_rocket_320.gif"));
  ASSERT_TRUE(mixed && upper);
  EXPECT_TRUE(*mixed.bitmap == *upper.bitmap);
}

TEST(PictureLoader, UnreadableFilesGiveNoPicture) {
  const std::string dir = ::testing::TempDir() + "/by_content_dir.jpg";
  std::filesystem::create_directories(dir);
  const std::string empty = ::testing::TempDir() + "/by_content_empty.png";
  testing::WriteBytes(empty, "");
  const std::string text = ::testing::TempDir() + "/by_content_text.gif";
  testing::WriteBytes(text, "just some words, no picture at all");
  for (const std::string& path : {dir, empty, text, ::testing::TempDir() + "/no_such_file.bmp"}) {
    const TLoadResult r = LoadAnyPicture(path);
    EXPECT_FALSE(r) << path;
    EXPECT_FALSE(r.error.empty()) << path;
  }
  // Content of no kind the reader knows: one line naming the file, no codec's.
  for (const std::string& path : {empty, text}) {
    EXPECT_EQ(LoadAnyPicture(path).error, path + ": " + NotAPictureMessage());
  }
}

TEST(PictureLoader, PngSuiteDecodesOrRefuses) {
  int decoded = 0, refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(testing::kData + "/png")) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".png") continue;
    const TLoadResult r = LoadAnyPicture(entry.path().string());
    if (name[0] == 'x') {
      EXPECT_FALSE(r) << name;
      ++refused;
      continue;
    }
    ASSERT_TRUE(r) << name << ": " << r.error;
    ++decoded;
    EXPECT_EQ(r.bitmap->PixelFormat(), TPixelFormat::pf24bit) << name;
    // At the size the header gives (big-endian at bytes 16 and 20).
    const std::vector<std::uint8_t> bytes = ReadBytes(entry.path().string());
    auto be32 = [&](int at) {
      return (bytes[at] << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
    };
    EXPECT_EQ(r.bitmap->Width(), be32(16)) << name;
    EXPECT_EQ(r.bitmap->Height(), be32(20)) << name;
    // Grey colour types give grey pictures.
    if (name.size() > 5 && name[4] == '0') {
      EXPECT_TRUE(testing::IsGrey(*r.bitmap)) << name;
    }
  }
  EXPECT_EQ(refused, 14);
  EXPECT_GT(decoded, 150);
}

TEST(PictureLoader, InterlacedPngEqualsTheNonInterlacedOne) {
  for (const char* kind : {"0g01", "0g02", "0g04", "0g08", "0g16", "2c08", "2c16", "3p01", "3p02", "3p04",
                           "3p08", "4a08", "4a16", "6a08", "6a16"}) {
    const TLoadResult plain = LoadAnyPicture(DataFile(std::string("png/basn") + kind + ".png"));
    const TLoadResult inter = LoadAnyPicture(DataFile(std::string("png/basi") + kind + ".png"));
    ASSERT_TRUE(plain && inter) << kind;
    EXPECT_TRUE(*plain.bitmap == *inter.bitmap) << kind;
  }
}

TEST(PictureLoader, PngPixelsAsStored) {
  // 8-bit RGB files without a gamma chunk, at every compression level and
  // filter type: the bytes libpng's simplified reader gives.
  for (const char* name : {"z00n2c08", "z03n2c08", "z06n2c08", "z09n2c08", "f00n2c08", "f01n2c08",
                           "f02n2c08", "f03n2c08", "f04n2c08"}) {
    const std::string path = DataFile(std::string("png/") + name + ".png");
    const TLoadResult r = LoadAnyPicture(path);
    const std::optional<TBitmap> reference = testing::ReadPng(path);
    ASSERT_TRUE(r && reference) << name;
    EXPECT_TRUE(*r.bitmap == *reference) << name;
  }
}

TEST(PictureLoader, GifFirstFrames) {
  struct Case {
    const char* file;
    int width, height;
  };
  const std::vector<Case> cases = {
      {"gif/gif87a_rocket_320.gif", 320, 214},
      {"gif/gif89a_transparent_rocket.gif", 320, 214},
      {"gif/gif89a_interlaced_rocket.gif", 320, 214},
      {"gif/animated_24_frames_skimage.gif", 14, 25},
      {"gif/animated_3_frames.gif", 160, 100},
      {"gif/gif87a_tiny_1x1.gif", 1, 1},
      {"gif/gif87a_local_palette_only.gif", 32, 32},
      {"gif/gif87a_1bit_two_colours.gif", 40, 24},
      {"gif/gif87a_frame_offset_in_screen.gif", 16, 16},
  };
  for (const Case& c : cases) {
    const TLoadResult r = LoadAnyPicture(DataFile(c.file));
    ASSERT_TRUE(r) << c.file << ": " << r.error;
    EXPECT_EQ(r.bitmap->Width(), c.width) << c.file;
    EXPECT_EQ(r.bitmap->Height(), c.height) << c.file;
  }
  const TLoadResult tiny = LoadAnyPicture(DataFile("gif/gif87a_tiny_1x1.gif"));
  ASSERT_TRUE(tiny);
  EXPECT_EQ(tiny.bitmap->ScanLine(0)[0], 0);    // blue
  EXPECT_EQ(tiny.bitmap->ScanLine(0)[1], 200);  // green
  EXPECT_EQ(tiny.bitmap->ScanLine(0)[2], 255);  // red
  // 4 x 4 checks of two colours: the corners of neighbouring checks differ.
  const TLoadResult checks = LoadAnyPicture(DataFile("gif/gif87a_1bit_two_colours.gif"));
  ASSERT_TRUE(checks);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool odd = ((x / 4) + (y / 4)) % 2 != 0;
      const bool first = checks.bitmap->ScanLine(y)[3 * x] == checks.bitmap->ScanLine(0)[0];
      EXPECT_EQ(first, !odd) << x << "," << y;
    }
  }
}

// Every prefix of a file and a few hundred damaged copies: a picture or a
// refusal, never a crash or a read past the bytes (the sanitizer build
// reports those).
TEST(PictureLoader, DamagedFilesNeverCrash) {
  std::mt19937 random(13);
  for (const char* name : {"png/basi3p04.png", "png/basn6a16.png", "gif/gif87a_1bit_two_colours.gif",
                           "gif/gif89a_interlaced_rocket.gif", "gif/animated_24_frames_skimage.gif",
                           "jpeg/odd_17x13.jpg", "bmpsuite/g/pal8v5.bmp"}) {
    const std::vector<std::uint8_t> bytes = ReadBytes(DataFile(name));
    const std::size_t step = std::max<std::size_t>(1, bytes.size() / 400);
    for (std::size_t n = 0; n < bytes.size(); n += step) {
      // A copy of exactly n bytes, so that a read past the end is caught.
      const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
      const TLoadResult r = DecodeAnyPicture(cut.data(), cut.size());
      if (r) {
        EXPECT_FALSE(r.bitmap->Empty()) << name << " cut at " << n;
      }
    }
    for (int round = 0; round < 200; ++round) {
      std::vector<std::uint8_t> damaged = bytes;
      const int flips = 1 + static_cast<int>(random() % 8);
      for (int f = 0; f < flips; ++f) {
        damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
      }
      const TLoadResult r = DecodeAnyPicture(damaged.data(), damaged.size());
      if (r) {
        EXPECT_FALSE(r.bitmap->Empty()) << name << " round " << round;
      }
    }
  }
}

TEST(PictureLoader, HugeDeclaredSizesAreRefusedBeforeAllocating) {
  // A GIF whose only image claims 65535 x 65535 pixels, and a PNG header
  // claiming 60000 x 60000: refused by size, not by running out of memory.
  std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,
                                   0, 0, 0, 255, 255, 255,
                                   0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x4C, 0x01, 0, 0x3B};
  const TLoadResult g = DecodeAnyPicture(gif.data(), gif.size());
  EXPECT_FALSE(g);
  EXPECT_NE(g.error.find("too large"), std::string::npos) << g.error;

  std::vector<std::uint8_t> png = ReadBytes(DataFile("png/basn2c08.png"));
  // IHDR width and height at 16..23, with the chunk's checksum made anew.
  for (int i = 0; i < 2; ++i) {
    png[16 + 4 * i] = 0;
    png[17 + 4 * i] = 0;
    png[18 + 4 * i] = 0xEA;
    png[19 + 4 * i] = 0x60;
  }
  const uLong crc = crc32(0L, png.data() + 12, 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  const TLoadResult p = DecodeAnyPicture(png.data(), png.size());
  EXPECT_FALSE(p);
  EXPECT_NE(p.error.find("60000"), std::string::npos) << p.error;
}

}  // namespace
}  // namespace kira
