#include "core/bitmap.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>

namespace kira {

namespace {

int BitsOf(TPixelFormat f) { return static_cast<int>(f); }

TColorTable GreyTable() {
  TColorTable t{};
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    t[i] = TRGBQuad{v, v, v, 0};
  }
  return t;
}

TColorTable MonoTable() {
  TColorTable t{};
  t[1] = TRGBQuad{255, 255, 255, 0};
  return t;
}

constexpr std::size_t kHugePage = 2u << 20;

void OfferHugePages(std::uint8_t* p, std::size_t size) {
  if (size < 4 * kHugePage) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(p) + size) & ~(kHugePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Four bytes of slack after the last row let pixel loops move a 24-bit pixel
// with one 4-byte load without reading past the block.
constexpr std::size_t kSlack = 4;

std::atomic<long> gAllocationsBeforeFailure{-1};
std::atomic<std::size_t> gFailuresFromBytes{0};

bool InjectedFailure(std::size_t size) {
  if (size < gFailuresFromBytes.load(std::memory_order_relaxed)) return false;
  long left = gAllocationsBeforeFailure.load(std::memory_order_relaxed);
  while (left > 0) {
    if (gAllocationsBeforeFailure.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return false;
  }
  return left == 0;
}

// Recycled storage: the last large blocks given back, kept for the next
// picture of about their size. A picture of 12 megapixels is 36 MB of fresh
// pages, and faulting them in costs several times a pass over warm memory;
// so a Preview repeated, the result after a Cancel, and each step of a batch
// after the first take the pages the picture before left behind.
constexpr std::size_t kRecycleFrom = 4 * kHugePage;

struct TRecycled {
  std::uint8_t* data = nullptr;
  std::size_t capacity = 0;
};

std::mutex gRecycleMutex;
std::array<TRecycled, 2> gRecycled;  // oldest first

// The newest kept block at least `size` long and at most an eighth longer,
// or none.
TRecycled TakeRecycled(std::size_t size) {
  const std::lock_guard<std::mutex> lock(gRecycleMutex);
  for (auto r = gRecycled.rbegin(); r != gRecycled.rend(); ++r)
    if (r->data && r->capacity >= size && r->capacity - size <= r->capacity / 8) return std::exchange(*r, TRecycled{});
  return {};
}

void DropRecycled() {
  const std::lock_guard<std::mutex> lock(gRecycleMutex);
  for (TRecycled& r : gRecycled) std::free(std::exchange(r, TRecycled{}).data);
}

struct TBlock {
  std::uint8_t* data = nullptr;
  std::size_t capacity = 0;
};

TBlock Allocate(std::size_t size, bool zero) {
  if (size == 0) return {};
  if (InjectedFailure(size)) throw std::bad_alloc();
  if (size >= kRecycleFrom) {
    const TRecycled r = TakeRecycled(size);
    if (r.data) {
      if (zero) std::memset(r.data, 0, size + kSlack);
      return {r.data, r.capacity};
    }
  }
  void* p = zero ? std::calloc(size + kSlack, 1) : std::malloc(size + kSlack);
  if (!p) {
    // The kept blocks are the first memory to give up.
    DropRecycled();
    p = zero ? std::calloc(size + kSlack, 1) : std::malloc(size + kSlack);
  }
  if (!p) throw std::bad_alloc();
  OfferHugePages(static_cast<std::uint8_t*>(p), size);
  return {static_cast<std::uint8_t*>(p), size};
}

void Release(std::uint8_t* data, std::size_t capacity) {
  if (!data) return;
  if (capacity < kRecycleFrom) {
    std::free(data);
    return;
  }
  std::uint8_t* dropped = nullptr;
  {
    const std::lock_guard<std::mutex> lock(gRecycleMutex);
    dropped = gRecycled[0].data;
    gRecycled[0] = gRecycled[1];
    gRecycled[1] = {data, capacity};
  }
  std::free(dropped);
}

}  // namespace

void ReleaseRecycledPixels() { DropRecycled(); }

void FailPixelAllocationsAfter(long count, std::size_t fromBytes) {
  gFailuresFromBytes.store(count < 0 ? 0 : fromBytes, std::memory_order_relaxed);
  gAllocationsBeforeFailure.store(count < 0 ? -1 : count, std::memory_order_relaxed);
}

TPixelBuffer::TPixelBuffer(std::size_t size, bool zero) : size_(size) {
  const TBlock b = Allocate(size, zero);
  data_ = b.data;
  capacity_ = b.capacity;
}

TPixelBuffer::TPixelBuffer(const TPixelBuffer& other) : TPixelBuffer(other.size_, false) {
  if (size_ > 0) std::memcpy(data_, other.data_, size_);
}

TPixelBuffer& TPixelBuffer::operator=(const TPixelBuffer& other) {
  if (this != &other) {
    if (size_ == other.size_) {
      // The same length: the pixels go into the storage already here, which
      // needs no memory and so cannot fail half way.
      if (size_ > 0) std::memcpy(data_, other.data_, size_);
    } else {
      TPixelBuffer copy(other);
      *this = std::move(copy);
    }
  }
  return *this;
}

TPixelBuffer::TPixelBuffer(TPixelBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TPixelBuffer& TPixelBuffer::operator=(TPixelBuffer&& other) noexcept {
  if (this != &other) {
    Release(data_, capacity_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

TPixelBuffer::~TPixelBuffer() { Release(data_, capacity_); }

void TPixelBuffer::clear() {
  Release(data_, capacity_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

int TBitmap::StrideFor(int width, TPixelFormat format) {
  if (width <= 0) return 0;
  const std::int64_t bits = static_cast<std::int64_t>(width) * BitsOf(format);
  const std::int64_t stride = ((bits + 31) / 32) * 4;
  if (stride > INT32_MAX) throw std::length_error("bitmap row too long");
  return static_cast<int>(stride);
}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : format_(format) {
  if (format == TPixelFormat::pf8bit) palette_ = GreyTable();
  if (format == TPixelFormat::pf1bit) palette_ = MonoTable();
  Reallocate(width, height, format);
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) {
    if (data_.size() == other.data_.size()) {
      data_ = other.data_;  // into the storage already here: nothing to fail
      width_ = other.width_;
      height_ = other.height_;
      stride_ = other.stride_;
      format_ = other.format_;
      palette_ = other.palette_;
    } else {
      TBitmap copy(other);
      *this = std::move(copy);
    }
  }
  return *this;
}

TBitmap::TBitmap(TBitmap&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)),
      format_(other.format_),
      palette_(other.palette_),
      data_(std::move(other.data_)) {}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept {
  if (this != &other) {
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    format_ = other.format_;
    palette_ = other.palette_;
    data_ = std::move(other.data_);
  }
  return *this;
}

void TBitmap::Reallocate(int width, int height, TPixelFormat format, bool zero) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const int stride = StrideFor(width, format);
  TPixelBuffer data(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), zero);
  width_ = width;
  height_ = height;
  stride_ = stride;
  format_ = format;
  data_ = std::move(data);
  if (!zero && data_.data()) {
    // Only the pixels are left to the caller: the row padding and the slack
    // after the last row read as zero, as in a fresh picture.
    const std::size_t used = (static_cast<std::size_t>(width_) * BitsOf(format_) + 7) / 8;
    if (used < static_cast<std::size_t>(stride_))
      for (int y = 0; y < height_; ++y) std::memset(ScanLine(y) + used, 0, stride_ - used);
    std::memset(data_.data() + data_.size(), 0, kSlack);
  }
}

TBitmap TBitmap::ForOverwrite(int width, int height, TPixelFormat format) {
  TBitmap b;
  if (format == TPixelFormat::pf8bit) b.palette_ = GreyTable();
  if (format == TPixelFormat::pf1bit) b.palette_ = MonoTable();
  b.Reallocate(width, height, format, false);
  return b;
}

void TBitmap::Clear() {
  width_ = height_ = stride_ = 0;
  data_.clear();
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  TBitmap next;
  next.palette_ = palette_;
  next.Reallocate(width, height, format_);
  const int rows = std::min(height, height_);
  const int bytes = std::min(next.stride_, stride_);
  if (bytes > 0) {
    for (int y = 0; y < rows; ++y) std::memcpy(next.ScanLine(y), ScanLine(y), bytes);
  }
  *this = std::move(next);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  TBitmap next;
  next.Reallocate(width_, height_, format);
  if (format == TPixelFormat::pf8bit) next.palette_ = GreyTable();
  if (format == TPixelFormat::pf1bit) next.palette_ = MonoTable();
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* src = ScanLine(y);
    std::uint8_t* dst = next.ScanLine(y);
    for (int x = 0; x < width_; ++x) {
      TRGBQuad c;
      switch (format_) {
        case TPixelFormat::pf24bit: c = TRGBQuad{src[3 * x], src[3 * x + 1], src[3 * x + 2], 0}; break;
        case TPixelFormat::pf8bit: c = palette_[src[x]]; break;
        case TPixelFormat::pf1bit: c = palette_[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
      }
      const int grey = (c.Blue + c.Green + c.Red) / 3;
      switch (format) {
        case TPixelFormat::pf24bit:
          dst[3 * x] = c.Blue;
          dst[3 * x + 1] = c.Green;
          dst[3 * x + 2] = c.Red;
          break;
        case TPixelFormat::pf8bit: dst[x] = static_cast<std::uint8_t>(grey); break;
        case TPixelFormat::pf1bit:
          if (grey >= 128) dst[x >> 3] = static_cast<std::uint8_t>(dst[x >> 3] | (0x80 >> (x & 7)));
          break;
      }
    }
  }
  *this = std::move(next);
}

bool operator==(const TBitmap& a, const TBitmap& b) {
  if (a.width_ != b.width_ || a.height_ != b.height_ || a.format_ != b.format_) return false;
  if (a.format_ != TPixelFormat::pf24bit && a.palette_ != b.palette_) return false;
  const int used = (a.width_ * BitsOf(a.format_) + 7) / 8;
  for (int y = 0; y < a.height_; ++y) {
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), used) != 0) return false;
  }
  return true;
}

TBitmap DuplicateBitmap(const TBitmap& bitmap) { return bitmap; }

void SetGreyPalette(TBitmap& bitmap8) { bitmap8.ColorTable() = GreyTable(); }

bool ConvertToGrey8(TBitmap& bitmap) {
  if (!Is24(bitmap)) return false;
  TBitmap grey(bitmap.Width(), bitmap.Height(), TPixelFormat::pf8bit);
  SetGreyPalette(grey);
  {
    const TConstBmpData24 src(bitmap);
    const TBmpData8 dst(grey);
    for (int y = 0; y < src.Height(); ++y) {
      for (int x = 0; x < src.Width(); ++x) {
        const std::uint8_t* p = src.Pixel(x, y);
        const long double v = 0.299L * p[2] + 0.587L * p[1] + 0.114L * p[0];
        *dst.Pixel(x, y) = static_cast<std::uint8_t>(v);
      }
    }
  }
  bitmap = std::move(grey);
  return true;
}

}  // namespace kira
