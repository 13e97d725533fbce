// Batch steps run the way kirabox-batch runs them, for the page tests.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/settings_table.h"

namespace kira::teststep {

// Parses and runs one step on a document whose source is `picture`; the
// step's Apply leaves no result behind. Returns the new source.
inline TBitmap RunStep(const std::vector<TStepSpec>& steps, const std::string& text, const TBitmap& picture) {
  TDocument doc;
  doc.OpenPicture(picture);
  TStepValues values;
  std::string error;
  const TStepSpec* step = ParseStep(steps, text, values, error);
  EXPECT_NE(step, nullptr) << error;
  if (step) {
    EXPECT_TRUE(step->run(doc, values, error)) << error;
  }
  EXPECT_TRUE(doc.Result().Empty());
  return doc.Source();
}

// The usage error of a step that must not parse.
inline std::string ParseError(const std::vector<TStepSpec>& steps, const std::string& text) {
  TStepValues values;
  std::string error;
  EXPECT_EQ(ParseStep(steps, text, values, error), nullptr) << text;
  return error;
}

// A picture of random bytes.
inline TBitmap Picture(int w, int h, unsigned seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
  return b;
}

}  // namespace kira::teststep
