// Placeholder codecs until the real BMP and JPEG codecs land.
#include "core/image_files.h"

namespace kira {
TLoadResult LoadJpegFile(const std::string& path) { return {std::nullopt, path + ": JPEG not supported yet"}; }
TLoadResult DecodeJpeg(const std::uint8_t*, std::size_t) { return {std::nullopt, "JPEG not supported yet"}; }
TLoadResult LoadBmpFile(const std::string& path) { return {std::nullopt, path + ": BMP not supported yet"}; }
TLoadResult DecodeBmp(const std::uint8_t*, std::size_t) { return {std::nullopt, "BMP not supported yet"}; }
TSaveResult SaveJpegFile(const TBitmap&, const std::string& path) { return {false, path + ": not supported yet"}; }
TSaveResult SaveBmpFile(const TBitmap&, const std::string& path) { return {false, path + ": not supported yet"}; }
bool EncodeJpeg(const TBitmap&, std::string&, std::string*) { return false; }
bool EncodeBmp(const TBitmap&, std::string&, std::string*) { return false; }
}  // namespace kira
