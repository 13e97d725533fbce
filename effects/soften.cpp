#include "effects/soften.h"


#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/parallel_rows.h"
#include "core/rounding.h"
#include "core/vector_level.h"

namespace kira {

bool AddSaturated(TBitmap& target, const TBitmap& addend) {
  if (!Is24(target) || !Is24(addend)) return false;
  const int w = std::min(target.Width(), addend.Width());
  const int h = std::min(target.Height(), addend.Height());
  for (int y = 0; y < h; ++y) {
    std::uint8_t* t = target.ScanLine(y);
    const std::uint8_t* a = addend.ScanLine(y);
    for (int i = 0; i < 3 * w; ++i) {
      const int v = t[i] + a[i];
      t[i] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
    }
  }
  return true;
}

namespace {

struct TDiamond {
  int h = 1;
  std::vector<double> weight;  // by city-block distance 0 .. n-1
};

TDiamond MakeDiamond(int n, int p) {
  TDiamond d;
  d.h = std::max((n - 1) / 2, 1);
  const double s = (1.0 - static_cast<double>(p) / 100.0) / (n - 1);
  const int dMax = std::max(n - 1, 2 * d.h);
  d.weight.resize(static_cast<std::size_t>(dMax) + 1);
  for (int k = 0; k <= dMax; ++k) d.weight[k] = std::max(0.0, 1.0 - 2.0 * k * s);
  return d;
}

// Clamped indices -h .. size-1+h -> 0 .. size-1, offset by h.
std::vector<int> EdgeClampTable(int size, int h) {
  std::vector<int> t(static_cast<std::size_t>(size) + 2 * h);
  for (int i = -h; i < size + h; ++i) t[i + h] = std::clamp(i, 0, size - 1);
  return t;
}

// Soft cross: with the weights 1, 0.75 and 0.5 every partial sum is a multiple
// of 0.25 and exact in double, so four times the sum is an integer and the
// weighted mean sum4 / 24 rounds half away from zero as (sum4 + 12) / 24; a
// value that is not a half lies at least 1/24 away from one, far beyond any
// rounding of the division.
void SoftCrossRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
                  std::uint8_t* out, int w) {
  auto pixel = [&](int c, int l, int r) {
    for (int ch = 0; ch < 3; ++ch) {
      const int sum4 = 4 * mid[c + ch] + 3 * (up[c + ch] + down[c + ch] + mid[l + ch] + mid[r + ch]) +
                       2 * (up[l + ch] + up[r + ch] + down[l + ch] + down[r + ch]);
      out[c + ch] = static_cast<std::uint8_t>((sum4 + 12) / 24);
    }
  };
  if (w < 3) {
    for (int x = 0; x < w; ++x) pixel(3 * x, x > 0 ? 3 * x - 3 : 3 * x, x + 1 < w ? 3 * x + 3 : 3 * x);
    return;
  }
  pixel(0, 0, 3);
  // Inside the row every byte has its neighbours 3 bytes away on either side;
  // one flat loop over the bytes lets the compiler use vector instructions.
  const int end = 3 * (w - 1);
  for (int i = 3; i < end; ++i) {
    const int sum4 = 4 * mid[i] + 3 * (up[i] + down[i] + mid[i - 3] + mid[i + 3]) +
                     2 * (up[i - 3] + up[i + 3] + down[i - 3] + down[i + 3]);
    out[i] = static_cast<std::uint8_t>((sum4 + 12) / 24);
  }
  pixel(end, end - 3, end);
}

// Rows y0 .. y1-1 in place, keeping the original of the row above and of the
// current row aside; `above` and `below` are the originals of the rows just
// outside the band (edge rows repeat at the picture's border).
void SoftCrossBand(TBitmap& image, int y0, int y1, const std::vector<std::uint8_t>& above,
                   const std::vector<std::uint8_t>& below) {
  const int w = image.Width();
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  std::vector<std::uint8_t> prev = above;
  std::vector<std::uint8_t> cur(image.ScanLine(y0), image.ScanLine(y0) + bytes);
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* next = y + 1 < y1 ? image.ScanLine(y + 1) : below.data();
    SoftCrossRow(prev.data(), cur.data(), next, image.ScanLine(y), w);
    prev.swap(cur);
    if (y + 1 < y1) std::memcpy(cur.data(), next, bytes);
  }
}

