// Resampling a 12-megapixel photo-like picture: each method of the resize
// page at half and double size, the enlargements and mixed ratios on each
// vector path, how many values the double pass leaves to extended precision
// on a photo, noise and a gradient, and the histogram of a 24-megapixel one.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "core/bitmap.h"
#include "effects/histogram.h"
#include "effects/resample.h"

namespace {

// Smooth gradients with some fine texture, hard edges and sensor noise, so
// that neither flat areas nor pure noise flatter a method.
kira::TBitmap PhotoLike(int w, int h) {
  kira::TBitmap b(w, h);
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
      const double texture = 20 * std::sin(x * 0.05) * std::cos(y * 0.03);
      const bool block = ((x / 300) + (y / 250)) % 5 == 0;
      const double base[3] = {60 + 120 * v, 90 + 100 * u * v, 200 - 150 * u};
      for (int c = 0; c < 3; ++c) {
        const double value = (block ? 255 - base[c] : base[c]) + texture + noise(rng);
        row[3 * x + c] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
      }
    }
  }
  return b;
}

kira::TBitmap Noise(int w, int h) {
  kira::TBitmap b(w, h);
  std::mt19937 rng(12);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
  return b;
}

// A smooth ramp across and down, one slope per channel.
kira::TBitmap Gradient(int w, int h) {
  kira::TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(255 * x / (w - 1));
      p[1] = static_cast<std::uint8_t>(255 * y / (h - 1));
      p[2] = static_cast<std::uint8_t>(255 * (x + y) / (w + h - 2));
    }
  return b;
}

const kira::TBitmap& Photo12MP() {
  static const kira::TBitmap picture = PhotoLike(4000, 3000);
  return picture;
}

// Arguments: method code, scale (0 half, 1 double), threads.
void BM_Resample(benchmark::State& state) {
  const kira::TBitmap& src = Photo12MP();
  const auto code = static_cast<std::uint8_t>(state.range(0));
  const bool twice = state.range(1) != 0;
  const int threads = static_cast<int>(state.range(2));
  const int w = twice ? src.Width() * 2 : src.Width() / 2;
  const int h = twice ? src.Height() * 2 : src.Height() / 2;
  for (auto _ : state) {
    kira::TBitmap out;
    kira::ResampleInto(src, out, w, h, code, threads);
    benchmark::DoNotOptimize(out.Bits());
  }
}

