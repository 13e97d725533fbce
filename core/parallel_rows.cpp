#include "core/parallel_rows.h"

#include "core/stop_request.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kira {

namespace {
thread_local int t_budget = 0;  // 0: no cap
}

TThreadBudgetScope::TThreadBudgetScope(int threads) : previous_(t_budget) { t_budget = std::max(threads, 0); }
TThreadBudgetScope::~TThreadBudgetScope() { t_budget = previous_; }

int DefaultThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  const int threads = cores >= 2 ? 2 : 1;
  return t_budget > 0 ? std::min(threads, t_budget) : threads;
}

void ForEachRowBlock(std::int32_t count, int threads,
                     const std::function<void(std::int32_t, std::int32_t)>& rows) {
  if (count <= 0) return;
  ThrowIfStopped();
  const int blocks = std::clamp(threads, 1, static_cast<int>(std::min<std::int32_t>(count, 64)));
  const std::atomic<bool>* stop = CurrentStopFlag();
  TWorkProgress* progress = CurrentProgress();
  if (progress) progress->total += count;
  // A block runs in pieces with a look at the stop flag before each, so that
  // a stop is seen within about kPieceTime however slow the effect is per
  // row. The first piece is kFirstPieceRows rows; each next one is sized from
  // the time the last took, down to a single row. A fast effect so runs in a few large pieces (each
  // piece sets up its own scratch rows, and a sliding window primes afresh).
  constexpr std::int32_t kFirstPieceRows = 16;
  constexpr std::chrono::microseconds kPieceTime{30'000};
  const auto runBlock = [&](std::int32_t begin, std::int32_t end) {
    const TStopScope scope(stop);
    const TProgressScope reporting(progress);
    std::int32_t piece = std::min(end - begin, kFirstPieceRows);
    for (std::int32_t y = begin; y < end;) {
      if (y > begin) ThrowIfStopped();
      std::int32_t last = y + std::min(piece, end - y);
      // A sliver left at the end goes with this piece.
      if (end - last < piece / 4) last = end;
      const auto start = std::chrono::steady_clock::now();
      rows(y, last);
      const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
          std::chrono::steady_clock::now() - start);
      if (progress) progress->done += last - y;
      const long long fitting = static_cast<long long>(last - y) * kPieceTime.count() /
                                std::max<long long>(took.count(), 1);
      piece = static_cast<std::int32_t>(std::clamp<long long>(fitting, 1, end - begin));
      y = last;
    }
  };
  if (blocks == 1) {
    runBlock(0, count);
    return;
  }
  const auto bound = [&](int k) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(count) * k / blocks);
  };
  std::mutex mutex;
  std::exception_ptr first;
  const auto run = [&](int k) noexcept {
    try {
      runBlock(bound(k), bound(k + 1));
    } catch (...) {
      const std::lock_guard<std::mutex> lock(mutex);
      if (!first) first = std::current_exception();
    }
  };
  std::vector<std::thread> pool;
  try {
    pool.reserve(static_cast<std::size_t>(blocks - 1));
  } catch (...) {
    // No room even for the list of threads: the caller does every block.
  }
  for (int k = 1; k < blocks; ++k) {
    try {
      if (pool.size() == pool.capacity()) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      pool.emplace_back(run, k);
    } catch (...) {
      run(k);  // no thread to be had: this one does the block
    }
  }
  run(0);
  for (std::thread& t : pool) t.join();
  if (first) std::rethrow_exception(first);
}

}  // namespace kira
