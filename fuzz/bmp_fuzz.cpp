// libFuzzer target: the BMP reader must decode or refuse any bytes without
// reading or writing outside its buffers.
#include <cstddef>
#include <cstdint>

#include "core/image_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kira::TLoadResult r = kira::DecodeBmp(data, size);
  if (r.bitmap) {
    // Touch every pixel through the 24-bit conversion the editor applies.
    kira::TBitmap b = *r.bitmap;
    b.SetPixelFormat(kira::TPixelFormat::pf24bit);
  }
  return 0;
}
