#include "effects/color_effects.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>

#include "core/parallel_rows.h"
#include "core/vector_level.h"
#include "effects/byte_convert.h"

namespace kira {

namespace {

using ld = long double;

// Trunc of a channel value that the formulas keep within 0..255; limited so
// that odd arguments of HslToRgb cannot overflow the conversion.
std::uint8_t TruncByte(ld value) {
  if (!(value > 0)) return 0;
  if (value >= 255) return 255;
  return static_cast<std::uint8_t>(static_cast<int>(value));
}

// The hue of RgbToHsl from the channels already divided by 255, their maximum
// and d = max - min (d not below 0.000001).
std::int32_t HueOf(ld r, ld g, ld b, ld mx, ld d) {
  ld h;
  if (r == mx) {
    h = (g - b) / d;
  } else if (g == mx) {
    h = 2 + (b - r) / d;
  } else {
    h = 4 + (r - g) / d;
  }
  h = h * 60;
  if (h < 0) h = h + 360;
  return static_cast<std::int32_t>(TruncNonNegativeX87(h));
}

// Everything of the luminance round trip that does not depend on the amount,
// made once from RgbToHsl and HslToRgb themselves:
// - saturation and lightness depend only on the largest and smallest channel;
// - for a given (S, L) a channel is one of 63 bytes: the ramp p + d k / 60 for
//   k = 0..60, q, or p; which one follows from the channel's angle alone.
struct TLuminanceTables {
  static constexpr int kQ = 61;
  static constexpr int kP = 62;
  std::array<ld, 256> unit{};                 // v / 255
  std::array<std::uint8_t, 65536> sat{};      // [max * 256 + min]
  std::array<std::uint8_t, 65536> light{};
  std::array<std::array<std::uint8_t, 64>, 101 * 101> row{};  // [S * 101 + L]
  std::array<std::uint8_t, 360> redEntry{}, greenEntry{}, blueEntry{};
  std::array<std::uint64_t, 256> reciprocal{};  // floor(2^32 / d) + 1

