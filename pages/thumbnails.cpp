#include "pages/thumbnails.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "core/image_files.h"
#include "core/parallel_rows.h"
#include "effects/resample.h"

namespace kira {

bool IsPictureFileName(std::string_view path) {
  const std::string ext = UpperExtension(path);
  for (const char* known : {".BMP", ".JPG", ".JPEG", ".GIF", ".PNG", ".TIF", ".TIFF", ".WEBP", ".HEIC", ".HEIF", ".AVIF"}) {
    if (ext == known) return true;
  }
  return false;
}

std::vector<std::string> ScanPictureFolder(const std::string& folder) {
  std::vector<std::string> files;
  std::string prefix = folder;
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  DIR* dir = ::opendir(prefix.c_str());
  if (!dir) return files;
  struct TCloser {
    DIR* d;
    ~TCloser() { ::closedir(d); }
  } closer{dir};
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    std::string path = prefix + name;
    if (IsPictureFileName(path)) files.push_back(std::move(path));
  }
  std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  return files;
}

bool NaturalLess(std::string_view a, std::string_view b) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      // Numbers by value: leading zeros skipped, then the longer run is the
      // larger number, and runs of one length compare digit by digit.
      while (i < a.size() && a[i] == '0') ++i;
      while (j < b.size() && b[j] == '0') ++j;
      std::size_t ei = i, ej = j;
      while (ei < a.size() && digit(a[ei])) ++ei;
      while (ej < b.size() && digit(b[ej])) ++ej;
      if (ei - i != ej - j) return ei - i < ej - j;
      const int order = a.substr(i, ei - i).compare(b.substr(j, ej - j));
      if (order != 0) return order < 0;
      i = ei;
      j = ej;
      continue;
    }
    const char ca = lower(a[i]), cb = lower(b[j]);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return j < b.size();
  return a < b;
}

TThumbLayout ThumbLayout(int clientWidth, int cellSize, int fileCount) {
  TThumbLayout layout;
  layout.columns = std::max(kThumbMinColumns, clientWidth / (cellSize + kThumbGridLine));
  if (fileCount > 0) {
    const int rows = fileCount / layout.columns + (fileCount % layout.columns != 0 ? 1 : 0);
    layout.rows = std::max(kThumbMinRows, rows);
  } else {
    layout.rows = kThumbMinRows;
  }
  return layout;
}

int CentredOffset(int outer, int inner) { return (outer - inner) / 2; }

int ThumbIndex(int row, int column, int columns, int fileCount) {
  if (row < 0 || column < 0 || column >= columns) return -1;
  const std::int64_t i = static_cast<std::int64_t>(row) * columns + column;
  return i < fileCount ? static_cast<int>(i) : -1;
}

std::string ReadingText(int k, int n) { return "Reading " + std::to_string(k) + "/" + std::to_string(n) + "  "; }

namespace {

// n / d rounded to the nearest integer, halves to the even one; n >= 0, d > 0.
std::int64_t RoundHalfEvenRatio(std::int64_t n, std::int64_t d) {
  const std::int64_t q = n / d, r = n % d;
  return 2 * r > d || (2 * r == d && q % 2 != 0) ? q + 1 : q;
}

}  // namespace

TThumbFit FitThumbnail(int w, int h, int pictureWidth, int pictureHeight) {
  TThumbFit fit;
  if (w <= 0 || h <= 0 || pictureWidth <= 0 || pictureHeight <= 0) return fit;
  // Products of two ints stay well inside 64 bits.
  const std::int64_t cw = w, ch = h, pw = pictureWidth, ph = pictureHeight;
  if (pw * ch >= ph * cw) {
    // tw = w, th = w · ph / pw; (h − th) / 2 = (h · pw − w · ph) / (2 · pw).
    fit.width = w;
    fit.height = static_cast<int>(cw * ph / pw);
    fit.top = static_cast<int>(RoundHalfEvenRatio(ch * pw - cw * ph, 2 * pw));
  } else {
    // th = h, tw = h · pw / ph; (w − tw) / 2 = (w · ph − h · pw) / (2 · ph).
    fit.height = h;
    fit.width = static_cast<int>(ch * pw / ph);
    fit.left = static_cast<int>(RoundHalfEvenRatio(cw * ph - ch * pw, 2 * ph));
  }
  return fit;
}

namespace {

void Fill(TBitmap& bitmap, TThumbColor c) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint8_t* p = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
      p[0] = c.blue;
      p[1] = c.green;
      p[2] = c.red;
    }
  }
}

// Copies picture into target with its top-left corner at (left, top); what
// falls outside the target is cut off.
void Draw(TBitmap& target, const TBitmap& picture, int left, int top) {
  const int x0 = std::max(0, left), x1 = std::min(target.Width(), left + picture.Width());
  const int y0 = std::max(0, top), y1 = std::min(target.Height(), top + picture.Height());
  if (x0 >= x1) return;
  for (int y = y0; y < y1; ++y) {
    std::memcpy(target.ScanLine(y) + 3 * x0, picture.ScanLine(y - top) + 3 * (x0 - left),
                3 * static_cast<std::size_t>(x1 - x0));
  }
}

// The outline of (0, 0, w, h) with a 1-pixel black pen: the outermost pixels.
void DrawFrame(TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  for (int x = 0; x < w; ++x) {
    std::memset(bitmap.ScanLine(0) + 3 * x, 0, 3);
    std::memset(bitmap.ScanLine(h - 1) + 3 * x, 0, 3);
  }
  for (int y = 0; y < h; ++y) {
    std::memset(bitmap.ScanLine(y), 0, 3);
    std::memset(bitmap.ScanLine(y) + 3 * (w - 1), 0, 3);
  }
}

}  // namespace

