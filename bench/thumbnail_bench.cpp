// The thumbnail browser's reading pass over a folder of 200 photos of
// 4000 x 3000 at the medium cell size, with an empty cache (the first pass
// over a folder), on one thread and on two. Four distinct JPEGs are written
// once and hard-linked to reach 200 names. One cell picture alone too, and
// the JPEG decode it is made of.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/image_files.h"
#include "pages/thumbnails.h"

namespace {

namespace fs = std::filesystem;
using kira::TBitmap;

constexpr int kPhotos = 200;
constexpr int kDistinct = 4;

// A photo-like picture: smooth light falling across the frame, a few soft
// discs, fine grain. Each seed gives another one.
TBitmap Photo(unsigned seed) {
  TBitmap b(4000, 3000);
  std::mt19937 rng(seed);
  struct Disc {
    int x, y, r, tone;
  };
  std::vector<Disc> discs;
  for (int i = 0; i < 12; ++i)
    discs.push_back({static_cast<int>(rng() % 4000), static_cast<int>(rng() % 3000),
                     150 + static_cast<int>(rng() % 500), static_cast<int>(rng() % 120) - 60});
  const int tilt = static_cast<int>(seed % 3);
  for (int y = 0; y < b.Height(); ++y) {
    std::uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, p += 3) {
      int light = 0;
      for (const Disc& d : discs) {
        const long dx = x - d.x, dy = y - d.y;
        if (dx * dx + dy * dy < static_cast<long>(d.r) * d.r) light += d.tone;
      }
      const int grain = static_cast<int>(rng() % 13) - 6;
      const int base = (tilt == 0 ? x / 20 : tilt == 1 ? y / 15 : (x + y) / 35) + grain + light;
      p[0] = static_cast<std::uint8_t>(std::clamp(base + 20, 0, 255));
      p[1] = static_cast<std::uint8_t>(std::clamp(base + 50 - y / 60, 0, 255));
      p[2] = static_cast<std::uint8_t>(std::clamp(base + 70 - x / 80, 0, 255));
    }
  }
  return b;
}

// The folder, made on first use and removed at exit.
struct TPhotoFolder {
  std::string path;
  std::vector<std::string> files;

  TPhotoFolder() {
    const char* dir = std::getenv("KIRA_BENCH_DIR");
    path = std::string(dir ? dir : fs::temp_directory_path().string()) + "/kira_thumbnail_bench_" +
           std::to_string(::getpid());
    fs::create_directories(path);
    std::vector<std::string> originals;
    for (int i = 0; i < kDistinct; ++i) {
      const std::string file = path + "/photo" + std::to_string(i) + ".jpg";
      if (!kira::SaveJpegFile(Photo(100 + i), file)) std::abort();
      originals.push_back(file);
    }
    for (int i = kDistinct; i < kPhotos; ++i) {
      const std::string file = path + "/photo" + std::to_string(i) + ".jpg";
      fs::create_hard_link(originals[static_cast<std::size_t>(i % kDistinct)], file);
    }
    files = kira::ScanPictureFolder(path);
    if (files.size() != static_cast<std::size_t>(kPhotos)) std::abort();
  }
  ~TPhotoFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

const TPhotoFolder& Folder() {
  static const TPhotoFolder folder;
  return folder;
}

void BM_ReadingPass200Photos(benchmark::State& state) {
  const TPhotoFolder& folder = Folder();
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    kira::TThumbCache cache;
    int last = 0;
    kira::ReadThumbnails(folder.files, kira::kThumbMedium, cache, threads, [&](int k) {
      last = k;
      return true;
    });
    if (last != kPhotos) std::abort();
    benchmark::DoNotOptimize(cache.Size());
  }
}
BENCHMARK(BM_ReadingPass200Photos)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_OneCellPicture(benchmark::State& state) {
  const TPhotoFolder& folder = Folder();
  for (auto _ : state) {
    kira::TThumbnail t = kira::MakeThumbnail(folder.files.front(), kira::kThumbMedium, kira::kThumbMedium, true);
    benchmark::DoNotOptimize(t.bitmap.Bits());
  }
}
BENCHMARK(BM_OneCellPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeOnePhoto(benchmark::State& state) {
  const TPhotoFolder& folder = Folder();
  for (auto _ : state) {
    kira::TLoadResult r = kira::LoadJpegFile(folder.files.front());
    if (!r) std::abort();
    benchmark::DoNotOptimize(r.bitmap->Bits());
  }
}
BENCHMARK(BM_DecodeOnePhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