void SoftCross(TBitmap& image) {
  const int w = image.Width();
  const int h = image.Height();
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  auto original = [&](int y) {
    const std::uint8_t* row = image.ScanLine(std::clamp(y, 0, h - 1));
    return std::vector<std::uint8_t>(row, row + bytes);
  };
  // Two bands on the two cores for big pictures; each band reads only its own
  // rows and the saved originals of its neighbours, so the bytes are the same.
  const int split = static_cast<std::size_t>(w) * h >= 1u << 18 ? h / 2 : h;
  const std::vector<std::uint8_t> top = original(-1), mid1 = original(split - 1), mid2 = original(split),
                                   bottom = original(h);
  if (split == h) {
    SoftCrossBand(image, 0, h, top, bottom);
    return;
  }
  ForEachRowBlock(2, 2, [&](std::int32_t b0, std::int32_t b1) {
    for (std::int32_t band = b0; band < b1; ++band) {
      if (band == 0)
        SoftCrossBand(image, 0, split, top, mid2);
      else
        SoftCrossBand(image, split, h, mid1, bottom);
    }
  });
}

// ------------------------------------------------- ring sums
//
// The weight of a window pixel depends only on its city-block distance d, so
// the weighted sum is sum_d w[d] * T[d], T[d] the (integer, exact) sum of the
// bytes at distance d. All terms are non-negative, so the double sums of the
// plain loop ((2h + 1)^2 terms) and of the rings (2h + 1 terms) each lie
// within (2h + 1)^2 * 2^-52 of the exact sum relatively; for h <= 31 the two
// means differ by less than 2^-30. Where the ring mean lies within
// kRingMargin of a half, the byte is worked out again by the plain loop's
// own order, so ClampByte rounds the same value either way. A ring sum is at
// most 8h * 255 and fits 16 bits.

constexpr int kRingMaxHalf = 31;
constexpr double kRingMargin = 0x1p-24;
constexpr std::size_t kRingChunk = 384;  // bytes of a row at a time

std::atomic<int> gSoftenVectors{2};

struct TRingJob {
  int h, side;
  const double* ringWeight;  // by d = 0 .. 2h
  const double* windowWeight;  // the window in the plain loop's order
  double weightSum, inverse;
};

// The plain loop for one byte (channel `c` of pixel x) of the row whose
// window rows (padded by h pixels on either side) are `rows`.
double PlainSum(const TRingJob& job, const std::uint8_t* const* rows, std::size_t x, int c) {
  double sum = 0;
  const double* wp = job.windowWeight;
  for (int i = 0; i < job.side; ++i)
    for (int j = 0; j < job.side; ++j, ++wp) sum += *wp * rows[i][3 * (x + j) + c];
  return sum;
}

