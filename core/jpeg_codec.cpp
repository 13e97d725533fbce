// JPEG reading and writing through libjpeg.
//
// libjpeg reports fatal errors by calling error_exit, which by default ends
// the process. Ours jumps back with longjmp instead; this file is the only one
// that does so. The functions that call setjmp hold no objects with
// destructors, so the jump never skips one; the bitmap and the libjpeg
// objects live in their callers.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

// jpeglib.h first: it brings the configuration that jerror.h's list depends on.
#include <jpeglib.h>
#include <jerror.h>

#include "core/image_files.h"

#include "core/encode_frame.h"
#include "core/orientation.h"
#include "core/picture_limits.h"
#include "core/stop_request.h"
#include "core/working_memory.h"

namespace kira {

namespace {

// Progressive files can hold any number of scans, each one a pass over the
// whole picture; a small file could keep the decoder busy for minutes.
constexpr int kMaxScans = 1000;
// libjpeg's own working memory (whole-picture coefficient arrays of
// progressive files) beyond this fails instead of growing further; a
// 100-megapixel 4:4:4 progressive picture needs about 600 MB.
constexpr long kMaxLibjpegMemory = 1L << 30;

struct TJpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  // The end of the data may be reached while the pixels are read without
  // failing at once: it is harmless when only the end-of-image marker is
  // missing (see ReadPixels).
  bool endMayBeHarmless = false;
  // The end of the data was reached; message says so.
  bool sawEnd = false;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
  if (err->mgr.msg_code == JERR_BAD_PRECISION) {
    std::snprintf(err->message, sizeof err->message, "%d-bit JPEG files are not supported (only 8-bit)",
                  err->mgr.msg_parm.i[0]);
  } else {
    (*err->mgr.format_message)(cinfo, err->message);
  }
  std::longjmp(err->jump, 1);
}

// Warnings that mean the compressed data is cut short or garbled turn into
// errors: such a file would otherwise decode to a picture with a grey or
// smeared part and be taken for a good one. Harmless warnings (junk between
// segments, an unknown Adobe transform, a bad ICC marker) are ignored.
//
// The end of the data is the exception: libjpeg warns of it both when a file
// lacks only its end-of-image marker and when it is cut inside the picture,
// and it warns as soon as the decoder reads ahead of the last bits it needs.
// Where the two can be told apart the warning is noted and decoding goes on:
// a Huffman decoder that then needs a bit it does not have warns again
// (JWRN_HIT_MARKER, or JWRN_MUST_RESYNC for a missing restart marker), and
// that fails the file with the end-of-file message.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
  switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
      if (!err->endMayBeHarmless) ErrorExit(cinfo);
      if (!err->sawEnd) (*err->mgr.format_message)(cinfo, err->message);
      err->sawEnd = true;
      ++cinfo->err->num_warnings;
      return;
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
      if (err->sawEnd) std::longjmp(err->jump, 1);  // data missing: keep the end-of-file message
      ErrorExit(cinfo);
    default:
      ++cinfo->err->num_warnings;
  }
}

void ProgressMonitor(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  // Also inside jpeg_start_decompress, which reads a progressive file whole.
  if (StopRequested()) {
    auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "stopped");
    std::longjmp(err->jump, 1);
  }
  if (d->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "too many scans in a progressive JPEG (more than %d)",
                  kMaxScans);
    std::longjmp(err->jump, 1);
  }
}

void InitError(TJpegError& err) {
  jpeg_std_error(&err.mgr);
  err.mgr.error_exit = ErrorExit;
  err.mgr.emit_message = EmitMessage;
  err.message[0] = '\0';
}

