#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <set>
#include <unistd.h>

#include "core/image_files.h"
#include "tests/core/codec_test_util.h"

namespace kira {
namespace {

using namespace kira::testing;
namespace fs = std::filesystem;

TLoadResult DecodeBytes(const std::vector<std::uint8_t>& bytes) { return DecodeBmp(bytes.data(), bytes.size()); }

struct TSuiteEntry {
  std::string file;
  std::vector<std::string> references;
};

std::vector<TSuiteEntry> SuiteIndex() {
  std::vector<TSuiteEntry> entries;
  const std::string path = DataFile("bmpsuite/INDEX.tsv");
  std::ifstream in(path);
  std::string line;
  if (!std::getline(in, line)) MissingTestFile(path);  // column names
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string file, version, refs;
    std::getline(fields, file, '\t');
    std::getline(fields, version, '\t');
    std::getline(fields, refs, '\t');
    TSuiteEntry e{file, {}};
    std::istringstream alternatives(refs);
    std::string ref;
    while (alternatives >> ref) {
      if (ref != "|") e.references.push_back(ref);
    }
    entries.push_back(e);
  }
  return entries;
}

// True when the decoded picture equals one of the references exactly.
bool MatchesAReference(const TBitmap& picture, const TSuiteEntry& e) {
  for (const std::string& ref : e.references) {
    const std::optional<TBitmap> expected = ReadPng(DataFile("bmpsuite/reference/" + ref));
    if (expected && *expected == picture) return true;
  }
  return false;
}

TEST(BmpSuite, EveryGoodFileDecodesToItsReference) {
  int checked = 0;
  for (const TSuiteEntry& e : SuiteIndex()) {
    if (e.file.rfind("g/", 0) != 0) continue;
    SCOPED_TRACE(e.file);
    const TLoadResult r = DecodeBytes(ReadBytes(DataFile("bmpsuite/" + e.file)));
    ASSERT_TRUE(r) << r.error;
    EXPECT_TRUE(MatchesAReference(To24(*r.bitmap), e));
    ++checked;
  }
  EXPECT_EQ(checked, 27);
}

// The questionable files (and the one related format in x/) may be refused,
// but never crash, and a refusal says why. The ones we decode mostly match the
// suite's reference; those listed here are decoded on purpose in a way no
// reference shows.
TEST(BmpSuite, QuestionableFilesDecodeOrAreRefusedCleanly) {
  const std::set<std::string> expectedRefusals = {
      "q/pal1huffmsb.bmp", "q/rgb24jpeg.bmp", "q/rgb24png.bmp", "q/rgb24rle24.bmp", "q/rgba64.bmp",
      "x/ba-bm.bmp"};
  // Alpha is dropped, so pictures whose reference is shown over transparency
  // differ; rgb24prof2 swaps channels through a colour profile we do not
  // apply; in rgb32-111110 two of the 11-bit levels round to the other
  // neighbour of their exact scaled value (v * 255 / 2047) in the reference.
  const std::set<std::string> decodedDifferently = {
      "q/rgba16-4444.bmp", "q/rgba16-5551.bmp", "q/rgba16-1924.bmp", "q/rgba32-1.bmp",
      "q/rgba32-2.bmp", "q/rgba32-1010102.bmp", "q/rgba32-81284.bmp", "q/rgba32-61754.bmp",
      "q/rgba32abf.bmp", "q/rgba32h56.bmp", "q/rgb24prof2.bmp", "q/rgb32-111110.bmp"};
  int questionable = 0, related = 0;
  std::set<std::string> visited;
  for (const TSuiteEntry& e : SuiteIndex()) {
    if (e.file.rfind("g/", 0) == 0) continue;
    questionable += e.file.rfind("q/", 0) == 0;
    related += e.file.rfind("x/", 0) == 0;
    visited.insert(e.file);
    SCOPED_TRACE(e.file);
    const TLoadResult r = DecodeBytes(ReadBytes(DataFile("bmpsuite/" + e.file)));
    if (expectedRefusals.count(e.file)) {
      EXPECT_FALSE(r);
      EXPECT_FALSE(r.error.empty());
      EXPECT_EQ(r.error.find('\n'), std::string::npos);
      continue;
    }
    ASSERT_TRUE(r) << r.error;
    if (!decodedDifferently.count(e.file)) {
      EXPECT_TRUE(MatchesAReference(To24(*r.bitmap), e));
    }
  }
  EXPECT_EQ(questionable, 43);
  EXPECT_EQ(related, 1);
  for (const std::set<std::string>* named : {&expectedRefusals, &decodedDifferently}) {
    for (const std::string& file : *named) EXPECT_TRUE(visited.count(file)) << file << " is not in the index";
  }
}

// Plain 24-bit files are read from disk by a path of their own; it must
// agree with the in-memory decoder on every file, whole or cut short.
TEST(BmpFiles, FileAndMemoryReadersAgree) {
  const std::string cut = (fs::temp_directory_path() / ("kira_codecs_agree_" + std::to_string(::getpid()) + ".bmp")).string();
  const struct {
    const char* folder;
    int files;  // at least
  } folders[] = {{"bmpsuite/g", 27}, {"bmpsuite/q", 43}, {"bmpsuite/x", 1}, {"bmp-extra", 6}};
  for (const auto& [folder, files] : folders) {
    const std::string path = kData + "/" + folder;
    if (!fs::is_directory(path)) MissingTestFile(path);
    int read = 0;
    for (const auto& entry : fs::directory_iterator(path)) {
      const std::vector<std::uint8_t> whole = ReadBytes(entry.path().string());
      ++read;
      const std::size_t headers = std::min(whole.size(), std::size_t{40});
      for (std::size_t keep : {whole.size(), whole.size() - 1, whole.size() / 3, headers}) {
        SCOPED_TRACE(entry.path().string() + " cut to " + std::to_string(keep));
        WriteBytes(cut, std::string(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep)));
        const TLoadResult fromFile = LoadBmpFile(cut);
        const TLoadResult fromMemory = DecodeBmp(whole.data(), keep);
        ASSERT_EQ(static_cast<bool>(fromFile), static_cast<bool>(fromMemory));
        if (fromFile) {
          EXPECT_TRUE(*fromFile.bitmap == *fromMemory.bitmap);
        } else {
          EXPECT_EQ(fromFile.error, cut + ": " + fromMemory.error);
        }
      }
    }
    EXPECT_GE(read, files) << path;
  }
  fs::remove(cut);
}

