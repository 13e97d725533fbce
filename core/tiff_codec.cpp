// TIFF files through libtiff, read from memory.
//
// The usual kinds are converted here from the decoded samples, so that
// 16-bit channels and 16-bit colour maps are rounded to 8 bits: 8- or 16-bit
// grey and RGB (interleaved, with or without alpha) and 1- to 8-bit palette
// pictures, in strips or tiles. Every other kind (CMYK, YCbCr, bilevel and
// 2- or 4-bit grey, separate planes) comes through libtiff's RGBA interface.
// Either way the rows come as stored and the Orientation tag is applied
// here, as for a JPEG; it and the descriptive tags (make, model, date, ...)
// come back as an EXIF block, for the saved photo. libtiff's messages go to a handler that keeps the
// first error for the refusal; nothing reaches the terminal.
#include <libexif/exif-data.h>
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <mutex>
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

struct TTiffInput {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  char message[160] = {};
};

tmsize_t TiffRead(thandle_t h, void* out, tmsize_t count) {
  auto* in = static_cast<TTiffInput*>(h);
  if (count < 0) return -1;
  const std::size_t n = std::min(static_cast<std::size_t>(count), in->size - std::min(in->pos, in->size));
  if (n) std::memcpy(out, in->data + in->pos, n);
  in->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t TiffWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t TiffSeek(thandle_t h, toff_t offset, int whence) {
  auto* in = static_cast<TTiffInput*>(h);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = in->pos;
  if (whence == SEEK_END) base = in->size;
  const std::uint64_t to = base + offset;
  if (to < base || to > (std::uint64_t{1} << 62)) return static_cast<toff_t>(-1);
  in->pos = static_cast<std::size_t>(to);
  return to;
}

int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<TTiffInput*>(h)->size; }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

int TiffError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* in = static_cast<TTiffInput*>(user);
  if (in->message[0] == 0) std::vsnprintf(in->message, sizeof in->message, format, args);
  return 1;
}

int TiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Messages of libtiff that come without a handle of ours go nowhere either.
void SilenceLibtiff() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

struct TTiffHandles {
  TIFFOpenOptions* options = nullptr;
  TIFF* tiff = nullptr;
  TIFFRGBAImage image{};
  bool imageBegun = false;
  ~TTiffHandles() {
    if (imageBegun) TIFFRGBAImageEnd(&image);
    if (tiff) TIFFClose(tiff);
    if (options) TIFFOpenOptionsFree(options);
  }
};

std::string TiffMessage(const char* what, const TTiffInput& in) {
  return std::string(what) + (in.message[0] ? std::string(": ") + in.message : std::string());
}

// The layout of a picture converted here; `plain` false sends it to libtiff's
// RGBA interface.
struct TTiffLayout {
  bool plain = false;
  std::uint16_t photometric = 0, bits = 0, samples = 0, alphaKind = 0;
  int colours = 0;  // 1 grey or palette index, 3 RGB
  bool alpha = false;
};

TTiffLayout LayoutOf(TIFF* t) {
  TTiffLayout l;
  std::uint16_t planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &l.photometric)) return l;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &l.bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
  std::uint16_t extraCount = 0;
  std::uint16_t* extra = nullptr;
  TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
  if (format != SAMPLEFORMAT_UINT || (planar != PLANARCONFIG_CONTIG && l.samples > 1)) return l;
  switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE: l.colours = 1; l.plain = l.bits == 8 || l.bits == 16; break;
    case PHOTOMETRIC_RGB: l.colours = 3; l.plain = l.bits == 8 || l.bits == 16; break;
    case PHOTOMETRIC_PALETTE: l.colours = 1; l.plain = l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8; break;
    default: return l;
  }
  if (l.samples < l.colours || l.samples > l.colours + 4 || (l.photometric == PHOTOMETRIC_PALETTE && l.samples != 1)) {
    l.plain = false;
    return l;
  }
  if (l.samples > l.colours && extraCount > 0 && extra) {
    l.alphaKind = extra[0];
    l.alpha = l.alphaKind == EXTRASAMPLE_ASSOCALPHA || l.alphaKind == EXTRASAMPLE_UNASSALPHA;
  }
  return l;
}

