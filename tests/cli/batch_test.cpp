// End-to-end runs of the real kirabox-batch binary.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/batch.h"
#include "tests/cli/batch_fixture.h"
#include "tests/core/fault_reset.h"

namespace kira {
namespace {

namespace fs = std::filesystem;

class BatchTest : public TBatchFixture {
 protected:
  struct BatchRun {
    int status = -1;
    std::string err;
  };
  // The exit status and standard error of one run.
  BatchRun RunBatch(const std::string& args) const {
    BatchRun r;
    r.status = Batch(args, &r.err);
    return r;
  }
  int Lines(const std::string& s) const { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }
  const std::string photo = std::string(KIRA_TESTDATA) + "/photos/rocket.jpg";
};

TEST_F(BatchTest, LeftThenRightGivesThePictureBack) {
  ASSERT_EQ(RunBatch(photo + " " + P("plain.bmp")).status, 0);
  ASSERT_EQ(RunBatch(photo + " " + P("turned.bmp") + " rotate:turn=left rotate:turn=right").status, 0);
  EXPECT_EQ(ReadAll(P("plain.bmp")), ReadAll(P("turned.bmp")));
  const TLoadResult plain = LoadPicture(P("plain.bmp"));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain.bitmap->Width(), 640);
  EXPECT_EQ(plain.bitmap->Height(), 427);
}

TEST_F(BatchTest, FourRightTurnsGiveTheSourceBitForBit) {
  ASSERT_EQ(RunBatch(photo + " " + P("plain.bmp")).status, 0);
  ASSERT_EQ(RunBatch(P("plain.bmp") + " " + P("once.BMP") + " rotate").status, 0);
  const TLoadResult once = LoadPicture(P("once.BMP"));
  ASSERT_TRUE(once);
  EXPECT_EQ(once.bitmap->Width(), 427);
  ASSERT_EQ(RunBatch(P("plain.bmp") + " " + P("four.bmp") + " rotate rotate rotate:turn=right rotate").status, 0);
  EXPECT_EQ(ReadAll(P("plain.bmp")), ReadAll(P("four.bmp")));
  ASSERT_EQ(RunBatch(P("plain.bmp") + " " + P("flip2.bmp") + " rotate:turn=flip rotate:turn=flip").status, 0);
  EXPECT_EQ(ReadAll(P("plain.bmp")), ReadAll(P("flip2.bmp")));
}

TEST_F(BatchTest, JpegOutputIsReadableAtTheRightSize) {
  ASSERT_EQ(RunBatch(photo + " " + P("out.JPEG") + " rotate:turn=left").status, 0);
  const TLoadResult out = LoadPicture(P("out.JPEG"));
  ASSERT_TRUE(out);
  EXPECT_EQ(out.bitmap->Width(), 427);
  EXPECT_EQ(out.bitmap->Height(), 640);
}

TEST_F(BatchTest, UsageErrorsExitTwoWithOneLineAndWriteNothing) {
  const char* bad[] = {"rotate:turn=up", "rotate:angle=3", "sparkle", "rotate:turn", "--seed -1", "--seed x"};
  for (const char* step : bad) {
    const std::string args = std::string(step).rfind("--", 0) == 0 ? std::string(step) + " " + photo + " " + P("o.bmp")
                                                                    : photo + " " + P("o.bmp") + " " + step;
    const BatchRun r = RunBatch(args);
    EXPECT_EQ(r.status, 2) << step;
    EXPECT_EQ(Lines(r.err), 1) << step << ": " << r.err;
    EXPECT_FALSE(fs::exists(P("o.bmp"))) << step;
  }
  const BatchRun gif = RunBatch(photo + " " + P("o.gif"));
  EXPECT_EQ(gif.status, 2);
  EXPECT_NE(gif.err.find(".png, .tif, .tiff, .webp"), std::string::npos) << gif.err;
  EXPECT_EQ(RunBatch(photo).status, 2);
  EXPECT_EQ(RunBatch("").status, 2);
  EXPECT_EQ(RunBatch("--help").status, 0);
}

TEST_F(BatchTest, BadInputExitsOneAndLeavesAnExistingOutputAlone) {
  const std::string out = P("keep.bmp");
  { std::ofstream(out, std::ios::binary) << "precious"; }
  // Truncated JPEG and BMP, a missing file, and words under a picture's name.
  const std::string full = ReadAll(photo);
  { std::ofstream(P("cut.jpg"), std::ios::binary) << full.substr(0, full.size() / 2); }
  ASSERT_EQ(RunBatch(photo + " " + P("whole.bmp")).status, 0);
  const std::string bmp = ReadAll(P("whole.bmp"));
  { std::ofstream(P("cut.bmp"), std::ios::binary) << bmp.substr(0, bmp.size() / 3); }
  { std::ofstream(P("words.gif"), std::ios::binary) << "no picture"; }
  const std::string inputs[] = {P("cut.jpg"), P("cut.bmp"), P("missing.jpg"), P("words.gif")};
  for (const std::string& in : inputs) {
    const BatchRun r = RunBatch(in + " " + out + " rotate");
    EXPECT_EQ(r.status, 1) << in;
    EXPECT_EQ(Lines(r.err), 1) << in << ": " << r.err;
    EXPECT_NE(r.err.find(in), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(out), "precious") << in;
  }
  // Pictures under another kind's name open as what they are; with --out-dir
  // an output keeping an extension that is not written needs --format.
  for (const char* name : {"png_content_named.jpg", "jpeg_content_named.bmp", "tiff_content_named.bmp",
                           "webp_content_named.png", "heic_content_named.jpg"}) {
    const BatchRun r = RunBatch(std::string(KIRA_TESTDATA) + "/wrong-extension/" + name + " " + P("fine.bmp"));
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
  }
  fs::create_directories(P("many"));
  const std::string heic = std::string(KIRA_TESTDATA) + "/heif/rocket.heic";
  EXPECT_EQ(RunBatch("--out-dir " + P("many") + " " + heic + " -- rotate").status, 2);
  EXPECT_EQ(RunBatch("--out-dir " + P("many") + " --format webp " + heic + " -- rotate").status, 0);
  // A folder that cannot be written: exit 1, nothing left behind.
  const BatchRun r = RunBatch(photo + " " + P("no/such/folder/out.bmp"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err), 1);
  std::size_t leftovers = 0;
  for (const auto& e : fs::directory_iterator(dir)) leftovers += e.path().string().find(".tmp") != std::string::npos;
  EXPECT_EQ(leftovers, 0u);
}

// A JPEG missing only its end marker gives the picture of the whole file.
TEST_F(BatchTest, JpegWithoutItsEndMarkerOpens) {
  const std::string full = ReadAll(photo);
  { std::ofstream(P("noend.jpg"), std::ios::binary) << full.substr(0, full.size() - 2); }
  ASSERT_EQ(RunBatch(photo + " " + P("whole.bmp")).status, 0);
  const BatchRun r = RunBatch(P("noend.jpg") + " " + P("noend.bmp"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadAll(P("whole.bmp")), ReadAll(P("noend.bmp")));
}

// With one file as with --out-dir, a failure of the file is one line that
// names it: a step that cannot run, memory running out at any point (the
// save's own failure names the output).
TEST_F(BatchTest, FailuresNameTheFileInBothModes) {
  TFaultReset reset;
  const std::string strip = std::string(KIRA_TESTDATA) + "/jpeg/strip_1000x1.jpg";
  for (const bool many : {false, true}) {
    SCOPED_TRACE(many ? "--out-dir" : "one file");
    const auto run = [&](const std::string& in, const std::string& step, std::string& err) {
      const std::vector<std::string> args = many ? std::vector<std::string>{"--out-dir", P("out"), in, "--", step}
                                                 : std::vector<std::string>{in, P("out.bmp"), step};
      fs::create_directories(P("out"));
      std::ostringstream out, errors;
      const int status = kira::RunBatch(args, out, errors);
      err = errors.str();
      return status;
    };
    std::string err;
    EXPECT_EQ(run(strip, "resize:width=1", err), 1);
    EXPECT_EQ(err.rfind("kirabox-batch: " + strip + ": resize: ", 0), 0u) << err;
    int failures = 0;
    for (int allocations = 0; allocations < 8; ++allocations) {
      FailPixelAllocationsAfter(allocations);
      const int status = run(photo, "rotate", err);
      FailPixelAllocationsAfter(-1);
      if (status == 0) continue;
      ++failures;
      EXPECT_EQ(Lines(err), 1) << err;
      const bool namesInput = err.rfind("kirabox-batch: " + photo + ": not enough memory", 0) == 0;
      const bool namesOutput = err.rfind("kirabox-batch: " + P("out"), 0) == 0 &&
                               err.find(": not enough memory") != std::string::npos;
      EXPECT_TRUE(namesInput || namesOutput) << err;
    }
    EXPECT_GT(failures, 2);
  }
}

// --time: one line per step, the step as given and milliseconds with one
// decimal; the picture written is the one without --time.
TEST_F(BatchTest, TimeReportsEveryStepAsGiven) {
  const std::string steps = " rotate:turn=left resize:width=100,method=nearest rotate";
  ASSERT_EQ(RunBatch(photo + " " + P("plain.bmp") + steps).status, 0);
  const BatchRun timed = RunBatch("--time " + photo + " " + P("timed.bmp") + steps);
  ASSERT_EQ(timed.status, 0) << timed.err;
  EXPECT_EQ(ReadAll(P("plain.bmp")), ReadAll(P("timed.bmp")));
  std::istringstream lines(timed.err);
  const char* expected[] = {"rotate:turn=left", "resize:width=100,method=nearest", "rotate"};
  std::string word, step, ms;
  for (const char* e : expected) {
    ASSERT_TRUE(lines >> word >> step >> ms) << timed.err;
    EXPECT_EQ(word, "time");
    EXPECT_EQ(step, e);
    const std::size_t dot = ms.find('.');
    ASSERT_NE(dot, std::string::npos) << ms;
    EXPECT_EQ(ms.size() - dot, 2u) << ms;
    EXPECT_GE(std::stod(ms), 0.0);
  }
  EXPECT_FALSE(lines >> word);
}

}  // namespace
}  // namespace kira
