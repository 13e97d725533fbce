#include "starfilter/rays.h"


#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "core/stop_request.h"
#include "effects/soften.h"

namespace kira {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// The geometry of one turn of a W x H picture: the single-precision cosines
// and sines of the forward and the inverse angle, and the bounding box of the
// turned corners.
struct TTurn {
  float c = 1, s = 0;    // cos, sin of theta
  float ci = 1, si = 0;  // cos, sin of -theta
  int minX = 0, maxX = -1, minY = 0, maxY = -1;
  int Width() const { return maxX - minX + 1; }
  int Height() const { return maxY - minY + 1; }
  // Source column and row of the destination pixel (i, a), in bounding-box
  // coordinates; the products and sums in double, truncated toward zero.
  int SourceX(int i, int a) const {
    return static_cast<int>(static_cast<double>(i) * ci - static_cast<double>(a) * si);
  }
  int SourceY(int i, int a) const {
    return static_cast<int>(static_cast<double>(i) * si + static_cast<double>(a) * ci);
  }
};

TTurn MakeTurn(int w, int h, int angleDeg) {
  TTurn t;
  const long double theta = static_cast<long double>(angleDeg) * kPi / 180;
  t.c = static_cast<float>(std::cos(theta));
  t.s = static_cast<float>(std::sin(theta));
  t.ci = static_cast<float>(std::cos(-theta));
  t.si = static_cast<float>(std::sin(-theta));
  const int xs[4] = {0, w - 1, 0, w - 1};
  const int ys[4] = {0, 0, h - 1, h - 1};
  for (int k = 0; k < 4; ++k) {
    const int x = static_cast<int>(static_cast<double>(xs[k]) * t.c - static_cast<double>(ys[k]) * t.s);
    const int y = static_cast<int>(static_cast<double>(xs[k]) * t.s + static_cast<double>(ys[k]) * t.c);
    if (k == 0) {
      t.minX = t.maxX = x;
      t.minY = t.maxY = y;
    } else {
      t.minX = std::min(t.minX, x);
      t.maxX = std::max(t.maxX, x);
      t.minY = std::min(t.minY, y);
      t.maxY = std::max(t.maxY, y);
    }
  }
  return t;
}

// t = c * k and u = t / L, each rounded once to single precision. Both are
// formed in single precision: the exact product (8 by 24 bits) and quotient
// rounded once give the same float as forming them in double and rounding
// that, but a double that is narrowed to float and widened again invites the
// compiler to keep the wide value (g++ 12 does at -O3, when its straight-line
// vectoriser packs the three channels), and the steps then start from the
// unrounded t.
inline float SingleProduct(int c, float k) { return static_cast<float>(c) * k; }
inline float SingleQuotient(float t, int length) { return t / static_cast<float>(length); }

// The ray arms of one point of colour px at column x, added into the row q of
// a picture width pixels wide, as written: every step is rounded half away
// from zero in extended precision as it is added.
void RayArms(const std::uint8_t* px, int x, int width, int length, float k, std::uint8_t* q) {
  float t[3], u[3];
  for (int ch = 0; ch < 3; ++ch) t[ch] = SingleProduct(px[ch], k);
  if (!(t[0] + t[1] + t[2] > 0)) return;
  for (int ch = 0; ch < 3; ++ch) u[ch] = SingleQuotient(t[ch], length);
  auto step = [&](std::uint8_t* dst, int r) {
    for (int ch = 0; ch < 3; ++ch) {
      const double v = static_cast<double>(t[ch]) - static_cast<double>(r) * static_cast<double>(u[ch]) + dst[ch];
      const std::int32_t n = v > 255 ? 255 : RoundHalfAway(v);
      dst[ch] = static_cast<std::uint8_t>(n < 0 ? 0 : n);
    }
  };
  for (int r = 1; r <= length; ++r) {
    // The right arm stops one column short of the last one.
    if (x + r <= width - 2) step(q + 3 * (x + r), r);
    if (x - r >= 0) step(q + 3 * (x - r), r);
  }
}

float RayScale(int intensityPct) {
  return static_cast<float>(static_cast<long double>(intensityPct) / 100);
}

// Every step adds to an integer q the value v = f + q with f = t - r u. With
// 1 <= D <= 100 and 1 <= L <= 256, every t is a multiple of 2^-30 and every u
// of 2^-38 and r u is exact, so f + q (below 2^9) is exact in double and the
// step's rounding half away from zero gives q + round(f), limited to 255;
// f > -t 2^-24 > -0.5 rounds to 0 or more. A step is thus a saturating add of
// a byte that depends only on the channel value and r, and a pixel's sum of
// such adds does not depend on their order. The table holds those bytes,
// g[c * L + r - 1], each rounded exactly as written.
struct TRayTable {
  int length = 0;
  std::vector<std::uint8_t> g;
};

bool RayTableHolds(int length, int intensityPct) {
  return length >= 1 && length <= 256 && intensityPct >= 1 && intensityPct <= 100;
}

TRayTable MakeRayTable(int length, int intensityPct) {
  TRayTable tab;
  tab.length = length;
  tab.g.resize(256 * static_cast<std::size_t>(length));
  const float k = RayScale(intensityPct);
  for (int c = 0; c < 256; ++c) {
    const float t = SingleProduct(c, k);
    const float u = SingleQuotient(t, length);
    for (int r = 1; r <= length; ++r) {
      const double f = static_cast<double>(t) - static_cast<double>(r) * static_cast<double>(u);
      const std::int32_t n = RoundHalfAway(f);
      tab.g[static_cast<std::size_t>(c) * length + r - 1] = static_cast<std::uint8_t>(n < 0 ? 0 : (n > 255 ? 255 : n));
    }
  }
  return tab;
}

void SaturatedAdd(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i) {
    const int v = d[i] + s[i];
    d[i] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
  }
}