// Calls use(y, row) with the decoded samples of every row, top first as stored.
template <typename Use>
bool ReadSampleRows(TIFF* t, std::uint32_t width, std::uint32_t height, std::size_t bitsPerPixel, Use use) {
  const tmsize_t rowBytes = TIFFScanlineSize(t);
  if (rowBytes <= 0 || static_cast<std::size_t>(rowBytes) < (width * bitsPerPixel + 7) / 8) return false;
  if (!TIFFIsTiled(t)) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes));
    for (std::uint32_t y = 0; y < height; ++y) {
      if (TIFFReadScanline(t, row.data(), y, 0) < 0) return false;
      use(y, row.data());
    }
    return true;
  }
  std::uint32_t tileWidth = 0, tileHeight = 0;
  TIFFGetField(t, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(t, TIFFTAG_TILELENGTH, &tileHeight);
  const tmsize_t tileBytes = TIFFTileSize(t);
  const tmsize_t tileRowBytes = TIFFTileRowSize(t);
  // A tile far larger than the picture is no tile of a sound file.
  if (tileWidth == 0 || tileHeight == 0 || tileBytes <= 0 || tileWidth * bitsPerPixel % 8 != 0 ||
      static_cast<std::size_t>(tileRowBytes) < tileWidth * bitsPerPixel / 8 ||
      static_cast<std::size_t>(tileBytes) < static_cast<std::size_t>(tileRowBytes) * tileHeight ||
      static_cast<std::uint64_t>(tileWidth) * tileHeight > std::uint64_t{4} * width * height + (1u << 20)) {
    return false;
  }
  std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileBytes));
  std::vector<std::uint8_t> band(static_cast<std::size_t>(rowBytes) * std::min(tileHeight, height));
  for (std::uint32_t y0 = 0; y0 < height; y0 += tileHeight) {
    const std::uint32_t rows = std::min(tileHeight, height - y0);
    for (std::uint32_t x0 = 0; x0 < width; x0 += tileWidth) {
      if (TIFFReadTile(t, tile.data(), x0, y0, 0, 0) < 0) return false;
      const std::size_t from = static_cast<std::size_t>(x0) * bitsPerPixel / 8;
      const std::size_t bytes = std::min(tileWidth * bitsPerPixel / 8, static_cast<std::size_t>(rowBytes) - from);
      for (std::uint32_t r = 0; r < rows; ++r) {
        std::memcpy(band.data() + r * static_cast<std::size_t>(rowBytes) + from,
                    tile.data() + r * static_cast<std::size_t>(tileRowBytes), bytes);
      }
    }
    for (std::uint32_t r = 0; r < rows; ++r) use(y0 + r, band.data() + r * static_cast<std::size_t>(rowBytes));
  }
  return true;
}

// Grey, RGB and palette pictures, converted from their samples.
bool ReadPlainTiff(TIFF* t, const TTiffLayout& l, TBitmap& bitmap) {
  const std::uint32_t width = static_cast<std::uint32_t>(bitmap.Width());
  const std::uint32_t height = static_cast<std::uint32_t>(bitmap.Height());
  std::uint8_t palette[256][3] = {};
  if (l.photometric == PHOTOMETRIC_PALETTE) {
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(t, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue) return false;
    const int entries = 1 << l.bits;
    // Old writers put 8-bit values in the 16-bit table: then no entry exceeds 255.
    bool wide = false;
    for (int i = 0; i < entries; ++i) wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    for (int i = 0; i < entries; ++i) {
      const std::uint16_t c[3] = {blue[i], green[i], red[i]};
      for (int k = 0; k < 3; ++k) palette[i][k] = wide ? Round16To8(c[k]) : static_cast<std::uint8_t>(c[k]);
    }
  }
  const bool wide = l.bits == 16;
  const bool whiteIsZero = l.photometric == PHOTOMETRIC_MINISWHITE;
  const std::size_t bitsPerPixel = static_cast<std::size_t>(l.bits) * l.samples;
  return ReadSampleRows(t, width, height, bitsPerPixel, [&](std::uint32_t y, const std::uint8_t* row) {
    std::uint8_t* out = bitmap.ScanLine(static_cast<int>(y));
    if (l.photometric == PHOTOMETRIC_PALETTE) {
      const unsigned mask = (1u << l.bits) - 1;
      for (std::uint32_t x = 0; x < width; ++x, out += 3) {
        const std::size_t bit = static_cast<std::size_t>(x) * l.bits;
        const unsigned index = (row[bit / 8] >> (8 - l.bits - bit % 8)) & mask;
        out[0] = palette[index][0];
        out[1] = palette[index][1];
        out[2] = palette[index][2];
      }
      return;
    }
    auto sample = [&](std::uint32_t x, int k) -> unsigned {
      const std::size_t i = static_cast<std::size_t>(x) * l.samples + static_cast<std::size_t>(k);
      if (!wide) return row[i];
      std::uint16_t v;
      std::memcpy(&v, row + 2 * i, 2);  // in the machine's order: libtiff swaps
      return Round16To8(v);
    };
    for (std::uint32_t x = 0; x < width; ++x, out += 3) {
      unsigned c[3];
      for (int k = 0; k < 3; ++k) c[k] = sample(x, l.colours == 3 ? k : 0);
      if (whiteIsZero) {
        for (unsigned& v : c) v = 255 - v;
      }
      if (l.alpha) {
        const unsigned a = sample(x, l.colours);
        for (unsigned& v : c) v = l.alphaKind == EXTRASAMPLE_UNASSALPHA ? OverWhite(v, a) : std::min(255u, v + 255 - a);
      }
      out[0] = static_cast<std::uint8_t>(c[2]);
      out[1] = static_cast<std::uint8_t>(c[1]);
      out[2] = static_cast<std::uint8_t>(c[0]);
    }
  });
}

