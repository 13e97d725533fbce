// Limits every decoder checks before it allocates.
#pragma once

#include <cstdint>
#include <string>

#include "core/image_files.h"
#include "core/working_memory.h"

namespace kira {

inline bool PictureTooLarge(std::int64_t width, std::int64_t height) {
  return width > kMaxSide || height > kMaxSide || width * height > kMaxPixels;
}

inline std::string TooLargeMessage(std::int64_t width, std::int64_t height) {
  return "picture too large (" + std::to_string(width) + " x " + std::to_string(height) + ")";
}

// Why a picture of the size a header gives cannot be made: no pixels, over
// the limits, or more than the memory left; "" when it can. `kind` names the
// format in the first message ("TIFF picture has no pixels").
inline std::string PictureSizeProblem(std::int64_t width, std::int64_t height, const char* kind) {
  if (width <= 0 || height <= 0) return std::string(kind) + " picture has no pixels";
  if (PictureTooLarge(width, height)) return TooLargeMessage(width, height);
  return CheckWorkingMemory(width, height);
}

}  // namespace kira
