// The frame every encoder shares.
#pragma once

#include <functional>
#include <string>

#include "core/image_files.h"

namespace kira {

// Refuses an empty picture, hands a grey or palette picture to `body` in its
// 24-bit form, and turns running out of memory into a message. `body` fills
// `out` and returns "" on success, otherwise the error message.
bool EncodeFrame(const TBitmap& bitmap, TFileBytes& out, std::string* error,
                 const std::function<std::string(const TBitmap& bitmap24, TFileBytes& out)>& body);

// Encodes with `encode` and writes the bytes atomically; a failure message
// starts with the path.
TSaveResult EncodeAndSave(const TBitmap& bitmap, const std::string& path,
                          bool (*encode)(const TBitmap&, TFileBytes&, std::string*));

}  // namespace kira
