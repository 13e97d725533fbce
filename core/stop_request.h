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

// How far long work has come, for a progress bar: rows done of the rows
// announced so far. ForEachRowBlock adds its row count when it starts and
// each piece's rows when the piece is done; a multi-pass effect so announces
// its passes one after the other, and whoever shows the fraction guesses the
// whole from an earlier run.
struct TWorkProgress {
  std::atomic<long long> done{0};
  std::atomic<long long> total{0};
};

// While alive, work on this thread reports to `progress` (none: nobody
// listens). ForEachRowBlock hands it to its threads.
class TProgressScope {
 public:
  explicit TProgressScope(TWorkProgress* progress);
  ~TProgressScope();
  TProgressScope(const TProgressScope&) = delete;
  TProgressScope& operator=(const TProgressScope&) = delete;

 private:
  TWorkProgress* previous_;
};
TWorkProgress* CurrentProgress();

}  // namespace kira
