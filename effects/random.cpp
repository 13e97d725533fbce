#include "effects/random.h"

#include <chrono>

namespace kira {

std::uint32_t& RandSeed() {
  static std::uint32_t seed = 0;
  return seed;
}

void RandomizeFromClock() {
  using namespace std::chrono;
  const auto now = system_clock::now().time_since_epoch();
  const auto msOfDay = duration_cast<milliseconds>(now).count() % (24LL * 60 * 60 * 1000);
  RandSeed() = static_cast<std::uint32_t>(msOfDay);
}

}  // namespace kira
