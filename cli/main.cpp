#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/shards.h"

namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set from a signal handler");

// Ctrl+C, a closed terminal or a polite kill: the batch stops between steps
// and writes no output it has not finished, so no partial file is left.
extern "C" void RequestStop(int) { g_stop.store(true); }

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  CatchStopSignals();
  kira::TBatchEnv env;
  env.terminal = ::isatty(STDERR_FILENO) == 1;
  env.stop = &g_stop;
  env.cores = kira::UsableCores();
  return kira::RunBatch(args, std::cout, std::cerr, env);
}
