// The program's pseudo-random generator: a 32-bit linear congruential state,
// 0 at start-up. Every random number of the program comes from here.
//
// The editor has one generator for the whole run. kirabox-batch runs several
// files side by side, each from the same starting state; each job binds a
// state of its own to its thread with TRandomScope, so that the jobs neither
// share nor disturb one another's draws and the bytes do not depend on how
// many run at once.
#pragma once

#include <cstdint>

namespace kira {

// The state of the generator bound to the calling thread: the program's one
// generator unless a TRandomScope on this thread binds another.
std::uint32_t& RandSeed();

// Binds `state` as the calling thread's generator for the scope's lifetime;
// the binding before it comes back at the end. The state must outlive the
// scope. Threads an effect starts for its rows never draw (they jump ahead
// with LcgJump from the state their caller read), so they need no binding.
class TRandomScope {
 public:
  explicit TRandomScope(std::uint32_t& state);
  ~TRandomScope();
  TRandomScope(const TRandomScope&) = delete;
  TRandomScope& operator=(const TRandomScope&) = delete;

 private:
  std::uint32_t* previous_;
};

// seed := seed * 134775813 + 1 (mod 2^32); result = (seed * n) div 2^32,
// the upper half of the 64-bit product, in 0 .. n-1. Random(0) is 0 and still
// advances the seed.
inline std::uint32_t Random(std::uint32_t n) {
  std::uint32_t& seed = RandSeed();
  seed = seed * 134775813u + 1u;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * n) >> 32);
}

// The draw of Random(n) once the seed has been advanced to `seed`.
inline std::uint32_t RandomFromSeed(std::uint32_t seed, std::uint32_t n) {
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * n) >> 32);
}

// `steps` advances of the seed at once: afterwards seed = Mul * seed + Add
// (mod 2^32). Lets a routine hand a later stretch of its draws to another
// thread and still produce the same numbers.
struct TLcgJump {
  std::uint32_t Mul = 1;
  std::uint32_t Add = 0;
  std::uint32_t Apply(std::uint32_t seed) const { return Mul * seed + Add; }
};
TLcgJump LcgJump(std::uint64_t steps);

// A time of day in universal time.
struct TTimeOfDay {
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

// seed := ((hour * 60 + minute) * 60 + second) * 1000 + ms, from the clock in
// universal time.
void RandomizeFromClock();

// Replaces the clock RandomizeFromClock reads, for tests; nullptr restores
// the system clock.
using TTimeOfDayClock = TTimeOfDay (*)();
void SetRandomClock(TTimeOfDayClock clock);

// The system clock in universal time.
TTimeOfDay SystemTimeOfDay();

}  // namespace kira
