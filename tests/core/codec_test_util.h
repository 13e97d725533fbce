// Helpers shared by the codec tests: reading files, reference PNGs, pixel
// comparison.
#pragma once

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/bitmap.h"

namespace kira::testing {

inline const std::string kData = KIRA_TESTDATA;

// A test cannot go on without its file: a missing or empty one stops the test
// (gtest reports the exception as a failure) with the path in the message.
[[noreturn]] inline void MissingTestFile(const std::string& path) {
  throw std::runtime_error("test file missing or empty: " + path);
}

// The path of a test image, name relative to the test image folder, after
// checking that the file is there and not empty.
inline std::string DataFile(const std::string& name) {
  const std::string path = kData + "/" + name;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) == 0) {
    MissingTestFile(path);
  }
  return path;
}

// The whole file; never empty.
inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.empty()) MissingTestFile(path);
  return bytes;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A reference picture through libpng's simplified reader, as a 24-bit bitmap.
// 16-bit files are read as stored (the reader would otherwise take them for
// linear light and convert them to sRGB) and reduced to 8 bits with rounding.
inline std::optional<TBitmap> ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  const bool wide = (image.format & PNG_FORMAT_FLAG_LINEAR) != 0;
  image.format = wide ? (PNG_FORMAT_BGR | PNG_FORMAT_FLAG_LINEAR) : PNG_FORMAT_BGR;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return std::nullopt;
  TBitmap out(static_cast<int>(image.width), static_cast<int>(image.height));
  const std::size_t row = PNG_IMAGE_ROW_STRIDE(image) * (wide ? 2 : 1);
  for (int y = 0; y < out.Height(); ++y) {
    const png_byte* src = pixels.data() + row * static_cast<std::size_t>(y);
    if (!wide) {
      std::copy_n(src, row, out.ScanLine(y));
      continue;
    }
    const auto* src16 = reinterpret_cast<const std::uint16_t*>(src);
    for (int i = 0; i < out.Width() * 3; ++i) {
      out.ScanLine(y)[i] = static_cast<std::uint8_t>((src16[i] * 255u + 32767u) / 65535u);
    }
  }
  return out;
}

inline TBitmap To24(TBitmap b) {
  b.SetPixelFormat(TPixelFormat::pf24bit);
  return b;
}

// Mean absolute difference per channel byte of two 24-bit pictures of one size.
inline double MeanAbsDiff(const TBitmap& a, const TBitmap& b) {
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y) {
    const std::uint8_t* p = a.ScanLine(y);
    const std::uint8_t* q = b.ScanLine(y);
    for (int i = 0; i < a.Width() * 3; ++i) sum += std::abs(p[i] - q[i]);
  }
  return sum / (3.0 * a.Width() * a.Height());
}

inline bool IsGrey(const TBitmap& b) {
  for (int y = 0; y < b.Height(); ++y) {
    const std::uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, p += 3) {
      if (p[0] != p[1] || p[1] != p[2]) return false;
    }
  }
  return true;
}

}  // namespace kira::testing
