#include "core/working_memory.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace kira {

namespace {

std::atomic<std::int64_t> gPretendAvailable{-1};

// The value of a "Key:   123 kB" line of /proc/meminfo, in bytes; -1 if absent.
std::int64_t MemInfoField(const char* text, const char* key) {
  const char* p = std::strstr(text, key);
  if (!p) return -1;
  long long kib = 0;
  if (std::sscanf(p + std::strlen(key), " %lld", &kib) != 1 || kib < 0) return -1;
  return static_cast<std::int64_t>(kib) * 1024;
}

}  // namespace

std::int64_t AvailableMemoryBytes() {
  const std::int64_t pretend = gPretendAvailable.load(std::memory_order_relaxed);
  if (pretend >= 0) return pretend;
  std::FILE* f = std::fopen("/proc/meminfo", "re");
  if (!f) return -1;
  char text[8192];
  const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = '\0';
  const std::int64_t available = MemInfoField(text, "\nMemAvailable:");
  if (available < 0) return -1;
  const std::int64_t swap = MemInfoField(text, "\nSwapFree:");
  return available + (swap > 0 ? swap : 0);
}

void SetAvailableMemoryForTests(std::int64_t bytes) {
  gPretendAvailable.store(bytes < 0 ? -1 : bytes, std::memory_order_relaxed);
}

std::int64_t WorkingSetBytes(std::int64_t width, std::int64_t height) {
  return width * height * 3 * kWorkingPictures;
}

std::string CheckWorkingMemory(std::int64_t width, std::int64_t height) {
  const std::int64_t available = AvailableMemoryBytes();
  const std::int64_t needed = WorkingSetBytes(width, height);
  if (available < 0 || needed <= available) return {};
  constexpr std::int64_t kMB = 1 << 20;
  return "not enough memory to edit a picture of " + std::to_string(width) + " x " + std::to_string(height) +
         " (about " + std::to_string((needed + kMB - 1) / kMB) + " MB needed, " +
         std::to_string(available / kMB) + " MB free)";
}

}  // namespace kira
