#include "core/parallel_rows.h"

#include "core/stop_request.h"

#include <algorithm>
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
  // A block runs in pieces of at least kPieceRows rows, at most kPieces of
  // them, with a look at the stop flag before each: a stop is seen within a
  // fraction of the effect's time, at the cost of a few more starts of the
  // row function (each piece sets up its own scratch rows).
  constexpr std::int32_t kPieceRows = 256;
  constexpr std::int32_t kPieces = 8;
  const auto runBlock = [&](std::int32_t begin, std::int32_t end) {
    const TStopScope scope(stop);
    const std::int32_t n = end - begin;
    const std::int32_t pieces = std::clamp<std::int32_t>(n / kPieceRows, 1, kPieces);
    for (std::int32_t p = 0; p < pieces; ++p) {
      if (p > 0) ThrowIfStopped();
      rows(static_cast<std::int32_t>(begin + static_cast<std::int64_t>(n) * p / pieces),
           static_cast<std::int32_t>(begin + static_cast<std::int64_t>(n) * (p + 1) / pieces));
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