// Any other kind through libtiff's RGBA interface, its own orientation
// handling switched off.
bool ReadThroughRgba(TTiffHandles& h, TTiffInput& input, TBitmap& bitmap, std::string& error) {
  const std::uint32_t width = static_cast<std::uint32_t>(bitmap.Width());
  const std::uint32_t height = static_cast<std::uint32_t>(bitmap.Height());
  char why[1024] = {};
  if (!TIFFRGBAImageOK(h.tiff, why) || !TIFFRGBAImageBegin(&h.image, h.tiff, 1, why)) {
    error = std::string("cannot read TIFF: ") + (why[0] ? why : "unsupported kind");
    return false;
  }
  h.imageBegun = true;
  h.image.orientation = ORIENTATION_TOPLEFT;
  h.image.req_orientation = ORIENTATION_TOPLEFT;
  std::vector<std::uint32_t> raster(static_cast<std::size_t>(width) * height);
  if (!TIFFRGBAImageGet(&h.image, raster.data(), width, height) || input.message[0]) {
    error = TiffMessage("cannot decode TIFF", input);
    return false;
  }
  // Alpha comes associated (colours already multiplied by it), so white
  // shows through as 255 - a.
  const bool alpha = h.image.alpha != 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint32_t* in = raster.data() + static_cast<std::size_t>(y) * width;
    std::uint8_t* out = bitmap.ScanLine(static_cast<int>(y));
    for (std::uint32_t x = 0; x < width; ++x, out += 3) {
      const std::uint32_t p = in[x];
      const unsigned white = alpha ? 255u - TIFFGetA(p) : 0u;
      out[0] = static_cast<std::uint8_t>(std::min(255u, TIFFGetB(p) + white));
      out[1] = static_cast<std::uint8_t>(std::min(255u, TIFFGetG(p) + white));
      out[2] = static_cast<std::uint8_t>(std::min(255u, TIFFGetR(p) + white));
    }
  }
  return true;
}

