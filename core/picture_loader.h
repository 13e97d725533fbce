// The thumbnail browser's own picture reader: BMP, GIF, JPEG and PNG, told
// apart by the first bytes of the file, whatever its name says.
//
// Every decoder trusts nothing in its input: a damaged, cut or hostile file
// is refused (no picture) without reading outside the bytes given and without
// allocating more than a picture of at most kMaxPixels needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/image_files.h"

namespace kira {

// "BM" and an information header size that the BMP reader understands: 12,
// 16..64 (OS/2 2.x, which includes the Windows 40-, 52-, 56- and 64-byte
// headers), 108 (V4) or 124 (V5).
bool IsBmpData(const std::uint8_t* data, std::size_t size);
// GIF87a or GIF89a, the three letters and the final "a" in either case.
bool IsGifData(const std::uint8_t* data, std::size_t size);
// 0xFF 0xD8.
bool IsJpegData(const std::uint8_t* data, std::size_t size);
// The eight bytes of the PNG signature.
bool IsPngData(const std::uint8_t* data, std::size_t size);

// PNG through libpng: any colour type and depth, interlaced or not; 16-bit
// channels are reduced to 8 bits, alpha is dropped. Result is 24 bits.
TLoadResult DecodePng(const std::uint8_t* data, std::size_t size);
// The first image of a GIF through giflib, at the image's own size (not the
// logical screen's), with its local colour table or else the global one;
// transparency is ignored. A GIF whose signature letters are lower case is
// read too. Result is 24 bits.
TLoadResult DecodeGif(const std::uint8_t* data, std::size_t size);

// Decides by content: BMP, GIF, JPEG or PNG; anything else is refused as not
// a picture of these kinds. Result is the decoder's (BMP palette pictures stay
// 8 bits with their colour table).
TLoadResult DecodeAnyPicture(const std::uint8_t* data, std::size_t size);
// Reads the whole file and decodes it by content. Never throws; a file that
// cannot be read or decoded gives no picture.
TLoadResult LoadAnyPicture(const std::string& path);

}  // namespace kira