  TLuminanceTables() {
    for (int d = 1; d < 256; ++d) reciprocal[d] = (std::uint64_t{1} << 32) / d + 1;
    for (int v = 0; v < 256; ++v) unit[v] = v / static_cast<ld>(255);
    for (int mx = 0; mx < 256; ++mx) {
      for (int mn = 0; mn <= mx; ++mn) {
        const THsl hsl = RgbToHsl(mx * 65536 + mn * 256 + mn);
        sat[mx * 256 + mn] = static_cast<std::uint8_t>(hsl.Saturation);
        light[mx * 256 + mn] = static_cast<std::uint8_t>(hsl.Lightness);
      }
    }
    std::uint8_t px[3];
    const auto green = [&](int hue, int s, int l) {
      HslToRgb(px, hue, s, l);
      return px[1];
    };
    for (int s = 0; s <= 100; ++s) {
      for (int l = 0; l <= 100; ++l) {
        std::array<std::uint8_t, 64>& e = row[s * 101 + l];
        // The green channel's angle is the hue: 0..59 rise, 180 is the ramp
        // at 60 from the other side, 120 is q and 300 is p.
        for (int k = 0; k < 60; ++k) e[k] = green(k, s, l);
        e[60] = green(180, s, l);
        e[kQ] = green(120, s, l);
        e[kP] = green(300, s, l);
      }
    }
    const auto entry = [](int t) {
      if (t < 60) return t;
      if (t < 180) return kQ;
      if (t < 240) return 240 - t;
      return kP;
    };
    for (int h = 0; h < 360; ++h) {
      redEntry[h] = static_cast<std::uint8_t>(entry(h + 120 >= 360 ? h - 240 : h + 120));
      greenEntry[h] = static_cast<std::uint8_t>(entry(h));
      blueEntry[h] = static_cast<std::uint8_t>(entry(h - 120 < 0 ? h + 240 : h - 120));
    }
  }
};

// The hue of RgbToHsl for a colour with max > min. Its exact value is
// n / d with d = max - min (1..255) and n = base d + 60 num (+ 360 d when
// negative), and the extended-precision formula stays within 10^-14 of it.
// When d does not divide n the value is at least 1 / 255 from an integer, so
// its integer part is n div d; only whole values need the formula, whose
// rounding may leave them just below.
std::int32_t FastHue(const TLuminanceTables& t, int r, int g, int b, int mx, int mn) {
  int base, num;
  if (r == mx) {
    base = 0;
    num = g - b;
  } else if (g == mx) {
    base = 120;
    num = b - r;
  } else {
    base = 240;
    num = r - g;
  }
  if (num == 0) return base;  // (g - b) / d is exactly 0 in the formula too
  const int d = mx - mn;
  int n = base * d + 60 * num;
  if (n < 0) n += 360 * d;
  // n < 2^17: the product with floor(2^32 / d) + 1 errs by less than
  // 2^-15 < 1 / d, so it gives n div d exactly.
  const auto q = static_cast<std::int32_t>((static_cast<std::uint64_t>(n) * t.reciprocal[d]) >> 32);
  if (q * d != n) return q;
  return HueOf(t.unit[r], t.unit[g], t.unit[b], t.unit[mx], t.unit[mx] - t.unit[mn]);
}

const TLuminanceTables& LuminanceTables() {
  static const auto tables = std::make_unique<TLuminanceTables>();
  return *tables;
}

// ------------------------------------------------ saturation in blocks
//
// For whole amounts |A| <= 100 every number of the integer form below fits 32
// bits: the products are at most 2 * 10^6 * 255 and 10^6 * 255. A block of
// pixels is split into channels and goes through straight loops that the
// compiler turns into vector code; the quotient by 10^6 comes from a double
// division, exact in its whole part since 10^6 q + r with r > 0 leaves a
// fraction of at least 10^-6, far above the division's rounding. Exact halves
// are marked, and those channels take the extended formula afterwards.

constexpr int kSatBlock = 256;
std::atomic<int> gSaturationVectors{2};

struct TSatBlock {
  std::int32_t v[3][kSatBlock];   // blue, green, red in; bytes out
  std::uint8_t tie[3][kSatBlock];
};

__attribute__((always_inline)) inline void SaturationBlockBody(TSatBlock& blk, int count, std::int32_t a,
                                                               std::int32_t k) {
  for (int i = 0; i < count; ++i) {
    const std::int32_t b = blk.v[0][i], g = blk.v[1][i], r = blk.v[2][i];
    const std::int32_t grey = a * (3086 * r + 6094 * g + 820 * b);
    for (int c = 0; c < 3; ++c) {
      const std::int32_t n = std::clamp(k * (c == 0 ? b : c == 1 ? g : r) - grey, 0, 255000000);
      const std::int32_t m = n + 500000;
      const std::int32_t q = static_cast<std::int32_t>(static_cast<double>(m) / 1000000.0);
      blk.tie[c][i] = static_cast<std::uint8_t>(q * 1000000 == m);
      blk.v[c][i] = q;
    }
  }
}

void SaturationBlockSse2(TSatBlock& blk, int count, std::int32_t a, std::int32_t k) {
  SaturationBlockBody(blk, count, a, k);
}
__attribute__((target("avx2"))) void SaturationBlockAvx2(TSatBlock& blk, int count, std::int32_t a,
                                                         std::int32_t k) {
  SaturationBlockBody(blk, count, a, k);
}
__attribute__((target("avx2,avx512f,avx512bw,avx512vl,avx512dq"))) void SaturationBlockAvx512(
    TSatBlock& blk, int count, std::int32_t a, std::int32_t k) {
  SaturationBlockBody(blk, count, a, k);
}

using TSatBlockFn = void (*)(TSatBlock&, int, std::int32_t, std::int32_t);

TSatBlockFn SaturationBlockToUse() {
  const int level = std::min<int>(OfferedVectorLevel(), gSaturationVectors.load(std::memory_order_relaxed));
  return level == 2 ? SaturationBlockAvx512 : level == 1 ? SaturationBlockAvx2 : SaturationBlockSse2;
}

}  // namespace

void LimitSaturationVectors(int level) { gSaturationVectors.store(level, std::memory_order_relaxed); }

bool AdjustSaturation(TBitmap& bitmap, long double amount, int threads) {
  if (!Is24(bitmap)) return false;
  const ld s = amount / 100 + 1;
  const ld u = 1 - s;
  const ld wr = u * kSatWeightRed;
  const ld wg = u * kSatWeightGreen;
  const ld wb = u * kSatWeightBlue;
  // Every product has one byte as a factor, so it is taken from a table of
  // the same products; the sums keep the order of the formulas.
  std::array<ld, 256> rs, gs, bs, rw, gw, bw;
  for (int v = 0; v < 256; ++v) {
    rs[v] = v * (s + wr);
    gs[v] = v * (s + wg);
    bs[v] = v * (s + wb);
    rw[v] = wr * v;
    gw[v] = wg * v;
    bw[v] = wb * v;
  }
  const auto red = [&](int r, int g, int b) { return RoundClampByteX87(rs[r] + gw[g] + bw[b]); };
  const auto green = [&](int r, int g, int b) { return RoundClampByteX87(bw[b] + (rw[r] + gs[g])); };
  const auto blue = [&](int r, int g, int b) { return RoundClampByteX87(gw[g] + rw[r] + bs[b]); };
  TBmpData24 data(bitmap);
  const int w = data.Width();
  // For a whole amount A the exact value of a channel C is
  //   (10^4 (100 + A) C - A (3086 R + 6094 G + 820 B)) / 10^6,
  // a multiple of 10^-6, while the extended-precision formula stays within
  // 10^-14 of it (|A| <= 1000). So the byte follows from integers, except at
  // an exact half, where the formula's own rounding error decides.
  const bool whole = amount == std::trunc(amount) && amount >= -1000 && amount <= 1000;
  const std::int64_t a = whole ? static_cast<std::int64_t>(amount) : 0;
  const std::int64_t k = 10000 * (100 + a);
  constexpr std::int64_t kUnit = 1000000;
  constexpr std::int64_t kTie = -1;
  // The byte of N / 10^6, or kTie at an exact half.
  const auto byteOf = [](std::int64_t n) -> std::int64_t {
    if (n <= 0) return 0;
    if (n >= 255 * kUnit) return 255;
    const std::int64_t m = n + kUnit / 2;
    const std::int64_t q = m / kUnit;
    return q * kUnit == m ? kTie : q;
  };
  if (whole && a >= -100 && a <= 100) {
    const TSatBlockFn block = SaturationBlockToUse();
    ForEachRowBlock(data.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
      const auto blk = std::make_unique<TSatBlock>();
      for (std::int32_t y = y0; y < y1; ++y) {
        std::uint8_t* row = data.Row(y);
        for (int x0 = 0; x0 < w; x0 += kSatBlock) {
          const int count = std::min(kSatBlock, w - x0);
          std::uint8_t* p = row + 3 * x0;
          for (int i = 0; i < count; ++i)
            for (int c = 0; c < 3; ++c) blk->v[c][i] = p[3 * i + c];
          block(*blk, count, static_cast<std::int32_t>(a), static_cast<std::int32_t>(k));
          for (int i = 0; i < count; ++i) {
            const int b = p[3 * i], g = p[3 * i + 1], r = p[3 * i + 2];
            p[3 * i] = blk->tie[0][i] ? blue(r, g, b) : static_cast<std::uint8_t>(blk->v[0][i]);
            p[3 * i + 1] = blk->tie[1][i] ? green(r, g, b) : static_cast<std::uint8_t>(blk->v[1][i]);
            p[3 * i + 2] = blk->tie[2][i] ? red(r, g, b) : static_cast<std::uint8_t>(blk->v[2][i]);
          }
        }
      }
    });
    return true;
  }
  ForEachRowBlock(data.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    for (std::int32_t y = y0; y < y1; ++y) {
      std::uint8_t* p = data.Row(y);
      if (!whole) {
        for (int x = 0; x < w; ++x, p += 3) {
          const int b = p[0], g = p[1], r = p[2];
          p[2] = red(r, g, b);
          p[1] = green(r, g, b);
          p[0] = blue(r, g, b);
        }
        continue;
      }
      for (int x = 0; x < w; ++x, p += 3) {
        const int b = p[0], g = p[1], r = p[2];
        const std::int64_t grey = a * (3086 * r + 6094 * g + 820 * b);
        const std::int64_t nr = byteOf(k * r - grey);
        const std::int64_t ng = byteOf(k * g - grey);
        const std::int64_t nb = byteOf(k * b - grey);
        p[2] = nr == kTie ? red(r, g, b) : static_cast<std::uint8_t>(nr);
        p[1] = ng == kTie ? green(r, g, b) : static_cast<std::uint8_t>(ng);
        p[0] = nb == kTie ? blue(r, g, b) : static_cast<std::uint8_t>(nb);
      }
    }
  });
  return true;
}

