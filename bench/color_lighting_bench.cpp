#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "core/bitmap.h"
#include "effects/color_effects.h"
#include "effects/lighting.h"

namespace {

// A photo-like 4000 x 3000 picture: smooth colour gradients, a few soft
// discs, fine texture and a little sensor noise.
const kira::TBitmap& Photo() {
  static const kira::TBitmap picture = [] {
    kira::TBitmap b(4000, 3000);
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < b.Height(); ++y) {
      std::uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < b.Width(); ++x, p += 3) {
        const double fx = x / 4000.0, fy = y / 3000.0;
        double r = 60 + 150 * fy + 30 * std::sin(fx * 9);
        double g = 90 + 100 * fx * (1 - fy) + 20 * std::sin((fx + fy) * 23);
        double bl = 180 - 120 * fy + 25 * std::cos(fx * 5);
        const double dx = x - 2600.0, dy = y - 1100.0;
        if (dx * dx + dy * dy < 500.0 * 500.0) {
          r += 70;
          g -= 20;
        }
        const double tex = 12 * std::sin(x * 0.7) * std::cos(y * 0.9);
        const auto clamp = [](double v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
        p[0] = clamp(bl + tex + noise(rng));
        p[1] = clamp(g + tex + noise(rng));
        p[2] = clamp(r + tex + noise(rng));
      }
    }
    return b;
  }();
  return picture;
}

// Args: setting, threads. The picture is restored outside the timing.
template <typename F>
void RunOnCopy(benchmark::State& state, F effect) {
  kira::TBitmap b;
  for (auto _ : state) {
    state.PauseTiming();
    b = Photo();
    state.ResumeTiming();
    effect(b, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    benchmark::ClobberMemory();
  }
}

void BM_AdjustSaturation(benchmark::State& state) {
  RunOnCopy(state, [](kira::TBitmap& b, int amount, int threads) {
    kira::AdjustSaturation(b, amount, threads);
  });
}
BENCHMARK(BM_AdjustSaturation)->ArgsProduct({{0, -100, 100}, {1, 2}})->Unit(benchmark::kMillisecond);

void BM_AdjustLuminance(benchmark::State& state) {
  RunOnCopy(state, [](kira::TBitmap& b, int amount, int threads) {
    kira::AdjustLuminance(b, amount, threads);
  });
}
BENCHMARK(BM_AdjustLuminance)->ArgsProduct({{0, -100, 100}, {1, 2}})->Unit(benchmark::kMillisecond);

// Radii: 2000 is the page's default on this picture (50 %), 40 its lowest
// position, 4000 its highest.
void BM_SpotLight(benchmark::State& state) {
  RunOnCopy(state, [](kira::TBitmap& b, int r, int threads) { kira::SpotLight(b, r, threads); });
}
BENCHMARK(BM_SpotLight)->ArgsProduct({{2000, 40, 4000}, {1, 2}})->Unit(benchmark::kMillisecond);

void BM_ColorSpotLight(benchmark::State& state) {
  RunOnCopy(state, [](kira::TBitmap& b, int r, int threads) { kira::ColorSpotLight(b, r, threads); });
}
BENCHMARK(BM_ColorSpotLight)->ArgsProduct({{2000, 40, 4000}, {1, 2}})->Unit(benchmark::kMillisecond);

void BM_Vaseline(benchmark::State& state) {
  RunOnCopy(state, [](kira::TBitmap& b, int r, int threads) { kira::Vaseline(b, r, threads); });
}
BENCHMARK(BM_Vaseline)->ArgsProduct({{2000, 50, 40}, {1, 2}})->Unit(benchmark::kMillisecond);

}  // namespace
