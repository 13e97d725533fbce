// Opening a 12 MP picture (4000 x 3000) of each kind read by content, from
// memory: PNG, TIFF (Deflate), WebP lossy and lossless, HEIC and AVIF. The
// files are made once, by the libraries' own encoders, before the first run.
#include <benchmark/benchmark.h>

#include <libheif/heif.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench/photo_like.h"
#include "core/image_files.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const kira::TBitmap& Picture() {
  static const kira::TBitmap picture = kira::bench::PhotoLikePicture(5);
  return picture;
}

Bytes Png(const kira::TBitmap& b) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(b.Width());
  image.height = static_cast<png_uint_32>(b.Height());
  image.format = PNG_FORMAT_BGR;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, b.Bits(), b.Stride(), nullptr);
  Bytes out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, b.Bits(), b.Stride(), nullptr)) std::abort();
  out.resize(size);
  return out;
}

Bytes Tiff(const kira::TBitmap& b) {
  const std::string path = std::filesystem::temp_directory_path().string() + "/kira_open_bench_" +
                           std::to_string(::getpid()) + ".tif";
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (!t) std::abort();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, b.Width());
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, b.Height());
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(b.Width()) * 3);
  for (int y = 0; y < b.Height(); ++y) {
    const std::uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      row[3 * x] = p[3 * x + 2];
      row[3 * x + 1] = p[3 * x + 1];
      row[3 * x + 2] = p[3 * x];
    }
    if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0) std::abort();
  }
  TIFFClose(t);
  std::ifstream in(path, std::ios::binary);
  Bytes out{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::remove(path.c_str());
  return out;
}

Bytes Webp(const kira::TBitmap& b, bool lossless) {
  std::uint8_t* data = nullptr;
  const std::size_t size = lossless ? WebPEncodeLosslessBGR(b.Bits(), b.Width(), b.Height(), b.Stride(), &data)
                                    : WebPEncodeBGR(b.Bits(), b.Width(), b.Height(), b.Stride(), 80, &data);
  if (!size) std::abort();
  Bytes out(data, data + size);
  WebPFree(data);
  return out;
}

heif_error Write(heif_context*, const void* data, size_t size, void* userdata) {
  auto* out = static_cast<Bytes*>(userdata);
  out->assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
  return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

Bytes Heif(const kira::TBitmap& b, heif_compression_format format) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  if (heif_context_get_encoder_for_format(context, format, &encoder).code != heif_error_Ok) std::abort();
  heif_encoder_set_lossy_quality(encoder, 80);
  // The encoders' fastest settings: the files are what matters here.
  heif_encoder_set_parameter(encoder, format == heif_compression_AV1 ? "speed" : "x265:preset",
                             format == heif_compression_AV1 ? "9" : "ultrafast");
  heif_image_create(b.Width(), b.Height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
  heif_image_add_plane(image, heif_channel_interleaved, b.Width(), b.Height(), 8);
  int stride = 0;
  std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < b.Height(); ++y) {
    const std::uint8_t* p = b.ScanLine(y);
    std::uint8_t* q = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
    for (int x = 0; x < b.Width(); ++x) {
      q[3 * x] = p[3 * x + 2];
      q[3 * x + 1] = p[3 * x + 1];
      q[3 * x + 2] = p[3 * x];
    }
  }
  if (heif_context_encode_image(context, image, encoder, nullptr, nullptr).code != heif_error_Ok) std::abort();
  Bytes out;
  heif_writer writer{1, Write};
  heif_context_write(context, &writer, &out);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return out;
}

const Bytes& File(int kind) {
  static std::vector<Bytes> files(6);
  if (files[static_cast<std::size_t>(kind)].empty()) {
    const kira::TBitmap& b = Picture();
    switch (kind) {
      case 0: files[0] = Png(b); break;
      case 1: files[1] = Tiff(b); break;
      case 2: files[2] = Webp(b, false); break;
      case 3: files[3] = Webp(b, true); break;
      case 4: files[4] = Heif(b, heif_compression_HEVC); break;
      default: files[5] = Heif(b, heif_compression_AV1); break;
    }
  }
  return files[static_cast<std::size_t>(kind)];
}

// Arg: 0 PNG, 1 TIFF, 2 WebP lossy, 3 WebP lossless, 4 HEIC, 5 AVIF.
void BM_OpenByContent12MP(benchmark::State& state) {
  static const char* const kNames[] = {"png", "tiff-deflate", "webp-q80", "webp-lossless", "heic", "avif"};
  const Bytes& file = File(static_cast<int>(state.range(0)));
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state) {
    kira::TLoadResult r = kira::DecodeAnyPicture(file.data(), file.size());
    if (!r) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(r.bitmap->Bits());
  }
}
BENCHMARK(BM_OpenByContent12MP)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

}  // namespace
