// kirabox-batch: runs effect pages on files as a user would in the editor.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace kira {

// What the batch tool learns from its surroundings.
struct TBatchEnv {
  // Standard error is a terminal: a batch of files shows a progress line.
  bool terminal = false;
  // Set (from a signal handler) to stop: no further file or step starts, the
  // steps running give up between rows, a file not yet saved is not written,
  // files already saved stay.
  const std::atomic<bool>* stop = nullptr;
  // Default for --jobs; 0 takes the number of cores.
  int cores = 0;
};

// Exit codes: 0 success, 1 a file could not be read, processed or written
// (with --out-dir: the others are still written), 2 usage error before any
// work, 130 stopped. Messages (one line each) go to err; --help goes to out.
int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const TBatchEnv& env = {});

}  // namespace kira
