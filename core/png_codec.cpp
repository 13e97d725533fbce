// PNG files through libpng.
//
// libpng reports errors by a long jump. The jumps land in small functions
// that hold no C++ object with a destructor (only plain pointers and
// integers), so nothing is skipped when a jump passes; the reader structures,
// the bitmap and the row table live in the caller, whose frame the jump never
// leaves, and are released there on every path.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/image_files.h"
#include "core/picture_limits.h"

namespace kira {

namespace {

struct TPngInput {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
};

struct TPngFailure {
  std::jmp_buf jump;
  char message[160] = {};
};

void PngReadBytes(png_structp png, png_bytep out, png_size_t count) {
  auto* in = static_cast<TPngInput*>(png_get_io_ptr(png));
  if (count > in->size - in->pos) png_error(png, "file is cut short");
  std::memcpy(out, in->data + in->pos, count);
  in->pos += count;
}

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<TPngFailure*>(png_get_error_ptr(png));
  std::snprintf(failure->message, sizeof failure->message, "%s", message ? message : "error");
  std::longjmp(failure->jump, 1);
}

void PngWarning(png_structp, png_const_charp) {}

struct TPngReader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~TPngReader() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

// Reads the chunks up to the image data and sets the output to 8-bit BGR.
// Only plain values live here: a long jump may leave this frame.
bool PngReadHeader(TPngReader& r, TPngFailure& failure, png_uint_32& width, png_uint_32& height,
                   png_size_t& rowBytes) {
  if (setjmp(failure.jump)) return false;
  png_set_user_limits(r.png, kMaxSide, kMaxSide);
  png_read_info(r.png, r.info);
  const int colorType = png_get_color_type(r.png, r.info);
  const int bitDepth = png_get_bit_depth(r.png, r.info);
  // Palette to RGB, grey below 8 bits to 8, a transparency chunk to alpha.
  png_set_expand(r.png);
  if (bitDepth == 16) png_set_strip_16(r.png);
  png_set_strip_alpha(r.png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(r.png);
  png_set_bgr(r.png);
  png_set_interlace_handling(r.png);
  png_read_update_info(r.png, r.info);
  width = png_get_image_width(r.png, r.info);
  height = png_get_image_height(r.png, r.info);
  rowBytes = png_get_rowbytes(r.png, r.info);
  return true;
}

bool PngReadRows(TPngReader& r, TPngFailure& failure, png_bytepp rows) {
  if (setjmp(failure.jump)) return false;
  png_read_image(r.png, rows);
  return true;
}

}  // namespace

bool IsPngData(const std::uint8_t* data, std::size_t size) {
  return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

TLoadResult DecodePng(const std::uint8_t* data, std::size_t size) {
  TLoadResult r;
  try {
    TPngInput input{data, size, 0};
    TPngFailure failure;
    TPngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &failure, PngError, PngWarning);
    if (!reader.png) throw std::bad_alloc();
    reader.info = png_create_info_struct(reader.png);
    if (!reader.info) throw std::bad_alloc();
    png_set_read_fn(reader.png, &input, PngReadBytes);

    png_uint_32 width = 0, height = 0;
    png_size_t rowBytes = 0;
    if (!PngReadHeader(reader, failure, width, height, rowBytes)) {
      r.error = std::string("cannot read PNG: ") + failure.message;
      return r;
    }
    if (width == 0 || height == 0 || PictureTooLarge(width, height)) {
      r.error = TooLargeMessage(width, height);
      return r;
    }
    if (rowBytes != static_cast<png_size_t>(width) * 3) {
      r.error = "cannot read PNG: unexpected row layout";
      return r;
    }
    TBitmap bitmap(static_cast<int>(width), static_cast<int>(height), TPixelFormat::pf24bit);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = bitmap.ScanLine(static_cast<int>(y));
    if (!PngReadRows(reader, failure, rows.data())) {
      r.error = std::string("cannot decode PNG: ") + failure.message;
      return r;
    }
    r.bitmap = std::move(bitmap);
  } catch (const std::bad_alloc&) {
    r.error = "not enough memory for the picture";
  } catch (const std::length_error&) {
    r.error = "not enough memory for the picture";
  }
  return r;
}

}  // namespace kira
