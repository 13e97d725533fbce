// Pictures too large for the editor are refused from their headers, before
// any pixel is allocated; failed saves leave the old file as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/file_faults.h"
#include "core/image_files.h"
#include "core/working_memory.h"
#include "core/fault_reset.h"

namespace kira {
namespace {

namespace fs = std::filesystem;

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// File and information headers of a 24-bit BMP claiming width x height, with
// no pixel data after them.
std::vector<std::uint8_t> BmpHeaderClaiming(std::int32_t width, std::int32_t height) {
  std::vector<std::uint8_t> b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, 54);
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, 24);
  return b;
}

TBitmap Gradient(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 3 * w; ++x) b.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 3);
  return b;
}

// A real JPEG whose frame header is patched to claim width x height.
std::vector<std::uint8_t> JpegClaiming(std::uint16_t width, std::uint16_t height) {
  TFileBytes out;
  EXPECT_TRUE(EncodeJpeg(Gradient(16, 16), out, nullptr));
  std::vector<std::uint8_t> b(out.data(), out.data() + out.size());
  for (std::size_t i = 0; i + 9 < b.size(); ++i) {
    if (b[i] == 0xFF && b[i + 1] == 0xC0) {  // start of frame: length, precision, height, width
      b[i + 5] = static_cast<std::uint8_t>(height >> 8);
      b[i + 6] = static_cast<std::uint8_t>(height);
      b[i + 7] = static_cast<std::uint8_t>(width >> 8);
      b[i + 8] = static_cast<std::uint8_t>(width);
      return b;
    }
  }
  ADD_FAILURE() << "no frame header in the encoded JPEG";
  return b;
}

TEST(PictureLimits, OversizedHeadersAreRefusedBeforeAnyPixelIsAllocated) {
  TFaultReset reset;
  struct TCase {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool bmp;
    const char* message;
  };
  const std::vector<TCase> cases = {
      {"BMP 65535 x 65535", BmpHeaderClaiming(65535, 65535), true, "picture too large (65535 x 65535)"},
      {"BMP wider than a side may be", BmpHeaderClaiming(65536, 1), true, "picture too large (65536 x 1)"},
      {"BMP top-down, taller than a side may be", BmpHeaderClaiming(1, -65536), true, "picture too large (1 x 65536)"},
      {"BMP width whose row length overflows 32 bits", BmpHeaderClaiming(0x7FFFFFFF, 1), true,
       "picture too large (2147483647 x 1)"},
      {"BMP one pixel over 100 megapixels", BmpHeaderClaiming(10'001, 10'000), true,
       "picture too large (10001 x 10000)"},
      {"BMP negative width", BmpHeaderClaiming(-5, 5), true, "bad picture size -5 x 5"},
      {"JPEG 60000 x 60000", JpegClaiming(60000, 60000), false, "picture too large (60000 x 60000)"},
      {"JPEG over 100 megapixels", JpegClaiming(10'001, 10'000), false, "picture too large (10001 x 10000)"},
      {"JPEG beyond the library's own limit", JpegClaiming(65535, 2), false, "image dimension is 65500 pixels"},
  };
  // Every allocation of pixel storage fails: a decoder that allocated before
  // looking at the size would report a lack of memory instead.
  FailPixelAllocationsAfter(0);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TLoadResult r =
        c.bmp ? DecodeBmp(c.bytes.data(), c.bytes.size()) : DecodeJpeg(c.bytes.data(), c.bytes.size());
    EXPECT_FALSE(r.bitmap.has_value());
    EXPECT_NE(r.error.find(c.message), std::string::npos) << r.error;
  }
}

