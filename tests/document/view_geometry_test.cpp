#include "document/view_geometry.h"

#include <gtest/gtest.h>

namespace kira {
namespace {

TEST(ZoomSteps, ThirtyNotchesUpFromHundredReachTheTopAndStay) {
  int z = 100;
  for (int i = 0; i < 30; ++i) z = ZoomIn(z);
  EXPECT_EQ(z, 250);
  EXPECT_EQ(ZoomIn(z), 250);
}

TEST(ZoomSteps, NineteenNotchesDownFromHundredReachTheBottomAndStay) {
  int z = 100;
  for (int i = 0; i < 18; ++i) z = ZoomOut(z);
  EXPECT_EQ(z, 10);
  z = ZoomOut(z);
  EXPECT_EQ(z, 5);
  EXPECT_EQ(ZoomOut(z), 5);
}

struct TLengthCase {
  int length, zoom, zoomed, shown;
};

class LengthAtZoom : public testing::TestWithParam<TLengthCase> {};

TEST_P(LengthAtZoom, HalvesGoToEvenInZoomAndAwayInDisplay) {
  const TLengthCase c = GetParam();
  EXPECT_EQ(ZoomedLength(c.length, c.zoom), c.zoomed);
  EXPECT_EQ(ShownLength(c.length, c.zoom), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Table, LengthAtZoom,
                         testing::Values(TLengthCase{2, 25, 0, 1},     // 0.5
                                         TLengthCase{6, 25, 2, 2},     // 1.5
                                         TLengthCase{10, 25, 2, 3},    // 2.5
                                         TLengthCase{640, 100, 640, 640},
                                         TLengthCase{640, 5, 32, 32},
                                         TLengthCase{427, 250, 1068, 1068},  // 1067.5
                                         TLengthCase{0, 150, 0, 0},
                                         TLengthCase{65535, 250, 163838, 163838}));

struct TPositionCase {
  int position, oldLength, newLength, client, outer, expected;
};

class PositionAfterZoom : public testing::TestWithParam<TPositionCase> {};

TEST_P(PositionAfterZoom, Table) {
  const TPositionCase c = GetParam();
  EXPECT_EQ(ZoomedPosition(c.position, c.oldLength, c.newLength, c.client, c.outer), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PositionAfterZoom,
    testing::Values(
        // Centred picture doubling: the middle stays in the middle.
        TPositionCase{100, 400, 800, 600, 610, -100},
        // Same size: nothing moves.
        TPositionCase{-37, 500, 500, 600, 610, -37},
        // Dragged off-centre: the point under the middle (a quarter into the
        // picture) stays there.
        TPositionCase{200, 400, 200, 600, 610, 250},
        // A picture wholly right of the middle keeps its relation too.
        TPositionCase{400, 100, 200, 600, 610, 500},
        // 0.5 of an odd width rounds to even: c - RoundHalfEven(2.5) = 300 - 2.
        TPositionCase{290, 20, 5, 600, 610, 298},
        // No former size: centred in the outer width, no lower bound,
        // division truncated toward zero.
        TPositionCase{32, 0, 800, 600, 501, -149},
        TPositionCase{32, 0, 100, 600, 501, 200}));

TEST(CentredPosition, NeverNegative) {
  EXPECT_EQ(CentredPosition(610, 400), 105);
  EXPECT_EQ(CentredPosition(611, 400), 105);
  EXPECT_EQ(CentredPosition(400, 610), 0);
  EXPECT_EQ(CentredPosition(0, 0), 0);
}

TEST(KeepCentreShift, RealHalvesRoundedAwayFromZero) {
  EXPECT_EQ(KeepCentreShift(100, 50), 25);
  EXPECT_EQ(KeepCentreShift(3, 0), 2);   // 1.5
  EXPECT_EQ(KeepCentreShift(0, 3), -2);  // -1.5
  EXPECT_EQ(KeepCentreShift(640, 640), 0);
}

TEST(Captions, FileAndZoom) {
  EXPECT_EQ(FileCaption("beach.jpg", 640, 480), "beach.jpg (640x480)");
  EXPECT_EQ(FileCaption("", 0, 0), " (0x0)");
  EXPECT_EQ(ZoomCaption(100), "キラボックス Ver. 0.32 (100%)");
  EXPECT_EQ(ZoomCaption(5), "キラボックス Ver. 0.32 (5%)");
}

}  // namespace
}  // namespace kira
