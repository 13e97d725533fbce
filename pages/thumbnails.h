// The thumbnail browser without widgets: which files of a folder it lists,
// the grid's layout arithmetic, the cell picture of one file, the memory of
// recently made cell pictures and the reading pass.
//
// The window (ui/form_thumb) draws the "No Image" text itself, since that
// needs a font: MakeThumbnail reports that the text is wanted and leaves the
// inside of the frame plain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/bitmap.h"

namespace kira {

// Cell sizes of the size menu (small, medium, large); medium at start.
inline constexpr int kThumbSmall = 48;
inline constexpr int kThumbMedium = 80;
inline constexpr int kThumbLarge = 112;
// Width of the grid lines between cells.
inline constexpr int kThumbGridLine = 3;
// The grid before the first layout, and its least size.
inline constexpr int kThumbMinColumns = 5;
inline constexpr int kThumbMinRows = 2;

struct TThumbColor {
  std::uint8_t red = 0, green = 0, blue = 0;
};
// The cells' background, RGB (255, 250, 205).
inline constexpr TThumbColor kThumbBackground{255, 250, 205};

// The upper-cased extension (from the last "." of the file-name part) is one
// of .BMP, .JPG, .JPEG, .GIF, .PNG, .TIF, .TIFF, .WEBP, .HEIC, .HEIF, .AVIF.
bool IsPictureFileName(std::string_view path);

// The full paths (folder + "/" + name) of the folder's entries whose names
// pass IsPictureFileName, in natural order of their names (NaturalLess),
// hidden entries and sub-folders included. An empty folder string lists the
// root folder. A folder that cannot be listed gives no files.
std::vector<std::string> ScanPictureFolder(const std::string& folder);

// Names as people sort them: a run of digits counts as its number (img2
// before img10, img007 with img7), letters without regard to case. Names that
// are equal that way fall back to plain byte order (img007 before img7, IMG
// before img), so the order is total.
bool NaturalLess(std::string_view a, std::string_view b);

// FormResize's rule: columns = max(5, trunc(clientWidth / (cellSize + 3)));
// rows = max(2, ceil(files / columns)) when there are files, otherwise 2.
struct TThumbLayout {
  int columns = kThumbMinColumns;
  int rows = kThumbMinRows;
};
TThumbLayout ThumbLayout(int clientWidth, int cellSize, int fileCount);

// trunc((outer - inner) / 2): the offset that centres the progress label.
int CentredOffset(int outer, int inner);

// row × columns + column when that names one of the files, otherwise -1.
int ThumbIndex(int row, int column, int columns, int fileCount);

// "Reading k/N" and two blanks, the numbers unpadded.
std::string ReadingText(int k, int n);
// The label's text outside the reading pass.
inline constexpr const char* kReadingIdle = "Reading 000/000  ";

// Where the picture of a pw × ph file goes in a w × h cell. A picture at
// least as wide as the cell in proportion (pw · h >= ph · w) takes the cell's
// width, tw = w and th = w · ph / pw; any other takes its height, th = h and
// tw = h · pw / ph. It is scaled to trunc(tw) × trunc(th) and drawn at
// (RoundHalfEven((w − tw) / 2), RoundHalfEven((h − th) / 2)), halves to the
// even neighbour. All of it is worked out exactly in integers, so a fitted
// size or offset that is a whole number or a half is never a step off.
// Sides that are not positive give an empty fit.
struct TThumbFit {
  int width = 0, height = 0;  // trunc(tw), trunc(th)
  int left = 0, top = 0;
};
TThumbFit FitThumbnail(int w, int h, int pictureWidth, int pictureHeight);

// A cell picture: w × h, 24 bits, the background colour, the fitted picture
// (Lagrange resampling) and, when asked, a 1-pixel black frame along the
// edges. noImage: the file could not be read as a picture; the window then
// writes "No Image" in the middle. A picture that fits to less than one
// pixel on a side (a 1000 × 1 strip) leaves the cell plain.
struct TThumbnail {
  TBitmap bitmap;
  bool noImage = false;
};
TThumbnail MakeThumbnail(const std::string& path, int w, int h, bool frame,
                         TThumbColor background = kThumbBackground);

// What a cell picture depends on besides its size: the file's modification
// time (nanoseconds) and length. ok is false when the file cannot be looked at.
struct TFileStamp {
  std::int64_t modified = 0;
  std::int64_t length = 0;
  bool ok = false;
};
TFileStamp StampOf(const std::string& path);

// The last cell pictures made, keyed by path, cell size and the file's
// stamp, so that repainting does not decode the same unchanged file again.
// Framed cell pictures on the standard background only.
class TThumbCache {
 public:
  static constexpr std::size_t kDefaultCapacity = 400;
  explicit TThumbCache(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  // The cell picture of path at cellSize: remembered, or made now and kept
  // (the least recently used one goes when the cache is full).
  const TThumbnail& Get(const std::string& path, int cellSize);
  // The remembered picture, or null.
  const TThumbnail* Find(const std::string& path, int cellSize, const TFileStamp& stamp);
  // Keeps a picture. With mayEvict false nothing is kept once the cache is
  // full (the reading pass fills it from the top of the grid and must not
  // push out the first cells for the last ones).
  const TThumbnail& Store(const std::string& path, int cellSize, const TFileStamp& stamp,
                          TThumbnail thumbnail, bool mayEvict);

  std::size_t Size() const { return entries_.size(); }
  std::size_t Capacity() const { return capacity_; }
  void Clear();

 private:
  using TEntry = std::pair<std::string, TThumbnail>;
  static std::string Key(const std::string& path, int cellSize, const TFileStamp& stamp);

  std::size_t capacity_;
  std::list<TEntry> entries_;  // most recently used first
  std::unordered_map<std::string, std::list<TEntry>::iterator> index_;
  TThumbnail uncached_;        // the last picture that was not kept
};

// The reading pass: the cell picture of every file in order (from the cache
// when it has it, otherwise made and kept while there is room), and after
// each file afterFile(k) with k = 1..N. When afterFile returns false the pass
// stops there. threads > 1 makes that many pictures at a time; the pictures
// and the calls to afterFile are the same for any number of threads.
// Returns the number of files done.
int ReadThumbnails(const std::vector<std::string>& files, int cellSize, TThumbCache& cache, int threads,
                   const std::function<bool(int k)>& afterFile);

}  // namespace kira
