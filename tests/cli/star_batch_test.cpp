// The brightpoints and star steps end to end through the real kirabox-batch.
#include "tests/cli/batch_fixture.h"
#include "starfilter/brightpoints.h"
#include "pages/star_page.h"

namespace kira {
namespace {

class StarBatch : public TBatchFixture {
 protected:
  void SetUp() override {
    TBatchFixture::SetUp();
    TBitmap b(48, 32);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 48; ++x) {
        std::uint8_t* p = b.ScanLine(y) + 3 * x;
        p[0] = static_cast<std::uint8_t>(x * 4);
        p[1] = static_cast<std::uint8_t>(y * 6);
        p[2] = 90;
      }
    std::uint8_t* hi = b.ScanLine(20) + 3 * 30;
    hi[0] = 250, hi[1] = 240, hi[2] = 230;  // the brightest pixel, sum 720
    picture = b;
    ASSERT_TRUE(SaveBmpFile(b, P("in.bmp")));
  }
  TBitmap picture;
};

TEST_F(StarBatch, AutoThresholdKeepsTheBrightestPixels) {
  ASSERT_EQ(Batch(P("in.bmp") + " " + P("bp.bmp") + " brightpoints:threshold=auto"), 0);
  TBitmap expected = picture;
  ExtractBrightPoints(expected, 719, 10);
  EXPECT_EQ(Read("bp.bmp"), expected);
}

TEST_F(StarBatch, StarIsThePreviewOfAFreshlyShownPage) {
  ASSERT_EQ(Batch(P("in.bmp") + " " + P("star.bmp") +
                  " star:threshold=600,length=12,angle=30,intensity=80,kind=snow,soft=1"),
            0);
  TDocument doc;
  doc.OpenPicture(picture);
  TStarSettings s;
  StarPageShown(doc, s);
  s.Threshold = 600;
  s.Length = 12;
  s.Angle = 30;
  s.Intensity = 80;
  s.Kind = TStarKind::Snow;
  s.SoftCross = true;
  StarPreview(doc, s);
  EXPECT_EQ(Read("star.bmp"), doc.Result());
}

TEST_F(StarBatch, UsageErrorsNameTheWordAndWriteNothing) {
  std::string err;
  EXPECT_EQ(Batch(P("in.bmp") + " " + P("x.bmp") + " star:threshold=766", &err), 2);
  EXPECT_NE(err.find("766"), std::string::npos) << err;
  EXPECT_EQ(Batch(P("in.bmp") + " " + P("x.bmp") + " star:kind=comet", &err), 2);
  EXPECT_NE(err.find("comet"), std::string::npos) << err;
  EXPECT_EQ(Batch(P("in.bmp") + " " + P("x.bmp") + " brightpoints:length=3", &err), 2);
  EXPECT_FALSE(std::filesystem::exists(P("x.bmp")));
}

}  // namespace
}  // namespace kira
