// The bitmap type of the image core: an owning, movable pixel buffer in one of
// three formats, with rows numbered from the top and each row padded to a
// multiple of 4 bytes. A 24-bit pixel is three bytes: blue, green, red.
//
// The row accessors TBmpData24 / TBmpData8 / TBmpData1 are cheap views made
// over a bitmap after its final sizing; they must not be kept across a change
// of the bitmap's size, format or storage.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace kira {

enum class TPixelFormat : std::uint8_t { pf1bit = 1, pf8bit = 8, pf24bit = 24 };

struct TRGBQuad {
  std::uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

using TColorTable = std::array<TRGBQuad, 256>;

// The pixel storage of a bitmap: one block, zero-filled when made fresh unless
// the maker overwrites it all. Large blocks come straight from the system
// (already zero, no second pass) and are offered huge pages; the last two
// large blocks given back are kept and handed to the next block of about
// their length, so that repeated pictures of one size reuse pages already
// faulted in. Four readable bytes follow the last row, so a 24-bit pixel may
// be loaded as one 4-byte word anywhere in the picture.
class TPixelBuffer {
 public:
  TPixelBuffer() = default;
  explicit TPixelBuffer(std::size_t size, bool zero = true);
  TPixelBuffer(const TPixelBuffer& other);
  TPixelBuffer& operator=(const TPixelBuffer& other);
  TPixelBuffer(TPixelBuffer&& other) noexcept;
  TPixelBuffer& operator=(TPixelBuffer&& other) noexcept;
  ~TPixelBuffer();

  std::uint8_t* data() { return data_; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  void clear();

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;  // the block's length, which a recycled block may exceed
};

// Frees the large blocks kept for reuse (the allocator itself does so before
// it reports a shortage).
void ReleaseRecycledPixels();

// Test hook for the failure paths: the next `count` allocations of pixel
// storage succeed and every later one throws std::bad_alloc, as on a machine
// out of memory. A negative count (the default) turns the failures off.
// Only allocations of at least `fromBytes` count and fail (a picture's full
// size, for work that other threads do beside smaller allocations).
void FailPixelAllocationsAfter(long count, std::size_t fromBytes = 0);

class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);
  // A picture whose every pixel the caller writes before reading: the pixel
  // bytes are left as they come (the row padding is zero all the same).
  static TBitmap ForOverwrite(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);

  TBitmap(const TBitmap&) = default;
  // All or nothing: when the copy cannot get its memory the bitmap keeps its
  // old size and pixels (a member-wise copy would keep the new size over the
  // old, smaller storage). Storage of the same length is written over.
  TBitmap& operator=(const TBitmap& other);
  TBitmap(TBitmap&& other) noexcept;
  TBitmap& operator=(TBitmap&& other) noexcept;

  int Width() const { return width_; }
  int Height() const { return height_; }
  TPixelFormat PixelFormat() const { return format_; }
  // Empty means zero width or zero height.
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  // Bytes from the start of one row to the next (row length padded to 4).
  int Stride() const { return stride_; }
  static int StrideFor(int width, TPixelFormat format);

  std::uint8_t* ScanLine(int y) { return data_.data() + static_cast<std::size_t>(y) * stride_; }
  const std::uint8_t* ScanLine(int y) const {
    return data_.data() + static_cast<std::size_t>(y) * stride_;
  }
  std::uint8_t* Bits() { return data_.data(); }
  const std::uint8_t* Bits() const { return data_.data(); }
  std::size_t SizeInBytes() const { return data_.size(); }

  // Full copy of size, format, colour table and pixels.
  void Assign(const TBitmap& other) { *this = other; }
  // Makes the bitmap empty (0 x 0); the pixel format stays.
  void Clear();

  // Changing the size keeps the pixels of the overlapping top-left part;
  // new pixels are black (zero bytes). Negative sizes count as zero.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }

  // 1 and 8 bits expand to 24 through the colour table. 24 bits to 8 stores
  // the grey level Trunc((B + G + R) / 3) with the grey table; to 1 bit a pixel
  // is set when that grey level is 128 or more (table: black, white).
  void SetPixelFormat(TPixelFormat format);

  TColorTable& ColorTable() { return palette_; }
  const TColorTable& ColorTable() const { return palette_; }

  friend bool operator==(const TBitmap& a, const TBitmap& b);

 private:
  void Reallocate(int width, int height, TPixelFormat format, bool zero = true);

  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  TColorTable palette_{};
  TPixelBuffer data_;
};

// Row access, as plain address computations: the address of every row, taken
// once. A view of a writable bitmap hands out writable rows; a view of a
// const bitmap (the TConst... names) read-only ones. The rows stay valid while
// the bitmap keeps its size and format.
template <class Byte, int kBytesPerPixel>
class TRowView {
 public:
  using TBitmapRef = std::conditional_t<std::is_const_v<Byte>, const TBitmap&, TBitmap&>;
  explicit TRowView(TBitmapRef bitmap) : width_(bitmap.Width()), height_(bitmap.Height()) {
    rows_.resize(static_cast<std::size_t>(std::max(height_, 0)));
    for (int y = 0; y < height_; ++y) rows_[static_cast<std::size_t>(y)] = bitmap.ScanLine(y);
  }
  // The first byte of row y.
  Byte* Row(int y) const { return rows_[static_cast<std::size_t>(y)]; }
  // The first byte of pixel (x, y); for 1 bit per pixel, the byte holding it.
  Byte* Pixel(int x, int y) const {
    return kBytesPerPixel > 0 ? Row(y) + kBytesPerPixel * static_cast<std::ptrdiff_t>(x) : Row(y) + (x >> 3);
  }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

 private:
  std::vector<Byte*> rows_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

using TBmpData24 = TRowView<std::uint8_t, 3>;
using TBmpData8 = TRowView<std::uint8_t, 1>;
using TConstBmpData24 = TRowView<const std::uint8_t, 3>;
using TConstBmpData8 = TRowView<const std::uint8_t, 1>;

// One bit per pixel, the leftmost pixel in the highest bit of its byte.
class TBmpData1 : public TRowView<std::uint8_t, 0> {
 public:
  using TRowView::TRowView;
  void SetBit(int x, int y, bool on) const {
    std::uint8_t& b = *Pixel(x, y);
    const std::uint8_t mask = static_cast<std::uint8_t>(1u << (7 - (x & 7)));
    b = on ? static_cast<std::uint8_t>(b | mask) : static_cast<std::uint8_t>(b & ~mask);
  }
};

// A new bitmap with the same size, format, colour table and pixels.
TBitmap DuplicateBitmap(const TBitmap& bitmap);

// Grey table: entry i = (i, i, i, 0).
void SetGreyPalette(TBitmap& bitmap8);

// Replaces a 24-bit bitmap by an 8-bit grey one of the same size:
// grey = Trunc(0.299 R + 0.587 G + 0.114 B) in extended precision.
// False, bitmap unchanged, when it is not 24 bits per pixel.
bool ConvertToGrey8(TBitmap& bitmap);

// The effects library's shared guard: true when the bitmap is 24 bits per pixel.
inline bool Is24(const TBitmap& bitmap) { return bitmap.PixelFormat() == TPixelFormat::pf24bit; }

}  // namespace kira