// The light of one row of DrawHorizontalRays, gathered point by point. By the
// table the three channels are kept in planes of their own, so that an arm is
// one run of saturating byte additions (the right arm reads g forwards, the
// left arm a reversed copy); outside the table's ranges the row is drawn as
// written. One per thread.
class TRayRow {
 public:
  TRayRow(int width, int length, int intensityPct, const TRayTable* table)
      : width_(width), length_(length), k_(RayScale(intensityPct)), table_(table) {
    if (table_) {
      for (auto& plane : planes_) plane.assign(static_cast<std::size_t>(width), 0);
      reversed_.resize(table_->g.size());
      for (int c = 0; c < 256; ++c)
        for (int i = 0; i < length; ++i)
          reversed_[static_cast<std::size_t>(c) * length + i] = table_->g[static_cast<std::size_t>(c) * length + length - 1 - i];
    } else {
      row_.assign(3 * static_cast<std::size_t>(width), 0);
    }
  }

  void Add(const std::uint8_t* px, int x) {
    if (!table_) {
      RayArms(px, x, width_, length_, k_, row_.data());
      return;
    }
    if ((px[0] | px[1] | px[2]) == 0) return;
    const int right = std::min(length_, width_ - 2 - x);
    const int left = std::min(length_, x);
    for (int ch = 0; ch < 3; ++ch) {
      if (px[ch] == 0) continue;
      const std::size_t c = static_cast<std::size_t>(px[ch]) * length_;
      std::uint8_t* plane = planes_[ch].data();
      SaturatedAdd(plane + x + 1, &table_->g[c], right);
      SaturatedAdd(plane + x - left, reversed_.data() + c + length_ - left, left);
    }
  }

  void Get(int x, std::uint8_t* out) const {
    for (int ch = 0; ch < 3; ++ch) out[ch] = table_ ? planes_[ch][x] : row_[3 * static_cast<std::size_t>(x) + ch];
  }

  // Columns lo .. hi back to black.
  void Clear(int lo, int hi) {
    if (hi < lo) return;
    if (table_) {
      for (auto& plane : planes_) std::memset(plane.data() + lo, 0, static_cast<std::size_t>(hi - lo + 1));
    } else {
      std::memset(row_.data() + 3 * lo, 0, 3 * static_cast<std::size_t>(hi - lo + 1));
    }
  }

 private:
  int width_, length_;
  float k_;
  const TRayTable* table_;
  std::vector<std::uint8_t> planes_[3];
  std::vector<std::uint8_t> reversed_;
  std::vector<std::uint8_t> row_;
};

// The table when it holds for length and intensity, else none.
std::unique_ptr<TRayTable> RayTableFor(int length, int intensityPct) {
  if (!RayTableHolds(length, intensityPct)) return nullptr;
  return std::make_unique<TRayTable>(MakeRayTable(length, intensityPct));
}