THsl RgbToHsl(std::int32_t color) {
  const ld r = ((color >> 16) & 255) / static_cast<ld>(255);
  const ld g = ((color >> 8) & 255) / static_cast<ld>(255);
  const ld b = (color & 255) / static_cast<ld>(255);
  const ld mx = std::max(std::max(r, g), b);
  const ld mn = std::min(std::min(r, g), b);
  const ld d = mx - mn;
  const ld l = (mx + mn) / 2;
  THsl out;
  ld s = 0;
  if (!(d < 0.000001L)) {
    s = l > 0.5L ? d / (2 - mx - mn) : d / (mx + mn);
    out.Hue = HueOf(r, g, b, mx, d);
  }
  out.Saturation = static_cast<std::int32_t>(s * 100);
  out.Lightness = static_cast<std::int32_t>(l * 100);
  return out;
}

void HslToRgb(std::uint8_t* pixel, std::int32_t hue, std::int32_t saturation, std::int32_t lightness) {
  const ld l = lightness / static_cast<ld>(100);
  if (saturation == 0) {
    const std::uint8_t v = TruncByte(l * 255);
    pixel[0] = pixel[1] = pixel[2] = v;
    return;
  }
  const ld s = saturation / static_cast<ld>(100);
  const ld q = l > 0.5L ? l + s * (1 - l) : (s + 1) * l;
  const ld p = 2 * l - q;
  const ld d = q - p;
  const auto channel = [&](std::int32_t t) -> ld {
    if (t < 0) return 0;
    if (t < 60) return p + d * t / 60;
    if (t < 180) return q;
    if (t < 240) return p + d * (240 - t) / 60;
    if (t < 360) return p;
    return 0;
  };
  const std::int32_t tr = hue + 120 >= 360 ? hue - 240 : hue + 120;
  const std::int32_t tb = hue - 120 < 0 ? hue + 240 : hue - 120;
  pixel[2] = TruncByte(channel(tr) * 255);
  pixel[1] = TruncByte(channel(hue) * 255);
  pixel[0] = TruncByte(channel(tb) * 255);
}

