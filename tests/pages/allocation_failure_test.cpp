// Memory running out in the middle of any page's Preview or Apply ends in an
// error, never in a crash, and the source image stays as it was; opening and
// saving that fail leave the document and the file on disk alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <thread>

#include "core/file_faults.h"
#include "core/image_files.h"
#include "core/working_memory.h"
#include "core/fault_reset.h"
#include "document/document.h"
#include "effects/random.h"
#include "pages/page_list.h"

namespace kira {
namespace {

namespace fs = std::filesystem;

TBitmap Photo(int w, int h) {
  TBitmap b(w, h);
  std::uint32_t s = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < 3 * w; ++x) {
      s = s * 1103515245u + 12345u;
      // Smooth with a few bright points, so that the star filter finds some.
      const bool bright = (x / 3 + y) % 11 == 0;
      b.ScanLine(y)[x] = bright ? 250 : static_cast<std::uint8_t>((x * 5 + y * 3 + (s >> 28)) & 0xFF);
    }
  }
  return b;
}

struct TRun {
  bool threw = false;
  bool ok = false;
  TBitmap source;
};

TRun RunWithFailureAfter(const std::string& text, const TBitmap& picture, long allocations) {
  TDocument doc;
  doc.OpenPicture(picture);
  TStepValues values;
  std::string error;
  const TStepSpec* step = ParseStep(AllSteps(), text, values, error);
  EXPECT_NE(step, nullptr) << error;
  RandSeed() = 7;
  TRun run;
  if (!step) return run;
  FailPixelAllocationsAfter(allocations);
  try {
    run.ok = step->run(doc, values, error);
  } catch (const std::bad_alloc&) {
    run.threw = true;
  }
  FailPixelAllocationsAfter(-1);
  run.source = doc.Source();
  return run;
}

// The step with its defaults, and once with each other choice of each of its
// choice keys (every kind of a page), where the step accepts it.
std::vector<std::string> StepTexts(const TStepSpec& step) {
  std::vector<std::string> texts{step.name};
  for (const TParamSpec& p : step.params) {
    if (p.kind != TParamKind::Choice) continue;
    for (std::size_t i = 0; i < p.choices.size(); ++i) {
      if (static_cast<int>(i) == p.def) continue;
      const std::string text = step.name + ":" + p.key + "=" + p.choices[i];
      TStepValues values;
      std::string error;
      if (ParseStep(AllSteps(), text, values, error)) texts.push_back(text);
    }
  }
  return texts;
}

// Every page's every step, with the n-th allocation of pixel storage failing
// for n = 0, 1, 2, ... until the step no longer meets a failure: each run ends
// in an error (an exception or a refusal) or in the fault-free result, and a
// failed run leaves the source exactly as it was.
TEST(AllocationFailure, EveryPageKeepsItsSourceWhenMemoryRunsOut) {
  TFaultReset reset;
  const TBitmap picture = Photo(37, 23);
  int steps = 0;
  for (const TPageEntry& page : AllPages()) {
    if (!page.steps) continue;
    for (const TStepSpec& listed : page.steps()) {
      const TStepSpec* step = FindStep(listed.name.c_str());
      ASSERT_NE(step, nullptr) << listed.name;
      for (const std::string& text : StepTexts(*step)) {
        SCOPED_TRACE(std::string(page.caption) + " / " + text);
        ++steps;
        const TRun clean = RunWithFailureAfter(text, picture, -1);
        ASSERT_FALSE(clean.threw);
        // The ripple draws its seed from the clock: its runs differ from each
        // other, so there a run that succeeds is taken as fault-free.
        bool repeatable = true;
        for (int again = 0; again < 2 && repeatable; ++again) {
          std::this_thread::sleep_for(std::chrono::milliseconds(3));  // a new clock reading
          repeatable = RunWithFailureAfter(text, picture, -1).source == clean.source;
        }
        int failures = 0;
        for (long n = 0; n < 200; ++n) {
          const TRun run = RunWithFailureAfter(text, picture, n);
          const bool faultFree = !run.threw && run.ok == clean.ok && (!repeatable || run.source == clean.source);
          if (faultFree) break;
          ++failures;
          EXPECT_TRUE(run.threw || !run.ok) << "allocation " << n << " failed but the step reported success";
          EXPECT_TRUE(run.source == picture) << "allocation " << n << " failed and the source changed";
        }
        EXPECT_GT(failures, 0) << "the step allocated no pixel storage at all";
      }
    }
  }
  EXPECT_GE(steps, 30);
}

class DocumentFileFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kira_doc_failure_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_TRUE(SavePicture(Photo(20, 10), (dir / "first.bmp").string()).ok);
    ASSERT_EQ(doc.OpenImageFile((dir / "first.bmp").string()), TOpenOutcome::Opened);
    opened = doc.Source();
  }
  void TearDown() override { fs::remove_all(dir); }
  static std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // The document as the failed operation found it.
  void ExpectUnchanged() const {
    EXPECT_TRUE(doc.Source() == opened);
    EXPECT_EQ(doc.CurrentFileName(), "first.bmp");
    EXPECT_EQ(doc.ProposedSaveName(), (dir / "first").string());
  }
  fs::path dir;
  TDocument doc;
  TBitmap opened;
};

TEST_F(DocumentFileFailure, AnOpenThatFailsKeepsThePictureAndItsName) {
  TFaultReset reset;
  const fs::path big = dir / "big.bmp";
  ASSERT_TRUE(SavePicture(Photo(300, 200), big.string()).ok);
  const fs::path gone = dir / "gone.jpg";
  ASSERT_TRUE(SavePicture(Photo(8, 8), gone.string()).ok);
  fs::remove(gone);
  const fs::path cut = dir / "cut.jpg";
  {
    TFileBytes bytes;
    ASSERT_TRUE(EncodeJpeg(Photo(64, 64), bytes, nullptr));
    std::ofstream(cut, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size() / 2));
  }
  struct TCase {
    const char* what;
    fs::path path;
    std::int64_t memory;  // pretended available bytes, -1 the system's
    long allocations;     // pixel allocations before failing, -1 never
    std::string message;
  };
  const std::vector<TCase> cases = {
      {"file vanished after listing", gone, -1, -1, gone.string() + ": cannot open: " + std::strerror(ENOENT)},
      {"JPEG cut in half", cut, -1, -1, cut.string() + ": "},
      {"working images do not fit", big, 1 << 20, -1,
       big.string() + ": not enough memory to edit a picture of 300 x 200"},
      {"no memory for the pixels", big, -1, 0, big.string() + ": not enough memory for the picture"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetAvailableMemoryForTests(c.memory);
    FailPixelAllocationsAfter(c.allocations);
    std::string error;
    EXPECT_EQ(doc.OpenImageFile(c.path.string(), &error), TOpenOutcome::Failed);
    FailPixelAllocationsAfter(-1);
    SetAvailableMemoryForTests(-1);
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
    ExpectUnchanged();
  }
}

TEST_F(DocumentFileFailure, ASaveThatFailsKeepsTheOldFileAndThePicture) {
  TFaultReset reset;
  const fs::path target = dir / "out.jpg";
  { std::ofstream(target, std::ios::binary) << "previous picture"; }
  for (const TFileFaults faults : {TFileFaults{EACCES, -1, 0}, TFileFaults{0, 100, 0}, TFileFaults{0, -1, EIO}}) {
    SetFileFaults(faults);
    std::string error;
    EXPECT_FALSE(doc.SaveShownImage(target.string(), &error));
    SetFileFaults(TFileFaults{});
    EXPECT_EQ(error.rfind(target.string() + ": cannot write: ", 0), 0u) << error;
    EXPECT_EQ(Contents(target), "previous picture");
    ExpectUnchanged();
  }
}

}  // namespace
}  // namespace kira