// ---- sparse path: lists of non-black pixels, sorted by row, then column ----

struct TSpot {
  int x, y;
  std::uint8_t px[3];
};

bool SpotBefore(const TSpot& a, const TSpot& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; }

// The non-black pixels; false as soon as there are more than `limit`.
bool CollectSpots(const TBitmap& image, std::size_t limit, std::vector<TSpot>& spots) {
  spots.clear();
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* p = image.ScanLine(y);
    for (int x = 0; x < image.Width(); ++x, p += 3)
      if ((p[0] | p[1] | p[2]) != 0) {
        if (spots.size() == limit) return false;
        spots.push_back({x, y, {p[0], p[1], p[2]}});
      }
  }
  return true;
}

// out := a black w x h picture, keeping its storage when the size fits.
void MakeBlack(TBitmap& out, int w, int h) {
  if (out.Width() == w && out.Height() == h && Is24(out)) {
    for (int y = 0; y < h; ++y) std::memset(out.ScanLine(y), 0, 3 * static_cast<std::size_t>(w));
  } else {
    out = TBitmap(w, h, TPixelFormat::pf24bit);
  }
}

// For each destination pixel of a turn, the source pixel is fixed by the
// truncated inverse mapping; the destination pixels that pick a given source
// pixel lie in the turned image of its truncation cell, [x, x + 1) or (-1, 1)
// for column 0 (likewise rows), whose points are at most sqrt(2) from the
// cell's centre. Every destination pixel within 1.5 of that centre is tried
// with the exact formula, so the spots found are exactly the non-black
// pixels of the whole turned picture.
template <class Emit>
void ForEachPreimage(const TSpot& s, const TTurn& t, Emit&& emit) {
  const double px = s.x == 0 ? 0.0 : s.x + 0.5;
  const double py = s.y == 0 ? 0.0 : s.y + 0.5;
  const double ci = t.ci, si = t.si;
  const double i0 = ci * px + si * py;
  const double a0 = -si * px + ci * py;
  const int iLo = std::max(static_cast<int>(std::ceil(i0 - 1.5)), t.minX);
  const int iHi = std::min(static_cast<int>(std::floor(i0 + 1.5)), t.maxX);
  const int aLo = std::max(static_cast<int>(std::ceil(a0 - 1.5)), t.minY);
  const int aHi = std::min(static_cast<int>(std::floor(a0 + 1.5)), t.maxY);
  for (int a = aLo; a <= aHi; ++a)
    for (int i = iLo; i <= iHi; ++i)
      if (t.SourceX(i, a) == s.x && t.SourceY(i, a) == s.y) emit(i - t.minX, a - t.minY);
}

std::vector<TSpot> TurnSpots(const std::vector<TSpot>& in, const TTurn& t) {
  std::vector<TSpot> out;
  out.reserve(in.size() + in.size() / 2);
  for (const TSpot& s : in)
    ForEachPreimage(s, t, [&](int x, int y) { out.push_back({x, y, {s.px[0], s.px[1], s.px[2]}}); });
  std::sort(out.begin(), out.end(), SpotBefore);
  return out;
}

// DrawHorizontalRays over a spot list of a picture width pixels wide; each
// non-black pixel of the ray picture goes to emit(spot) as its row is done, so
// the ray picture is never held whole.
template <class Emit>
void RaySpots(const std::vector<TSpot>& in, int width, int length, int intensityPct, Emit&& emit) {
  const std::unique_ptr<TRayTable> table = RayTableFor(length, intensityPct);
  TRayRow row(width, length, intensityPct, table.get());
  for (std::size_t b = 0; b < in.size();) {
    std::size_t e = b;
    while (e < in.size() && in[e].y == in[b].y) ++e;
    for (std::size_t n = b; n < e; ++n) row.Add(in[n].px, in[n].x);
    const int lo = std::max(in[b].x - length, 0);
    const int hi = std::min(in[e - 1].x + length, width - 1);
    for (int x = lo; x <= hi; ++x) {
      TSpot s{x, in[b].y, {0, 0, 0}};
      row.Get(x, s.px);
      if ((s.px[0] | s.px[1] | s.px[2]) != 0) emit(s);
    }
    row.Clear(lo, hi);
    b = e;
  }
}

