// The program's one pseudo-random generator: a 32-bit linear congruential
// state, 0 at start-up. Every random number of the program comes from here.
#pragma once

#include <cstdint>

namespace kira {

std::uint32_t& RandSeed();

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
