// The star filter's Preview on a 4000 x 3000 photograph-like picture with a
// few thousand white highlights, as after showing the page (extraction
// included), for each kind and angle that matters for speed.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "document/document.h"
#include "starfilter/brightpoints.h"
#include "pages/star_page.h"

namespace {

using namespace kira;

const TBitmap& StarPhoto() {
  static const TBitmap photo = [] {
    const int w = 4000, h = 3000;
    TBitmap b(w, h, TPixelFormat::pf24bit);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> noise(0, 12);
    for (int y = 0; y < h; ++y) {
      std::uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < w; ++x, p += 3) {
        // Smooth light over the frame with grain; never pure white.
        p[0] = static_cast<std::uint8_t>(40 + (x * 120) / w + noise(rng));
        p[1] = static_cast<std::uint8_t>(60 + (y * 100) / h + noise(rng));
        p[2] = static_cast<std::uint8_t>(80 + ((x + y) * 90) / (w + h) + noise(rng));
      }
    }
    // About 3000 highlights, single pixels and small clusters.
    std::uniform_int_distribution<int> px(0, w - 3), py(0, h - 3), size(1, 2);
    for (int n = 0; n < 1800; ++n) {
      const int x0 = px(rng), y0 = py(rng), s = size(rng);
      for (int j = 0; j < s; ++j)
        for (int i = 0; i < s; ++i) {
          std::uint8_t* p = b.ScanLine(y0 + j) + 3 * (x0 + i);
          p[0] = p[1] = p[2] = 255;
        }
    }
    return b;
  }();
  return photo;
}

void BM_ExtractAndThin(benchmark::State& state) {
  const TBitmap& photo = StarPhoto();
  for (auto _ : state) {
    TBitmap bp = photo;
    ExtractBrightPoints(bp, 764, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(bp.Bits());
  }
}
BENCHMARK(BM_ExtractAndThin)->Arg(10)->Arg(5)->Unit(benchmark::kMillisecond);

void BM_StarPreview(benchmark::State& state) {
  TDocument doc;
  doc.OpenPicture(StarPhoto());
  TStarSettings s;
  StarPageShown(doc, s);
  s.Kind = static_cast<TStarKind>(state.range(0));
  s.Angle = static_cast<int>(state.range(1));
  s.SoftCross = state.range(2) != 0;
  for (auto _ : state) {
    doc.SetBrightPointsReady(false);  // as after showing the page: extract afresh
    StarPreview(doc, s);
    benchmark::DoNotOptimize(doc.Result().Bits());
  }
}
BENCHMARK(BM_StarPreview)
    ->ArgNames({"kind", "R", "soft"})
    ->Args({0, 0, 0})
    ->Args({0, 0, 1})
    ->Args({0, 30, 0})
    ->Args({0, 30, 1})
    ->Args({1, 30, 0})
    ->Args({1, 30, 1})
    ->Args({2, 30, 0})
    ->Args({2, 30, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

// Every pixel a bright point (threshold 0): too many points to follow one by
// one, so the turned rows are drawn whole.
void BM_StarPreviewAllPoints(benchmark::State& state) {
  TDocument doc;
  doc.OpenPicture(StarPhoto());
  TStarSettings s;
  StarPageShown(doc, s);
  s.Threshold = 0;
  s.Kind = static_cast<TStarKind>(state.range(0));
  s.Angle = static_cast<int>(state.range(1));
  for (auto _ : state) {
    doc.SetBrightPointsReady(false);
    StarPreview(doc, s);
    benchmark::DoNotOptimize(doc.Result().Bits());
  }
}
BENCHMARK(BM_StarPreviewAllPoints)
    ->ArgNames({"kind", "R"})
    ->Args({0, 0})
    ->Args({2, 30})
    ->Unit(benchmark::kMillisecond);