void AddSpot(TBitmap& out, int x, int y, const std::uint8_t* px) {
  std::uint8_t* o = out.ScanLine(y) + 3 * static_cast<std::size_t>(x);
  for (int ch = 0; ch < 3; ++ch) {
    const int v = o[ch] + px[ch];
    o[ch] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
  }
}

bool Usable(const TBitmap& brightPoints, const TBitmap& out) {
  return Is24(brightPoints) && Is24(out) && &brightPoints != &out;
}

void DrawSpots(const std::vector<TSpot>& points, TBitmap& sum, TStarKind kind, int lengthPx,
               int intensityPct, int a) {
  const int w = sum.Width();
  const int h = sum.Height();
  const bool rays = lengthPx >= 1 && intensityPct >= 1;
  // The first ray picture added to a black one is that picture itself, so
  // every line can be summed the same way.
  for (int phi : StarAngles(kind, a)) {
    ThrowIfStopped();
    if (phi == 0) {
      auto add = [&](const TSpot& s) { AddSpot(sum, s.x, s.y, s.px); };
      if (rays)
        RaySpots(points, w, lengthPx, intensityPct, add);
      else
        std::for_each(points.begin(), points.end(), add);
      continue;
    }
    const TTurn there = MakeTurn(w, h, phi);
    const std::vector<TSpot> turned = TurnSpots(points, there);
    const TTurn back = MakeTurn(there.Width(), there.Height(), -phi);
    const int ox = (back.Width() - w) / 2;
    const int oy = (back.Height() - h) / 2;
    auto addBack = [&](const TSpot& s) {
      ForEachPreimage(s, back, [&](int x, int y) {
        const int cx = x - ox;
        const int cy = y - oy;
        if (cx >= 0 && cx < w && cy >= 0 && cy < h) AddSpot(sum, cx, cy, s.px);
      });
    };
    if (rays)
      RaySpots(turned, there.Width(), lengthPx, intensityPct, addBack);
    else
      std::for_each(turned.begin(), turned.end(), addBack);
  }
}

// One kind drawn by turning, drawing and cropping whole pictures.
template <class Rays>
void DrawStarWhole(const TBitmap& brightPoints, TBitmap& out, TStarKind kind, int a, Rays&& rays) {
  const int w = brightPoints.Width();
  const int h = brightPoints.Height();
  bool first = true;
  for (int phi : StarAngles(kind, a)) {
    TBitmap work = brightPoints;
    if (phi != 0) RotateByAngle(work, phi);
    rays(work);
    if (phi != 0) RotateByAngle(work, -phi);
    CropCentre(work, w, h);
    if (first) {
      out = std::move(work);
      first = false;
    } else {
      AddSaturated(out, work);
    }
  }
}

// ---- whole pictures, one turned row at a time ----
//
// A ray line through a turn and back: each pixel of the result picks one
// pixel of the back turn, which picks one pixel of the ray picture of the
// turned picture, whose row holds the light of that row's points alone. So the
// result is gathered pixel by pixel from the ray rows of the turned picture,
// and of those only the stretch of each row that lies on the turned picture
// (plus the reach of its rays) is ever made: the black corners of the
// bounding boxes, which for a long thin picture are nearly all of them, cost
// nothing. The bytes are those of turning, drawing and cropping whole
// pictures.

// The columns i of row a of a turn whose source pixel lies on the w x h
// picture, [lo, hi] (empty when lo > hi). Both source coordinates are
// monotonic in i (exact products, one rounding), so the columns form one run:
// it is bracketed by solving the linear bounds, then settled by the exact
// mapping.
void TurnedRun(const TTurn& t, int a, int w, int h, int& lo, int& hi) {
  const auto inside = [&](int i) {
    const int sx = t.SourceX(i, a);
    const int sy = t.SourceY(i, a);
    return sx >= 0 && sx < w && sy >= 0 && sy < h;
  };
  double dlo = t.minX, dhi = t.maxX;
  // -1 < i * m + b < n, with a margin for the rounding of the solution.
  const auto narrow = [&](double m, double b, double n) {
    if (m > 0) {
      dlo = std::max(dlo, (-1 - b) / m - 3);
      dhi = std::min(dhi, (n - b) / m + 3);
    } else if (m < 0) {
      dlo = std::max(dlo, (n - b) / m - 3);
      dhi = std::min(dhi, (-1 - b) / m + 3);
    } else if (!(b > -1 && b < n)) {
      dhi = dlo - 1;
    }
  };
  narrow(t.ci, -static_cast<double>(a) * t.si, w);
  narrow(t.si, static_cast<double>(a) * t.ci, h);
  lo = 1;
  hi = 0;
  if (!(dlo <= dhi)) return;
  const int first = static_cast<int>(std::ceil(dlo));
  const int last = static_cast<int>(std::floor(dhi));
  int i = first;
  while (i <= last && !inside(i)) ++i;
  if (i > last) return;
  lo = i;
  while (lo > t.minX && inside(lo - 1)) --lo;
  hi = last;
  while (hi > i && !inside(hi)) --hi;
  while (hi < t.maxX && inside(hi + 1)) ++hi;
}

