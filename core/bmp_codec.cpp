// BMP reading and writing.
//
// The reader trusts nothing in the file: every offset, count and run length is
// checked against the buffer before it is used, and the picture's size is
// checked against kMaxPixels / kMaxSide before anything is allocated.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "core/image_files.h"

#include "core/encode_frame.h"
#include "core/working_memory.h"

namespace kira {

namespace {

// Thrown inside this file only; DecodeBmp turns it into a failure result.
struct TBmpRefusal {
  std::string message;
};

[[noreturn]] void Refuse(std::string message) { throw TBmpRefusal{std::move(message)}; }

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

enum : std::uint32_t {
  kBiRgb = 0,
  kBiRle8 = 1,
  kBiRle4 = 2,
  kBiBitfields = 3,
  kBiJpeg = 4,
  kBiPng = 5,
  kBiAlphaBitfields = 6,
};

constexpr std::size_t kFileHeader = 14;

// One colour channel of a bit-field pixel: (pixel & mask) >> shift gives a
// value 0..max, scaled to 0..255 with rounding so that the largest value is
// full intensity (a 5-bit 31 gives 255, not 248).
struct TChannel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;

  explicit TChannel(std::uint32_t m) : mask(m) {
    if (mask == 0) return;
    while (((mask >> shift) & 1u) == 0) ++shift;
    max = mask >> shift;
  }
  std::uint8_t operator()(std::uint32_t pixel) const {
    if (max == 0) return 0;
    const std::uint64_t v = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((v * 255 * 2 + max) / (2 * max));
  }
};

struct THeader {
  std::int64_t width = 0;
  std::int64_t height = 0;  // positive; topDown tells the row order
  bool topDown = false;
  std::uint32_t bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t colorsUsed = 0;
  std::uint32_t masks[3] = {0, 0, 0};
  bool os2v1 = false;
  bool os2v2 = false;
  std::size_t infoSize = 0;
  std::size_t paletteStart = 0;
  std::size_t pixelOffset = 0;
};

// Reads the headers, which must lie within the `size` bytes given; the pixel
// offset is checked against the whole file by the caller.
THeader ReadHeader(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || data[0] != 'B' || data[1] != 'M') {
    if (size >= 2 && data[0] == 'B' && data[1] == 'A') Refuse("OS/2 bitmap arrays are not supported");
    Refuse("not a BMP file (bad signature)");
  }
  if (size < kFileHeader + 4) Refuse("not a BMP file (truncated header)");
  THeader h;
  h.pixelOffset = U32(data + 10);
  h.infoSize = U32(data + 14);
  const std::size_t is = h.infoSize;
  const bool windows = is == 40 || is == 52 || is == 56 || is == 108 || is == 124;
  // OS/2 2.x headers may be cut anywhere from 16 to 64 bytes; missing fields are 0.
  h.os2v2 = !windows && is >= 16 && is <= 64;
  h.os2v1 = is == 12;
  if (!windows && !h.os2v1 && !h.os2v2) Refuse("unsupported BMP header size " + std::to_string(is));
  if (size < kFileHeader + is) Refuse("file is truncated (header)");
  const std::uint8_t* info = data + kFileHeader;

  if (h.os2v1) {
    h.width = U16(info + 4);
    h.height = U16(info + 6);
    h.bitCount = U16(info + 10);
  } else {
    h.width = I32(info + 4);
    const std::int64_t height = I32(info + 8);
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    h.bitCount = U16(info + 14);
    if (is >= 20) h.compression = U32(info + 16);
    if (is >= 36) h.colorsUsed = U32(info + 32);
  }
  if (h.width <= 0 || h.height <= 0) {
    Refuse("bad picture size " + std::to_string(h.width) + " x " + std::to_string(h.height));
  }
  if (h.width > kMaxSide || h.height > kMaxSide || h.width * h.height > kMaxPixels) {
    Refuse("picture too large (" + std::to_string(h.width) + " x " + std::to_string(h.height) + ")");
  }
  if (std::string tight = CheckWorkingMemory(h.width, h.height); !tight.empty()) Refuse(std::move(tight));

