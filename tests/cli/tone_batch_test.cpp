// The brightness, colorfilter and monochrome steps end to end through the real
// kirabox-batch binary.
#include "tests/cli/batch_fixture.h"
#include "tone/color_filter.h"
#include "tone/monochrome.h"
#include "tone/tone_curves.h"

namespace kira {
namespace {

class ToneBatch : public TBatchFixture {
 protected:
  const std::string rocket = std::string(KIRA_TESTDATA) + "/bmp-extra/rocket_24bit_640x427.bmp";
};

TEST_F(ToneBatch, StepsInOrderAsTheCurvesWouldGive) {
  ASSERT_EQ(Batch(rocket + " " + P("out.bmp") +
                  " brightness:kind=contrast,position=40 colorfilter:color=ff8000,density=70 monochrome:kind=red"),
            0);
  const TLoadResult in = LoadPicture(rocket);
  ASSERT_TRUE(in);
  TBitmap expected = *in.bitmap;
  ASSERT_TRUE(ContrastCurve(expected, 40));
  ASSERT_TRUE(ColorFilter(expected, ColorRef(255, 128, 0), 30));
  ASSERT_TRUE(WeightedGrey(expected, GreyWeightsFor(TGreyKind::RedFilter)));
  EXPECT_EQ(Read("out.bmp"), expected);

  // Defaults: gamma at 0, a white filter at half density, the monochrome
  // weights; the first two leave the picture.
  ASSERT_EQ(Batch(rocket + " " + P("defaults.bmp") + " brightness colorfilter monochrome"), 0);
  expected = *in.bitmap;
  ASSERT_TRUE(WeightedGrey(expected, GreyWeightsFor(TGreyKind::Monochrome)));
  EXPECT_EQ(Read("defaults.bmp"), expected);
}

TEST_F(ToneBatch, PositionOutsideTheKindsRangeIsAUsageError) {
  const struct {
    const char* step;
    const char* word;
  } cases[] = {
      {"brightness:kind=gamma,position=71", "71"},     {"brightness:kind=tilt,position=-36", "-36"},
      {"brightness:kind=contrast,position=91", "91"},  {"brightness:kind=exposure", "exposure"},
      {"colorfilter:color=ff80", "ff80"},              {"colorfilter:density=101", "101"},
      {"monochrome:kind=sepia", "sepia"},
  };
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(Batch(rocket + " " + P("none.bmp") + " " + c.step, &err), 2) << c.step;
    EXPECT_NE(err.find(c.word), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(P("none.bmp")));
  }
}

}  // namespace
}  // namespace kira
