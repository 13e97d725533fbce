#include "tone/tone_curves.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/rounding.h"

namespace kira {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;

bool Curve(const TBitmap& source, TBitmap& result, double parameter, TToneTable (*table)(double),
           int threads) {
  if (!Is24(source)) return false;
  if (parameter == 0) {
    if (&source != &result) result = source;
    return true;
  }
  return MapBytes(source, result, table(parameter), threads);
}

// A canvas over a 24-bit picture with a one-pixel black pen: line-to leaves
// out the end pixel, and pixels outside the picture are clipped.
class TPenCanvas {
 public:
  explicit TPenCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

  void MoveTo(int x, int y) {
    x_ = x;
    y_ = y;
  }

  // Bresenham's walk from the pen to (x, y); the pen ends at (x, y).
  void LineTo(int x, int y) {
    const int dx = std::abs(x - x_), sx = x_ < x ? 1 : -1;
    const int dy = -std::abs(y - y_), sy = y_ < y ? 1 : -1;
    int err = dx + dy;
    int px = x_, py = y_;
    while (px != x || py != y) {
      Plot(px, py);
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        px += sx;
      }
      if (e2 <= dx) {
        err += dx;
        py += sy;
      }
    }
    MoveTo(x, y);
  }

 private:
  void Plot(int x, int y) {
    if (x < 0 || y < 0 || x >= bitmap_.Width() || y >= bitmap_.Height()) return;
    std::uint8_t* p = bitmap_.ScanLine(y) + 3 * x;
    p[0] = p[1] = p[2] = 0;
  }

  TBitmap& bitmap_;
  int x_ = 0, y_ = 0;
};

// The picture's blank: 255 x 255 (not 256), white, 24 bits.
TPenCanvas BlankPicture(TBitmap& bitmap) {
  bitmap = TBitmap(255, 255, TPixelFormat::pf24bit);
  for (int y = 0; y < bitmap.Height(); ++y) std::memset(bitmap.ScanLine(y), 255, 3 * 255);
  return TPenCanvas(bitmap);
}

}  // namespace

double GammaValue(double x) {
  if (x == -3.5) x = -3.49;  // the lowest position: g = 0.2322, not 0.23
  return x >= 0 ? 1 + x : (x + 3.5) * 0.22 + 0.23;
}

TToneTable GammaTable(double x) {
  const double e = 1 / GammaValue(x);
  TToneTable t{};
  t[0] = 0;  // base 0 gives 0 whatever the exponent
  for (int v = 1; v < 256; ++v) t[v] = ClampByte(255 * std::pow(v / 255.0, e));
  return t;
}

TToneTable TiltTable(double angleDeg) {
  if (angleDeg == 0) return IdentityTable();
  const double k = std::tan((45 - std::fabs(angleDeg)) * kDegToRad);
  TToneTable t{};
  for (int v = 0; v < 256; ++v)
    t[v] = angleDeg > 0 ? static_cast<std::uint8_t>(255 - ClampByte(k * (255 - v))) : ClampByte(k * v);
  return t;
}

TToneTable ShiftTable(double position) {
  const double d = 2.55 * position;
  TToneTable t{};
  for (int v = 0; v < 256; ++v) t[v] = ClampByte(v + d);
  return t;
}

TToneTable ContrastTable(double position) {
  const double c = position / 100;
  TToneTable t{};
  for (int v = 0; v < 256; ++v) {
    // The shift is rounded on its own, then added: not ClampByte of the sum.
    const std::int64_t f = static_cast<std::int64_t>(v) + RoundHalfAway(c * (v - 127.5));
    t[v] = static_cast<std::uint8_t>(f < 0 ? 0 : (f > 255 ? 255 : f));
  }
  return t;
}

bool GammaCurve(TBitmap& bitmap, double x, int threads) { return Curve(bitmap, bitmap, x, GammaTable, threads); }
bool TiltCurve(TBitmap& bitmap, double angleDeg, int threads) {
  return Curve(bitmap, bitmap, angleDeg, TiltTable, threads);
}
bool ShiftCurve(TBitmap& bitmap, double position, int threads) {
  return Curve(bitmap, bitmap, position, ShiftTable, threads);
}
bool ContrastCurve(TBitmap& bitmap, double position, int threads) {
  return Curve(bitmap, bitmap, position, ContrastTable, threads);
}

