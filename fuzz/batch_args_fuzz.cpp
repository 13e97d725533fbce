// libFuzzer target: kirabox-batch's command line. The input is split at zero
// bytes into arguments; any words must end in --help, a usage error with a
// message, or a clean failure to read the input, never in a crash or a hang.
//
// The target works in an empty folder of its own and turns every '/' into
// '_', so that no argument can name an existing picture and nothing is
// written outside that folder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/batch.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/kira_batch_args_fuzz.XXXXXX";
  if (!::mkdtemp(folder) || ::chdir(folder) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\0') {
      if (args.size() == 64) break;
      args.emplace_back();
    } else {
      args.back() += c == '/' ? '_' : c;
    }
  }
  std::ostringstream out, err;
  const int status = kira::RunBatch(args, out, err);
  // Every failure says why.
  if (status != 0 && err.str().empty()) __builtin_trap();
  return 0;
}