TThumbnail MakeThumbnail(const std::string& path, int w, int h, bool frame, TThumbColor background) {
  TThumbnail t;
  if (w <= 0 || h <= 0) return t;
  t.bitmap = TBitmap(w, h, TPixelFormat::pf24bit);
  Fill(t.bitmap, background);
  try {
    TLoadResult p = LoadAnyPicture(path);
    if (p) {
      p.bitmap->SetPixelFormat(TPixelFormat::pf24bit);
      const TThumbFit fit = FitThumbnail(w, h, p.bitmap->Width(), p.bitmap->Height());
      TBitmap scaled;
      // A side that fits to less than a pixel leaves nothing to draw.
      if (fit.width >= 1 && fit.height >= 1 &&
          ResampleInto(*p.bitmap, scaled, fit.width, fit.height, kResampleLagrange)) {
        Draw(t.bitmap, scaled, fit.left, fit.top);
      }
    } else {
      t.noImage = true;
    }
  } catch (const std::bad_alloc&) {
    // A picture too large for the memory left: shown as unreadable.
    Fill(t.bitmap, background);
    t.noImage = true;
  }
  if (frame) DrawFrame(t.bitmap);
  return t;
}

TFileStamp StampOf(const std::string& path) {
  TFileStamp stamp;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return stamp;
  stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  stamp.length = static_cast<std::int64_t>(st.st_size);
  stamp.ok = true;
  return stamp;
}

std::string TThumbCache::Key(const std::string& path, int cellSize, const TFileStamp& stamp) {
  std::string key = path;
  key += '\0';
  key += std::to_string(cellSize) + ':' + std::to_string(stamp.modified) + ':' + std::to_string(stamp.length);
  return key;
}

const TThumbnail* TThumbCache::Find(const std::string& path, int cellSize, const TFileStamp& stamp) {
  if (!stamp.ok) return nullptr;
  const auto it = index_.find(Key(path, cellSize, stamp));
  if (it == index_.end()) return nullptr;
  entries_.splice(entries_.begin(), entries_, it->second);
  return &it->second->second;
}

const TThumbnail& TThumbCache::Store(const std::string& path, int cellSize, const TFileStamp& stamp,
                                     TThumbnail thumbnail, bool mayEvict) {
  // A file that cannot be looked at is not kept: its cell may change any time.
  if (!stamp.ok || capacity_ == 0 || (!mayEvict && entries_.size() >= capacity_)) {
    uncached_ = std::move(thumbnail);
    return uncached_;
  }
  std::string key = Key(path, cellSize, stamp);
  if (const auto it = index_.find(key); it != index_.end()) {
    it->second->second = std::move(thumbnail);
    entries_.splice(entries_.begin(), entries_, it->second);
    return it->second->second;
  }
  while (entries_.size() >= capacity_) {
    index_.erase(entries_.back().first);
    entries_.pop_back();
  }
  entries_.emplace_front(key, std::move(thumbnail));
  index_.emplace(std::move(key), entries_.begin());
  return entries_.front().second;
}

const TThumbnail& TThumbCache::Get(const std::string& path, int cellSize) {
  const TFileStamp stamp = StampOf(path);
  if (const TThumbnail* known = Find(path, cellSize, stamp)) return *known;
  return Store(path, cellSize, stamp, MakeThumbnail(path, cellSize, cellSize, true), true);
}

void TThumbCache::Clear() {
  entries_.clear();
  index_.clear();
  uncached_ = TThumbnail{};
}

int ReadThumbnails(const std::vector<std::string>& files, int cellSize, TThumbCache& cache, int threads,
                   const std::function<bool(int k)>& afterFile) {
  const int n = static_cast<int>(files.size());
  const int batch = std::max(1, threads);
  std::vector<TFileStamp> stamps(static_cast<std::size_t>(batch));
  std::vector<TThumbnail> made(static_cast<std::size_t>(batch));
  std::vector<char> known(static_cast<std::size_t>(batch));
  for (int first = 0; first < n; first += batch) {
    const int count = std::min(batch, n - first);
    // The files the cache lacks are made side by side.
    std::vector<int> todo;
    for (int j = 0; j < count; ++j) {
      const std::string& path = files[static_cast<std::size_t>(first + j)];
      stamps[static_cast<std::size_t>(j)] = StampOf(path);
      known[static_cast<std::size_t>(j)] = cache.Find(path, cellSize, stamps[static_cast<std::size_t>(j)]) != nullptr;
      if (!known[static_cast<std::size_t>(j)]) todo.push_back(j);
    }
    ForEachRowBlock(static_cast<std::int32_t>(todo.size()), batch, [&](std::int32_t begin, std::int32_t end) {
      for (std::int32_t t = begin; t < end; ++t) {
        const int j = todo[static_cast<std::size_t>(t)];
        made[static_cast<std::size_t>(j)] =
            MakeThumbnail(files[static_cast<std::size_t>(first + j)], cellSize, cellSize, true);
      }
    });
    for (int j = 0; j < count; ++j) {
      if (!known[static_cast<std::size_t>(j)]) {
        cache.Store(files[static_cast<std::size_t>(first + j)], cellSize, stamps[static_cast<std::size_t>(j)],
                    std::move(made[static_cast<std::size_t>(j)]), false);
      }
      if (afterFile && !afterFile(first + j + 1)) return first + j + 1;
    }
  }
  return n;
}

}  // namespace kira
