// Picture files on a 4000 x 3000 picture (36 MB at 24 bits), beside the two
// yardsticks: a plain memcpy of the pixels, and libjpeg's own API driven by
// the simplest code (decode to RGB rows, encode RGB rows at quality 90).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bench/photo_like.h"
#include "core/image_files.h"
#include "core/orientation.h"

namespace {

using kira::TBitmap;

const TBitmap& Picture() {
  static const TBitmap picture = kira::bench::PhotoLikePicture(11);
  return picture;
}

std::string Folder() {
  const char* dir = std::getenv("KIRA_BENCH_DIR");
  return dir ? dir : std::filesystem::temp_directory_path().string();
}

std::string PathFor(const char* name) { return Folder() + "/kira_files_bench_" + std::to_string(::getpid()) + name; }

kira::TFileBytes Encoded(bool jpeg) {
  kira::TFileBytes out;
  if (!(jpeg ? kira::EncodeJpeg(Picture(), out, nullptr) : kira::EncodeBmp(Picture(), out, nullptr))) std::abort();
  return out;
}

// A file that lives while the benchmark runs.
struct TTempFile {
  std::string path;
  explicit TTempFile(const char* name, const kira::TFileBytes& bytes) : path(PathFor(name)) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  ~TTempFile() { std::remove(path.c_str()); }
};

void BM_FilesMemcpy36MB(benchmark::State& state) {
  const TBitmap& src = Picture();
  std::vector<std::uint8_t> dst(src.SizeInBytes());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.Bits(), src.SizeInBytes());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FilesMemcpy36MB)->Unit(benchmark::kMillisecond);

void BM_BmpDecodeFromMemory(benchmark::State& state) {
  const kira::TFileBytes bytes = Encoded(false);
  for (auto _ : state) {
    kira::TLoadResult r = kira::DecodeBmp(bytes.data(), bytes.size());
    if (!r) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(r.bitmap->Bits());
  }
}
BENCHMARK(BM_BmpDecodeFromMemory)->Unit(benchmark::kMillisecond);

void BM_BmpLoadFile(benchmark::State& state) {
  const TTempFile file(".bmp", Encoded(false));
  for (auto _ : state) {
    kira::TLoadResult r = kira::LoadBmpFile(file.path);
    if (!r) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(r.bitmap->Bits());
  }
}
BENCHMARK(BM_BmpLoadFile)->Unit(benchmark::kMillisecond);

void BM_BmpEncodeToMemory(benchmark::State& state) {
  for (auto _ : state) {
    kira::TFileBytes out;
    if (!kira::EncodeBmp(Picture(), out, nullptr)) state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_BmpEncodeToMemory)->Unit(benchmark::kMillisecond);

// Encode plus one plain write, no fsync: what the save costs without waiting
// for the disk.
void BM_BmpEncodeAndWrite(benchmark::State& state) {
  const std::string path = PathFor("_plain.bmp");
  for (auto _ : state) {
    kira::TFileBytes out;
    if (!kira::EncodeBmp(Picture(), out, nullptr)) state.SkipWithError("encode failed");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) state.SkipWithError("write");
    ::close(fd);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_BmpEncodeAndWrite)->Unit(benchmark::kMillisecond);

// The real save: temporary file, fsync, rename.
void BM_BmpSaveFile(benchmark::State& state) {
  const std::string path = PathFor(".bmp");
  for (auto _ : state) {
    if (!kira::SaveBmpFile(Picture(), path)) state.SkipWithError("save failed");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_BmpSaveFile)->Unit(benchmark::kMillisecond);

void BM_JpegLoadFile(benchmark::State& state) {
  const TTempFile file(".jpg", Encoded(true));
  for (auto _ : state) {
    kira::TLoadResult r = kira::LoadJpegFile(file.path);
    if (!r) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(r.bitmap->Bits());
  }
}
BENCHMARK(BM_JpegLoadFile)->Unit(benchmark::kMillisecond);

// Standing a sideways photo upright after decoding: 3 turns in place, 6 makes
// the turned picture.
void BM_OrientUpright(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TBitmap picture = Picture();
    state.ResumeTiming();
    kira::OrientUpright(picture, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(picture.Bits());
  }
}
BENCHMARK(BM_OrientUpright)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond);

// The baseline: libjpeg's stdio source, RGB rows into one buffer.
void BM_JpegLibjpegDecode(benchmark::State& state) {
  const TTempFile file(".jpg", Encoded(true));
  std::vector<std::uint8_t> pixels;
  for (auto _ : state) {
    std::FILE* f = std::fopen(file.path.c_str(), "rb");
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const std::size_t row = static_cast<std::size_t>(cinfo.output_width) * 3;
    pixels.assign(row * cinfo.output_height, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW p = pixels.data() + row * cinfo.output_scanline;
      jpeg_read_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_JpegLibjpegDecode)->Unit(benchmark::kMillisecond);

void BM_JpegEncodeToMemory(benchmark::State& state) {
  for (auto _ : state) {
    kira::TFileBytes out;
    if (!kira::EncodeJpeg(Picture(), out, nullptr)) state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_JpegEncodeToMemory)->Unit(benchmark::kMillisecond);

void BM_JpegSaveFile(benchmark::State& state) {
  const std::string path = PathFor(".jpg");
  for (auto _ : state) {
    if (!kira::SaveJpegFile(Picture(), path)) state.SkipWithError("save failed");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_JpegSaveFile)->Unit(benchmark::kMillisecond);

// The baseline: RGB rows from one buffer, quality 90, libjpeg's stdio
// destination.
void BM_JpegLibjpegEncode(benchmark::State& state) {
  const TBitmap& b = Picture();
  const std::size_t row = static_cast<std::size_t>(b.Width()) * 3;
  std::vector<std::uint8_t> rgb(row * b.Height());
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const std::uint8_t* s = b.ScanLine(y) + 3 * x;
      std::uint8_t* d = rgb.data() + row * y + 3 * x;
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
  }
  const std::string path = PathFor("_libjpeg.jpg");
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(b.Width());
    cinfo.image_height = static_cast<JDIMENSION>(b.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW p = rgb.data() + row * cinfo.next_scanline;
      jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(f);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_JpegLibjpegEncode)->Unit(benchmark::kMillisecond);

}  // namespace
