// What the readers of PNG, GIF, TIFF, WebP, HEIC and AVIF share: pictures
// with transparency laid over white (a working picture has no alpha), 16-bit
// channels brought to 8 bits, and EXIF blocks in the form a JPEG holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/image_files.h"
#include "core/orientation.h"

namespace kira {

// A colour c with opacity a (both 0..255) over white, rounded to nearest:
// (c * a + 255 * (255 - a)) / 255.
inline std::uint8_t OverWhite(unsigned c, unsigned a) {
  return static_cast<std::uint8_t>((c * a + 255u * (255u - a) + 127u) / 255u);
}

// A 16-bit channel to 8 bits, rounded to nearest: v * 255 / 65535.
inline std::uint8_t Round16To8(unsigned v) { return static_cast<std::uint8_t>((v * 255u + 32767u) / 65535u); }

// EXIF data as found in a PNG eXIf chunk, a WebP EXIF chunk or a HEIF Exif
// item (after its offset), with or without the "Exif\0\0" header, made into
// the block a JPEG's APP1 segment holds: the header, then the TIFF structure.
// Empty when the data starts with neither.
inline std::vector<std::uint8_t> ExifBlockFrom(const std::uint8_t* data, std::size_t size) {
  static constexpr std::uint8_t kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (size >= 6 && std::memcmp(data, kHeader, 6) == 0) return {data, data + size};
  const bool intel = size >= 8 && data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0;
  const bool motorola = size >= 8 && data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42;
  if (!intel && !motorola) return {};
  std::vector<std::uint8_t> block(kHeader, kHeader + 6);
  block.insert(block.end(), data, data + size);
  return block;
}

// A decoder's last step: the picture and its metadata handed over, turned
// upright by the stored orientation (EXIF's 1..8) unless the caller keeps the
// pixels as stored.
inline void Deliver(TLoadResult& r, TBitmap& bitmap, TPhotoMetadata& metadata, TOrientation orientation,
                    int stored) {
  if (orientation == TOrientation::Apply) OrientUpright(bitmap, stored);
  r.error.clear();
  r.bitmap = std::move(bitmap);
  r.metadata = std::move(metadata);
}

// The message of a picture whose pixels found no memory.
inline const char* const kNoMemoryForPicture = "not enough memory for the picture";

}  // namespace kira