// Owns the decompressor so that it is destroyed on every path, exceptions too.
struct TDecompressor {
  jpeg_decompress_struct cinfo{};
  TJpegError err{};
  jpeg_progress_mgr progress{};
  bool created = false;
  ~TDecompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

bool ReadHeader(TDecompressor& d, const std::uint8_t* data, std::size_t size, int scale) {
  if (setjmp(d.err.jump)) return false;
  d.created = true;  // destroying a half-created object is safe, leaking it is not
  jpeg_create_decompress(&d.cinfo);
  d.cinfo.mem->max_memory_to_use = kMaxLibjpegMemory;
  d.progress.progress_monitor = ProgressMonitor;
  d.cinfo.progress = &d.progress;
  jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
  // EXIF (APP1) and ICC profile (APP2) segments are kept for saving.
  jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&d.cinfo, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(&d.cinfo, TRUE);
  const J_COLOR_SPACE in = d.cinfo.jpeg_color_space;
  // CMYK is asked for as such and converted here; libjpeg has no CMYK to RGB.
  d.cinfo.out_color_space = (in == JCS_CMYK || in == JCS_YCCK) ? JCS_CMYK : JCS_EXT_BGR;
  d.cinfo.scale_num = 1;
  d.cinfo.scale_denom = static_cast<unsigned int>(scale);
  d.cinfo.quantize_colors = FALSE;
  jpeg_calc_output_dimensions(&d.cinfo);
  return true;
}

// The joined ICC profile into *profile (malloc'd, the caller frees it), or
// nothing when the chunks are missing or do not fit together.
bool ReadIccProfile(TDecompressor& d, JOCTET** profile, unsigned int* size) {
  *profile = nullptr;
  *size = 0;
  if (setjmp(d.err.jump)) return false;
  return jpeg_read_icc_profile(&d.cinfo, profile, size) != FALSE;
}

// Metadata problems never fail the load: what cannot be read is left out.
void CollectMetadata(TDecompressor& d, TPhotoMetadata& metadata) {
  for (jpeg_saved_marker_ptr m = d.cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && IsExifPayload(m->data, m->data_length)) {
      metadata.exif.assign(m->data, m->data + m->data_length);
      break;
    }
  }
  JOCTET* profile = nullptr;
  unsigned int size = 0;
  const bool read = ReadIccProfile(d, &profile, &size);
  try {
    if (read && IsRgbIccProfile(profile, size)) metadata.icc.assign(profile, profile + size);
  } catch (...) {
    std::free(profile);
    throw;
  }
  std::free(profile);
}