TEST(PictureLimits, LargestPictureWithinTheLimitsHasNoOverflowingSize) {
  // 65535 pixels wide: the row length and the size of the block stay exact.
  EXPECT_EQ(TBitmap::StrideFor(kMaxSide, TPixelFormat::pf24bit), 196'608);
  EXPECT_EQ(TBitmap::StrideFor(kMaxSide, TPixelFormat::pf1bit), 8'192);
  EXPECT_THROW(TBitmap::StrideFor(0x7FFFFFFF, TPixelFormat::pf24bit), std::length_error);
  const TBitmap row(kMaxSide, 1);
  EXPECT_EQ(row.SizeInBytes(), 196'608u);
}

TEST(PictureLimits, WorkingImagesMustFitInTheMemoryLeft) {
  TFaultReset reset;
  TFileBytes bmp, jpeg;
  ASSERT_TRUE(EncodeBmp(Gradient(400, 300), bmp, nullptr));
  ASSERT_TRUE(EncodeJpeg(Gradient(400, 300), jpeg, nullptr));
  const std::int64_t needed = WorkingSetBytes(400, 300);
  EXPECT_EQ(needed, 400 * 300 * 3 * kWorkingPictures);
  struct TCase {
    std::int64_t available;
    bool opens;
  };
  for (const TCase c : {TCase{needed - 1, false}, TCase{needed, true}, TCase{0, false}, TCase{needed * 100, true}}) {
    SCOPED_TRACE(c.available);
    SetAvailableMemoryForTests(c.available);
    FailPixelAllocationsAfter(c.opens ? -1 : 0);  // a refusal allocates nothing
    for (const TFileBytes* file : {&bmp, &jpeg}) {
      const TLoadResult r =
          file == &bmp ? DecodeBmp(file->data(), file->size()) : DecodeJpeg(file->data(), file->size());
      EXPECT_EQ(r.bitmap.has_value(), c.opens) << r.error;
      if (!c.opens) {
        EXPECT_NE(r.error.find("not enough memory to edit a picture of 400 x 300"), std::string::npos) << r.error;
      }
    }
  }
}

TEST(PictureLimits, TheSystemsFigureIsReadWhenNotPretended) {
  const std::int64_t available = AvailableMemoryBytes();
  // Linux says; the figure is some memory, not a parse error.
  EXPECT_GT(available, 0);
  EXPECT_EQ(CheckWorkingMemory(1, 1), "");
}

TEST(PixelAllocationFailure, ACopyThatFailsLeavesTheTargetAsItWas) {
  TFaultReset reset;
  const TBitmap big = Gradient(9, 7);
  TBitmap small = Gradient(3, 2);
  const TBitmap before = small;
  FailPixelAllocationsAfter(0);
  EXPECT_THROW(small = big, std::bad_alloc);
  EXPECT_EQ(small.Width(), 3);
  EXPECT_EQ(small.Height(), 2);
  EXPECT_TRUE(small == before);
  // Counted down: two allocations pass, the third fails, then all fail.
  FailPixelAllocationsAfter(2);
  TBitmap a(2, 2), b(2, 2);
  EXPECT_THROW(TBitmap(2, 2), std::bad_alloc);
  EXPECT_THROW(TBitmap(2, 2), std::bad_alloc);
  FailPixelAllocationsAfter(-1);
  EXPECT_NO_THROW(TBitmap(2, 2));
}

std::vector<std::uint8_t> FileBytes(const std::string& name) {
  const std::string path = std::string(KIRA_TESTDATA) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (b.empty()) throw std::runtime_error("test file missing or empty: " + path);
  return b;
}

// The GIF with the compressed bytes of its first image overwritten by 0xFF,
// block lengths kept: a well-formed file whose code stream is nonsense.
std::vector<std::uint8_t> GifWithBadCodes(std::vector<std::uint8_t> b) {
  std::size_t at = 13;
  if (b[10] & 0x80) at += 3u << ((b[10] & 7) + 1);
  while (at < b.size() && b[at] == 0x21) {  // extensions: label, then sub-blocks
    at += 2;
    while (at < b.size() && b[at] != 0) at += b[at] + 1u;
    ++at;
  }
  EXPECT_EQ(b.at(at), 0x2C) << "no image descriptor";
  const std::uint8_t flags = b.at(at + 9);
  at += 10;
  if (flags & 0x80) at += 3u << ((flags & 7) + 1);
  ++at;  // the code size
  while (at < b.size() && b[at] != 0) {
    for (std::size_t i = 1; i <= b[at]; ++i) b[at + i] = 0xFF;
    at += b[at] + 1u;
  }
  return b;
}

TEST(PictureLimits, DamagedThumbnailFilesAreRefusedWithAMessage) {
  const std::vector<std::uint8_t> png = FileBytes("png/basn2c08.png");
  const std::vector<std::uint8_t> gif = FileBytes("gif/gif87a_rocket_320.gif");
  struct TCase {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  const std::vector<TCase> cases = {
      {"PNG cut in half", {png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2)}},
      {"PNG cut after its header", {png.begin(), png.begin() + 33}},
      {"GIF with a bad code stream", GifWithBadCodes(gif)},
      {"GIF cut in half", {gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(gif.size() / 2)}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TLoadResult r = DecodeAnyPicture(c.bytes.data(), c.bytes.size());
    EXPECT_FALSE(r.bitmap.has_value());
    EXPECT_FALSE(r.error.empty());
  }
}

class SaveFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kira_save_failure_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    SetFileFaults(TFileFaults{});
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, ec);
    fs::remove_all(dir, ec);
  }
  static std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    return names;
  }
  fs::path dir;
};

