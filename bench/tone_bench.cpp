// Tone curves, colour filter and monochrome on a 4000 x 3000 photo-like
// picture, each including the copy of the source into the result image, as a
// Preview does. Arguments: threads, then 1 for the processor's best inner
// loop or 0 for the plain one.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "core/bitmap.h"
#include "tone/byte_map.h"
#include "tone/color_filter.h"
#include "tone/monochrome.h"
#include "tone/tone_curves.h"

namespace {

// Smooth colour gradients with a soft bright blob and a little grain.
const kira::TBitmap& Photo() {
  static const kira::TBitmap photo = [] {
    kira::TBitmap b(4000, 3000);
    std::mt19937 rng(11);
    for (int y = 0; y < b.Height(); ++y) {
      std::uint8_t* row = b.ScanLine(y);
      for (int x = 0; x < b.Width(); ++x) {
        const double dx = x - 2600.0, dy = y - 900.0;
        const double blob = 120 * std::exp(-(dx * dx + dy * dy) / 4.0e5);
        const int grain = static_cast<int>(rng() % 17) - 8;
        auto put = [&](int c, double v) {
          const int i = static_cast<int>(v) + grain;
          row[3 * x + c] = static_cast<std::uint8_t>(i < 0 ? 0 : (i > 255 ? 255 : i));
        };
        put(0, 40 + 150.0 * y / b.Height() + blob);
        put(1, 60 + 100.0 * x / b.Width() + blob);
        put(2, 90 + 80.0 * std::sin(x / 700.0 + y / 900.0) + blob);
      }
    }
    return b;
  }();
  return photo;
}

void SetLevel(const benchmark::State& state) {
  kira::LimitSimdLevel(state.range(1) != 0 ? kira::TSimdLevel::Avx512Vbmi : kira::TSimdLevel::Plain);
}

template <typename Effect>
void RunFused(benchmark::State& state, Effect effect) {
  SetLevel(state);
  const kira::TBitmap& source = Photo();
  kira::TBitmap result;
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    effect(source, result, threads);
    benchmark::ClobberMemory();
  }
  kira::LimitSimdLevel(kira::TSimdLevel::Avx512Vbmi);
}

void BM_GammaCurve(benchmark::State& state) {
  RunFused(state, [](const kira::TBitmap& s, kira::TBitmap& r, int t) { kira::GammaCurve(s, r, 1.5, t); });
}
void BM_TiltCurve(benchmark::State& state) {
  RunFused(state, [](const kira::TBitmap& s, kira::TBitmap& r, int t) { kira::TiltCurve(s, r, -20, t); });
}
void BM_ShiftCurve(benchmark::State& state) {
  RunFused(state, [](const kira::TBitmap& s, kira::TBitmap& r, int t) { kira::ShiftCurve(s, r, 30, t); });
}
void BM_ContrastCurve(benchmark::State& state) {
  RunFused(state, [](const kira::TBitmap& s, kira::TBitmap& r, int t) { kira::ContrastCurve(s, r, 40, t); });
}
void BM_ColorFilter(benchmark::State& state) {
  RunFused(state, [](const kira::TBitmap& s, kira::TBitmap& r, int t) {
    kira::ColorFilter(s, r, kira::ColorRef(255, 128, 0), 30, t);
  });
}
void BM_WeightedGrey(benchmark::State& state) {
  RunFused(state, [](const kira::TBitmap& s, kira::TBitmap& r, int t) {
    kira::WeightedGrey(s, r, kira::GreyWeightsFor(kira::TGreyKind::Monochrome), t);
  });
}

// The two steps apart: result := source, then the curve in place.
void BM_GammaCurveCopyThenInPlace(benchmark::State& state) {
  RunFused(state, [](const kira::TBitmap& s, kira::TBitmap& r, int t) {
    r = s;
    kira::GammaCurve(r, 1.5, t);
  });
}

// A Preview right after Apply or Cancel: the result image starts empty.
void BM_GammaCurveFreshResult(benchmark::State& state) {
  RunFused(state, [](const kira::TBitmap& s, kira::TBitmap& r, int t) {
    r.Clear();
    kira::GammaCurve(s, r, 1.5, t);
  });
}

#define KIRA_TONE_BENCH(name) \
  BENCHMARK(name)->ArgsProduct({{1, 2}, {1, 0}})->Unit(benchmark::kMillisecond)->UseRealTime()

KIRA_TONE_BENCH(BM_GammaCurve);
KIRA_TONE_BENCH(BM_TiltCurve);
KIRA_TONE_BENCH(BM_ShiftCurve);
KIRA_TONE_BENCH(BM_ContrastCurve);
KIRA_TONE_BENCH(BM_ColorFilter);
KIRA_TONE_BENCH(BM_WeightedGrey);
KIRA_TONE_BENCH(BM_GammaCurveCopyThenInPlace);
KIRA_TONE_BENCH(BM_GammaCurveFreshResult);

}  // namespace
