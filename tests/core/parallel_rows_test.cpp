#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/parallel_rows.h"
#include "core/stop_request.h"

namespace kira {
namespace {

TEST(ParallelRows, EveryRowOnceForAnyCountAndThreads) {
  for (int count : {0, 1, 2, 3, 7, 100, 5001}) {
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
                                 [&](std::int32_t b, std::int32_t e) {
                                   const int block = b < 50 ? 0 : 1;
                                   if (block == failing) throw std::bad_alloc();
                                   finished += e - b;
                                 }),
                 std::bad_alloc)
        << failing;
    EXPECT_EQ(finished, 50);  // the other block ran all its rows
  }
  // Both failing: one of them is reported.
  EXPECT_THROW(ForEachRowBlock(10, 2, [](std::int32_t, std::int32_t) { throw std::runtime_error("x"); }),
               std::runtime_error);
}

// A stop asked for by the caller's flag is seen by the other thread too and
// ends the work between pieces of a block: TStopped once both are done, most
// rows never run. No flag, or a flag on another thread, changes nothing.
TEST(ParallelRows, AStopEndsTheWorkBetweenPieces) {
  std::atomic<bool> stop{false};
  std::atomic<int> rows{0};
  const TStopScope scope(&stop);
  EXPECT_THROW(ForEachRowBlock(100000, 2,
                               [&](std::int32_t b, std::int32_t e) {
                                 stop = true;
                                 rows += e - b;
                               }),
               TStopped);
  EXPECT_LT(rows, 100000 / 4);
  EXPECT_THROW(ForEachRowBlock(1, 1, [](std::int32_t, std::int32_t) {}), TStopped);
  {
    const TStopScope none(nullptr);
    rows = 0;
    ForEachRowBlock(5000, 2, [&](std::int32_t b, std::int32_t e) { rows += e - b; });
    EXPECT_EQ(rows, 5000);
  }
}

}  // namespace
}  // namespace kira

namespace kira {
namespace {

// A budget caps DefaultThreads on its own thread only, nests, and ends with
// its scope.
TEST(ParallelRows, ThreadBudgetCapsDefaultThreadsOnItsThread) {
  const int free = DefaultThreads();
  {
    const TThreadBudgetScope one(1);
    EXPECT_EQ(DefaultThreads(), 1);
    int other = 0;
    std::thread([&] { other = DefaultThreads(); }).join();
    EXPECT_EQ(other, free);
    {
      const TThreadBudgetScope none(0);
      EXPECT_EQ(DefaultThreads(), free);
      const TThreadBudgetScope many(64);
      EXPECT_EQ(DefaultThreads(), free);
    }
    EXPECT_EQ(DefaultThreads(), 1);
  }
  EXPECT_EQ(DefaultThreads(), free);
}

}  // namespace
}  // namespace kira
