// Splitting rows between threads. Every effect that shares its rows between
// the cores goes through ForEachRowBlock, so that a failure in any thread (an
// allocation included) is handled the same way everywhere: all threads are
// joined, then the first failure passes to the caller on its own thread.
#pragma once

#include <cstdint>
#include <functional>

namespace kira {

// Threads an effect uses by default: two on a machine with two or more
// cores, one otherwise, and never more than the budget of the calling thread.
int DefaultThreads();

// While alive, DefaultThreads() on this thread gives at most `threads` (0 or
// less: no cap). The batch tool's jobs share the cores this way instead of
// each running as many threads as the machine has cores. Scopes nest.
class TThreadBudgetScope {
 public:
  explicit TThreadBudgetScope(int threads);
  ~TThreadBudgetScope();
  TThreadBudgetScope(const TThreadBudgetScope&) = delete;
  TThreadBudgetScope& operator=(const TThreadBudgetScope&) = delete;

 private:
  int previous_;
};

// Runs rows(begin, end) over [0, count) in up to `threads` contiguous blocks
// of whole rows, the first block on the calling thread. A block whose thread
// cannot be started is run by the caller. When any block throws, the others
// still finish, every thread is joined, and the first exception caught is
// rethrown here. count <= 0 runs nothing; threads < 1 counts as 1.
// A block may be handed to rows() in several pieces, sized so that each
// takes a few hundredths of a second. The stop flag of the calling thread
// (core/stop_request.h) is looked at before the first piece and between
// pieces; a stop throws TStopped here once every thread is done. The rows
// are counted to the calling thread's progress, if any.
void ForEachRowBlock(std::int32_t count, int threads,
                     const std::function<void(std::int32_t begin, std::int32_t end)>& rows);

}  // namespace kira
