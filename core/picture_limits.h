// Limits every decoder checks before it allocates.
#pragma once

#include <cstdint>
#include <string>

#include "core/image_files.h"

namespace kira {

inline bool PictureTooLarge(std::int64_t width, std::int64_t height) {
  return width > kMaxSide || height > kMaxSide || width * height > kMaxPixels;
}

inline std::string TooLargeMessage(std::int64_t width, std::int64_t height) {
  return "picture too large (" + std::to_string(width) + " x " + std::to_string(height) + ")";
}

}  // namespace kira