  switch (h.bitCount) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: break;
    default: Refuse("unsupported bit depth " + std::to_string(h.bitCount));
  }
  std::size_t masksAfterHeader = 0;
  switch (h.compression) {
    case kBiRgb: break;
    case kBiRle8:
      if (h.bitCount != 8) Refuse("RLE8 compression needs 8 bits per pixel");
      break;
    case kBiRle4:
      if (h.bitCount != 4) Refuse("RLE4 compression needs 4 bits per pixel");
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      // In OS/2 2.x headers the value 3 means Huffman 1D, and 4 (below) RLE24.
      if (h.os2v2) Refuse("unsupported compression (OS/2 Huffman)");
      if (h.bitCount != 16 && h.bitCount != 32) Refuse("bit-field masks need 16 or 32 bits per pixel");
      if (is < 52) masksAfterHeader = h.compression == kBiBitfields ? 12 : 16;
      break;
    case kBiJpeg: Refuse(h.os2v2 ? "unsupported compression (OS/2 RLE24)" : "embedded JPEG is not supported");
    case kBiPng: Refuse("embedded PNG is not supported");
    default: Refuse("unsupported compression " + std::to_string(h.compression));
  }
  if (h.topDown && (h.compression == kBiRle4 || h.compression == kBiRle8)) {
    Refuse("invalid file (top-down rows with RLE compression)");
  }

  if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    const std::uint8_t* m = info + 40;
    if (masksAfterHeader > 0 && size < kFileHeader + is + masksAfterHeader) Refuse("file is truncated (bit-field masks)");
    h.masks[0] = U32(m);
    h.masks[1] = U32(m + 4);
    h.masks[2] = U32(m + 8);
  } else if (h.bitCount == 16) {
    h.masks[0] = 0x7C00;
    h.masks[1] = 0x03E0;
    h.masks[2] = 0x001F;
  } else if (h.bitCount == 32) {
    h.masks[0] = 0x00FF0000;
    h.masks[1] = 0x0000FF00;
    h.masks[2] = 0x000000FF;
  }
  h.paletteStart = kFileHeader + is + masksAfterHeader;
  return h;
}

// The colour table of a palette picture. Entries the file does not give stay
// black; an index past them therefore shows black.
TColorTable ReadPalette(const THeader& h, const std::uint8_t* data, std::size_t size) {
  const std::size_t entrySize = h.os2v1 ? 3 : 4;
  std::size_t count = std::size_t{1} << h.bitCount;
  if (h.colorsUsed != 0 && h.colorsUsed < count) count = h.colorsUsed;
  // The table ends where the pixels begin (some OS/2 files have a short one).
  const std::size_t end = h.pixelOffset > h.paletteStart ? h.pixelOffset : size;
  const std::size_t room = end > h.paletteStart ? (end - h.paletteStart) / entrySize : 0;
  if (room < count) count = room;
  if (count == 0) Refuse("invalid file (no colour table)");
  TColorTable table{};
  const std::uint8_t* p = data + h.paletteStart;
  for (std::size_t i = 0; i < count; ++i, p += entrySize) table[i] = TRGBQuad{p[0], p[1], p[2], 0};
  return table;
}

void DecodeUncompressed(const THeader& h, const std::uint8_t* data, std::size_t size, TBitmap& out) {
  const int width = static_cast<int>(h.width);
  const int height = static_cast<int>(h.height);
  const std::size_t rowBytes = static_cast<std::size_t>(((h.width * h.bitCount + 31) / 32) * 4);
  const std::size_t usedBytes = static_cast<std::size_t>((h.width * h.bitCount + 7) / 8);
  // The padding of the last row may be missing; nothing else may.
  const std::size_t needed = rowBytes * static_cast<std::size_t>(height - 1) + usedBytes;
  if (size - h.pixelOffset < needed) Refuse("file is truncated (pixel data)");
  const std::uint8_t* pixels = data + h.pixelOffset;

  if (h.bitCount <= 8) {
    out = TBitmap(width, height, TPixelFormat::pf8bit);
    out.ColorTable() = ReadPalette(h, data, size);
  } else {
    out = TBitmap(width, height, TPixelFormat::pf24bit);
  }

  const TChannel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
  const bool plain32 = h.bitCount == 32 && h.masks[0] == 0x00FF0000 && h.masks[1] == 0x0000FF00 &&
                       h.masks[2] == 0x000000FF;
  for (int r = 0; r < height; ++r) {
    const std::uint8_t* src = pixels + rowBytes * static_cast<std::size_t>(r);
    std::uint8_t* dst = out.ScanLine(h.topDown ? r : height - 1 - r);
    switch (h.bitCount) {
      case 24: std::memcpy(dst, src, static_cast<std::size_t>(width) * 3); break;
      case 8: std::memcpy(dst, src, static_cast<std::size_t>(width)); break;
      case 1: case 2: case 4: {
        const int bits = static_cast<int>(h.bitCount);
        const int perByte = 8 / bits;
        const unsigned valueMask = (1u << bits) - 1;
        for (int x = 0; x < width; ++x) {
          const int shift = 8 - bits * (x % perByte + 1);
          dst[x] = static_cast<std::uint8_t>((src[x / perByte] >> shift) & valueMask);
        }
        break;
      }
      case 16:
        for (int x = 0; x < width; ++x, src += 2, dst += 3) {
          const std::uint32_t v = U16(src);
          dst[0] = blue(v);
          dst[1] = green(v);
          dst[2] = red(v);
        }
        break;
      case 32:
        if (plain32) {
          for (int x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
          }
        } else {
          for (int x = 0; x < width; ++x, src += 4, dst += 3) {
            const std::uint32_t v = U32(src);
            dst[0] = blue(v);
            dst[1] = green(v);
            dst[2] = red(v);
          }
        }
        break;
    }
  }
}

