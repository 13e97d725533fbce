// The thumbnail browser's logic: listing, layout, the cell picture, the
// memory of cell pictures and the reading pass.
#include "pages/thumbnails.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/image_files.h"
#include "core/orientation.h"
#include "effects/resample.h"

namespace kira {
namespace {

namespace fs = std::filesystem;
const std::string kData = KIRA_TESTDATA;

TBitmap RandomPicture(int w, int h, unsigned seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
  return b;
}

// A fresh empty folder under the test's temporary folder.
std::string NewFolder(const std::string& name) {
  const std::string dir = ::testing::TempDir() + "/thumbs_" + name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The fit rule in fractions n / d (lowest terms, d > 0), step by step as it
// reads: r = w / h, e = pw / ph; e >= r: tw = w, th = w / e, otherwise
// th = h, tw = h * e; sizes truncated, offsets (w - tw) / 2 and (h - th) / 2
// rounded with halves to even.
struct Q {
  std::int64_t n, d;
  Q(std::int64_t num, std::int64_t den = 1) {
    const std::int64_t g = std::gcd(num, den) * (den < 0 ? -1 : 1);
    n = num / g;
    d = den / g;
  }
};
Q operator+(Q a, Q b) { return Q(a.n * b.d + b.n * a.d, a.d * b.d); }
Q operator-(Q a, Q b) { return Q(a.n * b.d - b.n * a.d, a.d * b.d); }
Q operator*(Q a, Q b) { return Q(a.n * b.n, a.d * b.d); }
Q operator/(Q a, Q b) { return Q(a.n * b.d, a.d * b.n); }
bool operator>=(Q a, Q b) { return a.n * b.d >= b.n * a.d; }
int Floor(Q a) { return static_cast<int>(a.n / a.d - (a.n % a.d < 0 ? 1 : 0)); }
// floor(x + 1/2), one less when x + 1/2 is a whole odd number.
int HalfEven(Q x) {
  const Q y = x + Q(1, 2);
  const int f = Floor(y);
  return y.d == 1 && f % 2 != 0 ? f - 1 : f;
}

struct TPlainFit {
  int width, height, left, top;
};
TPlainFit PlainFit(int w, int h, int pw, int ph) {
  const Q r = Q(w) / Q(h), e = Q(pw) / Q(ph);
  Q tw = w, th = h;
  if (e >= r) th = Q(w) / e;
  else tw = Q(h) * e;
  return {Floor(tw), Floor(th), HalfEven((Q(w) - tw) / Q(2)), HalfEven((Q(h) - th) / Q(2))};
}

// The cell picture as the rule reads, with plain loops: background, the
// picture resampled (Lagrange) to the truncated fitted size and drawn at the
// rounded centre, then the frame.
TBitmap OracleThumbnail(const TBitmap* picture, int w, int h, bool frame) {
  TBitmap out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      out.ScanLine(y)[3 * x] = 205;
      out.ScanLine(y)[3 * x + 1] = 250;
      out.ScanLine(y)[3 * x + 2] = 255;
    }
  if (picture) {
    const TPlainFit fit = PlainFit(w, h, picture->Width(), picture->Height());
    TBitmap p = *picture;
    if (fit.width >= 1 && fit.height >= 1) {
      EXPECT_TRUE(ResampleBitmap(p, fit.width, fit.height, 8));
      const int left = fit.left, top = fit.top;
      for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
          if (left + x < 0 || left + x >= w || top + y < 0 || top + y >= h) continue;
          for (int c = 0; c < 3; ++c) out.ScanLine(top + y)[3 * (left + x) + c] = p.ScanLine(y)[3 * x + c];
        }
    }
  }
  if (frame) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
          for (int c = 0; c < 3; ++c) out.ScanLine(y)[3 * x + c] = 0;
  }
  return out;
}