__attribute__((always_inline)) inline void RingChunk(const TRingJob& job, const std::uint8_t* const* rows,
                                                     std::size_t i0, std::size_t count, std::uint8_t* out) {
  const int h = job.h;
  alignas(64) std::uint16_t ring[2 * kRingMaxHalf + 1][kRingChunk];
  alignas(64) double acc[kRingChunk];
  alignas(64) std::uint8_t unsure[kRingChunk];
  for (int d = 0; d <= 2 * h; ++d)
    for (std::size_t t = 0; t < count; ++t) ring[d][t] = 0;
  for (int a = 0; a < job.side; ++a)
    for (int b = 0; b < job.side; ++b) {
      std::uint16_t* r = ring[std::abs(a - h) + std::abs(b - h)];
      const std::uint8_t* src = rows[a] + i0 + 3 * static_cast<std::size_t>(b);
      for (std::size_t t = 0; t < count; ++t) r[t] = static_cast<std::uint16_t>(r[t] + src[t]);
    }
  for (std::size_t t = 0; t < count; ++t) acc[t] = 0;
  for (int d = 0; d <= 2 * h; ++d) {
    const double w = job.ringWeight[d];
    const std::uint16_t* r = ring[d];
    for (std::size_t t = 0; t < count; ++t) acc[t] += w * static_cast<double>(static_cast<std::int32_t>(r[t]));
  }
  // Non-negative means: half away from zero is the whole part of mean + 1/2.
  const double inverse = job.inverse;
  for (std::size_t t = 0; t < count; ++t) {
    const double v = acc[t] * inverse + 0.5;
    const std::int32_t whole = static_cast<std::int32_t>(v);
    const double frac = v - whole;
    unsure[t] = static_cast<std::uint8_t>((frac < kRingMargin) | (frac > 1 - kRingMargin));
    out[t] = static_cast<std::uint8_t>(whole > 255 ? 255 : whole);
  }
  for (std::size_t t = 0; t < count; ++t) {
    if (t % 8 == 0 && t + 8 <= count) {
      std::uint64_t any;
      std::memcpy(&any, unsure + t, 8);
      if (any == 0) {
        t += 7;
        continue;
      }
    }
    if (unsure[t]) {
      const std::size_t i = i0 + t;
      out[t] = ClampByte(PlainSum(job, rows, i / 3, static_cast<int>(i % 3)) / job.weightSum);
    }
  }
}

__attribute__((always_inline)) inline void RingRowBody(const TRingJob& job, const std::uint8_t* const* rows,
                                                       std::size_t bytes, std::uint8_t* out) {
  for (std::size_t i0 = 0; i0 < bytes; i0 += kRingChunk)
    RingChunk(job, rows, i0, std::min(kRingChunk, bytes - i0), out + i0);
}

void RingRowSse2(const TRingJob& job, const std::uint8_t* const* rows, std::size_t bytes, std::uint8_t* out) {
  RingRowBody(job, rows, bytes, out);
}
__attribute__((target("avx2"))) void RingRowAvx2(const TRingJob& job, const std::uint8_t* const* rows,
                                                 std::size_t bytes, std::uint8_t* out) {
  RingRowBody(job, rows, bytes, out);
}
__attribute__((target("avx2,avx512f,avx512bw,avx512vl,avx512dq"))) void RingRowAvx512(
    const TRingJob& job, const std::uint8_t* const* rows, std::size_t bytes, std::uint8_t* out) {
  RingRowBody(job, rows, bytes, out);
}

using TRingRow = void (*)(const TRingJob&, const std::uint8_t* const*, std::size_t, std::uint8_t*);

TRingRow RingRowToUse() {
  const int level = std::min<int>(OfferedVectorLevel(), gSoftenVectors.load(std::memory_order_relaxed));
  return level == 2 ? RingRowAvx512 : level == 1 ? RingRowAvx2 : RingRowSse2;
}

void RingSoften(TBitmap& image, const TDiamond& dia, int threads) {
  const int w = image.Width(), hgt = image.Height(), h = dia.h, side = 2 * h + 1;
  std::vector<double> ringWeight(static_cast<std::size_t>(2 * h) + 1), window(static_cast<std::size_t>(side) * side);
  for (int d = 0; d <= 2 * h; ++d) ringWeight[d] = dia.weight[d];
  double sw = 0;
  for (int i = -h; i <= h; ++i)
    for (int j = -h; j <= h; ++j) {
      const double v = dia.weight[std::abs(i) + std::abs(j)];
      window[(i + h) * side + (j + h)] = v;
      sw += v;
    }
  const TRingJob job{h, side, ringWeight.data(), window.data(), sw, 1 / sw};
  // The source rows with h edge pixels repeated on either side.
  const std::size_t padded = 3 * (static_cast<std::size_t>(w) + 2 * h);
  const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[padded * hgt]);  // every byte written below
  ForEachRowBlock(hgt, threads, [&](std::int32_t y0, std::int32_t y1) {
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* in = image.ScanLine(y);
      std::uint8_t* row = copy.get() + padded * y;
      std::memcpy(row + 3 * h, in, 3 * static_cast<std::size_t>(w));
      for (int x = 0; x < h; ++x) {
        std::memcpy(row + 3 * x, in, 3);
        std::memcpy(row + 3 * (w + h + x), in + 3 * (w - 1), 3);
      }
    }
  });
  const TRingRow ringRow = RingRowToUse();
  ForEachRowBlock(hgt, threads, [&](std::int32_t y0, std::int32_t y1) {
    std::vector<const std::uint8_t*> rows(side);
    for (int y = y0; y < y1; ++y) {
      for (int i = -h; i <= h; ++i) rows[i + h] = copy.get() + padded * std::clamp(y + i, 0, hgt - 1);
      ringRow(job, rows.data(), 3 * static_cast<std::size_t>(w), image.ScanLine(y));
    }
  });
}

}  // namespace

