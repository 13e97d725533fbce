// libFuzzer target: the BMP reader must decode or refuse any bytes without
// reading or writing outside its buffers.
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
  const kira::TLoadResult r = kira::DecodeBmp(data, size);
  if (r.bitmap && static_cast<std::int64_t>(r.bitmap->Width()) * r.bitmap->Height() <= 1'000'000) {
    // Touch every pixel through the 24-bit conversion the editor applies
    // (small pictures only: a header may rightly claim 100 megapixels).
    kira::TBitmap b = *r.bitmap;
    b.SetPixelFormat(kira::TPixelFormat::pf24bit);
  }
  return 0;
}