// Both ways of saving: through an unnamed file, and through a named one where
// the file system has none.
constexpr int kUnnamedRefusals[] = {0, EOPNOTSUPP, EISDIR, EINVAL};

TEST_F(SaveFailure, EveryInjectedFailureLeavesTheOldFileUntouched) {
  const TBitmap picture = Gradient(64, 48);
  for (const int refused : {0, EOPNOTSUPP})
  for (const char* name : {"old.bmp", "old.jpg"}) {
    TFileBytes encoded;
    ASSERT_TRUE(FileKindOf(name) == TFileKind::Bmp ? EncodeBmp(picture, encoded, nullptr)
                                                   : EncodeJpeg(picture, encoded, nullptr));
    const std::int64_t fileBytes = static_cast<std::int64_t>(encoded.size());
    struct TCase {
      const char* what;
      TFileFaults faults;
      int error;
    };
    const std::vector<TCase> cases = {
        {"unwritable folder", {.createErrno = EACCES}, EACCES},
        {"read-only file system", {.createErrno = EROFS}, EROFS},
        {"disk full from the start", {.diskBytesLeft = 0}, ENOSPC},
        {"disk full after 54 bytes", {.diskBytesLeft = 54}, ENOSPC},
        {"disk full one byte short", {.diskBytesLeft = fileBytes - 1}, ENOSPC},
        {"rename fails", {.renameErrno = EIO}, EIO},
        {"rename across devices", {.renameErrno = EXDEV}, EXDEV},
        {"flush to disk fails", {.fileSyncErrno = EIO}, EIO},
    };
    const fs::path target = dir / name;
    for (TCase c : cases) {
      SCOPED_TRACE(std::string(name) + ": " + c.what + (refused ? ", named temporary file" : ""));
      { std::ofstream(target, std::ios::binary) << "the old file's bytes"; }
      c.faults.unnamedErrno = refused;
      SetFileFaults(c.faults);
      const TSaveResult r = SavePicture(picture, target.string());
      SetFileFaults(TFileFaults{});
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, target.string() + ": cannot write: " + std::strerror(c.error));
      EXPECT_TRUE(Contents(target) == "the old file's bytes");
      for (const std::string& left : Names()) EXPECT_EQ(left.find(".tmp"), std::string::npos) << left;
    }
    // Exactly enough room, then no faults: the save replaces the file.
    SetFileFaults(TFileFaults{.diskBytesLeft = fileBytes, .unnamedErrno = refused});
    ASSERT_TRUE(SavePicture(picture, target.string()).ok);
    SetFileFaults(TFileFaults{});
    EXPECT_TRUE(Contents(target) == std::string(encoded.View()));
  }
}

