// The program's one pseudo-random generator: a 32-bit linear congruential
// state, 0 at start-up.
#pragma once

#include <cstdint>

namespace kira {

std::uint32_t& RandSeed();

// seed := seed * 134775813 + 1 (mod 2^32); result = (seed * n) div 2^32.
inline std::uint32_t Random(std::uint32_t n) {
  std::uint32_t& seed = RandSeed();
  seed = seed * 134775813u + 1u;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * n) >> 32);
}

// seed := ((hour * 60 + minute) * 60 + second) * 1000 + ms, universal time.
void RandomizeFromClock();

}  // namespace kira
