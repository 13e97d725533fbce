#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "core/bitmap.h"
#include "effects/geometry.h"

namespace {

kira::TBitmap Picture12MP() {
  kira::TBitmap b(4000, 3000);
  std::mt19937 rng(7);
  for (int y = 0; y < b.Height(); ++y)
    for (int i = 0; i < 3 * b.Width(); ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
  return b;
}

void BM_Memcpy12MP(benchmark::State& state) {
  const kira::TBitmap src = Picture12MP();
  std::vector<std::uint8_t> dst(src.SizeInBytes());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.Bits(), src.SizeInBytes());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Memcpy12MP)->Unit(benchmark::kMillisecond);

void BM_FlipBitmap(benchmark::State& state) {
  kira::TBitmap b = Picture12MP();
  for (auto _ : state) {
    kira::FlipBitmap(b, static_cast<std::uint8_t>(state.range(0)));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FlipBitmap)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Arguments: direction, and 0 for the plain path.
void BM_RotateBitmap90(benchmark::State& state) {
  kira::TBitmap b = Picture12MP();
  kira::geometry_detail::gSimdAllowed = state.range(1) != 0;
  for (auto _ : state) {
    kira::RotateBitmap90(b, static_cast<std::uint8_t>(state.range(0)));
    benchmark::ClobberMemory();
  }
  kira::geometry_detail::gSimdAllowed = true;
}
BENCHMARK(BM_RotateBitmap90)->Args({1, 1})->Args({0, 1})->Args({1, 0})->Unit(benchmark::kMillisecond);

}  // namespace

namespace {
void BM_Allocate12MP(benchmark::State& state) {
  for (auto _ : state) {
    kira::TBitmap b(3000, 4000);
    benchmark::DoNotOptimize(b.Bits());
  }
}
BENCHMARK(BM_Allocate12MP)->Unit(benchmark::kMillisecond);
}  // namespace