TEST(BmpFiles, TopDownEqualsBottomUpAndPaletteExpands) {
  const TLoadResult up = LoadBmpFile(DataFile("bmp-extra/rocket_24bit_640x427.bmp"));
  const TLoadResult down = LoadBmpFile(DataFile("bmp-extra/rocket_24bit_topdown.bmp"));
  ASSERT_TRUE(up) << up.error;
  ASSERT_TRUE(down) << down.error;
  EXPECT_EQ(up.bitmap->Width(), 640);
  EXPECT_EQ(up.bitmap->Height(), 427);
  EXPECT_TRUE(*up.bitmap == *down.bitmap);

  const TLoadResult pal = LoadPicture(DataFile("bmp-extra/rocket_pal8_321px.bmp"));
  ASSERT_TRUE(pal) << pal.error;
  EXPECT_EQ(pal.bitmap->PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(pal.bitmap->Width(), 321);
  EXPECT_EQ(pal.bitmap->Height(), 214);

  for (const char* name : {"vgl_6434_0018a.bmp", "vgl_6548_0026a.bmp", "shira_bird8.bmp"}) {
    EXPECT_TRUE(LoadBmpFile(DataFile(std::string("bmp-extra/") + name))) << name;
  }
}

TEST(BmpFiles, RefusalsNameTheFileOnOneLine) {
  const std::string named = DataFile("wrong-extension/jpeg_content_named.bmp");
  const TLoadResult jpeg = LoadBmpFile(named);
  ASSERT_FALSE(jpeg);
  EXPECT_EQ(jpeg.error, named + ": not a BMP file (bad signature)");

  const TLoadResult missing = LoadBmpFile("/nonexistent/photo.bmp");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error.rfind("/nonexistent/photo.bmp: cannot open", 0), 0u) << missing.error;

  const TLoadResult v5 = LoadPicture(DataFile("wrong-extension/bmp_v5_header_named.bmp"));
  EXPECT_TRUE(v5) << v5.error;
}

