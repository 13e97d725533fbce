// kirabox-batch with --out-dir: several files, side by side, each from the
// same generator state; usage errors before any work; failures of single
// files; a stop that leaves no partial file; metadata kept.
#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include "cli/batch.h"
#include "tests/cli/batch_fixture.h"
#include "tests/core/codec_test_util.h"
#include "tests/core/phone_photo.h"

extern char** environ;

namespace kira {
namespace {

namespace fs = std::filesystem;

class ManyFiles : public TBatchFixture {
 protected:
  void SetUp() override {
    TBatchFixture::SetUp();
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    // Odd sizes, 1 x 1 among them, both formats and extension cases.
    const struct {
      const char* name;
      int w, h;
    } files[] = {{"a.jpg", 37, 23}, {"b.bmp", 1, 1}, {"c.JPEG", 64, 5}, {"d.bmp", 9, 40}, {"e.jpg", 50, 50}};
    unsigned seed = 1;
    for (const auto& f : files) {
      const std::string path = P("in/" + std::string(f.name));
      ASSERT_TRUE(SavePicture(Noise(f.w, f.h, seed++), path));
      inputs.push_back(path);
    }
  }
  std::string Inputs() const {
    std::string s;
    for (const std::string& i : inputs) s += " " + i;
    return s;
  }
  std::vector<std::string> OutNames() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir / "out")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  int Lines(const std::string& s) const { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

  std::vector<std::string> inputs;
  const std::string steps = " -- art2:kind=colornoise,level=90 art2:kind=spray,level=4 star:threshold=500 "
                            "art2:kind=mononoise,level=20";
};

// The one-file form is the oracle: with --seed, each file alone.
TEST_F(ManyFiles, BytesDoNotDependOnJobsAndMatchOneFileAtATime) {
  for (int jobs : {1, 2, 3, 8}) {
    SCOPED_TRACE(jobs);
    fs::remove_all(dir / "out");
    fs::create_directories(dir / "out");
    std::string err;
    ASSERT_EQ(Batch("--seed 9 --jobs " + std::to_string(jobs) + " --out-dir " + P("out") + Inputs() + steps, &err),
              0)
        << err;
    EXPECT_EQ(err, "");  // off a terminal nothing but failures
    EXPECT_EQ(OutNames(), (std::vector<std::string>{"a.jpg", "b.bmp", "c.JPEG", "d.bmp", "e.jpg"}));
    for (const std::string& in : inputs) {
      const std::string name = fs::path(in).filename().string();
      const std::string alone = P("alone_" + name);
      ASSERT_EQ(Batch("--seed 9 " + in + " " + alone + steps.substr(3)), 0);
      EXPECT_EQ(ReadAll(P("out/" + name)), ReadAll(alone)) << name;
    }
  }
}

TEST_F(ManyFiles, FormatChoosesTheExtensionAndTheEncoding) {
  ASSERT_EQ(Batch("--format bmp --out-dir " + P("out") + Inputs()), 0);
  EXPECT_EQ(OutNames(), (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
  EXPECT_EQ(ReadAll(P("out/b.bmp")), ReadAll(inputs[1]));
  ASSERT_EQ(Batch("--format jpg --out-dir " + P("out") + "/ " + inputs[3]), 0);
  const TBitmap jpeg = Read("out/d.jpg");
  EXPECT_EQ(jpeg.Width(), 9);
  EXPECT_EQ(ReadAll(P("out/d.jpg")).substr(0, 2), "\xFF\xD8");
  // Every format by its signature; --quality 90 gives the default's bytes,
  // 50 a smaller file; a WebP at 100 is lossless.
  const std::string jpeg90 = ReadAll(P("out/d.jpg"));
  const struct {
    std::string args, name, signature;
  } formats[] = {{"--format png", "d.png", "\x89PNG"},      {"--format tif", "d.tif", "II*"},
                 {"--format TIFF", "d.TIFF", "II*"},         {"--quality 100 --format webp", "d.webp", "RIFF"},
                 {"--quality 90 --format jpg", "d.jpg", "\xFF\xD8"}};
  for (const auto& f : formats) {
    ASSERT_EQ(Batch(f.args + " --out-dir " + P("out") + " " + inputs[3]), 0) << f.args;
    EXPECT_EQ(ReadAll(P("out/" + f.name)).substr(0, f.signature.size()), f.signature) << f.args;
  }
  EXPECT_EQ(ReadAll(P("out/d.jpg")), jpeg90);
  EXPECT_TRUE(Read("out/d.png") == Read("out/d.bmp"));
  ASSERT_EQ(Batch("--quality 50 --format jpg --out-dir " + P("out") + " " + inputs[3]), 0);
  EXPECT_LT(ReadAll(P("out/d.jpg")).size(), jpeg90.size());
}

TEST_F(ManyFiles, UsageErrorsExitTwoWithOneLineBeforeAnyWork) {
  fs::create_directories(dir / "other");
  ASSERT_TRUE(SavePicture(Noise(4, 4, 99), P("other/a.bmp")));
  { std::ofstream(P("plain_file"), std::ios::binary) << "x"; }
  const std::string out = " --out-dir " + P("out") + " ";
  const struct {
    std::string args;
    std::string word;  // the message names it
  } cases[] = {
      {out + inputs[0] + " " + P("other/a.bmp"), "same base name"},
      {out + inputs[0] + " " + inputs[0], "same base name"},
      {"--out-dir " + P("in") + " " + inputs[2] + " " + inputs[4], "overwrite"},
      {"--out-dir " + P("in") + "/ --format bmp " + inputs[0] + " " + inputs[1], "overwrite"},
      {"--jobs 0" + out + inputs[0], "'0'"},
      {"--jobs 257" + out + inputs[0], "'257'"},
      {"--jobs two" + out + inputs[0], "'two'"},
      {"--format gif" + out + inputs[0], "'gif'"},
      {"--quality 0" + out + inputs[0], "'0'"},
      {"--quality 101" + out + inputs[0], "'101'"},
      {"--out-dir " + P("missing") + " " + inputs[0], "missing"},
      {"--out-dir " + P("plain_file") + " " + inputs[0], "plain_file"},
      {"--time" + out + inputs[0], "--time"},
      {out, "INPUT"},
      {out + "--", "INPUT"},
      {out + inputs[0] + " star", "'star'"},
      {out + inputs[0] + " -- sparkle", "sparkle"},
      {out + inputs[0] + " -- star:kind=comet", "comet"},
      {out + inputs[0] + " --fast", "--fast"},
      {out + P("in/notes.txt"), "notes.txt"},
      {"--jobs 2 " + inputs[0] + " " + P("x.bmp"), "--out-dir"},
      {"--format bmp " + inputs[0] + " " + P("x.bmp"), "--out-dir"},
      {"--out-dir", "--out-dir"},
  };
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(Batch(c.args, &err), 2) << c.args;
    EXPECT_EQ(Lines(err), 1) << c.args << ": " << err;
    EXPECT_NE(err.find(c.word), std::string::npos) << c.args << ": " << err;
    EXPECT_TRUE(OutNames().empty()) << c.args;
    EXPECT_FALSE(fs::exists(P("x.bmp")));
  }
  // The inputs were not touched either.
  EXPECT_EQ(Read("in/a.jpg").Width(), 37);
}

TEST_F(ManyFiles, OneFailedFileExitsOneAndTheOthersAreWritten) {
  { std::ofstream(P("in/broken.jpg"), std::ios::binary) << "not a jpeg at all"; }
  fs::create_directories(dir / "out" / "d.bmp");  // an output that cannot be written
  std::string err;
  EXPECT_EQ(Batch("--jobs 2 --out-dir " + P("out") + Inputs() + " " + P("in/broken.jpg") + " " + P("in/gone.bmp") +
                      " -- rotate",
                  &err),
            1);
  EXPECT_EQ(Lines(err), 3) << err;
  for (const char* name : {"broken.jpg", "gone.bmp", "d.bmp"}) EXPECT_NE(err.find(name), std::string::npos) << err;
  EXPECT_EQ(OutNames(), (std::vector<std::string>{"a.jpg", "b.bmp", "c.JPEG", "d.bmp", "e.jpg"}));
  EXPECT_EQ(Read("out/a.jpg").Width(), 23);  // turned
  EXPECT_EQ(Read("out/e.jpg").Height(), 50);
  EXPECT_TRUE(fs::is_directory(dir / "out" / "d.bmp"));
}

// A phone shot stored sideways (orientation 6) stands upright, with one file
// as with --out-dir; --keep-orientation keeps the stored pixels, and the
// manifest says which. The EXIF block goes along, saying orientation 1.
TEST_F(ManyFiles, PhoneShotsStandUprightUnlessKeptAndKeepTheirMetadata) {
  using namespace kira::testing;
  const TBytes icc = FakeIccProfile(300, "RGB ");
  WriteBytes(P("in/phone.jpg"), PhoneJpeg(Noise(16, 12, 5), PhoneExif(6, true, 16, 12), icc));
  const TLoadResult upright = LoadPicture(P("in/phone.jpg"));
  const TLoadResult stored = LoadPicture(P("in/phone.jpg"), TOrientation::Keep);
  ASSERT_TRUE(upright && stored);
  ASSERT_EQ(upright.bitmap->Width(), 12);
  const std::string in = " " + P("in/phone.jpg") + " ";
  const struct {
    std::string args, output, manifest;
    const TBitmap& expected;
  } runs[] = {
      {"--manifest " + P("m.jsonl") + " --format bmp --out-dir " + P("out") + in + "--", "out/phone.bmp",
       "\"orientation\":\"applied\"", *upright.bitmap},
      {in + P("one.bmp"), "one.bmp", "", *upright.bitmap},
      {"--keep-orientation --manifest " + P("m.jsonl") + " --format bmp --out-dir " + P("kept") + in + "--",
       "kept/phone.bmp", "\"orientation\":\"kept\"", *stored.bitmap},
      {"--keep-orientation" + in + P("kept.bmp"), "kept.bmp", "", *stored.bitmap},
  };
  fs::create_directories(dir / "kept");
  for (const auto& run : runs) {
    ASSERT_EQ(Batch(run.args), 0) << run.args;
    EXPECT_TRUE(Read(run.output) == run.expected) << run.args;
    if (!run.manifest.empty()) EXPECT_NE(ReadAll(P("m.jsonl")).find(run.manifest), std::string::npos) << run.args;
  }

  ASSERT_EQ(Batch("--out-dir " + P("out") + " " + P("in/phone.jpg") + " -- rotate:turn=right star"), 0);
  ASSERT_EQ(Batch(P("in/phone.jpg") + " " + P("one.jpg") + " rotate:turn=right star"), 0);
  for (const char* out : {"out/phone.jpg", "one.jpg"}) {
    const auto [exif, profile] = MetadataOf(ReadAll(P(out)));
    const TExifSeen seen = SeeExif(exif);
    EXPECT_EQ(seen.make, kPhoneMake) << out;
    EXPECT_EQ(seen.latitudeRef, "N") << out;
    EXPECT_EQ(seen.orientation, 1) << out;
    EXPECT_FALSE(seen.thumbnail) << out;
    EXPECT_EQ(seen.pixelX, 16) << out;  // 12 wide upright, then turned
    EXPECT_EQ(profile, icc) << out;
  }
}

// In-process runs for what the binary decides from its surroundings.
TEST_F(ManyFiles, ProgressLineOnATerminalAndAStopWritesNothingMore) {
  std::vector<std::string> args = {"--jobs", "2", "--out-dir", P("out")};
  args.insert(args.end(), inputs.begin(), inputs.end());
  std::ostringstream out, err;
  TBatchEnv terminal;
  terminal.terminal = true;
  EXPECT_EQ(RunBatch(args, out, err, terminal), 0);
  const std::string shown = err.str();
  EXPECT_NE(shown.find("\r5/5 files"), std::string::npos) << shown;
  EXPECT_NE(shown.find("files/s"), std::string::npos);
  EXPECT_NE(shown.find("left"), std::string::npos);
  EXPECT_EQ(shown.back(), '\n');
  EXPECT_EQ(Lines(shown), 1);

  fs::remove_all(dir / "out");
  fs::create_directories(dir / "out");
  std::atomic<bool> stop{true};
  TBatchEnv stopped;
  stopped.stop = &stop;
  std::ostringstream err2;
  EXPECT_EQ(RunBatch(args, out, err2, stopped), 130);
  EXPECT_NE(err2.str().find("stopped"), std::string::npos);
  EXPECT_TRUE(OutNames().empty());
  const std::vector<std::string> one = {inputs[0], P("single.bmp")};
  EXPECT_EQ(RunBatch(one, out, err2, stopped), 130);
  EXPECT_FALSE(fs::exists(P("single.bmp")));
}

// Ctrl+C in the middle of a batch: the run ends soon, every file in the folder
// is a whole picture and no temporary file is left behind.
TEST_F(ManyFiles, InterruptLeavesOnlyWholeFiles) {
  std::vector<std::string> argv = {KIRA_BATCH_BIN, "--jobs", "2", "--out-dir", P("out")};
  for (int i = 0; i < 24; ++i) {
    const std::string path = P("in/big" + std::to_string(i) + ".bmp");
    ASSERT_TRUE(SavePicture(Noise(400, 300, 100 + i), path));
    argv.push_back(path);
  }
  for (const char* s : {"--", "star:threshold=300", "softness:kind=blur,level=6", "star"}) argv.push_back(s);
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  // Wait for the first file, then stop.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (OutNames().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  const std::vector<std::string> names = OutNames();
  if (WEXITSTATUS(status) == 0) {
    GTEST_SKIP() << "the batch finished before the stop arrived";
  }
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_LT(names.size(), 24u);
  for (const std::string& name : names) {
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    const TBitmap b = Read("out/" + name);
    EXPECT_EQ(b.Width(), 400) << name;
  }
}

}  // namespace
}  // namespace kira
