// Content detection and the PNG and GIF decoders of the thumbnail browser.
//
// libpng reports errors by a long jump. The jumps land in small functions
// that hold no C++ object with a destructor (only plain pointers and
// integers), so nothing is skipped when a jump passes; the reader structures,
// the bitmap and the row table live in the caller, whose frame the jump never
// leaves, and are released there on every path.
#include "core/picture_loader.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

namespace kira {

namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool TooLarge(std::int64_t width, std::int64_t height) {
  return width > kMaxSide || height > kMaxSide || width * height > kMaxPixels;
}

std::string SizeMessage(std::int64_t width, std::int64_t height) {
  return "picture too large (" + std::to_string(width) + " x " + std::to_string(height) + ")";
}

// ---- PNG ----------------------------------------------------------------

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

// ---- GIF ----------------------------------------------------------------

struct TGifInput {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
};

// Hands giflib the bytes, with the signature's letters in capitals: giflib
// compares "GIF" case-sensitively, while the content test accepts either case.
int GifReadBytes(GifFileType* gif, GifByteType* out, int count) {
  auto* in = static_cast<TGifInput*>(gif->UserData);
  if (count <= 0) return 0;
  const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(count), in->size - in->pos);
  std::memcpy(out, in->data + in->pos, take);
  for (std::size_t i = 0; i < take; ++i) {
    const std::size_t at = in->pos + i;
    if (at == 0 || at == 1 || at == 2 || at == 5) {
      if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<GifByteType>(out[i] - 'a' + 'A');
    }
  }
  in->pos += take;
  return static_cast<int>(take);
}

struct TGifReader {
  GifFileType* gif = nullptr;
  ~TGifReader() {
    if (gif) {
      int error = 0;
      DGifCloseFile(gif, &error);
    }
  }
};

struct TGifRefusal {
  std::string message;
};

[[noreturn]] void GifRefuse(std::string message) { throw TGifRefusal{std::move(message)}; }

void GifCheck(int status, const GifFileType* gif, const char* what) {
  if (status == GIF_ERROR) {
    const char* text = GifErrorString(gif->Error);
    GifRefuse(std::string(what) + ": " + (text ? text : "error"));
  }
}

TBitmap GifFirstImage(GifFileType* gif) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    GifCheck(DGifGetRecordType(gif, &type), gif, "cannot read GIF");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      GifCheck(DGifGetExtension(gif, &code, &block), gif, "cannot read GIF extension");
      while (block) GifCheck(DGifGetExtensionNext(gif, &block), gif, "cannot read GIF extension");
      continue;
    }
    if (type == TERMINATE_RECORD_TYPE) GifRefuse("GIF holds no image");
    if (type != IMAGE_DESC_RECORD_TYPE) GifRefuse("cannot read GIF: unknown record");

    GifCheck(DGifGetImageDesc(gif), gif, "cannot read GIF image");
    const std::int64_t width = gif->Image.Width;
    const std::int64_t height = gif->Image.Height;
    if (width <= 0 || height <= 0) GifRefuse("GIF image has no pixels");
    if (TooLarge(width, height)) GifRefuse(SizeMessage(width, height));
    const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    if (!map || !map->Colors || map->ColorCount <= 0) GifRefuse("GIF has no colour table");

    TBitmap bitmap(static_cast<int>(width), static_cast<int>(height), TPixelFormat::pf24bit);
    std::vector<GifByteType> line(static_cast<std::size_t>(width));
    auto readRow = [&](int y) {
      GifCheck(DGifGetLine(gif, line.data(), static_cast<int>(width)), gif, "cannot decode GIF");
      std::uint8_t* out = bitmap.ScanLine(y);
      for (std::int64_t x = 0; x < width; ++x, out += 3) {
        const int index = line[static_cast<std::size_t>(x)];
        // An index past the table is black.
        if (index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        out[0] = c.Blue;
        out[1] = c.Green;
        out[2] = c.Red;
      }
    };
    if (gif->Image.Interlace) {
      static constexpr int kStart[4] = {0, 4, 2, 1};
      static constexpr int kStep[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) readRow(y);
      }
    } else {
      for (int y = 0; y < height; ++y) readRow(y);
    }
    return bitmap;
  }
}

}  // namespace

bool IsBmpData(const std::uint8_t* data, std::size_t size) {
  if (size < 18 || data[0] != 0x42 || data[1] != 0x4D) return false;
  const std::uint32_t header = U32(data + 14);
  return header == 12 || (header >= 16 && header <= 64) || header == 108 || header == 124;
}

bool IsGifData(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return false;
  auto letter = [](std::uint8_t c, char upper) { return c == upper || c == upper - 'A' + 'a'; };
  return letter(data[0], 'G') && letter(data[1], 'I') && letter(data[2], 'F') && data[3] == '8' &&
         (data[4] == '7' || data[4] == '9') && letter(data[5], 'A');
}

bool IsJpegData(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

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
    if (width == 0 || height == 0 || TooLarge(width, height)) {
      r.error = SizeMessage(width, height);
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

TLoadResult DecodeGif(const std::uint8_t* data, std::size_t size) {
  TLoadResult r;
  try {
    TGifInput input{data, size, 0};
    TGifReader reader;
    int error = 0;
    reader.gif = DGifOpen(&input, GifReadBytes, &error);
    if (!reader.gif) {
      const char* text = GifErrorString(error);
      r.error = std::string("cannot read GIF: ") + (text ? text : "error");
      return r;
    }
    r.bitmap = GifFirstImage(reader.gif);
  } catch (const TGifRefusal& refusal) {
    r.error = refusal.message;
  } catch (const std::bad_alloc&) {
    r.error = "not enough memory for the picture";
  } catch (const std::length_error&) {
    r.error = "not enough memory for the picture";
  }
  return r;
}

TLoadResult DecodeAnyPicture(const std::uint8_t* data, std::size_t size) {
  if (IsBmpData(data, size)) return DecodeBmp(data, size);
  if (IsGifData(data, size)) return DecodeGif(data, size);
  if (IsJpegData(data, size)) return DecodeJpeg(data, size);
  if (IsPngData(data, size)) return DecodePng(data, size);
  TLoadResult r;
  r.error = "not a picture (neither BMP, GIF, JPEG nor PNG)";
  return r;
}

TLoadResult LoadAnyPicture(const std::string& path) {
  TLoadResult r;
  try {
    // No picture of at most kMaxPixels needs a larger file in any format.
    constexpr std::int64_t kMaxFileBytes = kMaxPixels * 4 + (std::int64_t{64} << 20);
    TFileBytes file;
    if (!ReadWholeFile(path, kMaxFileBytes, file, r.error)) return r;
    r = DecodeAnyPicture(file.data(), file.size());
    if (!r.bitmap) r.error = path + ": " + r.error;
  } catch (...) {
    r.bitmap.reset();
    r.error = path + ": cannot read the picture";
  }
  return r;
}

}  // namespace kira
