// Star rays. Every ray line is drawn horizontally: for a slanted line the
// bright-point picture is turned by an angle, horizontal rays are drawn, the
// picture is turned back and its centre is cut out at the original size. Both
// turns pick pixels by truncated coordinates, so a turned line can land a pixel
// or two off its point; that displacement is part of the result.
// All functions refuse a bitmap that is not 24 bits per pixel (false,
// unchanged).
#pragma once

#include <vector>

#include "core/bitmap.h"

namespace kira {

enum class TStarKind { Cross, Snow, Sunny };

// Replaces the picture by the light of horizontal rays from its non-black
// pixels. A pixel of value c lights the pixel at distance r = 1 .. L on its row
// with about c * D/100 * (1 - r/L) (single-precision steps, sums rounded half
// away from zero, limited to 255). The right arm stops at column W - 2, the
// left arm at column 0; the point itself gets nothing from its own rays.
// lengthPx < 1 or intensityPct < 1: the picture is left as it is.
bool DrawHorizontalRays(TBitmap& image, int lengthPx, int intensityPct);

// Replaces the picture by a copy turned clockwise on screen by angleDeg onto
// the bounding box of the turned corners (truncated), pixels chosen by the
// truncated inverse mapping; outside the picture is black. Size changes.
bool RotateByAngle(TBitmap& image, int angleDeg);

// Replaces the picture by the w x h block at its centre, offset
// ((W - w) / 2, (H - h) / 2) truncated toward zero. Where the block reaches
// beyond the picture (a turned pair can come back a pixel smaller) the pixels
// are black.
bool CropCentre(TBitmap& image, int w, int h);

// Rotation angles phi of the ray lines of a kind, in drawing order, for
// a = -R: cross a, 90 + a; snow a, 60 + a, 120 + a; sunny a, 45 + a, 90 + a,
// 135 + a.
std::vector<int> StarAngles(TStarKind kind, int a);

// out := the ray image of the bright-point picture for one kind (the sum,
// saturating at 255, of one ray picture per angle), the size of
// brightPoints. brightPoints is only read and may not be out.
bool DrawStar(const TBitmap& brightPoints, TBitmap& out, TStarKind kind, int lengthPx,
              int intensityPct, int a);
bool DrawCross(const TBitmap& brightPoints, TBitmap& out, int lengthPx, int intensityPct, int a);
bool DrawSnow(const TBitmap& brightPoints, TBitmap& out, int lengthPx, int intensityPct, int a);
bool DrawSunny(const TBitmap& brightPoints, TBitmap& out, int lengthPx, int intensityPct, int a);

// DrawStar follows the non-black pixels one by one through both turns while
// they are few (DrawStarSparse) and otherwise gathers every result pixel from
// the ray rows of the turned picture, making only the stretch of each row that
// lies on the turned picture (DrawStarByRows: time and memory follow the
// picture's own area, not its turned bounding box, which for a long thin
// picture is thousands of times larger). All add the ray steps from a table of
// rounded steps. DrawStarReference turns, draws and crops whole pictures with
// the plain functions above, step by step as written; it is the oracle the
// tests hold the others to.
bool DrawStarReference(const TBitmap& brightPoints, TBitmap& out, TStarKind kind, int lengthPx,
                       int intensityPct, int a);
bool DrawStarSparse(const TBitmap& brightPoints, TBitmap& out, TStarKind kind, int lengthPx,
                    int intensityPct, int a);
bool DrawStarByRows(const TBitmap& brightPoints, TBitmap& out, TStarKind kind, int lengthPx,
                    int intensityPct, int a);

}  // namespace kira