// A save flushes the file before it takes its name and the folder after, on
// either way, new file or saved over; a file saved over keeps its permissions.
TEST_F(SaveFailure, EverySaveFlushesFileAndFolderAndKeepsPermissions) {
  TFileBytes encoded;
  ASSERT_TRUE(EncodeBmp(Gradient(8, 8), encoded, nullptr));
  const fs::path target = dir / "saved.bmp";
  for (const int refused : kUnnamedRefusals) {
    for (const bool exists : {false, true}) {
      SCOPED_TRACE(std::to_string(refused) + (exists ? " saved over" : " new"));
      fs::remove(target);
      if (exists) {
        { std::ofstream(target, std::ios::binary) << "old"; }
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
      }
      SetFileFaults(TFileFaults{.unnamedErrno = refused});
      ASSERT_TRUE(WriteFileAtomically(target.string(), encoded.View()).ok);
      const TFileCalls calls = FileCalls();
      SetFileFaults(TFileFaults{});
      EXPECT_EQ(calls.unnamedCreates, 1);
      EXPECT_EQ(calls.namedCreates, refused != 0 ? 1 : 0);
      EXPECT_EQ(calls.fileSyncs, 1);
      EXPECT_EQ(calls.folderSyncs, 1);
      EXPECT_TRUE(Contents(target) == std::string(encoded.View()));
      EXPECT_EQ(Names(), std::vector<std::string>{"saved.bmp"});
      if (exists) {
        EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
      }
    }
  }
  // The folder's flush: a failure is reported (the new bytes are in place);
  // a file system that does not flush folders is no failure.
  for (const auto& [fault, error] : {std::pair{EIO, EIO}, std::pair{EINVAL, 0}}) {
    SetFileFaults(TFileFaults{.folderSyncErrno = fault});
    const TSaveResult r = WriteFileAtomically(target.string(), "new");
    SetFileFaults(TFileFaults{});
    EXPECT_EQ(r.error, error == 0 ? "" : target.string() + ": cannot write: " + std::strerror(error));
    EXPECT_EQ(Contents(target), "new");
  }
}

// kill -9 in the middle of saving a large file, several times: the folder
// holds no temporary file afterwards, and the picture only when complete.
TEST_F(SaveFailure, AKilledSaveLeavesNothingBehind) {
  const std::string big(150u << 20, 'k');
  const fs::path target = dir / "big.bmp";
  std::mt19937 rng(::getpid());
  int killedMidway = 0;
  for (int round = 0; round < 5; ++round) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      (void)!::write(ready[1], "s", 1);
      WriteFileAtomically(target.string(), big);
      ::_exit(0);
    }
    ::close(ready[1]);
    char started;
    (void)!::read(ready[0], &started, 1);
    ::close(ready[0]);
    ::usleep(rng() % 30'000);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::vector<std::string> names = Names();
    killedMidway += names.empty();
    for (const std::string& n : names) {
      EXPECT_EQ(n, "big.bmp");
      EXPECT_EQ(fs::file_size(dir / n), big.size());
    }
    fs::remove(target);
  }
  EXPECT_GT(killedMidway, 0);
}

TEST_F(SaveFailure, ARealReadOnlyFolderRefusesTheSave) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; the injected case covers it";
  const fs::path target = dir / "photo.jpg";
  { std::ofstream(target, std::ios::binary) << "kept"; }
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  const TSaveResult r = SavePicture(Gradient(5, 5), target.string());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, target.string() + ": cannot write: " + std::strerror(EACCES));
  EXPECT_EQ(Contents(target), "kept");
}

TEST_F(SaveFailure, AFileThatVanishedBeforeReadingIsACleanFailure) {
  for (const char* name : {"gone.jpg", "gone.bmp"}) {
    const fs::path path = dir / name;
    ASSERT_TRUE(SavePicture(Gradient(4, 4), path.string()).ok);
    fs::remove(path);  // listed a moment ago, gone now
    const TLoadResult r = LoadPicture(path.string());
    EXPECT_FALSE(r.bitmap.has_value());
    EXPECT_EQ(r.error, path.string() + ": cannot open: " + std::strerror(ENOENT));
    // The thumbnail browser's reader likewise.
    const TLoadResult any = LoadAnyPicture(path.string());
    EXPECT_FALSE(any.bitmap.has_value());
    EXPECT_NE(any.error.find(path.string()), std::string::npos) << any.error;
  }
}

}  // namespace
}  // namespace kira
