#include "effects/random.h"

#include <chrono>

namespace kira {

namespace {
TTimeOfDayClock g_clock = nullptr;
thread_local std::uint32_t* t_bound = nullptr;
}  // namespace

std::uint32_t& RandSeed() {
  if (t_bound != nullptr) return *t_bound;
  static std::uint32_t seed = 0;
  return seed;
}

TRandomScope::TRandomScope(std::uint32_t& state) : previous_(t_bound) { t_bound = &state; }
TRandomScope::~TRandomScope() { t_bound = previous_; }

TLcgJump LcgJump(std::uint64_t steps) {
  // Square-and-multiply on the affine map s -> a s + c.
  TLcgJump result;
  TLcgJump power{134775813u, 1u};
  while (steps != 0) {
    if (steps & 1u) result = {power.Mul * result.Mul, power.Mul * result.Add + power.Add};
    power = {power.Mul * power.Mul, power.Mul * power.Add + power.Add};
    steps >>= 1;
  }
  return result;
}

TTimeOfDay SystemTimeOfDay() {
  using namespace std::chrono;
  // system_clock counts from midnight UTC and leaves out leap seconds, so the
  // remainder by one day is the time of day in universal time.
  constexpr long long kDay = 24LL * 60 * 60 * 1000;
  long long ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() % kDay;
  if (ms < 0) ms += kDay;
  TTimeOfDay t;
  t.Millisecond = static_cast<int>(ms % 1000);
  t.Second = static_cast<int>(ms / 1000 % 60);
  t.Minute = static_cast<int>(ms / 60000 % 60);
  t.Hour = static_cast<int>(ms / 3600000);
  return t;
}

void SetRandomClock(TTimeOfDayClock clock) { g_clock = clock; }

void RandomizeFromClock() {
  const TTimeOfDay t = g_clock != nullptr ? g_clock() : SystemTimeOfDay();
  // Unsigned, so that any clock value wraps instead of overflowing.
  const auto u = [](int v) { return static_cast<std::uint32_t>(v); };
  RandSeed() = ((u(t.Hour) * 60u + u(t.Minute)) * 60u + u(t.Second)) * 1000u + u(t.Millisecond);
}

}  // namespace kira
