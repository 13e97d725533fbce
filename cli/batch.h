// kirabox-batch: runs effect pages on a file as a user would in the editor.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kira {

// Exit codes: 0 success, 1 input or output failure, 2 usage error. Messages
// (one line each) go to err; --help goes to out.
int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kira