void LimitSoftenVectors(int level) { gSoftenVectors.store(level, std::memory_order_relaxed); }

bool DiamondSoftenReference(TBitmap& image, int n, int p) {
  if (!Is24(image) || n < 3) return false;
  if (image.Empty()) return true;
  const int w = image.Width();
  const int hgt = image.Height();
  const TDiamond dia = MakeDiamond(n, p);
  const int h = dia.h;
  const TBitmap copy = image;
  for (int y = 0; y < hgt; ++y) {
    std::uint8_t* out = image.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      double sb = 0, sg = 0, sr = 0, sw = 0;
      for (int i = -h; i <= h; ++i) {
        const std::uint8_t* row = copy.ScanLine(std::clamp(y + i, 0, hgt - 1));
        for (int j = -h; j <= h; ++j) {
          const std::uint8_t* px = row + 3 * std::clamp(x + j, 0, w - 1);
          const double wt = dia.weight[std::abs(i) + std::abs(j)];
          sb += wt * px[0];
          sg += wt * px[1];
          sr += wt * px[2];
          sw += wt;
        }
      }
      out[3 * x + 0] = ClampByte(sb / sw);
      out[3 * x + 1] = ClampByte(sg / sw);
      out[3 * x + 2] = ClampByte(sr / sw);
    }
  }
  return true;
}

bool DiamondSoften(TBitmap& image, int n, int p, int threads) {
  if (!Is24(image) || n < 3) return false;
  if (image.Empty()) return true;
  if (n == 3 && p == 75) {
    SoftCross(image);
    return true;
  }
  const int w = image.Width();
  const int hgt = image.Height();
  const TDiamond dia = MakeDiamond(n, p);
  const int h = dia.h;
  if (h <= kRingMaxHalf) {
    RingSoften(image, dia, threads);
    return true;
  }
  const int side = 2 * h + 1;
  const TBitmap copy = image;
  const std::vector<int> col = EdgeClampTable(w, h);
  // Weights of the window in visiting order; the sums keep the plain loop's
  // order so that every rounding of the double additions is the same.
  std::vector<double> wt(static_cast<std::size_t>(side) * side);
  double sw = 0;
  for (int i = -h; i <= h; ++i)
    for (int j = -h; j <= h; ++j) {
      const double v = dia.weight[std::abs(i) + std::abs(j)];
      wt[(i + h) * side + (j + h)] = v;
      sw += v;
    }
  std::vector<const std::uint8_t*> rows(side);
  for (int y = 0; y < hgt; ++y) {
    for (int i = -h; i <= h; ++i) rows[i + h] = copy.ScanLine(std::clamp(y + i, 0, hgt - 1));
    std::uint8_t* out = image.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      double sb = 0, sg = 0, sr = 0;
      const double* wp = wt.data();
      for (int i = 0; i < side; ++i) {
        const std::uint8_t* row = rows[i];
        for (int j = 0; j < side; ++j, ++wp) {
          const std::uint8_t* px = row + 3 * col[x + j];
          sb += *wp * px[0];
          sg += *wp * px[1];
          sr += *wp * px[2];
        }
      }
      out[3 * x + 0] = ClampByte(sb / sw);
      out[3 * x + 1] = ClampByte(sg / sw);
      out[3 * x + 2] = ClampByte(sr / sw);
    }
  }
  return true;
}

}  // namespace kira