// RLE4 / RLE8. Pixels the stream does not reach (skipped by a delta or cut off
// by an early end of line or end of picture) keep index 0 of the colour table.
// Runs that go past the right edge are clipped, never wrapped into the next row.
void DecodeRle(const THeader& h, const std::uint8_t* data, std::size_t size, TBitmap& out) {
  const int width = static_cast<int>(h.width);
  const int height = static_cast<int>(h.height);
  out = TBitmap(width, height, TPixelFormat::pf8bit);
  out.ColorTable() = ReadPalette(h, data, size);
  const bool four = h.compression == kBiRle4;
  const std::uint8_t* p = data + h.pixelOffset;
  const std::uint8_t* const end = data + size;
  std::int64_t x = 0;
  std::int64_t y = 0;  // file row, 0 = bottom
  auto put = [&](std::uint8_t index) {
    if (x < width) out.ScanLine(height - 1 - static_cast<int>(y))[x] = index;
    ++x;
  };
  while (y < height) {
    if (end - p < 2) Refuse("file is truncated (RLE data)");
    const unsigned count = p[0];
    const unsigned value = p[1];
    p += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < width; ++i) {
        put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? value >> 4 : value & 15) : static_cast<std::uint8_t>(value));
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      return;
    } else if (value == 2) {  // delta
      if (end - p < 2) Refuse("file is truncated (RLE data)");
      x += p[0];
      y += p[1];
      p += 2;
    } else {  // absolute run of `value` pixels, padded to 16 bits
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      const std::size_t padded = (bytes + 1) & ~std::size_t{1};
      if (static_cast<std::size_t>(end - p) < bytes) Refuse("file is truncated (RLE data)");
      for (unsigned i = 0; i < value && x < width; ++i) {
        put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? p[i / 2] >> 4 : p[i / 2] & 15) : p[i]);
      }
      p += std::min(padded, static_cast<std::size_t>(end - p));
    }
  }
}

}  // namespace

TLoadResult DecodeBmp(const std::uint8_t* data, std::size_t size) {
  TLoadResult r;
  try {
    const THeader h = ReadHeader(data, size);
    if (h.pixelOffset >= size) Refuse("file is truncated (no pixel data)");
    TBitmap bitmap;
    if (h.compression == kBiRle4 || h.compression == kBiRle8) {
      DecodeRle(h, data, size, bitmap);
    } else {
      DecodeUncompressed(h, data, size, bitmap);
    }
    r.bitmap = std::move(bitmap);
  } catch (const TBmpRefusal& refusal) {
    r.error = refusal.message;
  } catch (const std::bad_alloc&) {
    r.error = "not enough memory for the picture";
  } catch (const std::length_error&) {
    r.error = "not enough memory for the picture";
  }
  return r;
}

namespace {

// A file larger than the largest picture we accept (32 bits, plus generous
// room for headers, colour table and profiles) cannot be one.
constexpr std::int64_t kMaxBmpFileBytes = kMaxPixels * 4 + (std::int64_t{64} << 20);

}  // namespace

namespace {

// Plain 24-bit files (the kind this program writes) are read straight into
// the bitmap: their rows, padding included, have the bitmap's own stride, so
// one vectored read per 1024 rows puts every file row in its place, and the
// pixels are touched once instead of twice. Returns false, with nothing
// decided, for every other file; those take the general path.
bool LoadPlain24(const std::string& path, TLoadResult& r) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct TCloser {
    int fd;
    ~TCloser() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxBmpFileBytes) return false;
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  std::uint8_t head[512];
  const ssize_t got = ::pread(fd, head, sizeof head, 0);
  if (got <= 0) return false;
  THeader h;
  try {
    h = ReadHeader(head, static_cast<std::size_t>(got));
  } catch (const TBmpRefusal&) {
    return false;
  }
  if (h.compression != kBiRgb || h.bitCount != 24 || h.pixelOffset >= size) return false;

