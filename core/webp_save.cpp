// Writing WebP files through libwebp; the metadata chunks through WebPMux.
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/encode_frame.h"
#include "core/image_files.h"

namespace kira {

namespace {

struct TPictureFree {
  void operator()(WebPPicture* p) const { WebPPictureFree(p); }
};
struct TWriterClear {
  void operator()(WebPMemoryWriter* w) const { WebPMemoryWriterClear(w); }
};
struct TMuxDelete {
  void operator()(WebPMux* m) const { WebPMuxDelete(m); }
};
struct TDataClear {
  void operator()(WebPData* d) const { WebPDataClear(d); }
};

// A WebP side is held in 14 bits.
constexpr int kMaxWebpSide = WEBP_MAX_DIMENSION;

const char* EncodingError(WebPEncodingError e) {
  switch (e) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY: throw std::bad_alloc();
    case VP8_ENC_ERROR_BAD_DIMENSION: return "the picture is too large for WebP";
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW: return "the compressed data overflows";
    default: return "the encoder failed";
  }
}

// The TIFF data of an EXIF block, without the "Exif\0\0" of its JPEG marker.
constexpr std::size_t kExifHeaderBytes = 6;

// Adds the chunks to a single-image file; "" or what went wrong.
std::string AddChunks(const WebPMemoryWriter& image, const std::vector<std::uint8_t>& exif,
                      const std::vector<std::uint8_t>& icc, TFileBytes& out) {
  const WebPData plain{image.mem, image.size};
  std::unique_ptr<WebPMux, TMuxDelete> mux(WebPMuxCreate(&plain, 0));
  if (!mux) throw std::bad_alloc();
  if (!icc.empty()) {
    const WebPData chunk{icc.data(), icc.size()};
    if (WebPMuxSetChunk(mux.get(), "ICCP", &chunk, 0) != WEBP_MUX_OK) return "cannot add the colour profile";
  }
  if (exif.size() > kExifHeaderBytes) {
    const WebPData chunk{exif.data() + kExifHeaderBytes, exif.size() - kExifHeaderBytes};
    if (WebPMuxSetChunk(mux.get(), "EXIF", &chunk, 0) != WEBP_MUX_OK) return "cannot add the EXIF data";
  }
  WebPData assembled{};
  const WebPMuxError e = WebPMuxAssemble(mux.get(), &assembled);
  std::unique_ptr<WebPData, TDataClear> hold(&assembled);
  if (e == WEBP_MUX_MEMORY_ERROR) throw std::bad_alloc();
  if (e != WEBP_MUX_OK) return "cannot assemble the file";
  TFileBytes bytes(assembled.size);
  std::memcpy(bytes.data(), assembled.bytes, assembled.size);
  out = std::move(bytes);
  return {};
}

}  // namespace

bool EncodeWebp(const TBitmap& bitmap, const TPhotoMetadata& metadata, const TSaveOptions& options, TFileBytes& out,
                std::string* error) {
  if (options.quality < kMinQuality || options.quality > kMaxQuality) {
    if (error) *error = "WebP quality " + std::to_string(options.quality) + " is outside 1..100";
    return false;
  }
  if (bitmap.Width() > kMaxWebpSide || bitmap.Height() > kMaxWebpSide) {
    if (error) {
      *error = "a WebP picture has at most " + std::to_string(kMaxWebpSide) + " pixels a side, this one is " +
               std::to_string(bitmap.Width()) + " x " + std::to_string(bitmap.Height());
    }
    return false;
  }
  const int quality = options.quality;
  return EncodeFrame(bitmap, out, error, [&metadata, quality](const TBitmap& bitmap, TFileBytes& out) -> std::string {
    WebPConfig config;
    if (!WebPConfigInit(&config)) return "cannot encode WebP: the library does not match its header";
    config.lossless = quality == kMaxQuality ? 1 : 0;
    // Lossless: 100 is the effort, too slow for a 12 MP photo; 75 is cwebp's.
    config.quality = config.lossless ? 75.0f : static_cast<float>(quality);
    config.method = 4;

    WebPPicture picture;
    if (!WebPPictureInit(&picture)) return "cannot encode WebP: the library does not match its header";
    std::unique_ptr<WebPPicture, TPictureFree> holdPicture(&picture);
    picture.width = bitmap.Width();
    picture.height = bitmap.Height();
    picture.use_argb = config.lossless;
    if (!WebPPictureImportBGR(&picture, bitmap.ScanLine(0), bitmap.Stride())) throw std::bad_alloc();

    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    std::unique_ptr<WebPMemoryWriter, TWriterClear> holdWriter(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    if (!WebPEncode(&config, &picture)) return std::string("cannot encode WebP: ") + EncodingError(picture.error_code);

    std::vector<std::uint8_t> exif;
    if (!metadata.exif.empty()) exif = ExifForSaving(metadata.exif, bitmap.Width(), bitmap.Height());
    if (exif.size() <= kExifHeaderBytes && metadata.icc.empty()) {
      TFileBytes bytes(writer.size);
      std::memcpy(bytes.data(), writer.mem, writer.size);
      out = std::move(bytes);
      return {};
    }
    const std::string message = AddChunks(writer, exif, metadata.icc, out);
    return message.empty() ? message : "cannot encode WebP: " + message;
  });
}

}  // namespace kira