// The ray rows of a turned picture, each kept only over [first, first +
// count) in bounding-box columns; black elsewhere.
struct TRayRows {
  std::vector<std::int32_t> first, count;
  std::vector<std::size_t> offset;
  std::unique_ptr<std::uint8_t[]> data;
  const std::uint8_t* Pixel(int x, int y) const {
    const std::int32_t dx = x - first[y];
    if (dx < 0 || dx >= count[y]) return nullptr;
    return data.get() + offset[y] + 3 * static_cast<std::size_t>(dx);
  }
};

TRayRows TurnedRayRows(const TBitmap& image, const TTurn& t, int length, int intensityPct,
                       const TRayTable* table, int threads) {
  const int w = image.Width();
  const int h = image.Height();
  const int tw = t.Width();
  const int th = t.Height();
  const bool rays = length >= 1 && intensityPct >= 1;
  const int reach = rays ? length : 0;
  TRayRows rr;
  rr.first.resize(static_cast<std::size_t>(th));
  rr.count.resize(static_cast<std::size_t>(th));
  rr.offset.resize(static_cast<std::size_t>(th));
  std::vector<std::int32_t> litLo(static_cast<std::size_t>(th)), litHi(static_cast<std::size_t>(th));
  ForEachRowBlock(th, threads, [&](std::int32_t y0, std::int32_t y1) {
    for (std::int32_t y = y0; y < y1; ++y) {
      int lo, hi;
      TurnedRun(t, y + t.minY, w, h, lo, hi);
      litLo[y] = lo - t.minX;
      litHi[y] = hi - t.minX;
      if (lo > hi) {
        rr.first[y] = 0;
        rr.count[y] = 0;
      } else {
        rr.first[y] = std::max(litLo[y] - reach, 0);
        rr.count[y] = std::min(litHi[y] + reach, tw - 1) - rr.first[y] + 1;
      }
    }
  });
  std::size_t total = 0;
  for (int y = 0; y < th; ++y) {
    rr.offset[y] = total;
    total += 3 * static_cast<std::size_t>(rr.count[y]);
  }
  rr.data.reset(new std::uint8_t[std::max<std::size_t>(total, 1)]);
  ForEachRowBlock(th, threads, [&](std::int32_t y0, std::int32_t y1) {
    std::vector<std::uint8_t> lit;
    std::unique_ptr<TRayRow> row;
    if (rays) row = std::make_unique<TRayRow>(tw, length, intensityPct, table);
    for (std::int32_t y = y0; y < y1; ++y) {
      if (rr.count[y] == 0) continue;
      const int a = y + t.minY;
      std::uint8_t* out = rr.data.get() + rr.offset[y];
      std::uint8_t* dst = rays ? (lit.resize(3 * static_cast<std::size_t>(litHi[y] - litLo[y] + 1)), lit.data()) : out;
      for (int x = litLo[y]; x <= litHi[y]; ++x, dst += 3)
        std::memcpy(dst, image.ScanLine(t.SourceY(x + t.minX, a)) + 3 * static_cast<std::size_t>(t.SourceX(x + t.minX, a)), 3);
      if (!rays) continue;
      for (int x = litLo[y]; x <= litHi[y]; ++x) row->Add(lit.data() + 3 * static_cast<std::size_t>(x - litLo[y]), x);
      const int end = rr.first[y] + rr.count[y] - 1;
      for (int x = rr.first[y]; x <= end; ++x, out += 3) row->Get(x, out);
      row->Clear(rr.first[y], end);
    }
  });
  return rr;
}