  const int width = static_cast<int>(h.width);
  const int height = static_cast<int>(h.height);
  const std::size_t rowBytes = static_cast<std::size_t>(((h.width * 24 + 31) / 32) * 4);
  const std::size_t needed = rowBytes * static_cast<std::size_t>(height - 1) + static_cast<std::size_t>(width) * 3;
  try {
    if (size - h.pixelOffset < needed) Refuse("file is truncated (pixel data)");
    TBitmap bitmap(width, height, TPixelFormat::pf24bit);
    if (static_cast<std::size_t>(bitmap.Stride()) != rowBytes) return false;
    iovec rows[1024];
    std::size_t done = 0;  // bytes of pixel data read so far
    for (int first = 0; first < height;) {
      const int count = std::min(height - first, 1024);
      std::size_t want = 0;
      for (int i = 0; i < count; ++i) {
        const int r = first + i;
        rows[i].iov_base = bitmap.ScanLine(h.topDown ? r : height - 1 - r);
        rows[i].iov_len = rowBytes;
        want += rowBytes;
      }
      // The last row's padding may be missing from the file.
      if (first + count == height) {
        rows[count - 1].iov_len -= rowBytes - static_cast<std::size_t>(width) * 3;
        want -= rowBytes - static_cast<std::size_t>(width) * 3;
      }
      const ssize_t n = ::preadv(fd, rows, count, static_cast<off_t>(h.pixelOffset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        r.error = path + ": cannot read: " + std::strerror(errno);
        return true;
      }
      // A short read means the file shrank under us; the general path will
      // then see what is left and decide.
      if (static_cast<std::size_t>(n) != want) return false;
      done += want;
      first += count;
    }
    r.bitmap = std::move(bitmap);
  } catch (const TBmpRefusal& refusal) {
    r.error = path + ": " + refusal.message;
  } catch (const std::bad_alloc&) {
    r.error = path + ": not enough memory for the picture";
  } catch (const std::length_error&) {
    r.error = path + ": not enough memory for the picture";
  }
  return true;
}

}  // namespace

TLoadResult LoadBmpFile(const std::string& path) {
  TLoadResult r;
  if (LoadPlain24(path, r)) return r;
  TFileBytes file;
  if (!ReadWholeFile(path, kMaxBmpFileBytes, file, r.error)) return r;
  r = DecodeBmp(file.data(), file.size());
  if (!r.bitmap) r.error = path + ": " + r.error;
  return r;
}

bool EncodeBmp(const TBitmap& bitmap, TFileBytes& out, std::string* error) {
  return EncodeFrame(bitmap, out, error, [](const TBitmap& bitmap, TFileBytes& out) -> std::string {
    const std::size_t width = static_cast<std::size_t>(bitmap.Width());
    const std::size_t height = static_cast<std::size_t>(bitmap.Height());
    const std::size_t rowBytes = (width * 3 + 3) & ~std::size_t{3};
    const std::size_t imageBytes = rowBytes * height;
    constexpr std::size_t kHeaders = kFileHeader + 40;
    if (imageBytes + kHeaders > 0xFFFFFFFFu) return "picture too large for a BMP file";

    TFileBytes bytes(kHeaders + imageBytes);
    std::uint8_t* p = bytes.data();
    std::memset(p, 0, kHeaders);
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, static_cast<std::uint32_t>(kHeaders + imageBytes));
    Put32(p + 10, kHeaders);
    std::uint8_t* info = p + kFileHeader;
    Put32(info, 40);
    Put32(info + 4, static_cast<std::uint32_t>(width));
    Put32(info + 8, static_cast<std::uint32_t>(height));
    Put16(info + 12, 1);
    Put16(info + 14, 24);
    Put32(info + 20, static_cast<std::uint32_t>(imageBytes));
    Put32(info + 24, 2835);  // 72 dots per inch
    Put32(info + 28, 2835);
    // Our rows have the same padded length as the file's; the padding bytes
    // are written as zeros whatever the bitmap holds there.
    const std::size_t used = width * 3;
    std::uint8_t* dst = p + kHeaders;
    for (std::size_t r = 0; r < height; ++r, dst += rowBytes) {
      std::memcpy(dst, bitmap.ScanLine(static_cast<int>(height - 1 - r)), used);
      if (rowBytes > used) std::memset(dst + used, 0, rowBytes - used);
    }
    out = std::move(bytes);
    return {};
  });
}

TSaveResult SaveBmpFile(const TBitmap& bitmap, const std::string& path) {
  return EncodeAndSave(bitmap, path, EncodeBmp);
}

bool IsBmpData(const std::uint8_t* data, std::size_t size) {
  if (size < 18 || data[0] != 0x42 || data[1] != 0x4D) return false;
  const std::uint32_t header = U32(data + 14);
  return header == 12 || (header >= 16 && header <= 64) || header == 108 || header == 124;
}

}  // namespace kira
