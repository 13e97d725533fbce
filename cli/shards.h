// Batches spread over processes and machines: each process takes its share of
// the inputs by a hash of the path alone, a run stopped anywhere is finished
// by running it again with --skip-existing, and every file finished leaves a
// line in a manifest (JSON Lines) that the shards' manifests can be joined
// from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kira {

struct TShardOptions {
  bool shardGiven = false;
  std::uint32_t shard = 1;   // --shard K/N: this process takes the inputs
  std::uint32_t shards = 1;  // whose ShardOf(path, N) is K
  std::vector<std::string> lists;  // --files-from, in the order given
  bool nul = false;                // --null: the lists are NUL-separated
  bool skipExisting = false;
  std::string manifest;  // "" for none
  // The first of these options given ("--shard", ...), or nullptr.
  const char* FirstGiven() const;
};

inline constexpr std::uint32_t kMaxShards = 1'000'000;

// When args[i] is one of the options above, takes it (and its value, moving
// i on) and returns true; a bad value leaves the usage error in `error`.
bool TakeShardOption(const std::vector<std::string>& args, std::size_t& i, TShardOptions& s, std::string& error);

// FNV-1a, 64 bits, over the bytes of the path as given.
std::uint64_t PathHash(std::string_view path);
// The shard of a path, 1..shards: PathHash(path) mod shards, plus 1.
std::uint32_t ShardOf(std::string_view path, std::uint32_t shards);

// Appends the paths a list holds ("-": standard input), one a line, or
// NUL-separated; empty lines are passed over. "" or the usage error (a list
// that cannot be read, a NUL byte inside a line, a line longer than a path
// can be).
std::string ReadInputList(const std::string& list, bool nul, std::vector<std::string>& paths);

// Threads for each file's effects when `jobs` files run at once on `cores`:
// together they do not exceed the cores (one at least).
int ThreadsPerJob(int cores, int jobs);
// The cores this process may run on (its CPU affinity, as Slurm and taskset
// set it), at least 1.
int UsableCores();

// --skip-existing: the output is a regular file not older than its input
// (as make judges it).
bool OutputUpToDate(const std::string& input, const std::string& output);

// A JSON string: quotes, backslashes and control characters escaped; bytes
// that are not part of valid UTF-8 as \u00XX (the byte's value).
std::string JsonString(std::string_view bytes);

struct TManifestEntry {
  std::string input, output;
  const char* status = "failed";  // "written", "skipped" or "failed"
  std::string error;              // the failure's line
  double ms = 0;
  bool hashed = false;  // bytes and sha256 hold the output's
  std::uint64_t bytes = 0;
  std::string sha256;
};

// One manifest line, '\n' included; `tail` is ManifestTail's.
std::string ManifestLine(const TManifestEntry& e, const std::string& tail);
// The part every line of a run shares: the steps, the seed and whether the
// EXIF orientation was applied ("applied") or the pixels kept as stored
// ("kept", --keep-orientation).
std::string ManifestTail(const std::vector<std::string>& steps, std::uint32_t seed, bool keepOrientation);

// Size and SHA-256 of a file; false when it cannot be read.
bool HashFile(const std::string& path, std::uint64_t& bytes, std::string& sha256);

// A manifest opened for appending: each line goes out in one write(), so
// lines from several processes never interleave and are on disk (as far as
// the kernel is concerned) once Append returns.
class TManifest {
 public:
  TManifest() = default;
  ~TManifest();
  TManifest(const TManifest&) = delete;
  TManifest& operator=(const TManifest&) = delete;
  // Creates the file when missing; "" or the error.
  std::string Open(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  // "" or the error (the first one only; later lines are not tried).
  std::string Append(const std::string& line);
  // Flushes to the disk and closes; "" or the error.
  std::string Close();

 private:
  int fd_ = -1;
  std::string path_;
  bool failed_ = false;
};

}  // namespace kira
