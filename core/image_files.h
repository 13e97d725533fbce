// Reading and writing picture files: the one entry point. The formats live in
// bmp_codec.cpp, jpeg_codec.cpp, png_codec.cpp, gif_codec.cpp, tiff_codec.cpp,
// webp_codec.cpp and heif_codec.cpp under it. A file is read as what its
// content is, whatever its name; a save chooses the format by the extension
// of the file name (any letter case).
//
// Every routine reports failure with a message and leaves its output alone:
// a failed load returns no bitmap, a failed save leaves any existing file as
// it was (see WriteFileAtomically).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/bitmap.h"
#include "core/photo_metadata.h"

namespace kira {

enum class TFileKind { Unknown, Jpeg, Bmp, Png, Tiff, Webp };

// The characters from the last "." of the file-name part (the part after the
// last '/') to its end, dot included, upper-cased; "" when there is no dot.
std::string UpperExtension(std::string_view path);
// ".JPG"/".JPEG" -> Jpeg, ".BMP" -> Bmp, ".PNG" -> Png, ".TIF"/".TIFF" -> Tiff,
// ".WEBP" -> Webp, anything else -> Unknown.
TFileKind FileKindOf(std::string_view path);
// The file-name part of a path (no folder).
std::string FileNamePart(std::string_view path);
// The path with the extension of its file-name part removed (folder kept).
std::string PathWithoutExtension(std::string_view path);

// Pictures larger than this many pixels (width x height) are refused before
// anything is allocated: 100 megapixels, 300 MB at 24 bits.
inline constexpr std::int64_t kMaxPixels = 100'000'000;
// Neither side may exceed this.
inline constexpr std::int32_t kMaxSide = 65'535;

struct TLoadResult {
  std::optional<TBitmap> bitmap;  // empty on failure
  std::string error;              // a one-line message on failure
  TPhotoMetadata metadata;        // a JPEG's EXIF block and RGB profile
  explicit operator bool() const { return bitmap.has_value(); }
};

// JPEG at full size: three-component files as 24-bit RGB, one-component files
// as grey (R = G = B), CMYK/YCCK converted to RGB. Result is 24 bits.
// Refused: 12-bit files, data cut short or damaged (libjpeg's corrupt-data
// warnings count as errors), more than 1000 progressive scans. A file that
// lacks only its end-of-image marker is read (sequential files in one scan
// and progressive Huffman files; an arithmetic-coded one is refused).
// The EXIF block (the first APP1 segment with the EXIF header) and an ICC
// profile for RGB data come back in `metadata`, as read.
// The picture comes back upright: the orientation that EXIF block records
// (ExifOrientation) is applied by OrientUpright (core/orientation.h), unless
// TOrientation::Keep asks for the pixels as stored. Every JPEG read goes
// through here, so the editor, kirabox-batch and the thumbnails agree; a file
// without an orientation, or with 1, is read as stored without a copy.
// The Load* routines prefix their messages with the path; Decode* do not.
enum class TOrientation { Apply, Keep };
TLoadResult LoadJpegFile(const std::string& path, TOrientation orientation = TOrientation::Apply);
TLoadResult DecodeJpeg(const std::uint8_t* data, std::size_t size, TOrientation orientation = TOrientation::Apply);
// The same at 1/scale of the full size on each side (scale 1, 2, 4 or 8,
// anything else counts as 1; libjpeg's DCT scaling, sides rounded up): a
// quick first view of a large photo. The full size's limits apply, and the
// upright full size comes back in *fullWidth x *fullHeight.
// A JPEG decode watches the thread's stop flag (core/stop_request.h) and
// throws TStopped when a stop is requested.
// The picture's size as stored (before any turn), from the header alone.
bool JpegStoredSize(const std::uint8_t* data, std::size_t size, int& width, int& height);
TLoadResult DecodeJpegScaled(const std::uint8_t* data, std::size_t size, int scale,
                             TOrientation orientation = TOrientation::Apply, int* fullWidth = nullptr,
                             int* fullHeight = nullptr);

// BMP: 1, 2, 4, 8, 16, 24, 32 bits, RLE4/RLE8, bit-field masks (alpha is
// dropped), OS/2 1.x and 2.x and Windows 40/52/56/108/124-byte headers,
// top-down rows. Palette pictures (1 to 8 bits, RLE too) come back as 8-bit
// bitmaps with their colour table; indices past the file's table are black,
// and pixels an RLE stream leaves out are index 0. Other depths give 24 bits.
TLoadResult LoadBmpFile(const std::string& path);
TLoadResult DecodeBmp(const std::uint8_t* data, std::size_t size);

// Opens a picture as the editor and kirabox-batch do: chosen by content (any
// kind DecodeAnyPicture reads, whatever the extension), converted to 24 bits,
// upright unless told to keep it as stored. A JPEG goes through LoadJpegFile
// and a BMP through LoadBmpFile. A file of no known kind fails with a message
// that names it (NotAPictureMessage).
TLoadResult LoadPicture(const std::string& path, TOrientation orientation = TOrientation::Apply);

struct TSaveResult {
  bool ok = false;
  std::string error;
  explicit operator bool() const { return ok; }
};

// JPEG, quality 90, sequential, three components (a grey or palette bitmap is
// written through its 24-bit form).
TSaveResult SaveJpegFile(const TBitmap& bitmap, const std::string& path);
// The same with the metadata of the opened photo: its EXIF block as
// ExifForSaving makes it (orientation 1, no thumbnail; left out when damaged)
// and its ICC profile.
TSaveResult SaveJpegFile(const TBitmap& bitmap, const std::string& path, const TPhotoMetadata& metadata);
// 24-bit uncompressed BMP, 14 + 40 byte headers, rows bottom-up padded to 4
// with zero bytes, 2835 pixels per metre (72 dpi).
TSaveResult SaveBmpFile(const TBitmap& bitmap, const std::string& path);
// Chosen by extension; an unknown extension writes nothing and fails with an
// empty error message.
TSaveResult SavePicture(const TBitmap& bitmap, const std::string& path);
// The same with the photo's metadata, in every format that holds it (a BMP
// holds none).
TSaveResult SavePicture(const TBitmap& bitmap, const std::string& path, const TPhotoMetadata& metadata);

// The bytes of a whole file, read or about to be written. The block comes
// from the pixel storage's allocator: a 36 MB file then costs a few huge-page
// faults instead of one fault per 4 KiB page.
class TFileBytes {
 public:
  TFileBytes() = default;
  explicit TFileBytes(std::size_t size) : buffer_(size), size_(size) {}  // zero-filled
  std::uint8_t* data() { return buffer_.data(); }
  const std::uint8_t* data() const { return buffer_.data(); }
  std::size_t size() const { return size_; }
  // Keeps the first n bytes (n <= size()).
  void Truncate(std::size_t n) { size_ = n < size_ ? n : size_; }
  std::string_view View() const { return {reinterpret_cast<const char*>(data()), size_}; }

