// Writing TIFF files through libtiff, into memory (TIFFClientOpenExt with
// per-file error handlers, so that saves on several threads keep their
// messages apart).
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <libexif/exif-data.h>

#include "core/encode_frame.h"
#include "core/image_files.h"

namespace kira {

namespace {

struct TTiffOutput {
  std::vector<std::uint8_t> bytes;
  std::size_t pos = 0;
  bool outOfMemory = false;
  std::string message;  // libtiff's first error
};

tmsize_t TiffRead(thandle_t h, void* data, tmsize_t size) {
  auto* out = static_cast<TTiffOutput*>(h);
  if (size < 0 || out->pos >= out->bytes.size()) return 0;
  const std::size_t n = std::min(static_cast<std::size_t>(size), out->bytes.size() - out->pos);
  std::memcpy(data, out->bytes.data() + out->pos, n);
  out->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t TiffWrite(thandle_t h, void* data, tmsize_t size) {
  auto* out = static_cast<TTiffOutput*>(h);
  if (size < 0) return -1;
  const std::size_t n = static_cast<std::size_t>(size);
  try {
    if (out->pos + n > out->bytes.size()) {
      // Doubling keeps the strips' appends linear.
      if (out->pos + n > out->bytes.capacity()) out->bytes.reserve(std::max(out->pos + n, out->bytes.capacity() * 2));
      out->bytes.resize(out->pos + n);
    }
  } catch (const std::bad_alloc&) {
    out->outOfMemory = true;
    return -1;
  } catch (const std::length_error&) {
    out->outOfMemory = true;
    return -1;
  }
  if (n > 0) std::memcpy(out->bytes.data() + out->pos, data, n);
  out->pos += n;
  return size;
}

toff_t TiffSeek(thandle_t h, toff_t offset, int whence) {
  auto* out = static_cast<TTiffOutput*>(h);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = out->pos;
  if (whence == SEEK_END) base = out->bytes.size();
  const std::uint64_t target = base + offset;
  if (target > (std::uint64_t{1} << 40)) return static_cast<toff_t>(-1);
  out->pos = static_cast<std::size_t>(target);
  return target;
}

int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<TTiffOutput*>(h)->bytes.size(); }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

int TiffError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* out = static_cast<TTiffOutput*>(user);
  if (out->message.empty()) {
    char text[200];
    std::vsnprintf(text, sizeof text, format, args);
    out->message = text;
  }
  return 1;
}

int TiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TTiffClose {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
struct TOptionsFree {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
struct TExifDataUnref {
  void operator()(ExifData* d) const { exif_data_unref(d); }
};

// The text tags of the EXIF main directory that a TIFF holds in its own.
constexpr struct {
  ExifTag exif;
  ttag_t tiff;
} kTextTags[] = {
    {EXIF_TAG_IMAGE_DESCRIPTION, TIFFTAG_IMAGEDESCRIPTION},
    {EXIF_TAG_MAKE, TIFFTAG_MAKE},
    {EXIF_TAG_MODEL, TIFFTAG_MODEL},
    {EXIF_TAG_SOFTWARE, TIFFTAG_SOFTWARE},
    {EXIF_TAG_DATE_TIME, TIFFTAG_DATETIME},
    {EXIF_TAG_ARTIST, TIFFTAG_ARTIST},
    {EXIF_TAG_COPYRIGHT, TIFFTAG_COPYRIGHT},
};

void SetTextTags(TIFF* tif, const std::vector<std::uint8_t>& exif) {
  std::unique_ptr<ExifData, TExifDataUnref> data(
      exif_data_new_from_data(exif.data(), static_cast<unsigned>(exif.size())));
  if (!data) return;
  ExifContent* main = data->ifd[EXIF_IFD_0];
  for (const auto& tag : kTextTags) {
    const ExifEntry* e = exif_content_get_entry(main, tag.exif);
    if (!e || e->format != EXIF_FORMAT_ASCII || !e->data || e->size == 0) continue;
    // Up to the first NUL; an empty text is left out.
    const std::string text(reinterpret_cast<const char*>(e->data),
                           strnlen(reinterpret_cast<const char*>(e->data), e->size));
    if (!text.empty()) TIFFSetField(tif, tag.tiff, text.c_str());
  }
}

// "" or what went wrong.
std::string WriteTiff(TIFF* tif, const TBitmap& bitmap, const TPhotoMetadata& metadata, bool withExif) {
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  // Strips of at least 64 KiB: Deflate then sees enough rows at once.
  const std::uint32_t rowsPerStrip =
      static_cast<std::uint32_t>(std::clamp<std::size_t>(65536 / rowBytes, 1, static_cast<std::size_t>(height)));
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(tif, TIFFTAG_ZIPQUALITY, 6);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  if (!metadata.icc.empty()) {
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(metadata.icc.size()), metadata.icc.data());
  }
  if (withExif) SetTextTags(tif, metadata.exif);
  std::vector<std::uint8_t> strip(rowBytes * rowsPerStrip);
  for (int first = 0, index = 0; first < height; first += static_cast<int>(rowsPerStrip), ++index) {
    const int rows = std::min(height - first, static_cast<int>(rowsPerStrip));
    for (int r = 0; r < rows; ++r) {
      const std::uint8_t* bgr = bitmap.ScanLine(first + r);
      std::uint8_t* rgb = strip.data() + static_cast<std::size_t>(r) * rowBytes;
      for (int x = 0; x < width; ++x) {
        rgb[3 * x] = bgr[3 * x + 2];
        rgb[3 * x + 1] = bgr[3 * x + 1];
        rgb[3 * x + 2] = bgr[3 * x];
      }
    }
    if (TIFFWriteEncodedStrip(tif, static_cast<std::uint32_t>(index), strip.data(),
                              static_cast<tmsize_t>(rowBytes * static_cast<std::size_t>(rows))) < 0) {
      return "cannot write a strip";
    }
  }
  if (!TIFFWriteDirectory(tif)) return "cannot write the directory";
  return {};
}

}  // namespace

bool EncodeTiff(const TBitmap& bitmap, const TPhotoMetadata& metadata, TFileBytes& out, std::string* error) {
  return EncodeFrame(bitmap, out, error, [&metadata](const TBitmap& bitmap, TFileBytes& out) -> std::string {
    // The same rule as the other formats: a block ExifForSaving refuses is
    // written in no part.
    const bool withExif =
        !metadata.exif.empty() && !ExifForSaving(metadata.exif, bitmap.Width(), bitmap.Height()).empty();
    TTiffOutput output;
    std::unique_ptr<TIFFOpenOptions, TOptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) throw std::bad_alloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), TiffError, &output);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), TiffWarning, &output);
    std::string message;
    {
      std::unique_ptr<TIFF, TTiffClose> tif(TIFFClientOpenExt("memory", "w", &output, TiffRead, TiffWrite, TiffSeek,
                                                              TiffClose, TiffSize, TiffMap, TiffUnmap, options.get()));
      if (!tif) {
        message = "cannot start";
      } else {
        message = WriteTiff(tif.get(), bitmap, metadata, withExif);
      }
    }  // closed here: the last bytes are out
    if (output.outOfMemory) throw std::bad_alloc();
    if (message.empty() && !output.message.empty()) message = output.message;
    if (!message.empty()) {
      return "cannot encode TIFF: " + (output.message.empty() ? message : output.message);
    }
    TFileBytes bytes(output.bytes.size());
    std::memcpy(bytes.data(), output.bytes.data(), output.bytes.size());
    out = std::move(bytes);
    return {};
  });
}

}  // namespace kira
