#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "core/bitmap.h"
#include "core/parallel_rows.h"
#include "effects/blur.h"
#include "effects/soften.h"

namespace {

// A 4000 x 3000 photo-like picture: smooth colour gradients, a few hard-edged
// shapes and a little noise.
const kira::TBitmap& Photo() {
  static const kira::TBitmap photo = [] {
    kira::TBitmap b(4000, 3000);
    std::mt19937 rng(11);
    for (int y = 0; y < b.Height(); ++y) {
      std::uint8_t* row = b.ScanLine(y);
      for (int x = 0; x < b.Width(); ++x) {
        const double u = x / 4000.0, v = y / 3000.0;
        const bool disc = (x - 2600) * (x - 2600) + (y - 1200) * (y - 1200) < 500 * 500;
        const bool bar = x > 600 && x < 900 && y > 300;
        for (int c = 0; c < 3; ++c) {
          double value = 60 + 120 * u * (c + 1) / 3 + 70 * std::sin(6 * v + c) + static_cast<int>(rng() % 9);
          if (disc) value = 235 - 30 * c;
          if (bar) value = 25 + 10 * c;
          row[3 * x + c] = static_cast<std::uint8_t>(std::fmin(255, std::fmax(0, value)));
        }
      }
    }
    return b;
  }();
  return photo;
}

template <bool (*Blur)(kira::TBitmap&, std::int32_t, int)>
void Run(benchmark::State& state) {
  kira::TBitmap b = Photo();
  const int threads = static_cast<int>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    b = Photo();
    state.ResumeTiming();
    Blur(b, static_cast<std::int32_t>(state.range(0)), threads);
    benchmark::ClobberMemory();
  }
}

void BM_BoxBlur(benchmark::State& state) { Run<kira::BoxBlur>(state); }
void BM_GaussianBlur(benchmark::State& state) { Run<kira::GaussianBlur>(state); }
void BM_RadialBlur(benchmark::State& state) { Run<kira::RadialBlur>(state); }
void BM_AngleBlur(benchmark::State& state) { Run<kira::AngleBlur>(state); }

// The softness page's "soften" kind at level 6.
bool Soften(kira::TBitmap& b, std::int32_t p, int threads) { return kira::DiamondSoften(b, 5, p, threads); }
void BM_DiamondSoften(benchmark::State& state) { Run<Soften>(state); }

// Arguments: the page's strongest setting (level 6), then threads.
BENCHMARK(BM_BoxBlur)->Args({6, 1})->Args({6, 2})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GaussianBlur)->Args({2, 1})->Args({2, 2})->Args({12, 1})->Args({12, 2})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RadialBlur)->Args({18, 1})->Args({18, 2})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AngleBlur)->Args({18, 1})->Args({18, 2})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DiamondSoften)->Args({102, 1})->Args({102, 2})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
