// Standing a photo upright by its EXIF orientation: the eight ways a camera
// may have stored the picture, undone by exact pixel moves.
//
//   value  stored row 0 is   stored column 0 is   to stand it upright
//     1    the top           the left             nothing
//     2    the top           the right            mirror left-right
//     3    the bottom        the right            turn 180°
//     4    the bottom        the left             mirror top-bottom
//     5    the left          the top              transpose (mirror along the main diagonal)
//     6    the right         the top              turn 90° clockwise
//     7    the right         the bottom           transverse (mirror along the other diagonal)
//     8    the left          the bottom           turn 90° anticlockwise
//
// Values 5 to 8 swap width and height. The size limits of picture_limits.h
// hold for both sides alike, so a picture within them stays within them.
#pragma once

#include "core/bitmap.h"

namespace kira {

inline constexpr int kTopLeft = 1;  // the orientation of a picture stored upright

// True for 5..8, the orientations whose upright picture is height x width.
inline bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Turns a 24-bit picture upright as `orientation` (1..8, the table above)
// asks. 1 and values outside 1..8 leave it as it is, without a copy; 2 to 4
// work in place; 5 to 8 make the turned picture and then drop the stored one,
// so for a moment both are held. Returns false, changing nothing, for a
// picture that is not 24 bits. Throws std::bad_alloc when the turned picture
// cannot be made; the picture is then unchanged.
bool OrientUpright(TBitmap& picture, int orientation);

}  // namespace kira