// Adobe applications store CMYK inverted (0 = full ink) and mark the file
// with their APP14 segment; without it the values are taken as plain CMYK.
// Either way R = (1 - C)(1 - K) with rounding, likewise G from M and B from Y.
void CmykRowToBgr(const JSAMPLE* src, std::uint8_t* dst, int width, bool inverted) {
  for (int x = 0; x < width; ++x, src += 4, dst += 3) {
    unsigned c = src[0], m = src[1], y = src[2], k = src[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    dst[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
    dst[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    dst[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
  }
}

// A progressive file holds every scan when each coefficient of each
// component has been refined to full precision (libjpeg's coef_bits, the
// last point transform seen, all 0).
bool ProgressionComplete(j_decompress_ptr cinfo) {
  if (cinfo->coef_bits == nullptr) return false;
  for (int c = 0; c < cinfo->num_components; ++c) {
    for (int k = 0; k < DCTSIZE2; ++k) {
      if (cinfo->coef_bits[c][k] != 0) return false;
    }
  }
  return true;
}

// A file that ends without its end-of-image marker is read when nothing of
// the picture is missing. That can be decided for
// - a sequential file in one scan: every MCU needs bits of its own, so a
//   file cut anywhere before the last of them makes the Huffman decoder warn
//   that it ran out (see EmitMessage);
// - a progressive Huffman file: the same holds for the scan that was cut, and
//   a file cut between two scans is told by its incomplete progression.
// It cannot for arithmetic coding, whose decoder reads zeros past the end of
// its data by design (a cut file decodes without a word), nor for a
// sequential file with one scan per component, where a missing scan leaves
// its component silently empty; those keep being refused.
bool ReadPixels(TDecompressor& d, TBitmap& bitmap) {
  if (setjmp(d.err.jump)) return false;
  j_decompress_ptr cinfo = &d.cinfo;
  d.err.endMayBeHarmless =
      !cinfo->arith_code && (cinfo->progressive_mode || !jpeg_has_multiple_scans(cinfo));
  // Progressive files are read whole here, before the first row comes out.
  jpeg_start_decompress(cinfo);
  const int height = bitmap.Height();
  if (cinfo->out_color_space == JCS_CMYK) {
    const bool inverted = cinfo->saw_Adobe_marker;
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                  cinfo->output_width * 4, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
      if (StopRequested()) return false;
      const int y = static_cast<int>(cinfo->output_scanline);
      if (jpeg_read_scanlines(cinfo, row, 1) != 1) return false;
      CmykRowToBgr(row[0], bitmap.ScanLine(y), bitmap.Width(), inverted);
    }
  } else {
    // Straight into the bitmap's rows, several at a time.
    JSAMPROW rows[16];
    while (cinfo->output_scanline < cinfo->output_height) {
      if (StopRequested()) return false;
      const int first = static_cast<int>(cinfo->output_scanline);
      int count = height - first;
      if (count > 16) count = 16;
      for (int i = 0; i < count; ++i) rows[i] = bitmap.ScanLine(first + i);
      if (jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(count)) == 0) return false;
    }
  }
  // Before jpeg_finish_decompress, which frees coef_bits.
  if (d.err.sawEnd && cinfo->progressive_mode && !ProgressionComplete(cinfo)) return false;
  jpeg_finish_decompress(cinfo);
  return true;
}

}  // namespace

namespace {

TLoadResult Decode(const std::uint8_t* data, std::size_t size, int scale, TOrientation orientation,
                   int* fullWidth, int* fullHeight) {
  TLoadResult r;
  try {
    TDecompressor d;
    InitError(d.err);
    d.cinfo.err = &d.err.mgr;
    if (size == 0) {
      r.error = "not a JPEG file (empty)";
      return r;
    }
    if (!ReadHeader(d, data, size, scale)) {
      r.error = std::string("cannot read JPEG: ") + d.err.message;
      return r;
    }
    const std::int64_t width = d.cinfo.image_width;
    const std::int64_t height = d.cinfo.image_height;
    // The limits treat both sides alike, so they hold for the upright size too.
    if (PictureTooLarge(width, height)) {
      r.error = TooLargeMessage(width, height);
      return r;
    }
    r.error = CheckWorkingMemory(width, height);
    if (!r.error.empty()) return r;
    TBitmap bitmap(static_cast<int>(d.cinfo.output_width), static_cast<int>(d.cinfo.output_height),
                   TPixelFormat::pf24bit);
    TPhotoMetadata metadata;
    CollectMetadata(d, metadata);
    if (!ReadPixels(d, bitmap)) {
      ThrowIfStopped();
      r.error = std::string("cannot decode JPEG: ") + d.err.message;
      return r;
    }
    const int turn = orientation == TOrientation::Apply ? ExifOrientation(metadata.exif.data(), metadata.exif.size()) : 1;
    OrientUpright(bitmap, turn);
    const bool swap = OrientationSwapsSides(turn);
    if (fullWidth) *fullWidth = static_cast<int>(swap ? height : width);
    if (fullHeight) *fullHeight = static_cast<int>(swap ? width : height);
    r.bitmap = std::move(bitmap);
    r.metadata = std::move(metadata);
  } catch (const std::bad_alloc&) {
    r.error = "not enough memory for the picture";
  } catch (const std::length_error&) {
    r.error = "not enough memory for the picture";
  }
  return r;
}

}  // namespace

TLoadResult DecodeJpeg(const std::uint8_t* data, std::size_t size, TOrientation orientation) {
  return Decode(data, size, 1, orientation, nullptr, nullptr);
}

TLoadResult DecodeJpegScaled(const std::uint8_t* data, std::size_t size, int scale, TOrientation orientation,
                             int* fullWidth, int* fullHeight) {
  if (scale != 1 && scale != 2 && scale != 4 && scale != 8) scale = 1;
  return Decode(data, size, scale, orientation, fullWidth, fullHeight);
}

bool JpegStoredSize(const std::uint8_t* data, std::size_t size, int& width, int& height) {
  TDecompressor d;
  InitError(d.err);
  d.cinfo.err = &d.err.mgr;
  if (size == 0 || !ReadHeader(d, data, size, 1)) return false;
  width = static_cast<int>(d.cinfo.image_width);
  height = static_cast<int>(d.cinfo.image_height);
  return true;
}

TLoadResult LoadJpegFile(const std::string& path, TOrientation orientation) {
  TLoadResult r;
  TFileBytes file;
  // A JPEG larger than this is no picture of at most kMaxPixels.
  constexpr std::int64_t kMaxJpegFileBytes = kMaxPixels * 4 + (std::int64_t{64} << 20);
  if (!ReadWholeFile(path, kMaxJpegFileBytes, file, r.error)) return r;
  r = DecodeJpeg(file.data(), file.size(), orientation);
  if (!r.bitmap) r.error = path + ": " + r.error;
  return r;
}

namespace {

struct TCompressor {
  jpeg_compress_struct cinfo{};
  TJpegError err{};
  unsigned char* buffer = nullptr;  // malloc'd by libjpeg's memory destination
  unsigned long bufferSize = 0;
  bool created = false;
  ~TCompressor() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
};

// The bytes written beside the pixels: an EXIF APP1 payload and an ICC
// profile, either may be empty.
struct TMarkers {
  const std::vector<std::uint8_t>* exif = nullptr;
  const std::vector<std::uint8_t>* icc = nullptr;
};

// jpeg_write_icc_profile numbers its chunks in one byte.
constexpr std::size_t kMaxIccBytes = 255 * (kMaxMarkerPayload - 14);

bool Compress(TCompressor& c, const TBitmap& bitmap, const TMarkers& markers, int quality) {
  if (setjmp(c.err.jump)) return false;
  c.created = true;
  jpeg_create_compress(&c.cinfo);
  jpeg_mem_dest(&c.cinfo, &c.buffer, &c.bufferSize);
  c.cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
  c.cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
  c.cinfo.input_components = 3;
  c.cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c.cinfo);  // YCbCr, three components, sequential
  jpeg_set_quality(&c.cinfo, quality, TRUE);
  jpeg_start_compress(&c.cinfo, TRUE);
  if (markers.exif && !markers.exif->empty()) {
    jpeg_write_marker(&c.cinfo, JPEG_APP0 + 1, markers.exif->data(), static_cast<unsigned>(markers.exif->size()));
  }
  if (markers.icc && !markers.icc->empty() && markers.icc->size() <= kMaxIccBytes) {
    jpeg_write_icc_profile(&c.cinfo, markers.icc->data(), static_cast<unsigned>(markers.icc->size()));
  }
  JSAMPROW rows[16];
  const int height = bitmap.Height();
  while (c.cinfo.next_scanline < c.cinfo.image_height) {
    const int first = static_cast<int>(c.cinfo.next_scanline);
    int count = height - first;
    if (count > 16) count = 16;
    // libjpeg takes non-const rows but only reads them.
    for (int i = 0; i < count; ++i) rows[i] = const_cast<JSAMPROW>(bitmap.ScanLine(first + i));
    jpeg_write_scanlines(&c.cinfo, rows, static_cast<JDIMENSION>(count));
  }
  jpeg_finish_compress(&c.cinfo);
  return true;
}

}  // namespace

