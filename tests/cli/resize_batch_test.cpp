// The resize step end to end through the real kirabox-batch binary.
#include "tests/cli/batch_fixture.h"
#include "effects/resample.h"

namespace kira {
namespace {

class ResizeBatch : public TBatchFixture {
 protected:
  const std::string rocket = std::string(KIRA_TESTDATA) + "/bmp-extra/rocket_24bit_640x427.bmp";
};

TEST_F(ResizeBatch, OneSideGivenTheOtherFollowsTheAspectRule) {
  // 427 * 320 / 640 = 213.5, rounded away from zero.
  ASSERT_EQ(Batch(rocket + " " + P("half.bmp") + " resize:width=320"), 0);
  const TLoadResult in = LoadPicture(rocket);
  const TLoadResult out = LoadPicture(P("half.bmp"));
  ASSERT_TRUE(in);
  ASSERT_TRUE(out);
  TBitmap expected = *in.bitmap;
  ASSERT_TRUE(ResampleBitmap(expected, 320, 214, kResampleBicubic));
  EXPECT_EQ(*out.bitmap, expected);

  ASSERT_EQ(Batch(rocket + " " + P("tall.bmp") + " resize:height=100,method=nearest"), 0);
  const TLoadResult tall = LoadPicture(P("tall.bmp"));
  ASSERT_TRUE(tall);
  EXPECT_EQ(tall.bitmap->Width(), 150);  // 640 * 100 / 427 = 149.88
  EXPECT_EQ(tall.bitmap->Height(), 100);
}

TEST_F(ResizeBatch, NoKeysKeepsTheSizeAndBothKeysAreTakenAsGiven) {
  ASSERT_EQ(Batch(rocket + " " + P("same.bmp") + " resize"), 0);
  const TLoadResult in = LoadPicture(rocket);
  const TLoadResult same = LoadPicture(P("same.bmp"));
  ASSERT_TRUE(in && same);
  EXPECT_EQ(*same.bitmap, *in.bitmap);  // bicubic at the same size is exact

  ASSERT_EQ(Batch(rocket + " " + P("odd.bmp") + " resize:width=33,height=500,method=mitchell"), 0);
  const TLoadResult odd = LoadPicture(P("odd.bmp"));
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd.bitmap->Width(), 33);
  EXPECT_EQ(odd.bitmap->Height(), 500);
}

TEST_F(ResizeBatch, AFollowingSideOfZeroFailsAndWritesNothing) {
  // 1 * 1 / 1000 rounds to 0: the resampler would refuse it.
  const std::string strip = std::string(KIRA_TESTDATA) + "/jpeg/strip_1000x1.jpg";
  std::string err;
  EXPECT_EQ(Batch(strip + " " + P("none.bmp") + " resize:width=1", &err), 1);
  EXPECT_NE(err.find("resize"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(P("none.bmp")));
  EXPECT_EQ(Batch(rocket + " " + P("none.bmp") + " resize:width=0", &err), 2);
  EXPECT_EQ(Batch(rocket + " " + P("none.bmp") + " resize:method=lanczos", &err), 2);
  EXPECT_FALSE(std::filesystem::exists(P("none.bmp")));
}

}  // namespace
}  // namespace kira
