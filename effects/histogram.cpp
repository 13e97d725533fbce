#include "effects/histogram.h"

#include <algorithm>

#include "core/rounding.h"
#include "effects/resample.h"

namespace kira {

namespace {

constexpr int kReducedSide = 256;

void Count(const TBitmap& picture, THistogramTables& t) {
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint8_t* p = picture.ScanLine(y);
    for (int x = 0; x < picture.Width(); ++x, p += 3) {
      ++t.luminance[(p[0] + p[1] + p[2]) / 3];
      ++t.blue[p[0]];
      ++t.green[p[1]];
      ++t.red[p[2]];
    }
  }
}

}  // namespace

THistogramTables CountHistogram(const TBitmap& image) {
  THistogramTables tables;
  if (image.Empty()) return tables;
  // A 24-bit picture is read in place; only other formats need the working
  // copy converted to 24 bits.
  TBitmap converted;
  const TBitmap* picture = &image;
  if (!Is24(image)) {
    converted = image;
    converted.SetPixelFormat(TPixelFormat::pf24bit);
    picture = &converted;
  }
  if (picture->Width() > kReducedSide && picture->Height() > kReducedSide) {
    TBitmap reduced;
    ResampleInto(*picture, reduced, kReducedSide, kReducedSide, kResampleBilinear);
    Count(reduced, tables);
  } else {
    Count(*picture, tables);
  }
  return tables;
}

std::int32_t HistogramScale(const THistogramTables& t) {
  std::int32_t m = 0;
  for (const THistogramTable* table : {&t.luminance, &t.blue, &t.green, &t.red}) {
    m = std::max(m, *std::max_element(table->begin(), table->end()));
  }
  return RoundHalfAway(m * 1.02L);
}

std::vector<THistogramPoint> HistogramCurve(const THistogramTable& table, std::int32_t scale, int width,
                                            int height) {
  std::vector<THistogramPoint> points;
  if (width < 1) return points;
  const auto h = [&](std::int32_t v) -> std::int32_t {
    if (scale <= 0) return 0;
    return RoundHalfAway(static_cast<long double>(v) * height / scale);
  };
  points.push_back({0, height - h(table[0])});
  std::int64_t sum = 0;
  int n = 0;
  for (int x = 1; x <= width - 2; ++x) {
    if (x % 3 == 0) {
      // n >= 2 here: the first vertex comes at x = 3 after two samples.
      points.push_back({x, height - RoundHalfAway(static_cast<long double>(sum) / n)});
      sum = 0;
      n = 0;
    }
    const std::int32_t i = RoundHalfAway(static_cast<long double>(x) * 255 / (width - 1));
    sum += h(table[i]);
    ++n;
  }
  sum += h(table[255]);
  ++n;
  points.push_back({width - 1, height - RoundHalfAway(static_cast<long double>(sum) / n)});
  return points;
}

std::vector<THistogramCurve> HistogramCurves(const TBitmap& image, bool rgb, int width, int height) {
  const THistogramTables t = CountHistogram(image);
  const std::int32_t scale = HistogramScale(t);
  std::vector<THistogramCurve> curves;
  curves.push_back({0, 0, 0, 2, HistogramCurve(t.luminance, scale, width, height)});
  if (rgb) {
    curves.push_back({0, 0, 255, 1, HistogramCurve(t.blue, scale, width, height)});
    curves.push_back({0, 128, 0, 1, HistogramCurve(t.green, scale, width, height)});
    curves.push_back({255, 0, 0, 1, HistogramCurve(t.red, scale, width, height)});
  }
  return curves;
}

}  // namespace kira
