// Photo metadata carried from an opened JPEG to the saved one: the EXIF block
// (camera, date, exposure, GPS) and the ICC colour profile.
//
// A JPEG is read upright (its EXIF orientation applied), so the EXIF written
// back says orientation 1 (top-left) and carries no thumbnail: every viewer
// then shows the saved file as the editor showed it. A BMP has no metadata; a
// picture saved from one gets none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kira {

struct TPhotoMetadata {
  // The APP1 payload as read, starting with "Exif\0\0"; empty when none.
  std::vector<std::uint8_t> exif;
  // The whole ICC profile (the APP2 chunks joined); empty when none. Only a
  // profile for RGB data is kept: every saved JPEG holds RGB, so a grey or
  // CMYK source's profile would describe the wrong colours.
  std::vector<std::uint8_t> icc;

  bool Empty() const { return exif.empty() && icc.empty(); }
};

// The largest payload one JPEG marker holds.
inline constexpr std::size_t kMaxMarkerPayload = 65533;

// True for an APP1 payload that starts with the EXIF header "Exif\0\0".
bool IsExifPayload(const std::uint8_t* data, std::size_t size);

// True for a profile with a sound 128-byte header ('acsp' signature, declared
// size not beyond the data) whose data colour space is RGB.
bool IsRgbIccProfile(const std::uint8_t* data, std::size_t size);

// The orientation (1..8) the main directory of an APP1 payload records: one
// SHORT value of the Orientation tag (0x0112). 1 (as stored) when the payload
// is no EXIF block, the tag is missing or of another form, its value is
// outside 1..8, or anything it takes to find it lies outside the payload.
int ExifOrientation(const std::uint8_t* data, std::size_t size);

// The EXIF block to write with a picture of width x height pixels, made from
// the block read (an APP1 payload): orientation set to 1, the thumbnail and
// its directory dropped, the recorded pixel dimensions set to the picture's.
// Every other tag (make, model, dates, exposure, GPS, maker note) is kept.
// Empty when the block is damaged beyond use (no readable main directory) or
// when the result would not fit in one marker: the picture is then saved
// without EXIF rather than with a broken block.
std::vector<std::uint8_t> ExifForSaving(const std::vector<std::uint8_t>& exif, int width, int height);

}  // namespace kira
