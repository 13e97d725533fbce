// A fixture for runs of the real kirabox-batch binary: a fresh folder per
// test, the exit status and standard error of a run, pictures read back.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "core/image_files.h"

namespace kira {

// A noisy picture of its own for each seed, every seventh byte brighter.
inline TBitmap Noise(int w, int h, unsigned seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng() % 200 + (i % 7 == 0) * 55);
  return b;
}

class TBatchFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("kira_batch_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // Runs kirabox-batch with args; returns its exit status, its standard error
  // in *err. A test image named in args must be there: a missing or empty one
  // stops the test with its path instead of passing for a refused input.
  int Batch(const std::string& args, std::string* err = nullptr) const {
    RequireTestImages(args);
    const std::string errFile = (dir / "stderr.txt").string();
    const std::string cmd = std::string(KIRA_BATCH_BIN) + " " + args + " 2>" + errFile + " >/dev/null";
    const int raw = std::system(cmd.c_str());
    if (err) *err = ReadAll(errFile);
    std::filesystem::remove(errFile);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::string P(const std::string& name) const { return (dir / name).string(); }
  TBitmap Read(const std::string& name) const {
    TLoadResult r = LoadPicture(P(name));
    return r ? *r.bitmap : TBitmap();
  }
  static void RequireTestImages(const std::string& args) {
    const std::string data = std::string(KIRA_TESTDATA) + "/";
    std::istringstream words(args);
    for (std::string word; words >> word;) {
      if (word.rfind(data, 0) != 0) continue;
      std::error_code ec;
      if (!std::filesystem::is_regular_file(word, ec) || std::filesystem::file_size(word, ec) == 0) {
        throw std::runtime_error("test file missing or empty: " + word);
      }
    }
  }
  static std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::filesystem::path dir;
};

}  // namespace kira