bool AdjustLuminance(TBitmap& bitmap, std::int32_t amount, int threads) {
  if (amount < -100 || amount > 100 || !Is24(bitmap)) return false;
  const TLuminanceTables& t = LuminanceTables();
  std::array<std::uint8_t, 101> scaled;
  const ld factor = amount / static_cast<ld>(100) + 1;
  for (int l = 0; l <= 100; ++l) {
    scaled[l] = static_cast<std::uint8_t>(std::min<std::int32_t>(static_cast<std::int32_t>(factor * l), 100));
  }
  TBmpData24 data(bitmap);
  const int w = data.Width();
  ForEachRowBlock(data.Height(), threads, [&](std::int32_t y0, std::int32_t y1) {
    for (std::int32_t y = y0; y < y1; ++y) {
      std::uint8_t* p = data.Row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const int b = p[0], g = p[1], r = p[2];
        const int mx = std::max(std::max(r, g), b);
        const int mn = std::min(std::min(r, g), b);
        const int key = mx * 256 + mn;
        const int s = t.sat[key];
        const std::array<std::uint8_t, 64>& e = t.row[s * 101 + scaled[t.light[key]]];
        if (s == 0) {
          p[0] = p[1] = p[2] = e[0];
          continue;
        }
        const int h = FastHue(t, r, g, b, mx, mn);
        p[0] = e[t.blueEntry[h]];
        p[1] = e[t.greenEntry[h]];
        p[2] = e[t.redEntry[h]];
      }
    }
  });
  return true;
}

}  // namespace kira