// The photo's description from the TIFF's own tags, as the EXIF block a JPEG
// would carry: make, model, software, date, artist, copyright, description
// and the orientation. Empty when there is none of them.
std::vector<std::uint8_t> ExifFromTags(TIFF* t, std::uint16_t orientation) {
  static constexpr struct {
    ttag_t tiff;
    ExifTag exif;
  } kText[] = {{TIFFTAG_IMAGEDESCRIPTION, EXIF_TAG_IMAGE_DESCRIPTION}, {TIFFTAG_MAKE, EXIF_TAG_MAKE},
               {TIFFTAG_MODEL, EXIF_TAG_MODEL},       {TIFFTAG_SOFTWARE, EXIF_TAG_SOFTWARE},
               {TIFFTAG_DATETIME, EXIF_TAG_DATE_TIME}, {TIFFTAG_ARTIST, EXIF_TAG_ARTIST},
               {TIFFTAG_COPYRIGHT, EXIF_TAG_COPYRIGHT}};
  ExifData* data = exif_data_new();
  if (!data) throw std::bad_alloc();
  // None of libexif's options (the three bits 1, 2 and 4): the block holds
  // exactly the tags put in, none that libexif would add or mend by itself.
  exif_data_unset_option(data, static_cast<ExifDataOption>(7));
  exif_data_set_byte_order(data, EXIF_BYTE_ORDER_MOTOROLA);
  ExifContent* ifd0 = data->ifd[EXIF_IFD_0];
  bool any = false;
  for (const auto& tag : kText) {
    const char* text = nullptr;
    if (!TIFFGetField(t, tag.tiff, &text) || !text || !*text) continue;
    const std::size_t size = std::min<std::size_t>(std::strlen(text), 4096) + 1;
    ExifEntry* e = exif_entry_new();
    auto* bytes = static_cast<unsigned char*>(std::malloc(size));  // freed by libexif's default allocator
    if (!e || !bytes) {
      std::free(bytes);
      if (e) exif_entry_unref(e);
      exif_data_unref(data);
      throw std::bad_alloc();
    }
    std::memcpy(bytes, text, size - 1);
    bytes[size - 1] = 0;
    e->tag = tag.exif;
    e->format = EXIF_FORMAT_ASCII;
    e->components = size;
    e->size = static_cast<unsigned int>(size);
    e->data = bytes;
    exif_content_add_entry(ifd0, e);
    exif_entry_unref(e);
    any = true;
  }
  if (orientation != kTopLeft) {
    ExifEntry* e = exif_entry_new();
    if (e) {
      exif_content_add_entry(ifd0, e);
      exif_entry_initialize(e, EXIF_TAG_ORIENTATION);
      if (e->data) exif_set_short(e->data, EXIF_BYTE_ORDER_MOTOROLA, orientation);
      exif_entry_unref(e);
      any = true;
    }
  }
  std::vector<std::uint8_t> block;
  unsigned char* bytes = nullptr;
  unsigned int size = 0;
  if (any) exif_data_save_data(data, &bytes, &size);
  if (bytes) block.assign(bytes, bytes + size);
  std::free(bytes);
  exif_data_unref(data);
  return block;
}

}  // namespace

bool IsTiffData(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return false;
  const bool intel = data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
  const bool motorola = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
  return intel || motorola;
}

TLoadResult DecodeTiff(const std::uint8_t* data, std::size_t size, TOrientation orientation) {
  TLoadResult r;
  try {
    SilenceLibtiff();
    TTiffInput input{data, size, 0, {}};
    TTiffHandles h;
    h.options = TIFFOpenOptionsAlloc();
    if (!h.options) throw std::bad_alloc();
    TIFFOpenOptionsSetErrorHandlerExtR(h.options, TiffError, &input);
    TIFFOpenOptionsSetWarningHandlerExtR(h.options, TiffWarning, &input);
    // No buffer of libtiff's needs more than a whole 16-bit RGBA picture.
    TIFFOpenOptionsSetMaxSingleMemAlloc(h.options, static_cast<tmsize_t>(kMaxPixels) * 8 + (1 << 20));
    // "m": never map the input.
    h.tiff = TIFFClientOpenExt("tiff", "rm", &input, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap,
                               TiffUnmap, h.options);
    if (!h.tiff) {
      r.error = TiffMessage("cannot read TIFF", input);
      return r;
    }
    std::uint32_t width = 0, height = 0;
    TIFFGetField(h.tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(h.tiff, TIFFTAG_IMAGELENGTH, &height);
    r.error = PictureSizeProblem(width, height, "TIFF");
    if (!r.error.empty()) return r;

    std::uint16_t stored = kTopLeft;
    TIFFGetFieldDefaulted(h.tiff, TIFFTAG_ORIENTATION, &stored);
    TPhotoMetadata metadata;
    metadata.exif = ExifFromTags(h.tiff, stored);
    std::uint32_t iccSize = 0;
    void* icc = nullptr;
    if (TIFFGetField(h.tiff, TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc &&
        IsRgbIccProfile(static_cast<const std::uint8_t*>(icc), iccSize)) {
      metadata.icc.assign(static_cast<const std::uint8_t*>(icc), static_cast<const std::uint8_t*>(icc) + iccSize);
    }
    TBitmap bitmap = TBitmap::ForOverwrite(static_cast<int>(width), static_cast<int>(height));
    const TTiffLayout layout = LayoutOf(h.tiff);
    if (layout.plain) {
      if (!ReadPlainTiff(h.tiff, layout, bitmap) || input.message[0]) {
        r.error = TiffMessage("cannot decode TIFF", input);
        return r;
      }
    } else if (!ReadThroughRgba(h, input, bitmap, r.error)) {
      return r;
    }
    Deliver(r, bitmap, metadata, orientation, stored);
  } catch (const std::bad_alloc&) {
    r.error = kNoMemoryForPicture;
  } catch (const std::length_error&) {
    r.error = kNoMemoryForPicture;
  }
  return r;
}

}  // namespace kira