TEST(BmpFiles, TruncatedFilesAreRefused) {
  for (const char* name : {"bmp-extra/rocket_24bit_640x427.bmp", "bmp-extra/rocket_pal8_321px.bmp",
                           "bmpsuite/g/pal8rle.bmp", "bmpsuite/g/pal4rle.bmp", "bmpsuite/g/rgb16-565.bmp"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> whole = ReadBytes(DataFile(name));
    // (The RLE files end in a few bytes after their end-of-picture marker, so
    // they are cut no closer to the end than half.)
    for (std::size_t keep : {std::size_t{0}, std::size_t{1}, std::size_t{13}, std::size_t{30}, std::size_t{60},
                             whole.size() / 2}) {
      const TLoadResult r = DecodeBmp(whole.data(), keep);
      EXPECT_FALSE(r) << keep;
      EXPECT_FALSE(r.error.empty());
    }
  }
}

// A 40-byte-header BMP built by hand: 8 bits, a four-colour table, and the
// pixel bytes given (RLE or rows as the compression says).
std::vector<std::uint8_t> MakeBmp8(int width, int height, std::uint32_t compression,
                                   const std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> f(14 + 40 + 16);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(10, 14 + 40 + 16);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  f[26] = 1;
  f[28] = 8;
  put32(30, compression);
  put32(46, 4);
  const std::uint8_t table[16] = {0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0};
  std::memcpy(f.data() + 54, table, 16);
  f.insert(f.end(), pixels.begin(), pixels.end());
  return f;
}

TEST(BmpFiles, UncompressedFileMissingItsLastBytesIsRefused) {
  const std::vector<std::uint8_t> whole = ReadBytes(DataFile("bmp-extra/rocket_24bit_640x427.bmp"));
  const TLoadResult r = DecodeBmp(whole.data(), whole.size() - 10);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error, "file is truncated (pixel data)");

  // The same through a file (plain 24-bit files are read straight into the
  // bitmap), with the picture complete except for the last row's padding,
  // which a file may leave out.
  const std::string path = (fs::temp_directory_path() / ("kira_codecs_cut_" + std::to_string(::getpid()) + ".bmp")).string();
  WriteBytes(path, std::string(whole.begin(), whole.end() - 10));
  const TLoadResult fromFile = LoadBmpFile(path);
  ASSERT_FALSE(fromFile);
  EXPECT_EQ(fromFile.error, path + ": file is truncated (pixel data)");
  const std::size_t padding = (640 * 3 + 3) / 4 * 4 - 640 * 3;
  ASSERT_EQ(padding, 0u);  // 640 pixels need none: cut a 119-pixel-wide file instead
  const std::vector<std::uint8_t> narrow = ReadBytes(DataFile("bmp-extra/vgl_6434_0018a.bmp"));
  const TLoadResult narrowWhole = DecodeBytes(narrow);
  ASSERT_TRUE(narrowWhole);
  WriteBytes(path, std::string(narrow.begin(), narrow.end() - 3));  // 119 * 3 = 357, padded to 360
  const TLoadResult noPadding = LoadBmpFile(path);
  ASSERT_TRUE(noPadding) << noPadding.error;
  EXPECT_TRUE(*noPadding.bitmap == *narrowWhole.bitmap);
  WriteBytes(path, std::string(narrow.begin(), narrow.end() - 4));
  EXPECT_FALSE(LoadBmpFile(path));
  fs::remove(path);
}

