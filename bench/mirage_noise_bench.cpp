#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "core/bitmap.h"
#include "effects/mirage.h"
#include "effects/noise.h"
#include "effects/random.h"

namespace {

// A 4000 x 3000 picture with the look of a photograph: smooth gradients, a
// few soft discs, fine grain.
const kira::TBitmap& Photo12MP() {
  static const kira::TBitmap photo = [] {
    kira::TBitmap b(4000, 3000);
    std::mt19937 rng(12);
    for (int y = 0; y < b.Height(); ++y) {
      std::uint8_t* row = b.ScanLine(y);
      for (int x = 0; x < b.Width(); ++x) {
        const double sky = 255.0 * y / b.Height();
        const double disc = 120.0 * std::exp(-((x - 2600.0) * (x - 2600.0) + (y - 900.0) * (y - 900.0)) / 2.0e5);
        const double stripes = 40.0 * std::sin(x / 37.0) * std::cos(y / 53.0);
        const int grain = static_cast<int>(rng() % 9) - 4;
        const double base[3] = {sky, 255.0 - sky * 0.6, 80.0 + stripes};
        for (int c = 0; c < 3; ++c) {
          const double v = base[c] + disc + grain;
          row[3 * x + c] = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
      }
    }
    return b;
  }();
  return photo;
}

template <class Effect>
void RunOnFreshCopy(benchmark::State& state, Effect effect) {
  kira::TBitmap b;
  for (auto _ : state) {
    state.PauseTiming();
    b = Photo12MP();
    kira::RandSeed() = 7;
    state.ResumeTiming();
    effect(b);
    benchmark::ClobberMemory();
  }
}

// Args: threads.
void BM_MirageCircleBlend24(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  RunOnFreshCopy(state, [&](kira::TBitmap& b) { kira::MirageCircleBlend(b, 24, 60, 30, 0.7f, threads); });
}
BENCHMARK(BM_MirageCircleBlend24)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MirageLineBlend24(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  RunOnFreshCopy(state, [&](kira::TBitmap& b) { kira::MirageLineBlend(b, 24, 60, 5, 0.7f, threads); });
}
BENCHMARK(BM_MirageLineBlend24)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Args: threads, dark.
void BM_MirageCirclePriority24(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  const bool dark = state.range(1) != 0;
  RunOnFreshCopy(state, [&](kira::TBitmap& b) {
    kira::MirageCirclePriority(b, 24, 60, 30, 0.7f, dark, threads);
  });
}
BENCHMARK(BM_MirageCirclePriority24)
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_MirageLinePriority24(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  RunOnFreshCopy(state, [&](kira::TBitmap& b) { kira::MirageLinePriority(b, 24, 60, 5, 0.7f, true, threads); });
}
BENCHMARK(BM_MirageLinePriority24)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ColorNoise(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  RunOnFreshCopy(state, [&](kira::TBitmap& b) { kira::ColorNoise(b, 64, threads); });
}
BENCHMARK(BM_ColorNoise)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MonoNoise(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  RunOnFreshCopy(state, [&](kira::TBitmap& b) { kira::MonoNoise(b, 64, threads); });
}
BENCHMARK(BM_MonoNoise)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Ripple(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  RunOnFreshCopy(state, [&](kira::TBitmap& b) { kira::Ripple(b, 64, threads); });
}
BENCHMARK(BM_Ripple)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Args: p.
void BM_Spray(benchmark::State& state) {
  const int p = static_cast<int>(state.range(0));
  RunOnFreshCopy(state, [&](kira::TBitmap& b) { kira::Spray(b, p); });
}
BENCHMARK(BM_Spray)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
