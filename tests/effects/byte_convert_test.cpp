#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "core/rounding.h"
#include "effects/byte_convert.h"

namespace kira {
namespace {

// Against RoundClampByte and std::trunc on every quarter step of the byte
// range (all the ties), the neighbours of every tie, and random values.
TEST(ByteConvert, AgreesWithRoundClampByteAndTrunc) {
  std::vector<long double> values;
  for (int q = -8; q <= 4 * 260; ++q) {
    const long double v = q / 4.0L;
    values.push_back(v);
    values.push_back(std::nextafter(v, 1000.0L));
    values.push_back(std::nextafter(v, -1000.0L));
  }
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<long double> any(-10.0L, 300.0L);
  for (int i = 0; i < 100000; ++i) values.push_back(any(rng));
  values.push_back(std::numeric_limits<long double>::quiet_NaN());
  values.push_back(std::numeric_limits<long double>::infinity());
  values.push_back(-std::numeric_limits<long double>::infinity());
  values.push_back(-0.0L);
  for (long double v : values) {
    ASSERT_EQ(RoundClampByteX87(v), RoundClampByte(v)) << static_cast<double>(v);
    if (v >= 0 && v < 1e18L) {
      ASSERT_EQ(TruncNonNegativeX87(v), static_cast<std::uint64_t>(std::trunc(v))) << static_cast<double>(v);
      ASSERT_EQ(RoundX87(v), static_cast<std::int64_t>(std::rint(v))) << static_cast<double>(v);
    }
  }
}

}  // namespace
}  // namespace kira
