// WebP files through libwebp: still pictures (lossy or lossless) by the
// plain decoder, animations by the animation decoder, of which only the first
// frame is kept, as composed on the canvas. The EXIF and ICCP chunks come
// from the demuxer.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <new>
#include <stdexcept>

#include "core/image_files.h"
#include "core/orientation.h"
#include "core/picture_limits.h"
#include "core/read_support.h"
#include "core/working_memory.h"

namespace kira {

namespace {

struct TDemuxer {
  WebPDemuxer* demux = nullptr;
  ~TDemuxer() { WebPDemuxDelete(demux); }
};

struct TAnimDecoder {
  WebPAnimDecoder* decoder = nullptr;
  ~TAnimDecoder() { WebPAnimDecoderDelete(decoder); }
};

struct TDecoderOutput {
  WebPDecoderConfig config{};
  ~TDecoderOutput() { WebPFreeDecBuffer(&config.output); }
};

std::vector<std::uint8_t> Chunk(WebPDemuxer* demux, const char* fourcc) {
  WebPChunkIterator it{};
  std::vector<std::uint8_t> bytes;
  if (WebPDemuxGetChunk(demux, fourcc, 1, &it)) bytes.assign(it.chunk.bytes, it.chunk.bytes + it.chunk.size);
  WebPDemuxReleaseChunkIterator(&it);
  return bytes;
}

// BGRA rows (not premultiplied) to the 24-bit picture, over white.
void BgraOverWhite(const std::uint8_t* in, std::size_t inStride, TBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* p = in + static_cast<std::size_t>(y) * inStride;
    std::uint8_t* out = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 4, out += 3) {
      out[0] = OverWhite(p[0], p[3]);
      out[1] = OverWhite(p[1], p[3]);
      out[2] = OverWhite(p[2], p[3]);
    }
  }
}

}  // namespace

bool IsWebpData(const std::uint8_t* data, std::size_t size) {
  return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

TLoadResult DecodeWebp(const std::uint8_t* data, std::size_t size, TOrientation orientation) {
  TLoadResult r;
  try {
    const WebPData whole{data, size};
    TDemuxer d;
    d.demux = WebPDemux(&whole);  // refuses data cut short
    if (!d.demux) {
      r.error = "cannot read WebP: damaged or cut short";
      return r;
    }
    const std::int64_t width = WebPDemuxGetI(d.demux, WEBP_FF_CANVAS_WIDTH);
    const std::int64_t height = WebPDemuxGetI(d.demux, WEBP_FF_CANVAS_HEIGHT);
    const std::uint32_t flags = WebPDemuxGetI(d.demux, WEBP_FF_FORMAT_FLAGS);
    r.error = PictureSizeProblem(width, height, "WebP");
    if (!r.error.empty()) return r;

    TPhotoMetadata metadata;
    if (flags & EXIF_FLAG) {
      const std::vector<std::uint8_t> exif = Chunk(d.demux, "EXIF");
      metadata.exif = ExifBlockFrom(exif.data(), exif.size());
    }
    if (flags & ICCP_FLAG) {
      std::vector<std::uint8_t> icc = Chunk(d.demux, "ICCP");
      if (IsRgbIccProfile(icc.data(), icc.size())) metadata.icc = std::move(icc);
    }

    TBitmap bitmap = TBitmap::ForOverwrite(static_cast<int>(width), static_cast<int>(height));
    if (flags & ANIMATION_FLAG) {
      WebPAnimDecoderOptions options;
      if (!WebPAnimDecoderOptionsInit(&options)) throw std::bad_alloc();
      options.color_mode = MODE_BGRA;
      options.use_threads = 0;
      TAnimDecoder a;
      a.decoder = WebPAnimDecoderNew(&whole, &options);
      std::uint8_t* canvas = nullptr;
      int timestamp = 0;
      if (!a.decoder || !WebPAnimDecoderGetNext(a.decoder, &canvas, &timestamp)) {
        r.error = "cannot decode WebP animation";
        return r;
      }
      BgraOverWhite(canvas, static_cast<std::size_t>(width) * 4, bitmap);
    } else {
      TDecoderOutput out;
      if (!WebPInitDecoderConfig(&out.config)) throw std::bad_alloc();
      if (WebPGetFeatures(data, size, &out.config.input) != VP8_STATUS_OK ||
          out.config.input.width != width || out.config.input.height != height) {
        r.error = "cannot read WebP: damaged header";
        return r;
      }
      const bool alpha = out.config.input.has_alpha != 0;
      WebPDecBuffer& buffer = out.config.output;
      if (alpha) {
        buffer.colorspace = MODE_BGRA;  // libwebp's own buffer, composed over white below
      } else {
        // Straight into the picture's rows.
        buffer.colorspace = MODE_BGR;
        buffer.is_external_memory = 1;
        buffer.u.RGBA.rgba = bitmap.Bits();
        buffer.u.RGBA.stride = bitmap.Stride();
        buffer.u.RGBA.size = bitmap.SizeInBytes();
      }
      if (WebPDecode(data, size, &out.config) != VP8_STATUS_OK) {
        r.error = "cannot decode WebP: damaged data";
        return r;
      }
      if (alpha) BgraOverWhite(buffer.u.RGBA.rgba, static_cast<std::size_t>(buffer.u.RGBA.stride), bitmap);
    }
    Deliver(r, bitmap, metadata, orientation, ExifOrientation(metadata.exif.data(), metadata.exif.size()));
  } catch (const std::bad_alloc&) {
    r.error = kNoMemoryForPicture;
  } catch (const std::length_error&) {
    r.error = kNoMemoryForPicture;
  }
  return r;
}

}  // namespace kira
