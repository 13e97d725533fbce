#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "core/bitmap.h"
#include "effects/sharpen.h"

namespace {

// A 4000 x 3000 photo-like picture: smooth colour gradients, a few hard-edged
// shapes and a little noise.
kira::TBitmap Photo() {
  kira::TBitmap b(4000, 3000);
  std::mt19937 rng(12);
  for (int y = 0; y < b.Height(); ++y) {
    std::uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      const double u = x / 4000.0, v = y / 3000.0;
      const bool disc = (x - 1400) * (x - 1400) + (y - 1700) * (y - 1700) < 600 * 600;
      for (int c = 0; c < 3; ++c) {
        double value = 50 + 140 * u * (c + 1) / 3 + 60 * std::cos(5 * v - c) + static_cast<int>(rng() % 9);
        if (disc) value = 220 - 40 * c;
        row[3 * x + c] = static_cast<std::uint8_t>(std::fmin(255, std::fmax(0, value)));
      }
    }
  }
  return b;
}

void BM_Sharpen(benchmark::State& state) {
  const kira::TBitmap photo = Photo();
  kira::TBitmap b = photo;
  for (auto _ : state) {
    state.PauseTiming();
    b = photo;
    state.ResumeTiming();
    kira::Sharpen(b, 100, static_cast<int>(state.range(0)));
    benchmark::ClobberMemory();
  }
}

void BM_Focus(benchmark::State& state) {
  const kira::TBitmap photo = Photo();
  kira::TBitmap b = photo;
  for (auto _ : state) {
    state.PauseTiming();
    b = photo;
    state.ResumeTiming();
    kira::Focus(b, 100.0f, static_cast<int>(state.range(0)));
    benchmark::ClobberMemory();
  }
}

// Amount 100, the page's strongest; argument: threads.
BENCHMARK(BM_Sharpen)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Focus)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
