#include "cli/shards.h"

#include <fcntl.h>
#include <limits.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "core/sha256.h"
#include "document/settings_table.h"

namespace kira {

namespace {

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

// Reads a whole file descriptor; false with errno set on failure.
bool ReadAllFrom(int fd, std::string& out) {
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(buf, static_cast<std::size_t>(n));
  }
}

// The length of the valid UTF-8 sequence of two or more bytes at s[i], or 0.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
  const auto at = [&](std::size_t k) { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u; };
  const auto cont = [&](std::size_t k, unsigned lo = 0x80, unsigned hi = 0xBF) {
    return at(k) >= lo && at(k) <= hi;
  };
  const unsigned b = at(0);
  if (b >= 0xC2 && b <= 0xDF) return cont(1) ? 2 : 0;
  if (b >= 0xE0 && b <= 0xEF) {
    const bool second = b == 0xE0 ? cont(1, 0xA0) : b == 0xED ? cont(1, 0x80, 0x9F) : cont(1);
    return second && cont(2) ? 3 : 0;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    const bool second = b == 0xF0 ? cont(1, 0x90) : b == 0xF4 ? cont(1, 0x80, 0x8F) : cont(1);
    return second && cont(2) && cont(3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

const char* TShardOptions::FirstGiven() const {
  if (shardGiven) return "--shard";
  if (!lists.empty()) return "--files-from";
  if (nul) return "--null";
  if (skipExisting) return "--skip-existing";
  if (!manifest.empty()) return "--manifest";
  return nullptr;
}

bool TakeShardOption(const std::vector<std::string>& args, std::size_t& i, TShardOptions& s, std::string& error) {
  const std::string& a = args[i];
  if (a == "--null") return s.nul = true;
  if (a == "--skip-existing") return s.skipExisting = true;
  if (a != "--shard" && a != "--files-from" && a != "--manifest") return false;
  if (i + 1 >= args.size()) {
    error = Quoted(a) + " needs a value";
    return true;
  }
  const std::string& text = args[++i];
  if (a == "--files-from") {
    if (text.empty()) error = "'--files-from' needs a file ('-' for standard input)";
    s.lists.push_back(text);
  } else if (a == "--manifest") {
    if (text.empty()) error = "'--manifest' needs a file";
    s.manifest = text;
  } else {
    const std::size_t slash = text.find('/');
    long long k = 0, n = 0;
    if (slash == std::string::npos || !ParseInt(text.substr(0, slash), k) || !ParseInt(text.substr(slash + 1), n) ||
        n < 1 || n > kMaxShards || k < 1 || k > n) {
      error = Quoted(text) + " is not a shard K/N (1 <= K <= N <= " + std::to_string(kMaxShards) + ")";
    }
    s.shardGiven = true;
    s.shard = static_cast<std::uint32_t>(k);
    s.shards = static_cast<std::uint32_t>(n);
  }
  return true;
}

std::uint64_t PathHash(std::string_view path) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (const char c : path) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ull;
  }
  return h;
}

std::uint32_t ShardOf(std::string_view path, std::uint32_t shards) {
  return static_cast<std::uint32_t>(PathHash(path) % std::max<std::uint32_t>(shards, 1)) + 1;
}

std::string ReadInputList(const std::string& list, bool nul, std::vector<std::string>& paths) {
  std::string text;
  const int fd = list == "-" ? STDIN_FILENO : ::open(list.c_str(), O_RDONLY | O_CLOEXEC);
  const bool ok = fd >= 0 && ReadAllFrom(fd, text);
  const int readError = errno;
  if (fd > STDIN_FILENO) ::close(fd);
  if (!ok) return "--files-from " + Quoted(list) + ": " + std::strerror(readError);
  const char end = nul ? '\0' : '\n';
  std::size_t line = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t stop = text.find(end, at);
    if (stop == std::string::npos) stop = text.size();
    const std::string_view path(text.data() + at, stop - at);
    ++line;
    const std::string where = "--files-from " + Quoted(list) + (nul ? " entry " : " line ") + std::to_string(line);
    if (path.find('\0') != std::string_view::npos) return where + " holds a NUL byte (NUL-separated lists need --null)";
    if (path.size() >= PATH_MAX) return where + " is longer than a path can be";
    if (!path.empty()) paths.emplace_back(path);
    at = stop + 1;
  }
  return {};
}

