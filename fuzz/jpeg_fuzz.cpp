// libFuzzer target: the JPEG reader must decode or refuse any bytes, never
// exit, crash or hang; a decoded picture must encode again.
#include <cstddef>
#include <cstdint>

#include "core/image_files.h"
#include "core/working_memory.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A fixed figure instead of the machine's: headers claiming huge pictures
  // meet the memory refusal, and runs do not depend on the load of the day.
  kira::SetAvailableMemoryForTests(std::int64_t{600} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kira::TLoadResult r = kira::DecodeJpeg(data, size);
  if (r.bitmap && static_cast<std::int64_t>(r.bitmap->Width()) * r.bitmap->Height() <= 1'000'000) {
    kira::TFileBytes out;
    if (!kira::EncodeJpeg(*r.bitmap, out, nullptr)) __builtin_trap();
  }
  return 0;
}