bool GammaCurve(const TBitmap& source, TBitmap& result, double x, int threads) {
  return Curve(source, result, x, GammaTable, threads);
}
bool TiltCurve(const TBitmap& source, TBitmap& result, double angleDeg, int threads) {
  return Curve(source, result, angleDeg, TiltTable, threads);
}
bool ShiftCurve(const TBitmap& source, TBitmap& result, double position, int threads) {
  return Curve(source, result, position, ShiftTable, threads);
}
bool ContrastCurve(const TBitmap& source, TBitmap& result, double position, int threads) {
  return Curve(source, result, position, ContrastTable, threads);
}

void DrawGammaCurve(TBitmap& bitmap, double x) {
  TPenCanvas canvas = BlankPicture(bitmap);
  const TToneTable t = GammaTable(x);
  // From the top-left corner: the first line runs down the left edge.
  canvas.MoveTo(0, 0);
  for (int i = 0; i < 256; ++i) canvas.LineTo(i, 255 - t[i]);
}

void DrawTiltCurve(TBitmap& bitmap, double angleDeg) {
  TPenCanvas canvas = BlankPicture(bitmap);
  const double a = (45 + angleDeg) * kDegToRad;
  if (angleDeg > 0) {
    canvas.MoveTo(255, 0);
    canvas.LineTo(0, ClampByte(255 / std::tan(a)));
  } else {
    canvas.MoveTo(0, 255);
    canvas.LineTo(255, 255 - ClampByte(255 * std::tan(a)));
  }
}

void DrawShiftCurve(TBitmap& bitmap, double position) {
  TPenCanvas canvas = BlankPicture(bitmap);
  const int s = RoundHalfAway(255 * std::fabs(position) / 100);
  if (position > 0) {
    canvas.MoveTo(0, 255 - s);
    canvas.LineTo(255 - s, 0);
  } else {
    canvas.MoveTo(s, 255);
    canvas.LineTo(255, s);
  }
}

void DrawContrastCurve(TBitmap& bitmap, double position) {
  TPenCanvas canvas = BlankPicture(bitmap);
  const double a = 127.5 * std::fabs(position) / 100;
  if (position > 0) {
    canvas.MoveTo(RoundHalfAway(a), 255);
    canvas.LineTo(RoundHalfAway(255 - a), 0);
  } else {
    canvas.MoveTo(0, RoundHalfAway(255 - a));
    canvas.LineTo(255, RoundHalfAway(a));
  }
}

float GammaLabelX(int position) { return static_cast<float>(static_cast<long double>(position) / 20); }

float GammaLabelValue(int position) {
  float x = GammaLabelX(position);
  if (x == -3.5f) x = -3.49f;
  return static_cast<float>(x >= 0 ? 1 + static_cast<double>(x) : (x + 3.5) * 0.22 + 0.23);
}

std::string GammaLabelText(int position) { return FormatFixed2(GammaLabelValue(position)); }

std::string PositionLabelText(int position) { return FormatFixed2(position); }

std::string FormatFixed2(long double value) {
  char buf[128];
  if (!(std::fabs(value) < 1e15L)) {
    // Beyond anything a label shows; no exact tie handling needed there.
    std::snprintf(buf, sizeof buf, "%.2Le", value);
    return buf;
  }
  // The exact decimal expansion (glibc prints every digit of the binary
  // value), then halves away from zero by the third decimal alone.
  std::snprintf(buf, sizeof buf, "%.80Lf", std::fabs(value));
  const std::string s = buf;
  const std::size_t dot = s.find('.');
  std::string digits = s.substr(0, dot) + s.substr(dot + 1, 2);
  if (s[dot + 3] >= '5') {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) digits.insert(digits.begin(), '1');
    else ++digits[i - 1];
  }
  const bool zero = digits.find_first_not_of('0') == std::string::npos;
  std::string out = (value < 0 && !zero) ? "-" : "";
  out += digits.substr(0, digits.size() - 2) + "." + digits.substr(digits.size() - 2);
  return out;
}

}  // namespace kira