bool EncodeJpeg(const TBitmap& bitmap, TFileBytes& out, std::string* error) {
  return EncodeJpeg(bitmap, TPhotoMetadata{}, out, error);
}

bool EncodeJpeg(const TBitmap& bitmap, const TPhotoMetadata& metadata, TFileBytes& out, std::string* error) {
  return EncodeJpeg(bitmap, metadata, TSaveOptions{}, out, error);
}

bool EncodeJpeg(const TBitmap& bitmap, const TPhotoMetadata& metadata, const TSaveOptions& options, TFileBytes& out,
                std::string* error) {
  if (options.quality < kMinQuality || options.quality > kMaxQuality) {
    if (error) *error = "JPEG quality " + std::to_string(options.quality) + " is outside 1..100";
    return false;
  }
  const int quality = options.quality;
  return EncodeFrame(bitmap, out, error, [&metadata, quality](const TBitmap& bitmap, TFileBytes& out) -> std::string {
    std::vector<std::uint8_t> exif;
    if (!metadata.exif.empty()) exif = ExifForSaving(metadata.exif, bitmap.Width(), bitmap.Height());
    TCompressor c;
    InitError(c.err);
    c.cinfo.err = &c.err.mgr;
    if (!Compress(c, bitmap, TMarkers{&exif, &metadata.icc}, quality)) return std::string("cannot encode JPEG: ") + c.err.message;
    TFileBytes bytes(c.bufferSize);
    if (c.bufferSize > 0) std::memcpy(bytes.data(), c.buffer, c.bufferSize);
    out = std::move(bytes);
    return {};
  });
}

TSaveResult SaveJpegFile(const TBitmap& bitmap, const std::string& path) {
  return EncodeAndSave(bitmap, path, EncodeJpeg);
}

TSaveResult SaveJpegFile(const TBitmap& bitmap, const std::string& path, const TPhotoMetadata& metadata) {
  TFileBytes bytes;
  std::string error;
  if (!EncodeJpeg(bitmap, metadata, bytes, &error)) return {false, path + ": " + error};
  return WriteFileAtomically(path, bytes.View());
}

bool IsJpegData(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

}  // namespace kira