TEST(Thumbnails, PictureFileNames) {
  const std::vector<std::pair<const char*, bool>> cases = {
      {"/p/a.bmp", true},       {"/p/A.JPG", true},      {"/p/x.JpEg", true},  {"/p/y.gif", true},
      {"/p/z.PNG", true},       {"/p/.png", true},       {"/p/a.jpe", false},  {"/p/a.jfif", false},
      {"/p/noext", false},      {"/a.jpg/photo", false}, {"/p/a.png.txt", false}, {"/p/a.tif", true},
      {"/p/b.TIFF", true},      {"/p/c.webp", true},     {"/p/d.HEIC", true},  {"/p/e.avif", true},
      {"/p/photo.", false},     {"", false},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(IsPictureFileName(path), expected) << path;
}

TEST(Thumbnails, LayoutRule) {
  struct Case {
    int clientWidth, cell, files, columns, rows;
  };
  const std::vector<Case> cases = {
      {600, kThumbMedium, 17, 7, 3},  // 600 / 83 = 7.2; ceil(17 / 7) = 3
      {600, kThumbSmall, 17, 11, 2},  // 600 / 51 = 11.7
      {600, kThumbLarge, 17, 5, 4},   // 600 / 115 = 5.2
      {600, kThumbMedium, 0, 7, 2},   // no files: two rows
      {600, kThumbMedium, 14, 7, 2},  // exactly two full rows
      {600, kThumbMedium, 15, 7, 3},
      {100, kThumbMedium, 3, 5, 2},   // never fewer than 5 columns or 2 rows
      {0, kThumbLarge, 11, 5, 3},
      {415, kThumbMedium, 1000, 5, 200},  // 415 / 83 = 5 exactly
      {414, kThumbMedium, 1001, 5, 201},
  };
  for (const Case& c : cases) {
    const TThumbLayout l = ThumbLayout(c.clientWidth, c.cell, c.files);
    EXPECT_EQ(l.columns, c.columns) << c.clientWidth << " " << c.cell << " " << c.files;
    EXPECT_EQ(l.rows, c.rows) << c.clientWidth << " " << c.cell << " " << c.files;
  }
  // 17 files in 7 columns: the last row holds three pictures and four plain cells.
  EXPECT_EQ(ThumbIndex(2, 2, 7, 17), 16);
  for (int column = 3; column < 7; ++column) EXPECT_EQ(ThumbIndex(2, column, 7, 17), -1);
  // Outside any cell.
  EXPECT_EQ(ThumbIndex(-1, 0, 7, 17), -1);
  EXPECT_EQ(ThumbIndex(0, 7, 7, 17), -1);
  EXPECT_EQ(ThumbIndex(0, -1, 7, 17), -1);

  EXPECT_EQ(CentredOffset(566, 120), 223);
  EXPECT_EQ(CentredOffset(100, 15), 42);
  EXPECT_EQ(CentredOffset(10, 15), -2);  // truncated toward zero
  EXPECT_EQ(ReadingText(3, 17), "Reading 3/17  ");
  EXPECT_EQ(ReadingText(1000, 1000), "Reading 1000/1000  ");
}

TEST(Thumbnails, FitAndPlacement) {
  struct Case {
    int w, h, pw, ph, width, height, left, top;
  };
  const std::vector<Case> cases = {
      {80, 80, 640, 480, 80, 60, 0, 10},
      {80, 80, 480, 640, 60, 80, 10, 0},
      {80, 80, 100, 300, 26, 80, 27, 0},  // tw = 26.67, (80 - 26.67) / 2 = 26.67 -> 27
      {80, 80, 300, 100, 80, 26, 0, 27},
      {80, 80, 4000, 3000, 80, 60, 0, 10},
      {80, 80, 1000, 600, 80, 48, 0, 16},
      {80, 80, 1, 1, 80, 80, 0, 0},      // enlarged
      {48, 48, 1000, 1, 48, 0, 0, 24},   // less than a pixel high
      {80, 80, 1, 1000, 0, 80, 40, 0},
      {112, 112, 3, 2, 112, 74, 0, 19},  // th = 74.67, (112 - 74.67) / 2 = 18.67
      {80, 80, 81, 80, 80, 79, 0, 0},    // (80 - 79.01) / 2 = 0.49
      {80, 80, 82, 80, 80, 78, 0, 1},    // th = 78.05, (80 - 78.05) / 2 = 0.98
      {81, 80, 80, 80, 80, 80, 0, 0},    // offset exactly 0.5 -> 0 (to even)
      {83, 80, 1, 1, 80, 80, 2, 0},      // offset exactly 1.5 -> 2 (to even)
      {80, 50, 100, 100, 50, 50, 15, 0}, // a cell wider than high
      {80, 80, 80, 53, 80, 53, 0, 14},   // th exactly 53, offset 13.5 -> 14
      {80, 80, 80, 77, 80, 77, 0, 2},    // offset exactly 1.5 -> 2
  };
  for (const Case& c : cases) {
    const TThumbFit f = FitThumbnail(c.w, c.h, c.pw, c.ph);
    EXPECT_EQ(f.width, c.width) << c.pw << " x " << c.ph << " in " << c.w << " x " << c.h;
    EXPECT_EQ(f.height, c.height) << c.pw << " x " << c.ph << " in " << c.w << " x " << c.h;
    EXPECT_EQ(f.left, c.left) << c.pw << " x " << c.ph << " in " << c.w << " x " << c.h;
    EXPECT_EQ(f.top, c.top) << c.pw << " x " << c.ph << " in " << c.w << " x " << c.h;
  }
}

// Every picture size up to 300 × 300 in the browser's three cells.
TEST(Thumbnails, FitOfEveryPictureSizeInTheThreeCells) {
  int wrong = 0;
  for (int cell : {kThumbSmall, kThumbMedium, kThumbLarge})
    for (int pw = 1; pw <= 300; ++pw)
      for (int ph = 1; ph <= 300; ++ph) {
        const TThumbFit f = FitThumbnail(cell, cell, pw, ph);
        const TPlainFit o = PlainFit(cell, cell, pw, ph);
        if (f.width != o.width || f.height != o.height || f.left != o.left || f.top != o.top) {
          if (++wrong <= 5)
            ADD_FAILURE() << pw << " x " << ph << " in " << cell << ": " << f.width << " x " << f.height << " at ("
                          << f.left << ", " << f.top << "), expected " << o.width << " x " << o.height << " at ("
                          << o.left << ", " << o.top << ")";
        }
      }
  EXPECT_EQ(wrong, 0);
}

TEST(Thumbnails, CellPictureAgainstThePlainRule) {
  const std::string dir = NewFolder("cells");
  struct Picture {
    int w, h;
  };
  // Wide, tall, square, tiny, odd and strip pictures, written losslessly.
  const std::vector<Picture> pictures = {{640, 480}, {480, 640}, {100, 300}, {1, 1}, {17, 13}, {1000, 1},
                                         {1, 1000}, {81, 80}, {160, 158}, {3, 2}, {2, 3}, {250, 7}};
  const std::vector<std::pair<int, int>> cells = {{48, 48}, {80, 80}, {112, 112}, {80, 50}, {1, 1}, {5, 3}};
  unsigned seed = 1;
  for (const Picture& p : pictures) {
    const TBitmap picture = RandomPicture(p.w, p.h, seed++);
    const std::string path = dir + "/p" + std::to_string(p.w) + "x" + std::to_string(p.h) + ".bmp";
    ASSERT_TRUE(SaveBmpFile(picture, path));
    for (const auto& [w, h] : cells) {
      for (bool frame : {true, false}) {
        const TThumbnail t = MakeThumbnail(path, w, h, frame);
        EXPECT_FALSE(t.noImage);
        EXPECT_TRUE(t.bitmap == OracleThumbnail(&picture, w, h, frame))
            << p.w << " x " << p.h << " in " << w << " x " << h << " frame " << frame;
      }
    }
  }
}

// A photo stored sideways (EXIF orientation 6, 640 x 427) shows upright: the
// cell holds its 427 x 640 picture, fitted as a portrait.
TEST(Thumbnails, SidewaysPhotoShowsUpright) {
  const std::string path = kData + "/jpeg/orientation_tag_6.jpg";
  const TLoadResult stored = LoadPicture(path, TOrientation::Keep);
  ASSERT_TRUE(stored) << stored.error;
  TBitmap upright = *stored.bitmap;
  ASSERT_TRUE(OrientUpright(upright, 6));
  for (int cell : {kThumbSmall, kThumbLarge}) {
    EXPECT_TRUE(MakeThumbnail(path, cell, cell, true).bitmap == OracleThumbnail(&upright, cell, cell, true)) << cell;
  }
}

TEST(Thumbnails, FilesThatAreNoPictureShowNoImage) {
  const std::string dir = NewFolder("noimage");
  WriteText(dir + "/text.jpg", "not a picture");
  fs::create_directories(dir + "/folder.png");
  const std::vector<std::string> paths = {dir + "/text.jpg", dir + "/folder.png", dir + "/missing.gif",
                                          kData + "/png/xcsn0g01.png", kData + "/jpeg/twelve_bit_monkey12.jpg"};
  for (const std::string& path : paths) {
    const TThumbnail t = MakeThumbnail(path, 80, 80, true);
    EXPECT_TRUE(t.noImage) << path;
    EXPECT_TRUE(t.bitmap == OracleThumbnail(nullptr, 80, 80, true)) << path;
  }
  // Content decides: a PNG named .jpg and a lower-case GIF signature are pictures.
  for (const char* name : {"/wrong-extension/png_content_named.jpg", "/gif/lowercase_signature_gif89a.gif",
                           "/bmpsuite/g/pal8v5.bmp", "/jpeg/tall_100x300.jpg"}) {
    EXPECT_FALSE(MakeThumbnail(kData + name, 80, 80, true).noImage) << name;
  }
  EXPECT_TRUE(MakeThumbnail(dir + "/text.jpg", 0, 80, true).bitmap.Empty());
}

TEST(Thumbnails, FolderListing) {
  const std::string dir = NewFolder("scan");
  for (const char* name : {"a.jpg", "B.PNG", "c.txt", ".hidden.gif", "noext", "d.JpEg", "e.bmp.bak"})
    WriteText(dir + "/" + name, "x");
  fs::create_directories(dir + "/sub.jpg");
  fs::create_directories(dir + "/plain");
  const std::vector<std::string> files = ScanPictureFolder(dir);
  const std::set<std::string> got(files.begin(), files.end());
  const std::set<std::string> expected = {dir + "/a.jpg", dir + "/B.PNG", dir + "/.hidden.gif", dir + "/d.JpEg",
                                          dir + "/sub.jpg"};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(files.size(), expected.size());
  EXPECT_TRUE(std::is_sorted(files.begin(), files.end(),
                             [](const std::string& x, const std::string& y) { return NaturalLess(x, y); }));
  // A trailing slash adds none; a missing folder lists nothing.
  EXPECT_EQ(ScanPictureFolder(dir + "/").size(), expected.size());
  EXPECT_EQ(ScanPictureFolder(dir + "/missing"), std::vector<std::string>{});
  // No folder chosen: the root folder.
  for (const std::string& path : ScanPictureFolder("")) EXPECT_EQ(path.rfind('/'), 0u) << path;
}

TEST(Thumbnails, NaturalOrder) {
  // Each name before the next one, and never the other way round.
  const std::vector<std::string> ordered = {"", "01", "1", "2", "10", "a", "A1", "a02", "a2", "img", "img2.jpg",
                                            "img10.jpg", "img10a", "IMG11", "img0100", "img100b", "x9y2", "x9y10",
                                            "x10", "\xe5\x86\x99"};
  for (std::size_t i = 0; i < ordered.size(); ++i) {
    EXPECT_FALSE(NaturalLess(ordered[i], ordered[i])) << ordered[i];
    for (std::size_t k = i + 1; k < ordered.size(); ++k) {
      EXPECT_TRUE(NaturalLess(ordered[i], ordered[k])) << ordered[i] << " < " << ordered[k];
      EXPECT_FALSE(NaturalLess(ordered[k], ordered[i])) << ordered[k] << " < " << ordered[i];
    }
  }
}

TEST(Thumbnails, CacheKeepsUnchangedFilesAndRenewsChangedOnes) {
  const std::string dir = NewFolder("cache");
  const std::string path = dir + "/p.bmp";
  ASSERT_TRUE(SaveBmpFile(RandomPicture(40, 30, 7), path));
  TThumbCache cache(3);
  const TBitmap first = cache.Get(path, 80).bitmap;
  EXPECT_EQ(cache.Size(), 1u);
  EXPECT_TRUE(cache.Get(path, 80).bitmap == first);
  EXPECT_EQ(cache.Size(), 1u);
  // Another size is another entry.
  EXPECT_EQ(cache.Get(path, 48).bitmap.Width(), 48);
  EXPECT_EQ(cache.Size(), 2u);

  // The file changes (new content, a later time): the cell follows it.
  ASSERT_TRUE(SaveBmpFile(RandomPicture(40, 30, 8), path));
  struct utimbuf later {1'000'000'000, 2'000'000'000};
  ASSERT_EQ(::utime(path.c_str(), &later), 0);
  const TBitmap second = cache.Get(path, 80).bitmap;
  EXPECT_FALSE(second == first);
  EXPECT_TRUE(second == MakeThumbnail(path, 80, 80, true).bitmap);

  // Full: the least recently used goes; the reading pass keeps nothing more.
  for (int i = 0; i < 5; ++i) {
    const std::string other = dir + "/o" + std::to_string(i) + ".bmp";
    ASSERT_TRUE(SaveBmpFile(RandomPicture(9, 9, 20 + i), other));
    cache.Get(other, 80);
  }
  EXPECT_EQ(cache.Size(), 3u);
  const TFileStamp stamp = StampOf(path);
  EXPECT_EQ(cache.Find(path, 80, stamp), nullptr);
  cache.Store(path, 80, stamp, MakeThumbnail(path, 80, 80, true), false);
  EXPECT_EQ(cache.Find(path, 80, stamp), nullptr);
  // A file that cannot be looked at is never kept.
  cache.Clear();
  EXPECT_TRUE(cache.Get(dir + "/gone.jpg", 80).noImage);
  EXPECT_EQ(cache.Size(), 0u);
}

TEST(Thumbnails, ReadingPassSameForAnyThreadCount) {
  const std::string dir = NewFolder("pass");
  for (int i = 0; i < 7; ++i)
    ASSERT_TRUE(SaveBmpFile(RandomPicture(30 + i, 20 + 3 * i, 40 + i), dir + "/f" + std::to_string(i) + ".bmp"));
  WriteText(dir + "/broken.jpg", "no");
  const std::vector<std::string> files = ScanPictureFolder(dir);
  ASSERT_EQ(files.size(), 8u);
  for (int threads : {1, 2, 3}) {
    TThumbCache cache;
    std::vector<int> calls;
    const int done = ReadThumbnails(files, kThumbMedium, cache, threads, [&](int k) {
      calls.push_back(k);
      return true;
    });
    EXPECT_EQ(done, 8);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8})) << threads;
    for (const std::string& f : files) {
      const TThumbnail* t = cache.Find(f, kThumbMedium, StampOf(f));
      ASSERT_NE(t, nullptr) << f;
      EXPECT_TRUE(t->bitmap == MakeThumbnail(f, 80, 80, true).bitmap) << f << " threads " << threads;
    }
    // Stopped after the third file.
    TThumbCache other;
    EXPECT_EQ(ReadThumbnails(files, kThumbSmall, other, threads, [](int k) { return k < 3; }), 3);
  }
}

}  // namespace
}  // namespace kira
