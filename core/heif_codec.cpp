// HEIC and AVIF files through libheif: the primary image, with its HEVC or
// AV1 decoder from the library.
//
// The stored picture's rotation and mirroring (the irot and imir properties)
// and its crop are applied by libheif; that is how these files say which way
// is up. An EXIF block inside is kept, but its orientation tag is not applied
// again: phones write it to agree with irot, and a picture turned by both
// would end on its side. TOrientation::Keep gives the pixels as coded.
#include <libheif/heif.h>

#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string_view>

#include "core/image_files.h"
#include "core/picture_limits.h"
#include "core/read_support.h"
#include "core/working_memory.h"

namespace kira {

namespace {

struct THeif {
  heif_context* context = nullptr;
  heif_image_handle* handle = nullptr;
  heif_decoding_options* options = nullptr;
  heif_image* image = nullptr;
  ~THeif() {
    heif_image_release(image);
    heif_decoding_options_free(options);
    heif_image_handle_release(handle);
    if (context) heif_context_free(context);
  }
};

void InitLibheif() {
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
}

std::string HeifMessage(const char* what, const heif_error& e) {
  return std::string(what) + ": " + (e.message && e.message[0] ? e.message : "error");
}

// The brands of pictures libheif reads: HEVC-coded (HEIC) and AV1-coded
// (AVIF) still images and sequences, and the generic image brands.
bool IsHeifBrand(const std::uint8_t* b) {
  static constexpr std::string_view kBrands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis",
                                                 "mif1", "msf1", "avif", "avis"};
  const std::string_view brand(reinterpret_cast<const char*>(b), 4);
  for (std::string_view known : kBrands) {
    if (brand == known) return true;
  }
  return false;
}

std::vector<std::uint8_t> ExifOf(const heif_image_handle* handle) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) return {};
  const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
  if (size < 4 || size > (std::size_t{64} << 20)) return {};
  std::vector<std::uint8_t> item(size);
  if (heif_image_handle_get_metadata(handle, id, item.data()).code != heif_error_Ok) return {};
  // A big-endian offset from the end of these four bytes to the TIFF header
  // (0, or 6 past an "Exif\0\0" header).
  const std::size_t offset = (std::size_t{item[0]} << 24) | (std::size_t{item[1]} << 16) |
                             (std::size_t{item[2]} << 8) | item[3];
  if (offset > size - 4) return {};
  std::size_t start = 4 + offset;
  // Some writers count the header, some do not: take it when it is there.
  if (start >= 10 && std::memcmp(item.data() + start - 6, "Exif\0\0", 6) == 0) start -= 6;
  return ExifBlockFrom(item.data() + start, size - start);
}

}  // namespace

bool IsHeifData(const std::uint8_t* data, std::size_t size) {
  if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0) return false;
  const std::size_t boxSize = (std::size_t{data[0]} << 24) | (std::size_t{data[1]} << 16) |
                              (std::size_t{data[2]} << 8) | data[3];
  if (boxSize < 16) return false;
  if (IsHeifBrand(data + 8)) return true;
  // The compatible brands follow the major brand and its version.
  const std::size_t end = std::min(boxSize, size);
  for (std::size_t at = 16; at + 4 <= end; at += 4) {
    if (IsHeifBrand(data + at)) return true;
  }
  return false;
}

TLoadResult DecodeHeif(const std::uint8_t* data, std::size_t size, TOrientation orientation) {
  TLoadResult r;
  try {
    InitLibheif();
    THeif h;
    h.context = heif_context_alloc();
    if (!h.context) throw std::bad_alloc();
    // Neither side beyond ours, before libheif allocates a plane.
    heif_context_set_maximum_image_size_limit(h.context, kMaxSide + 1);
    heif_error e = heif_context_read_from_memory_without_copy(h.context, data, size, nullptr);
    if (e.code != heif_error_Ok) {
      r.error = HeifMessage("cannot read HEIF", e);
      return r;
    }
    e = heif_context_get_primary_image_handle(h.context, &h.handle);
    if (e.code != heif_error_Ok) {
      r.error = HeifMessage("cannot read HEIF", e);
      return r;
    }
    // The size after rotation and crop; the limits hold for both sides alike.
    const std::int64_t width = heif_image_handle_get_width(h.handle);
    const std::int64_t height = heif_image_handle_get_height(h.handle);
    r.error = PictureSizeProblem(width, height, "HEIF");
    if (!r.error.empty()) return r;

    TPhotoMetadata metadata;
    metadata.exif = ExifOf(h.handle);
    if (heif_image_handle_get_color_profile_type(h.handle) == heif_color_profile_type_prof) {
      std::vector<std::uint8_t> icc(heif_image_handle_get_raw_color_profile_size(h.handle));
      if (!icc.empty() && heif_image_handle_get_raw_color_profile(h.handle, icc.data()).code == heif_error_Ok &&
          IsRgbIccProfile(icc.data(), icc.size())) {
        metadata.icc = std::move(icc);
      }
    }

    const bool alpha = heif_image_handle_has_alpha_channel(h.handle) != 0;
    h.options = heif_decoding_options_alloc();
    if (!h.options) throw std::bad_alloc();
    h.options->ignore_transformations = orientation == TOrientation::Keep ? 1 : 0;
    h.options->convert_hdr_to_8bit = 1;
    h.options->strict_decoding = 1;  // damaged data is refused, not shown as far as it goes
    e = heif_decode_image(h.handle, &h.image, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, h.options);
    if (e.code != heif_error_Ok) {
      r.error = HeifMessage("cannot decode HEIF", e);
      return r;
    }
    const int w = heif_image_get_width(h.image, heif_channel_interleaved);
    const int ht = heif_image_get_height(h.image, heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(h.image, heif_channel_interleaved, &stride);
    if (!plane || w <= 0 || ht <= 0 || PictureTooLarge(w, ht) ||
        heif_image_get_bits_per_pixel_range(h.image, heif_channel_interleaved) != 8) {
      r.error = "cannot decode HEIF: unexpected picture layout";
      return r;
    }
    TBitmap bitmap = TBitmap::ForOverwrite(w, ht);
    const int step = alpha ? 4 : 3;
    for (int y = 0; y < ht; ++y) {
      const std::uint8_t* in = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
      std::uint8_t* out = bitmap.ScanLine(y);
      for (int x = 0; x < w; ++x, in += step, out += 3) {
        const unsigned a = alpha ? in[3] : 255u;
        out[0] = OverWhite(in[2], a);
        out[1] = OverWhite(in[1], a);
        out[2] = OverWhite(in[0], a);
      }
    }
    Deliver(r, bitmap, metadata, orientation, 1);
  } catch (const std::bad_alloc&) {
    r.error = kNoMemoryForPicture;
  } catch (const std::length_error&) {
    r.error = kNoMemoryForPicture;
  }
  return r;
}

}  // namespace kira
