// Resampling a 12-megapixel photo-like picture to half and double size with
// each method of the resize page, and the histogram of a 24-megapixel one.
#include <benchmark/benchmark.h>

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