// sum += the ray picture of one line at angle phi != 0 of the w x h picture.
void AddTurnedLine(const TBitmap& image, TBitmap& sum, int phi, int length, int intensityPct,
                   const TRayTable* table, int threads) {
  const int w = image.Width();
  const int h = image.Height();
  const TTurn there = MakeTurn(w, h, phi);
  const TRayRows rr = TurnedRayRows(image, there, length, intensityPct, table, threads);
  const TTurn back = MakeTurn(there.Width(), there.Height(), -phi);
  const int ox = (back.Width() - w) / 2;
  const int oy = (back.Height() - h) / 2;
  const int tw = there.Width();
  const int th = there.Height();
  ForEachRowBlock(h, threads, [&](std::int32_t y0, std::int32_t y1) {
    for (std::int32_t y = y0; y < y1; ++y) {
      const int by = y + oy;
      if (by < 0 || by >= back.Height()) continue;
      const int a = by + back.minY;
      std::uint8_t* o = sum.ScanLine(y);
      const int x0 = std::max(0, -ox);
      const int x1 = std::min(w, back.Width() - ox);
      for (int x = x0; x < x1; ++x) {
        const int i = x + ox + back.minX;
        const int sx = back.SourceX(i, a);
        const int sy = back.SourceY(i, a);
        if (sx < 0 || sx >= tw || sy < 0 || sy >= th) continue;
        const std::uint8_t* p = rr.Pixel(sx, sy);
        if (p == nullptr) continue;
        std::uint8_t* d = o + 3 * static_cast<std::size_t>(x);
        for (int ch = 0; ch < 3; ++ch) {
          const int v = d[ch] + p[ch];
          d[ch] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
        }
      }
    }
  });
}

// sum += the horizontal rays of the picture (the line at angle 0).
void AddLevelLine(const TBitmap& image, TBitmap& sum, int length, int intensityPct, const TRayTable* table,
                  int threads) {
  const int w = image.Width();
  const bool rays = length >= 1 && intensityPct >= 1;
  ForEachRowBlock(image.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    if (!rays) {
      for (std::int32_t y = y0; y < y1; ++y) SaturatedAdd(sum.ScanLine(y), image.ScanLine(y), 3 * w);
      return;
    }
    TRayRow row(w, length, intensityPct, table);
    std::vector<std::uint8_t> light(3 * static_cast<std::size_t>(w));
    for (std::int32_t y = y0; y < y1; ++y) {
      const std::uint8_t* p = image.ScanLine(y);
      for (int x = 0; x < w; ++x) row.Add(p + 3 * static_cast<std::size_t>(x), x);
      for (int x = 0; x < w; ++x) row.Get(x, light.data() + 3 * static_cast<std::size_t>(x));
      row.Clear(0, w - 1);
      SaturatedAdd(sum.ScanLine(y), light.data(), 3 * w);
    }
  });
}

}  // namespace

bool DrawStarByRows(const TBitmap& brightPoints, TBitmap& out, TStarKind kind, int lengthPx, int intensityPct,
                    int a) {
  if (!Usable(brightPoints, out)) return false;
  const std::unique_ptr<TRayTable> table = RayTableFor(lengthPx, intensityPct);
  const int threads = DefaultThreads();
  // The first line added to a black picture is that line itself.
  MakeBlack(out, brightPoints.Width(), brightPoints.Height());
  for (int phi : StarAngles(kind, a)) {
    ThrowIfStopped();
    if (phi == 0)
      AddLevelLine(brightPoints, out, lengthPx, intensityPct, table.get(), threads);
    else
      AddTurnedLine(brightPoints, out, phi, lengthPx, intensityPct, table.get(), threads);
  }
  return true;
}

namespace {

}  // namespace

bool DrawHorizontalRays(TBitmap& image, int lengthPx, int intensityPct) {
  if (!Is24(image)) return false;
  if (lengthPx < 1 || intensityPct < 1) return true;
  const float k = RayScale(intensityPct);
  const int w = image.Width();
  TBitmap q(w, image.Height(), TPixelFormat::pf24bit);
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* p = image.ScanLine(y);
    std::uint8_t* qrow = q.ScanLine(y);
    for (int x = 0; x < w; ++x) RayArms(p + 3 * x, x, w, lengthPx, k, qrow);
  }
  image = std::move(q);
  return true;
}

