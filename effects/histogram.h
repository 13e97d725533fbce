// The RGB histogram under the effect pages, without any drawing code: the
// four tables of a picture, the common scale and the vertex list of each curve.
// The window draws the curves as line strips with its own painter.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/bitmap.h"

namespace kira {

using THistogramTable = std::array<std::int32_t, 256>;

struct THistogramTables {
  THistogramTable luminance{};  // (B + G + R) div 3
  THistogramTable blue{};
  THistogramTable green{};
  THistogramTable red{};
};

// Counts every pixel of the picture (any format; 1 and 8 bits through their
// colour table). A picture wider than 256 and also taller than 256 is first
// resampled bilinearly to exactly 256 x 256 (the aspect ratio is not kept);
// one with either side of 256 or less is counted at full size. An empty
// picture gives all-zero tables.
THistogramTables CountHistogram(const TBitmap& image);

// S = RoundHalfAway(M * 1.02) with M the largest of all 1024 counters (also
// when only the luminance curve is drawn); 0 for an empty picture.
std::int32_t HistogramScale(const THistogramTables& tables);

struct THistogramPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const THistogramPoint&, const THistogramPoint&) = default;
};

// The vertices of one curve in a drawing of width x height (y down, 0 the top
// row). A counter v stands RoundHalfAway(v * height / scale) high (0 when
// scale is 0). The first vertex is bin 0 at x = 0; then every third column
// gets the mean of the heights sampled in the columns before it (column x
// samples bin RoundHalfAway(x * 255 / (width - 1))); the last vertex, at
// width - 1, adds bin 255 to the columns after the last multiple of 3.
// A drawing 2 pixels wide has the two vertices of bins 0 and 255. No vertex
// for a width below 1.
std::vector<THistogramPoint> HistogramCurve(const THistogramTable& table, std::int32_t scale, int width,
                                            int height);

struct THistogramCurve {
  std::uint8_t red = 0, green = 0, blue = 0;  // pen colour
  int penWidth = 1;
  std::vector<THistogramPoint> points;
};

// Every curve of the drawing in the order drawn: luminance (black, pen 2);
// then, when rgb is set, blue (0, 0, 255), dark green (0, 128, 0) and red
// (255, 0, 0), each with pen 1. Later curves lie over earlier ones.
std::vector<THistogramCurve> HistogramCurves(const TBitmap& image, bool rgb, int width, int height);

}  // namespace kira
