// Writing PNG files through libpng.
//
// As in the reader, libpng's errors are long jumps that land in a small
// function holding only plain pointers; the writer structures and the output
// live in the caller and are released there on every path.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/encode_frame.h"
#include "core/image_files.h"

namespace kira {

namespace {

struct TPngFailure {
  std::jmp_buf jump;
  char message[160] = {};
  bool outOfMemory = false;
};

struct TPngOutput {
  std::vector<std::uint8_t> bytes;
  bool outOfMemory = false;
};

void PngWriteBytes(png_structp png, png_bytep data, png_size_t count) {
  auto* out = static_cast<TPngOutput*>(png_get_io_ptr(png));
  try {
    out->bytes.insert(out->bytes.end(), data, data + count);
  } catch (const std::bad_alloc&) {
    out->outOfMemory = true;
  } catch (const std::length_error&) {
    out->outOfMemory = true;
  }
  // The jump leaves no handler half run.
  if (out->outOfMemory) png_error(png, "out of memory");
}

void PngFlush(png_structp) {}

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<TPngFailure*>(png_get_error_ptr(png));
  std::snprintf(failure->message, sizeof failure->message, "%s", message ? message : "error");
  std::longjmp(failure->jump, 1);
}

void PngWarning(png_structp, png_const_charp) {}

struct TPngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~TPngWriter() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  }
};

// The TIFF data of an EXIF block, without the "Exif\0\0" of its JPEG marker.
constexpr std::size_t kExifHeaderBytes = 6;

bool PngWrite(TPngWriter& w, TPngFailure& failure, const TBitmap& bitmap, const std::vector<std::uint8_t>& exif,
              const std::vector<std::uint8_t>& icc, png_bytepp rows) {
  if (setjmp(failure.jump)) return false;
  png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(bitmap.Width()), static_cast<png_uint_32>(bitmap.Height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(w.png, 6);
  // A profile libpng finds fault with is left out rather than failing the save.
  png_set_benign_errors(w.png, 1);
  if (!icc.empty()) {
    png_set_iCCP(w.png, w.info, "ICC Profile", PNG_COMPRESSION_TYPE_BASE, icc.data(),
                 static_cast<png_uint_32>(icc.size()));
  }
  if (exif.size() > kExifHeaderBytes) {
    png_set_eXIf_1(w.png, w.info, static_cast<png_uint_32>(exif.size() - kExifHeaderBytes),
                   const_cast<png_bytep>(exif.data() + kExifHeaderBytes));
  }
  png_write_info(w.png, w.info);
  png_set_bgr(w.png);
  png_write_image(w.png, rows);
  png_write_end(w.png, w.info);
  return true;
}

}  // namespace

bool EncodePng(const TBitmap& bitmap, const TPhotoMetadata& metadata, TFileBytes& out, std::string* error) {
  return EncodeFrame(bitmap, out, error, [&metadata](const TBitmap& bitmap, TFileBytes& out) -> std::string {
    std::vector<std::uint8_t> exif;
    if (!metadata.exif.empty()) exif = ExifForSaving(metadata.exif, bitmap.Width(), bitmap.Height());
    TPngFailure failure;
    TPngOutput output;
    TPngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, PngError, PngWarning);
    if (!writer.png) throw std::bad_alloc();
    writer.info = png_create_info_struct(writer.png);
    if (!writer.info) throw std::bad_alloc();
    png_set_write_fn(writer.png, &output, PngWriteBytes, PngFlush);
    std::vector<png_bytep> rows(static_cast<std::size_t>(bitmap.Height()));
    // libpng takes non-const rows but only reads them.
    for (int y = 0; y < bitmap.Height(); ++y) rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(bitmap.ScanLine(y));
    if (!PngWrite(writer, failure, bitmap, exif, metadata.icc, rows.data())) {
      if (output.outOfMemory) throw std::bad_alloc();
      return std::string("cannot encode PNG: ") + failure.message;
    }
    TFileBytes bytes(output.bytes.size());
    if (!output.bytes.empty()) std::memcpy(bytes.data(), output.bytes.data(), output.bytes.size());
    out = std::move(bytes);
    return {};
  });
}

}  // namespace kira
