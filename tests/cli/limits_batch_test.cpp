// kirabox-batch on pictures it must refuse: one clear line naming the file,
// exit 1, no crash and no output written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/batch_fixture.h"

namespace kira {
namespace {

void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

std::string BmpHeaderClaiming(std::uint32_t width, std::uint32_t height) {
  std::string b(54, '\0');
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, 54);
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, width);
  Put32(b, 22, height);
  b[26] = 1;
  b[28] = 24;
  return b;
}

// A small JPEG written by our encoder with its frame header claiming w x h.
std::string JpegClaiming(int w, int h) {
  TFileBytes out;
  EXPECT_TRUE(EncodeJpeg(TBitmap(8, 8), out, nullptr));
  std::string b(out.View());
  const std::size_t sof = b.find("\xFF\xC0");
  EXPECT_NE(sof, std::string::npos);
  b[sof + 5] = static_cast<char>(h >> 8);
  b[sof + 6] = static_cast<char>(h);
  b[sof + 7] = static_cast<char>(w >> 8);
  b[sof + 8] = static_cast<char>(w);
  return b;
}

class LimitsBatchTest : public TBatchFixture {};

TEST_F(LimitsBatchTest, OversizedAndDamagedPicturesAreRefusedWithTheirName) {
  struct TCase {
    const char* file;
    std::string bytes;
    std::string message;
  };
  std::string cut = JpegClaiming(8, 8);
  cut.resize(cut.size() / 2);
  const std::vector<TCase> cases = {
      {"huge.bmp", BmpHeaderClaiming(65535, 65535), "picture too large (65535 x 65535)"},
      {"huge.jpg", JpegClaiming(60000, 60000), "picture too large (60000 x 60000)"},
      {"cut.jpg", cut, ""},
      {"empty.bmp", "", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.file);
    std::ofstream(P(c.file), std::ios::binary) << c.bytes;
    std::string err;
    EXPECT_EQ(Batch(P(c.file) + " " + P("out.bmp") + " softness:level=2", &err), 1);
    EXPECT_NE(err.find(P(c.file) + ": "), std::string::npos) << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_FALSE(std::filesystem::exists(P("out.bmp")));
  }
}

}  // namespace
}  // namespace kira
