#include "core/stop_request.h"

namespace kira {

namespace {
thread_local const std::atomic<bool>* t_flag = nullptr;
thread_local TWorkProgress* t_progress = nullptr;
}

TStopScope::TStopScope(const std::atomic<bool>* flag) : previous_(t_flag) { t_flag = flag; }
TStopScope::~TStopScope() { t_flag = previous_; }

const std::atomic<bool>* CurrentStopFlag() { return t_flag; }

bool StopRequested() { return t_flag != nullptr && t_flag->load(std::memory_order_relaxed); }

void ThrowIfStopped() {
  if (StopRequested()) throw TStopped();
}

TProgressScope::TProgressScope(TWorkProgress* progress) : previous_(t_progress) { t_progress = progress; }
TProgressScope::~TProgressScope() { t_progress = previous_; }
TWorkProgress* CurrentProgress() { return t_progress; }

}  // namespace kira
