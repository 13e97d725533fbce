#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/parallel_rows.h"

namespace kira {
namespace {

TEST(ParallelRows, EveryRowOnceForAnyCountAndThreads) {
  for (int count : {0, 1, 2, 3, 7, 100}) {
    for (int threads : {-1, 0, 1, 2, 3, 8, 200}) {
      std::vector<std::atomic<int>> seen(static_cast<std::size_t>(count));
      ForEachRowBlock(count, threads, [&](std::int32_t b, std::int32_t e) {
        ASSERT_LE(b, e);
        for (std::int32_t y = b; y < e; ++y) seen[static_cast<std::size_t>(y)]++;
      });
      for (int y = 0; y < count; ++y) EXPECT_EQ(seen[static_cast<std::size_t>(y)], 1) << count << " " << threads;
    }
  }
}

// A failure in a block run by another thread, or in the caller's own block
// while the other thread still runs, reaches the caller after every block
// has finished; nothing ends the program.
TEST(ParallelRows, AFailureInAnyThreadReachesTheCallerAfterAllJoin) {
  for (int failing : {0, 1}) {
    std::atomic<int> finished{0};
    EXPECT_THROW(ForEachRowBlock(100, 2,
                                 [&](std::int32_t b, std::int32_t) {
                                   const int block = b == 0 ? 0 : 1;
                                   if (block == failing) throw std::bad_alloc();
                                   finished++;
                                 }),
                 std::bad_alloc)
        << failing;
    EXPECT_EQ(finished, 1);
  }
  // Both failing: one of them is reported.
  EXPECT_THROW(ForEachRowBlock(10, 2, [](std::int32_t, std::int32_t) { throw std::runtime_error("x"); }),
               std::runtime_error);
}

}  // namespace
}  // namespace kira
