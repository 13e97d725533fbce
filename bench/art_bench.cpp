#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "core/bitmap.h"
#include "core/parallel_rows.h"
#include "effects/art.h"
#include "effects/laplacian.h"

namespace {

// A photo-like 4000 x 3000 picture: smooth gradients and soft blobs with a
// little sensor noise and a few hard edges.
const kira::TBitmap& Photo() {
  static const kira::TBitmap photo = [] {
    kira::TBitmap b(4000, 3000);
    std::mt19937 rng(11);
    for (int y = 0; y < b.Height(); ++y) {
      std::uint8_t* row = b.ScanLine(y);
      for (int x = 0; x < b.Width(); ++x) {
        const double u = x / 4000.0, v = y / 3000.0;
        const double blob = 60 * std::sin(7 * u + 3 * v) * std::cos(5 * v - 2 * u);
        const double edge = ((x / 500 + y / 400) % 2) ? 40 : 0;
        for (int c = 0; c < 3; ++c) {
          const double value = 90 + 50 * c * u + 40 * v + blob + edge + static_cast<int>(rng() % 9) - 4;
          row[3 * x + c] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
        }
      }
    }
    return b;
  }();
  return photo;
}

int Threads(const benchmark::State& state) { return state.range(0) ? kira::DefaultThreads() : 1; }

template <typename Effect>
void Run(benchmark::State& state, Effect effect) {
  for (auto _ : state) {
    state.PauseTiming();
    kira::TBitmap b = Photo();
    state.ResumeTiming();
    effect(b);
    benchmark::DoNotOptimize(b.Bits());
  }
}

// Arguments: thread choice (0 one, 1 default), then the effect's parameter.
void BM_Watercolor(benchmark::State& state) {
  Run(state, [&](kira::TBitmap& b) { kira::Watercolor(b, static_cast<int>(state.range(1)), Threads(state)); });
}
BENCHMARK(BM_Watercolor)->Args({0, 3})->Args({0, 7})->Args({1, 3})->Args({1, 7})->Unit(benchmark::kMillisecond);

void BM_Solarize(benchmark::State& state) {
  Run(state, [&](kira::TBitmap& b) { kira::Solarize(b, static_cast<int>(state.range(1))); });
}
BENCHMARK(BM_Solarize)->Args({0, 128})->Args({0, 255})->Unit(benchmark::kMillisecond);

void BM_FishEye(benchmark::State& state) {
  Run(state, [&](kira::TBitmap& b) {
    kira::FishEye(b, static_cast<float>(state.range(1) / 10.0L), Threads(state));
  });
}
BENCHMARK(BM_FishEye)->Args({0, 8})->Args({0, 11})->Args({1, 8})->Args({1, 11})->Unit(benchmark::kMillisecond);

void BM_SobelEdges(benchmark::State& state) {
  Run(state, [&](kira::TBitmap& b) { kira::SobelEdges(b, false, Threads(state)); });
}
BENCHMARK(BM_SobelEdges)->Args({0, 0})->Args({1, 0})->Unit(benchmark::kMillisecond);

void BM_ThresholdEdges(benchmark::State& state) {
  Run(state, [&](kira::TBitmap& b) { kira::ThresholdEdges(b, static_cast<int>(state.range(1))); });
}
BENCHMARK(BM_ThresholdEdges)->Args({0, 20})->Args({0, 5})->Unit(benchmark::kMillisecond);

void BM_ShadedEdges(benchmark::State& state) {
  Run(state, [&](kira::TBitmap& b) { kira::ShadedEdges(b, state.range(1) != 0); });
}
BENCHMARK(BM_ShadedEdges)->Args({0, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);

void BM_Negative(benchmark::State& state) {
  Run(state, [&](kira::TBitmap& b) { kira::Negative(b); });
}
BENCHMARK(BM_Negative)->Args({0, 0})->Unit(benchmark::kMillisecond);

void BM_LaplacianEdges(benchmark::State& state) {
  const auto mode = state.range(2) ? kira::TLaplacianMode::Continuous : kira::TLaplacianMode::Threshold;
  Run(state, [&](kira::TBitmap& b) {
    kira::LaplacianEdges(b, static_cast<int>(state.range(1)), mode, Threads(state));
  });
}
BENCHMARK(BM_LaplacianEdges)
    ->Args({0, 20, 0})
    ->Args({0, 20, 1})
    ->Args({0, 100, 1})
    ->Args({1, 20, 0})
    ->Args({1, 20, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
