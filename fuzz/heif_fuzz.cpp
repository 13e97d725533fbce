// libFuzzer target: the HEIC and AVIF through libheif reader must decode or refuse any bytes
// without reading or writing outside its buffers, printing, or aborting, and
// a refusal always says why.
#include <cstddef>
#include <cstdint>

#include "core/image_files.h"
#include "core/working_memory.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A fixed figure instead of the machine's: headers claiming huge pictures
  // meet the memory refusal.
  kira::SetAvailableMemoryForTests(std::int64_t{600} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The last byte picks the orientation, so both ways are fuzzed.
  const auto orientation = size > 0 && (data[size - 1] & 1) ? kira::TOrientation::Keep : kira::TOrientation::Apply;
  const kira::TLoadResult r = kira::DecodeHeif(data, size, orientation);
  if (!r.bitmap && r.error.empty()) __builtin_trap();
  if (r.bitmap && r.bitmap->PixelFormat() != kira::TPixelFormat::pf24bit) __builtin_trap();
  return 0;
}