TEST(BmpFiles, RleStaysInsideThePicture) {
  // Row 0 (bottom): a run of 200 pixels in a 4-pixel row is clipped, not
  // wrapped; then a delta far past the picture ends decoding without a write.
  const TLoadResult r = DecodeBytes(MakeBmp8(4, 2, 1, {200, 1, 0, 0, 3, 2, 0, 2, 255, 255, 0, 1}));
  ASSERT_TRUE(r) << r.error;
  const TBitmap& b = *r.bitmap;
  for (int x = 0; x < 4; ++x) EXPECT_EQ(b.ScanLine(1)[x], 1) << x;     // bottom row
  EXPECT_EQ(b.ScanLine(0)[0], 2);                                    // top row, run of 3
  EXPECT_EQ(b.ScanLine(0)[3], 0);                                    // untouched: index 0

  // Absolute run longer than the data left.
  EXPECT_FALSE(DecodeBytes(MakeBmp8(4, 2, 1, {0, 9, 1, 2})));
  // No end-of-picture marker and rows left to fill.
  EXPECT_FALSE(DecodeBytes(MakeBmp8(4, 2, 1, {4, 1})));
  // A delta reaching past the last row ends the picture cleanly.
  EXPECT_TRUE(DecodeBytes(MakeBmp8(4, 2, 1, {0, 2, 0, 200})));
}

TEST(BmpFiles, MalformedHeadersAreRefusedBeforeAllocating) {
  const std::vector<std::uint8_t> good = MakeBmp8(4, 2, 0, std::vector<std::uint8_t>(8, 1));
  ASSERT_TRUE(DecodeBytes(good));
  auto with = [&](std::size_t at, std::uint32_t v) {
    std::vector<std::uint8_t> f = good;
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    return DecodeBytes(f);
  };
  const TLoadResult huge = with(18, 60000);  // 60000 x 2 is allowed in size, but the data is missing
  EXPECT_FALSE(huge);
  EXPECT_NE(huge.error.find("truncated"), std::string::npos) << huge.error;
  const TLoadResult absurd = with(22, 0x7FFFFFFF);
  EXPECT_FALSE(absurd);
  EXPECT_NE(absurd.error.find("too large"), std::string::npos) << absurd.error;
  EXPECT_FALSE(with(22, 0x80000000u));   // the most negative height
  EXPECT_FALSE(with(18, 0));             // zero width
  EXPECT_FALSE(with(10, 0xFFFFFFF0u));   // pixel offset past the end
  EXPECT_FALSE(with(14, 200));           // unknown header size
  EXPECT_FALSE(with(30, 2));             // RLE4 with 8 bits
  EXPECT_TRUE(with(46, 0xFFFFFFFFu));    // absurd colour count: the table that fits is used
  // Top-down rows with RLE are invalid.
  std::vector<std::uint8_t> rleTopDown = MakeBmp8(4, -2, 1, {0, 1});
  EXPECT_FALSE(DecodeBytes(rleTopDown));
}

TEST(BmpWriter, TwoByTwoBytesByHand) {
  TBitmap b(2, 2);
  // top row: (B,G,R) = (1,2,3), (4,5,6); bottom row: (7,8,9), (10,11,12)
  const std::uint8_t top[6] = {1, 2, 3, 4, 5, 6}, bottom[6] = {7, 8, 9, 10, 11, 12};
  std::memcpy(b.ScanLine(0), top, 6);
  std::memcpy(b.ScanLine(1), bottom, 6);
  TFileBytes out;
  ASSERT_TRUE(EncodeBmp(b, out, nullptr));
  const std::vector<std::uint8_t> expected = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,            // file header
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,          // size, width, height, planes, bits
      0, 0, 0, 0, 16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0,  // BI_RGB, image size, 2835 px/m
      0, 0, 0, 0, 0, 0, 0, 0,                                    // colours used / important
      7, 8, 9, 10, 11, 12, 0, 0,                                 // bottom row first, padded to 8
      1, 2, 3, 4, 5, 6, 0, 0};
  ASSERT_EQ(out.size(), expected.size());
  EXPECT_EQ(std::vector<std::uint8_t>(out.data(), out.data() + out.size()), expected);
}

