// The four tone curves of the brightness page, their curve pictures and the
// texts of their value labels. Each curve maps a byte 0..255 to a byte and is
// applied alike to the blue, green and red byte of every pixel; rounding is
// RoundHalfAway / ClampByte throughout.
//
//   gamma     x = position / 20, x = -3.5 taken as -3.49;
//             g = 1 + x (x >= 0) or (x + 3.5) * 0.22 + 0.23 (x < 0);
//             f(v) = ClampByte(255 * (v / 255)^(1 / g))
//   tilt      t degrees, k = tan(45 - |t|);
//             t > 0: f(v) = 255 - ClampByte(k * (255 - v))   (pivot at white)
//             t < 0: f(v) = ClampByte(k * v)                 (pivot at black)
//   shift     f(v) = ClampByte(v + 2.55 * p)
//   contrast  d = RoundHalfAway(p / 100 * (v - 127.5)); f(v) = v + d limited
//             to 0..255 (a line through 127.5)
//
// A parameter of exactly 0 leaves the picture as it is.
#pragma once

#include <string>

#include "core/bitmap.h"
#include "tone/byte_map.h"

namespace kira {

// The curve byte functions as tables. The page's ranges: gamma x -3.5..3.5
// (track bar -70..70 over 20), tilt -35..35 degrees, shift -70..70, contrast
// -90..90. Values beyond give a table too, never a fault.
TToneTable GammaTable(double x);
TToneTable TiltTable(double angleDeg);
TToneTable ShiftTable(double position);
TToneTable ContrastTable(double position);

// The gamma value g for x (the -3.49 replacement included), and the exponent
// used is 1 / g. In double precision.
double GammaValue(double x);

// The curves, in place. False and the picture unchanged when it is not 24
// bits per pixel. The rows are shared among `threads` threads.
bool GammaCurve(TBitmap& bitmap, double x, int threads = 1);
bool TiltCurve(TBitmap& bitmap, double angleDeg, int threads = 1);
bool ShiftCurve(TBitmap& bitmap, double position, int threads = 1);
bool ContrastCurve(TBitmap& bitmap, double position, int threads = 1);

// The same from a source into a result (result := source, then the curve) in
// one pass: a Preview's copy and effect together. False and the result
// unchanged when the source is not 24 bits per pixel.
bool GammaCurve(const TBitmap& source, TBitmap& result, double x, int threads = 1);
bool TiltCurve(const TBitmap& source, TBitmap& result, double angleDeg, int threads = 1);
bool ShiftCurve(const TBitmap& source, TBitmap& result, double position, int threads = 1);
bool ContrastCurve(const TBitmap& source, TBitmap& result, double position, int threads = 1);

// The curve pictures: the bitmap becomes a white 255 x 255 24-bit picture
// with the curve drawn in black, one pixel wide. The input value runs from the
// left, the output value from the bottom (y = 255 - output); lines leave out
// their end pixel, and points at 255 lie just outside and are clipped.
// Gamma: x as the label holds it (GammaLabelX), the rest in double precision.
void DrawGammaCurve(TBitmap& bitmap, double x);
void DrawTiltCurve(TBitmap& bitmap, double angleDeg);
void DrawShiftCurve(TBitmap& bitmap, double position);
void DrawContrastCurve(TBitmap& bitmap, double position);

// Gamma track-bar position as the label and the picture hold it: p / 20
// rounded to single precision.
float GammaLabelX(int position);
// g in single precision from that x (-3.49 as a single-precision value).
float GammaLabelValue(int position);

// Label texts in the format "0.00": LabelGamma shows g in single precision
// (-65 gives "0.28"), the other three labels the raw position (-35 gives
// "-35.00").
std::string GammaLabelText(int position);
std::string PositionLabelText(int position);

// value with two decimals, halves away from zero on the exact decimal value
// of the binary number: 0.285f (0.28499999...) gives "0.28", 0.125 "0.13".
std::string FormatFixed2(long double value);

}  // namespace kira