bool RotateByAngle(TBitmap& image, int angleDeg) {
  if (!Is24(image)) return false;
  if (image.Empty()) return true;
  const int w = image.Width();
  const int h = image.Height();
  const TTurn t = MakeTurn(w, h, angleDeg);
  TBitmap out(t.Width(), t.Height(), TPixelFormat::pf24bit);
  for (int a = t.minY; a <= t.maxY; ++a) {
    std::uint8_t* dst = out.ScanLine(a - t.minY);
    for (int i = t.minX; i <= t.maxX; ++i, dst += 3) {
      const int sx = t.SourceX(i, a);
      const int sy = t.SourceY(i, a);
      if (sx >= 0 && sx < w && sy >= 0 && sy < h) std::memcpy(dst, image.ScanLine(sy) + 3 * sx, 3);
    }
  }
  image = std::move(out);
  return true;
}

bool CropCentre(TBitmap& image, int w, int h) {
  if (!Is24(image)) return false;
  w = std::max(w, 0);
  h = std::max(h, 0);
  const int ox = (image.Width() - w) / 2;
  const int oy = (image.Height() - h) / 2;
  TBitmap out(w, h, TPixelFormat::pf24bit);
  // Only the part of the block that lies on the picture is copied.
  const int x0 = std::max(0, -ox);
  const int x1 = std::min(w, image.Width() - ox);
  for (int y = std::max(0, -oy); y < std::min(h, image.Height() - oy); ++y)
    if (x1 > x0)
      std::memcpy(out.ScanLine(y) + 3 * x0, image.ScanLine(y + oy) + 3 * (x0 + ox),
                  3 * static_cast<std::size_t>(x1 - x0));
  image = std::move(out);
  return true;
}

std::vector<int> StarAngles(TStarKind kind, int a) {
  switch (kind) {
    case TStarKind::Cross: return {a, 90 + a};
    case TStarKind::Snow: return {a, 60 + a, 120 + a};
    case TStarKind::Sunny: return {a, 45 + a, 90 + a, 135 + a};
  }
  return {};
}

bool DrawStarReference(const TBitmap& brightPoints, TBitmap& out, TStarKind kind, int lengthPx,
                       int intensityPct, int a) {
  if (!Usable(brightPoints, out)) return false;
  DrawStarWhole(brightPoints, out, kind, a, [&](TBitmap& work) { DrawHorizontalRays(work, lengthPx, intensityPct); });
  return true;
}

bool DrawStarSparse(const TBitmap& brightPoints, TBitmap& out, TStarKind kind, int lengthPx,
                    int intensityPct, int a) {
  if (!Usable(brightPoints, out)) return false;
  std::vector<TSpot> points;
  CollectSpots(brightPoints, static_cast<std::size_t>(-1), points);
  MakeBlack(out, brightPoints.Width(), brightPoints.Height());
  DrawSpots(points, out, kind, lengthPx, intensityPct, a);
  return true;
}

bool DrawStar(const TBitmap& brightPoints, TBitmap& out, TStarKind kind, int lengthPx,
              int intensityPct, int a) {
  if (!Usable(brightPoints, out)) return false;
  // Following the points costs about 2L + 16 tries per point and line;
  // drawing from the turned rows costs a few passes over the picture's area.
  const std::size_t area = static_cast<std::size_t>(brightPoints.Width()) * brightPoints.Height();
  const std::size_t perPoint = 2 * static_cast<std::size_t>(std::max(lengthPx, 0)) + 16;
  std::vector<TSpot> points;
  if (!CollectSpots(brightPoints, 4 * area / perPoint, points)) {
    DrawStarByRows(brightPoints, out, kind, lengthPx, intensityPct, a);
    return true;
  }
  MakeBlack(out, brightPoints.Width(), brightPoints.Height());
  DrawSpots(points, out, kind, lengthPx, intensityPct, a);
  return true;
}

bool DrawCross(const TBitmap& brightPoints, TBitmap& out, int lengthPx, int intensityPct, int a) {
  return DrawStar(brightPoints, out, TStarKind::Cross, lengthPx, intensityPct, a);
}
bool DrawSnow(const TBitmap& brightPoints, TBitmap& out, int lengthPx, int intensityPct, int a) {
  return DrawStar(brightPoints, out, TStarKind::Snow, lengthPx, intensityPct, a);
}
bool DrawSunny(const TBitmap& brightPoints, TBitmap& out, int lengthPx, int intensityPct, int a) {
  return DrawStar(brightPoints, out, TStarKind::Sunny, lengthPx, intensityPct, a);
}

}  // namespace kira