TEST(BmpWriter, RoundTripIsExactForAllPaddings) {
  std::mt19937 rng(7);
  for (int width : {1, 2, 3, 4, 5, 17}) {
    for (int height : {1, 2, 9}) {
      TBitmap b(width, height);
      for (int y = 0; y < height; ++y) {
        for (int i = 0; i < width * 3; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
      }
      TFileBytes out;
      ASSERT_TRUE(EncodeBmp(b, out, nullptr));
      EXPECT_EQ(out.size(), 54u + static_cast<std::size_t>((width * 3 + 3) / 4 * 4) * height);
      const TLoadResult r = DecodeBmp(out.data(), out.size());
      ASSERT_TRUE(r) << r.error;
      EXPECT_TRUE(*r.bitmap == b) << width << "x" << height;
    }
  }
}

TEST(BmpWriter, GreyAndPaletteBitmapsAreWrittenAs24Bits) {
  TBitmap grey(3, 1, TPixelFormat::pf8bit);
  grey.ScanLine(0)[0] = 0;
  grey.ScanLine(0)[1] = 128;
  grey.ScanLine(0)[2] = 255;
  TFileBytes out;
  ASSERT_TRUE(EncodeBmp(grey, out, nullptr));
  EXPECT_EQ(out.data()[28], 24);
  const TLoadResult r = DecodeBmp(out.data(), out.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(r.bitmap->PixelFormat(), TPixelFormat::pf24bit);
  const std::uint8_t expected[9] = {0, 0, 0, 128, 128, 128, 255, 255, 255};
  EXPECT_EQ(std::memcmp(r.bitmap->ScanLine(0), expected, 9), 0);

  std::string error;
  EXPECT_FALSE(EncodeBmp(TBitmap(), out, &error));
  EXPECT_FALSE(error.empty());
}

class AtomicSave : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kira_codecs_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
};

TEST_F(AtomicSave, FailedEncodeLeavesTheOldFileAlone) {
  const std::string target = (dir_ / "old.bmp").string();
  WriteBytes(target, "old contents");
  for (const std::string& path : {target, (dir_ / "old.jpg").string()}) {
    if (path != target) WriteBytes(path, "old contents");
    const TSaveResult r = SavePicture(TBitmap(), path);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error.rfind(path + ": ", 0), 0u) << r.error;
  }
  EXPECT_EQ(ReadBytes(target).size(), 12u);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"old.bmp", "old.jpg"}));
}

TEST_F(AtomicSave, UnwritablePlaceLeavesNoTemporaryFile) {
  TBitmap b(3, 3);
  // A directory in the way of the rename: fails for root too.
  fs::create_directories(dir_ / "taken.bmp" / "inside");
  const TSaveResult r = SaveBmpFile(b, (dir_ / "taken.bmp").string());
  EXPECT_FALSE(r);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(Entries(), std::vector<std::string>{"taken.bmp"});
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.bmp" / "inside"));

  if (::geteuid() != 0) {  // permissions do not stop root
    const std::string target = (dir_ / "old.bmp").string();
    WriteBytes(target, "old contents");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(SaveBmpFile(b, target));
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(target).size(), 12u);
  }
  EXPECT_FALSE(SaveBmpFile(b, (dir_ / "no" / "such" / "folder.bmp").string()));
}

TEST_F(AtomicSave, SavingReplacesAnExistingFile) {
  const std::string target = (dir_ / "out.BMP").string();
  WriteBytes(target, "old contents");
  TBitmap b(2, 2);
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(SavePicture(b, target));
  EXPECT_EQ(ReadBytes(target).size(), 54u + 16u);
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.BMP"});
  EXPECT_FALSE(SavePicture(b, (dir_ / "out.gif").string()));
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.BMP"});
}

}  // namespace
}  // namespace kira
