// Stopping long work early: Ctrl+C in the batch tool, and whatever else wants
// a running effect to give up. A flag is set from anywhere (a signal handler
// too); the work looks at it between rows and gives up by throwing TStopped.
// The caller's usual failure path then applies: no half-done picture is kept.
#pragma once

#include <atomic>
#include <exception>

namespace kira {

struct TStopped : std::exception {
  const char* what() const noexcept override { return "stopped"; }
};

// While alive, work on this thread watches `flag` (none: nothing to watch).
// Scopes nest; ForEachRowBlock hands the flag of its caller to its threads.
class TStopScope {
 public:
  explicit TStopScope(const std::atomic<bool>* flag);
  ~TStopScope();
  TStopScope(const TStopScope&) = delete;
  TStopScope& operator=(const TStopScope&) = delete;

 private:
  const std::atomic<bool>* previous_;
};

// The flag this thread watches, or none.
const std::atomic<bool>* CurrentStopFlag();
bool StopRequested();
// Throws TStopped when a stop is requested.
void ThrowIfStopped();

}  // namespace kira