int ThreadsPerJob(int cores, int jobs) { return std::max(1, cores / std::max(jobs, 1)); }

int UsableCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

bool OutputUpToDate(const std::string& input, const std::string& output) {
  struct stat in {}, out {};
  if (::stat(input.c_str(), &in) != 0 || ::stat(output.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) return false;
  const auto& a = out.st_mtim;
  const auto& b = in.st_mtim;
  return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec >= b.tv_nsec);
}

std::string JsonString(std::string_view bytes) {
  std::string s = "\"";
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    const char* named = c == '"' ? "\\\"" : c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r"
                        : c == '\t' ? "\\t" : nullptr;
    if (named) {
      s += named;
      ++i;
    } else if (c >= 0x20 && c < 0x80) {
      s += static_cast<char>(c);
      ++i;
    } else if (const std::size_t n = c >= 0x80 ? Utf8Length(bytes, i) : 0; n > 0) {
      s.append(bytes.substr(i, n));
      i += n;
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      s += esc;
      ++i;
    }
  }
  return s + "\"";
}

std::string ManifestTail(const std::vector<std::string>& steps, std::uint32_t seed, bool keepOrientation) {
  std::string s = ",\"steps\":[";
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (i > 0) s += ',';
    s += JsonString(steps[i]);
  }
  return s + "],\"seed\":" + std::to_string(seed) + ",\"orientation\":\"" + (keepOrientation ? "kept" : "applied") +
         "\"}\n";
}

std::string ManifestLine(const TManifestEntry& e, const std::string& tail) {
  char ms[32];
  std::snprintf(ms, sizeof ms, "%.1f", e.ms);
  std::string s = "{\"input\":" + JsonString(e.input) + ",\"output\":" + JsonString(e.output) + ",\"status\":\"" +
                  e.status + "\",\"error\":" + (e.error.empty() ? "null" : JsonString(e.error)) + ",\"ms\":" + ms;
  if (e.hashed) {
    s += ",\"bytes\":" + std::to_string(e.bytes) + ",\"sha256\":\"" + e.sha256 + "\"";
  } else {
    s += ",\"bytes\":null,\"sha256\":null";
  }
  return s + tail;
}

bool HashFile(const std::string& path, std::uint64_t& bytes, std::string& sha256) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  TSha256 sha;
  std::uint64_t total = 0;
  static constexpr std::size_t kChunk = 1 << 20;
  std::string buf(kChunk, '\0');
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buf.data(), kChunk);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    sha.Update(buf.data(), static_cast<std::size_t>(n));
    total += static_cast<std::uint64_t>(n);
  }
  ::close(fd);
  if (!ok) return false;
  bytes = total;
  sha256 = HexDigest(sha.Finish());
  return true;
}

TManifest::~TManifest() { Close(); }

std::string TManifest::Open(const std::string& path) {
  path_ = path;
  fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return "--manifest " + Quoted(path) + ": " + std::strerror(errno);
  return {};
}

std::string TManifest::Append(const std::string& line) {
  if (fd_ < 0 || failed_) return {};
  for (;;) {
    const ssize_t n = ::write(fd_, line.data(), line.size());
    if (n == static_cast<ssize_t>(line.size())) return {};
    if (n < 0 && errno == EINTR) continue;
    failed_ = true;
    return path_ + ": " + (n < 0 ? std::strerror(errno) : "short write") + "; no further manifest lines";
  }
}

std::string TManifest::Close() {
  if (fd_ < 0) return {};
  std::string error;
  if (::fsync(fd_) != 0 && errno != EINVAL) error = path_ + ": " + std::strerror(errno);
  if (::close(fd_) != 0 && error.empty()) error = path_ + ": " + std::strerror(errno);
  fd_ = -1;
  return error;
}

}  // namespace kira
