// libFuzzer target: the reader by content (BMP, GIF, JPEG, PNG, TIFF, WebP,
// HEIC/AVIF, told apart by their first bytes) must decode or refuse any bytes without reading or
// writing outside its buffers, and never crash, exit or hang.
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
  const kira::TLoadResult r = kira::DecodeAnyPicture(data, size);
  if (r.bitmap && static_cast<std::int64_t>(r.bitmap->Width()) * r.bitmap->Height() <= 1'000'000) {
    // Every pixel through the 24-bit conversion the browser applies.
    kira::TBitmap b = *r.bitmap;
    b.SetPixelFormat(kira::TPixelFormat::pf24bit);
  }
  if (!r.bitmap && r.error.empty()) __builtin_trap();  // a refusal always says why
  return 0;
}
