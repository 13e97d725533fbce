// A fixture for runs of the real kirabox-batch binary: a fresh folder per
// test, the exit status and standard error of a run, pictures read back.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/image_files.h"

namespace kira {

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

  // Runs kirabox-batch with args; returns its exit status, its standard error in *err.
  int Batch(const std::string& args, std::string* err = nullptr) const {
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
  static std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::filesystem::path dir;
};

}  // namespace kira