void PanelMethods(benchmark::internal::Benchmark* b) {
  b->ArgNames({"code", "double", "threads"});
  for (int code : {0, 1, 2, 8, 3, 5})
    for (int twice : {0, 1})
      for (int threads : {1, 2}) b->Args({code, twice, threads});
}
BENCHMARK(BM_Resample)->Apply(PanelMethods)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arguments: method code, new width, new height, threads, path (1 SSE2,
// 2 AVX2). The counter "recomputed" is the share of values decided again in
// extended precision.
void BM_ResamplePath(benchmark::State& state) {
  const kira::TBitmap& src = Photo12MP();
  const auto code = static_cast<std::uint8_t>(state.range(0));
  const int w = static_cast<int>(state.range(1)), h = static_cast<int>(state.range(2));
  const int threads = static_cast<int>(state.range(3));
  const auto path = static_cast<kira::TResamplePath>(state.range(4));
  if (!kira::ResamplePathAvailable(path)) {
    state.SkipWithError("path not available on this processor");
    return;
  }
  kira::TResampleCounts counts;
  for (auto _ : state) {
    kira::TBitmap out;
    kira::ResampleIntoOn(src, out, w, h, code, threads, path, &counts);
    benchmark::DoNotOptimize(out.Bits());
  }
  state.counters["recomputed"] =
      counts.values ? static_cast<double>(counts.recomputed) / static_cast<double>(counts.values) : 0.0;
}

void PathCases(benchmark::internal::Benchmark* b) {
  b->ArgNames({"code", "w", "h", "threads", "path"});
  const int cases[][3] = {
      {2, 8000, 6000},  // bicubic, doubled: an exact weight grid
      {1, 6000, 4500},  // bilinear, 3/2: thirds on both axes
      {2, 6000, 4500},  // bicubic, 3/2
      {1, 6000, 6000},  // bilinear, thirds across and halves down: real ties
      {2, 6000, 6000},  // bicubic, the same mixed ratio
      {8, 6000, 6000},  // Lagrange, the same mixed ratio
      {2, 1999, 1499},  // bicubic, just short of half: no whole positions
      {8, 1999, 1499},
      {8, 160, 120},    // Lagrange down to a thumbnail
  };
  for (const auto& c : cases)
    for (int path : {1, 2})
      for (int threads : {1, 2}) b->Args({c[0], c[1], c[2], threads, path});
}
BENCHMARK(BM_ResamplePath)->Apply(PathCases)->Unit(benchmark::kMillisecond)->UseRealTime();

// The share of values left to extended precision by picture kind (0 photo,
// 1 noise, 2 gradient), for each method of the resize page at the mixed ratio
// and at 3/2.
void BM_ResampleRecomputedShare(benchmark::State& state) {
  static const kira::TBitmap pictures[3] = {PhotoLike(1000, 750), Noise(1000, 750), Gradient(1000, 750)};
  const kira::TBitmap& src = pictures[state.range(0)];
  const auto code = static_cast<std::uint8_t>(state.range(1));
  const int w = static_cast<int>(state.range(2)), h = static_cast<int>(state.range(3));
  kira::TResampleCounts counts;
  for (auto _ : state) {
    kira::TBitmap out;
    kira::ResampleIntoOn(src, out, w, h, code, 1, kira::TResamplePath::Best, &counts);
    benchmark::DoNotOptimize(out.Bits());
  }
  state.counters["recomputed"] =
      counts.values ? static_cast<double>(counts.recomputed) / static_cast<double>(counts.values) : 0.0;
}

void ShareCases(benchmark::internal::Benchmark* b) {
  b->ArgNames({"picture", "code", "w", "h"});
  for (int picture : {0, 1, 2})
    for (int code : {1, 2, 8, 3, 5}) {
      b->Args({picture, code, 1500, 1500});
      b->Args({picture, code, 1500, 1125});
      b->Args({picture, code, 999, 749});
    }
}
BENCHMARK(BM_ResampleRecomputedShare)->Apply(ShareCases)->Unit(benchmark::kMillisecond)->Iterations(1);

// The worst case found for the double pass: rows alternating between two
// neighbouring levels (in blocks across), enlarged by thirds across and
// halves down. Every value between two rows is then exactly k + 1/2 in real
// arithmetic, and a third to a half of all values are decided again in
// extended precision.
void BM_ResampleStripes(benchmark::State& state) {
  static const kira::TBitmap stripes = [] {
    kira::TBitmap b(4000, 3000);
    for (int y = 0; y < 3000; ++y)
      for (int i = 0; i < 12000; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(100 + (y + i / 600) % 2);
    return b;
  }();
  const auto code = static_cast<std::uint8_t>(state.range(0));
  kira::TResampleCounts counts;
  for (auto _ : state) {
    kira::TBitmap out;
    kira::ResampleIntoOn(stripes, out, 6000, 6000, code, 1, kira::TResamplePath::Best, &counts);
    benchmark::DoNotOptimize(out.Bits());
  }
  state.counters["recomputed"] =
      counts.values ? static_cast<double>(counts.recomputed) / static_cast<double>(counts.values) : 0.0;
}
BENCHMARK(BM_ResampleStripes)->ArgName("code")->Arg(1)->Arg(2)->Arg(3)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// Just short of half size: no position falls on a whole pixel, so no exact
// shortcut applies and every pixel mixes its taps.
void BM_ResampleNotQuiteHalf(benchmark::State& state) {
  const kira::TBitmap& src = Photo12MP();
  const auto code = static_cast<std::uint8_t>(state.range(0));
  for (auto _ : state) {
    kira::TBitmap out;
    kira::ResampleInto(src, out, 1999, 1499, code, 1);
    benchmark::DoNotOptimize(out.Bits());
  }
}
BENCHMARK(BM_ResampleNotQuiteHalf)->ArgName("code")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Tables and vertices of a 24-megapixel picture, reduction to 256 x 256 included.
void BM_Histogram24MP(benchmark::State& state) {
  const kira::TBitmap picture = PhotoLike(6000, 4000);
  for (auto _ : state) {
    auto curves = kira::HistogramCurves(picture, true, 181, 120);
    benchmark::DoNotOptimize(curves.data());
  }
}
BENCHMARK(BM_Histogram24MP)->Unit(benchmark::kMillisecond);

}  // namespace
