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
#include "core/orientation.h"
#include "core/picture_limits.h"
#include "core/read_support.h"
#include "core/working_memory.h"

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

// Reads the chunks up to the image data and sets the output to 8-bit BGR, or
// BGRA when the picture has transparency (an alpha channel or a tRNS chunk).
// Only plain values live here: a long jump may leave this frame.
bool PngReadHeader(TPngReader& r, TPngFailure& failure, png_uint_32& width, png_uint_32& height,
                   png_size_t& rowBytes, bool& alpha) {
  if (setjmp(failure.jump)) return false;
  png_set_user_limits(r.png, kMaxSide, kMaxSide);
  png_read_info(r.png, r.info);
  const int colorType = png_get_color_type(r.png, r.info);
  const int bitDepth = png_get_bit_depth(r.png, r.info);
  alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(r.png, r.info, PNG_INFO_tRNS) != 0;
  // Palette to RGB, grey below 8 bits to 8, a transparency chunk to alpha.
  png_set_expand(r.png);
  // 16 bits to 8, rounded to nearest (v * 255 / 65535).
  if (bitDepth == 16) png_set_scale_16(r.png);
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

// The chunks after the image data, for an eXIf placed there. The picture is
// whole by then, so a fault in them only ends the reading.
void PngReadEnd(TPngReader& r, TPngFailure& failure) {
  if (setjmp(failure.jump)) return;
  png_read_end(r.png, r.info);
}

void PngMetadata(TPngReader& r, TPhotoMetadata& metadata) {
  png_uint_32 exifSize = 0;
  png_bytep exif = nullptr;
  if (png_get_eXIf_1(r.png, r.info, &exifSize, &exif) && exif) metadata.exif = ExifBlockFrom(exif, exifSize);
  png_charp name = nullptr;
  int compression = 0;
  png_bytep icc = nullptr;
  png_uint_32 iccSize = 0;
  if (png_get_iCCP(r.png, r.info, &name, &compression, &icc, &iccSize) && icc && IsRgbIccProfile(icc, iccSize)) {
    metadata.icc.assign(icc, icc + iccSize);
  }
}

}  // namespace

bool IsPngData(const std::uint8_t* data, std::size_t size) {
  return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

TLoadResult DecodePng(const std::uint8_t* data, std::size_t size, TOrientation orientation) {
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
    bool alpha = false;
    if (!PngReadHeader(reader, failure, width, height, rowBytes, alpha)) {
      r.error = std::string("cannot read PNG: ") + failure.message;
      return r;
    }
    if (width == 0 || height == 0 || PictureTooLarge(width, height)) {
      r.error = TooLargeMessage(width, height);
      return r;
    }
    r.error = CheckWorkingMemory(width, height);
    if (!r.error.empty()) return r;
    if (rowBytes != static_cast<png_size_t>(width) * (alpha ? 4 : 3)) {
      r.error = "cannot read PNG: unexpected row layout";
      return r;
    }
    TBitmap bitmap(static_cast<int>(width), static_cast<int>(height), TPixelFormat::pf24bit);
    // With transparency the rows go to a BGRA copy first, laid over white below.
    TPixelBuffer withAlpha(alpha ? rowBytes * height : 0, false);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) {
      rows[y] = alpha ? withAlpha.data() + rowBytes * y : bitmap.ScanLine(static_cast<int>(y));
    }
    if (!PngReadRows(reader, failure, rows.data())) {
      r.error = std::string("cannot decode PNG: ") + failure.message;
      return r;
    }
    for (png_uint_32 y = 0; alpha && y < height; ++y) {
      const std::uint8_t* in = rows[y];
      std::uint8_t* out = bitmap.ScanLine(static_cast<int>(y));
      for (png_uint_32 x = 0; x < width; ++x, in += 4, out += 3) {
        out[0] = OverWhite(in[0], in[3]);
        out[1] = OverWhite(in[1], in[3]);
        out[2] = OverWhite(in[2], in[3]);
      }
    }
    PngReadEnd(reader, failure);
    TPhotoMetadata metadata;
    PngMetadata(reader, metadata);
    Deliver(r, bitmap, metadata, orientation, ExifOrientation(metadata.exif.data(), metadata.exif.size()));
  } catch (const std::bad_alloc&) {
    r.error = kNoMemoryForPicture;
  } catch (const std::length_error&) {
    r.error = kNoMemoryForPicture;
  }
  return r;
}

}  // namespace kira