 private:
  TPixelBuffer buffer_;
  std::size_t size_ = 0;
};

// In-memory encoders used by the savers (and by tests). On failure `out` is
// left alone and *error (when given) says why.
bool EncodeJpeg(const TBitmap& bitmap, TFileBytes& out, std::string* error);
bool EncodeJpeg(const TBitmap& bitmap, const TPhotoMetadata& metadata, TFileBytes& out, std::string* error);
bool EncodeBmp(const TBitmap& bitmap, TFileBytes& out, std::string* error);

// ---- Saving as PNG, TIFF and WebP, and at a quality ----
// png_save.cpp, tiff_save.cpp and webp_save.cpp hold the encoders.

// The extensions a picture can be saved under, for messages:
// ".jpg, .jpeg, .png, .tif, .tiff, .webp or .bmp".
extern const char* const kSaveExtensions;

// The quality JPEG and WebP are saved at, 1..100.
inline constexpr int kMinQuality = 1;
inline constexpr int kMaxQuality = 100;
inline constexpr int kDefaultQuality = 90;

struct TSaveOptions {
  // JPEG: libjpeg's quality scale. WebP: lossy at this quality, except 100,
  // which saves losslessly. Other formats ignore it.
  int quality = kDefaultQuality;
};

// The in-memory encoders of every format that carries metadata. The EXIF
// block written is ExifForSaving's (orientation 1, no thumbnail; none when
// the block read is damaged), the ICC profile the one read.
// PNG: 24-bit RGB, not interlaced, zlib level 6; eXIf and iCCP chunks.
bool EncodePng(const TBitmap& bitmap, const TPhotoMetadata& metadata, TFileBytes& out, std::string* error);
// TIFF: one page, 24-bit RGB, Deflate with horizontal prediction, strips of
// at least 64 KiB; the ICC profile in its tag, and of the EXIF block the text
// tags of the main directory (make, model, date, artist, copyright,
// description, software) with orientation 1. The EXIF sub-directory
// (exposure, GPS, maker note) is not written.
bool EncodeTiff(const TBitmap& bitmap, const TPhotoMetadata& metadata, TFileBytes& out, std::string* error);
// WebP: lossy at options.quality (method 4), or lossless at 100; EXIF and
// ICCP chunks.
bool EncodeWebp(const TBitmap& bitmap, const TPhotoMetadata& metadata, const TSaveOptions& options,
                TFileBytes& out, std::string* error);
// JPEG at options.quality, otherwise as EncodeJpeg above.
bool EncodeJpeg(const TBitmap& bitmap, const TPhotoMetadata& metadata, const TSaveOptions& options,
                TFileBytes& out, std::string* error);
// By kind; Unknown fails with an empty message.
bool EncodePicture(TFileKind kind, const TBitmap& bitmap, const TPhotoMetadata& metadata,
                   const TSaveOptions& options, TFileBytes& out, std::string* error);
// SavePicture at a quality.
TSaveResult SavePicture(const TBitmap& bitmap, const std::string& path, const TPhotoMetadata& metadata,
                        const TSaveOptions& options);

// Reads a whole regular file into memory. Fails with a one-line message that
// starts with the path when the file cannot be opened or read, or is larger
// than maxBytes (then nothing is allocated).
bool ReadWholeFile(const std::string& path, std::int64_t maxBytes, TFileBytes& out, std::string& error);

// Writes bytes to a file in path's folder that has no name yet (O_TMPFILE),
// flushes it to disk and only then names it path: directly when path is new,
// else through a temporary name renamed over path at once. A save stopped
// anywhere leaves nothing behind, except between that link and that rename,
// which leaves a complete temporary file. Where the file system has no
// unnamed files the temporary file is named from the start (and a save
// stopped during the write leaves it). After the rename the folder is
// flushed too; should that fail, the save reports it although path already
// holds the new bytes. A file saved over keeps its permissions.
TSaveResult WriteFileAtomically(const std::string& path, std::string_view bytes);

// ---- Reading by content: whatever the name says ----
// The thumbnail browser reads every file so. Every decoder trusts nothing in
// its input: a damaged, cut or hostile file is refused (no picture) without
// reading outside the bytes given and without allocating more than a picture
// of at most kMaxPixels needs.

// "BM" and an information header size that the BMP reader understands: 12,
// 16..64 (OS/2 2.x, which includes the Windows 40-, 52-, 56- and 64-byte
// headers), 108 (V4) or 124 (V5).
bool IsBmpData(const std::uint8_t* data, std::size_t size);
// GIF87a or GIF89a, the three letters and the final "a" in either case.
bool IsGifData(const std::uint8_t* data, std::size_t size);
// 0xFF 0xD8.
bool IsJpegData(const std::uint8_t* data, std::size_t size);
// The eight bytes of the PNG signature.
bool IsPngData(const std::uint8_t* data, std::size_t size);

// PNG through libpng: any colour type and depth, interlaced or not; 16-bit
// channels are reduced to 8 bits by rounding, and transparency (alpha or a
// tRNS chunk) is laid over white. An eXIf chunk (before or after the image
// data) and an RGB iCCP profile come back in `metadata`; the EXIF
// orientation is applied as for a JPEG. Result is 24 bits.
TLoadResult DecodePng(const std::uint8_t* data, std::size_t size, TOrientation orientation = TOrientation::Apply);
// The first image of a GIF through giflib, at the image's own size (not the
// logical screen's), with its local colour table or else the global one; the
// transparent index of its graphic control extension is white. A GIF whose signature letters are lower case is
// read too. Result is 24 bits.
TLoadResult DecodeGif(const std::uint8_t* data, std::size_t size);

// ---- More kinds read by content (TIFF, WebP, HEIC/AVIF) ----
// Each refuses before allocating the pixels a picture beyond kMaxPixels or
// kMaxSide, or whose working set does not fit (CheckWorkingMemory), and keeps
// libraries' messages off the terminal. Results are 24 bits; transparency is
// laid over white.

// "II*\0" or "MM\0*" (and BigTIFF's 43 in place of 42).
bool IsTiffData(const std::uint8_t* data, std::size_t size);
// "RIFF", four bytes of size, "WEBP".
bool IsWebpData(const std::uint8_t* data, std::size_t size);
// An "ftyp" box first whose major or compatible brands name a HEIF picture:
// heic, heix, hevc, hevx, heim, heis, mif1, msf1, avif or avis.
bool IsHeifData(const std::uint8_t* data, std::size_t size);
// True for any kind DecodeAnyPicture reads.
bool IsPictureData(const std::uint8_t* data, std::size_t size);

// TIFF through libtiff: the first page; RGB, grey, palette, CMYK, YCbCr; 1 to
// 16 bits per sample (16 reduced to 8 by rounding); strips or tiles. The
// Orientation tag is applied as a JPEG's EXIF orientation; an EXIF block of it and the text tags (make,
// model, date, ...; see tiff_codec.cpp) and an RGB ICC profile (tag 34675) come back in `metadata`.
TLoadResult DecodeTiff(const std::uint8_t* data, std::size_t size, TOrientation orientation = TOrientation::Apply);
// WebP through libwebp: lossy or lossless, an animation's first frame as shown
// on its canvas. The EXIF chunk and an RGB ICCP profile come back in
// `metadata`; the EXIF orientation is applied as for a JPEG.
TLoadResult DecodeWebp(const std::uint8_t* data, std::size_t size, TOrientation orientation = TOrientation::Apply);
// HEIC and AVIF through libheif: the primary image, 8 bits per channel (more
// are reduced). Upright by the file's own rotation and mirror properties,
// which libheif applies (TOrientation::Keep: as coded); the EXIF orientation
// is not applied a second time. The Exif item and an RGB ICC profile come
// back in `metadata`.
TLoadResult DecodeHeif(const std::uint8_t* data, std::size_t size, TOrientation orientation = TOrientation::Apply);

// The one-line refusal of bytes of no known kind (without the path).
std::string NotAPictureMessage();
// "" when the first bytes of the file are of a kind DecodeAnyPicture reads;
// else a one-line message that starts with the path (cannot be opened, or
// NotAPictureMessage). Reads a few hundred bytes only.
std::string CheckPictureFile(const std::string& path);

// Decides by content: BMP, GIF, JPEG, PNG, TIFF, WebP, HEIC/AVIF; anything
// else is refused with NotAPictureMessage. Result is the decoder's (BMP
// palette pictures stay 8 bits with their colour table; others 24 bits,
// upright unless told to keep the orientation).
TLoadResult DecodeAnyPicture(const std::uint8_t* data, std::size_t size,
                             TOrientation orientation = TOrientation::Apply);
// Reads the whole file and decodes it by content. Never throws; a file that
// cannot be read or decoded gives no picture.
TLoadResult LoadAnyPicture(const std::string& path, TOrientation orientation = TOrientation::Apply);

}  // namespace kira
