#include <gtest/gtest.h>

#include <new>

#include "document/document.h"

namespace kira {
namespace {

TEST(FailedPreview, LeavesNoHalfDoneResultForApply) {
  TDocument doc;
  TBitmap picture(3, 2);
  picture.ScanLine(1)[5] = 77;
  doc.OpenPicture(picture);
  const TBitmap original = doc.Source();
  const auto failing = [](TBitmap& result) -> bool {
    result.ScanLine(0)[0] = 200;  // part of the work done, then the memory ran out
    throw std::bad_alloc();
  };
  EXPECT_THROW(doc.PreviewInPlace(failing), std::bad_alloc);
  EXPECT_TRUE(doc.Result().Empty());
  // Apply runs the Preview again, which fails again: the source is kept.
  EXPECT_THROW(doc.Apply([&] { doc.PreviewInPlace(failing); }), std::bad_alloc);
  EXPECT_TRUE(doc.Source() == original);
}

}  // namespace
}  // namespace kira
