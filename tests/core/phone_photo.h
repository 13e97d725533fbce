// A phone-style JPEG made in the test: an EXIF block built with libexif
// (camera make, date, GPS, an orientation, a thumbnail) and an ICC profile,
// spliced after the start-of-image marker of a plain JPEG. Also a reader of
// the segments and EXIF tags of a saved file, for checking what was kept.
#pragma once

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/image_files.h"

namespace kira::testing {

using TBytes = std::vector<std::uint8_t>;

inline constexpr const char* kPhoneMake = "KiraPhone";
inline constexpr const char* kPhoneDate = "2026:05:04 10:20:30";

inline void AddExifEntry(ExifData* d, ExifIfd ifd, ExifTag tag, ExifFormat format, unsigned components,
                         const void* value) {
  ExifEntry* e = exif_entry_new();
  e->tag = tag;
  e->format = format;
  e->components = components;
  e->size = exif_format_get_size(format) * components;
  e->data = static_cast<unsigned char*>(std::malloc(e->size));
  std::memcpy(e->data, value, e->size);
  exif_content_add_entry(d->ifd[ifd], e);
  exif_entry_unref(e);
}

// The APP1 payload ("Exif\0\0" first) of a phone photo taken with the given
// orientation (0: no orientation tag) of a width x height picture.
inline TBytes PhoneExif(int orientation, bool thumbnail, int width, int height,
                        ExifByteOrder order = EXIF_BYTE_ORDER_INTEL) {
  ExifData* d = exif_data_new();
  // No option of libexif's (each one bit) may add or change tags: the block
  // holds exactly what this test puts in.
  for (unsigned bit = 1; bit <= 0x8000u; bit <<= 1) exif_data_unset_option(d, static_cast<ExifDataOption>(bit));
  exif_data_set_byte_order(d, order);
  AddExifEntry(d, EXIF_IFD_0, EXIF_TAG_MAKE, EXIF_FORMAT_ASCII, std::strlen(kPhoneMake) + 1, kPhoneMake);
  if (orientation != 0) {
    unsigned char v[2];
    exif_set_short(v, order, static_cast<ExifShort>(orientation));
    AddExifEntry(d, EXIF_IFD_0, EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT, 1, v);
  }
  AddExifEntry(d, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_FORMAT_ASCII, std::strlen(kPhoneDate) + 1,
               kPhoneDate);
  unsigned char dims[4];
  exif_set_long(dims, order, static_cast<ExifLong>(width));
  AddExifEntry(d, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_FORMAT_LONG, 1, dims);
  exif_set_short(dims, order, static_cast<ExifShort>(height));
  AddExifEntry(d, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, EXIF_FORMAT_SHORT, 1, dims);
  // 35 deg 39' 29.5" N
  AddExifEntry(d, EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE_REF), EXIF_FORMAT_ASCII, 2, "N");
  unsigned char lat[24];
  const ExifRational parts[3] = {{35, 1}, {39, 1}, {295, 10}};
  for (int i = 0; i < 3; ++i) exif_set_rational(lat + 8 * i, order, parts[i]);
  AddExifEntry(d, EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE), EXIF_FORMAT_RATIONAL, 3, lat);
  if (thumbnail) {
    TBitmap small(4, 3, TPixelFormat::pf24bit);
    TFileBytes jpeg;
    EncodeJpeg(small, jpeg, nullptr);
    d->data = static_cast<unsigned char*>(std::malloc(jpeg.size()));
    std::memcpy(d->data, jpeg.data(), jpeg.size());
    d->size = static_cast<unsigned>(jpeg.size());
  }
  unsigned char* bytes = nullptr;
  unsigned int size = 0;
  exif_data_save_data(d, &bytes, &size);
  TBytes out(bytes, bytes + size);
  std::free(bytes);
  exif_data_unref(d);
  return out;
}

// An ICC profile of `size` bytes (at least 128) for the colour space given
// ("RGB ", "GRAY", "CMYK"); the body is a byte pattern.
inline TBytes FakeIccProfile(std::size_t size, const char* space, const char* signature = "acsp") {
  TBytes p(size);
  for (std::size_t i = 0; i < size; ++i) p[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const auto s = static_cast<std::uint32_t>(size);
  p[0] = s >> 24, p[1] = s >> 16, p[2] = s >> 8, p[3] = s;
  std::memcpy(&p[16], space, 4);
  std::memcpy(&p[36], signature, 4);
  return p;
}

inline void PutSegment(std::string& out, int marker, const std::uint8_t* data, std::size_t size) {
  const std::size_t length = size + 2;
  out += '\xFF';
  out += static_cast<char>(marker);
  out += static_cast<char>(length >> 8);
  out += static_cast<char>(length & 0xFF);
  out.append(reinterpret_cast<const char*>(data), size);
}

// A JPEG of `picture` with the EXIF payload and the ICC profile (either may be
// empty) written after the start-of-image marker; the profile goes in chunks
// of at most 65519 bytes, numbered from 1.
inline std::string PhoneJpeg(const TBitmap& picture, const TBytes& exif, const TBytes& icc) {
  TFileBytes plain;
  if (!EncodeJpeg(picture, plain, nullptr)) return {};
  std::string out(plain.View().substr(0, 2));
  if (!exif.empty()) PutSegment(out, 0xE1, exif.data(), exif.size());
  const std::size_t chunk = 65519;
  const std::size_t chunks = (icc.size() + chunk - 1) / chunk;
  for (std::size_t i = 0; i < chunks; ++i) {
    const std::size_t at = i * chunk, n = std::min(chunk, icc.size() - at);
    TBytes seg(14 + n);
    std::memcpy(seg.data(), "ICC_PROFILE", 12);
    seg[12] = static_cast<std::uint8_t>(i + 1);
    seg[13] = static_cast<std::uint8_t>(chunks);
    std::memcpy(seg.data() + 14, icc.data() + at, n);
    PutSegment(out, 0xE2, seg.data(), seg.size());
  }
  out.append(plain.View().substr(2));
  return out;
}

// A JPEG file's bytes with an EXIF payload written right after its
// start-of-image marker, the rest as it was (pixels not coded again).
inline std::string WithExif(const std::string& jpeg, const TBytes& exif) {
  std::string out = jpeg.substr(0, 2);
  PutSegment(out, 0xE1, exif.data(), exif.size());
  return out + jpeg.substr(2);
}

// The marker segments of a JPEG before its first scan: (marker, payload).
inline std::vector<std::pair<int, TBytes>> Segments(const std::string& jpeg) {
  std::vector<std::pair<int, TBytes>> out;
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && static_cast<std::uint8_t>(jpeg[at]) == 0xFF) {
    const int marker = static_cast<std::uint8_t>(jpeg[at + 1]);
    const std::size_t length =
        static_cast<std::size_t>(static_cast<std::uint8_t>(jpeg[at + 2])) << 8 | static_cast<std::uint8_t>(jpeg[at + 3]);
    if (length < 2 || at + 2 + length > jpeg.size()) break;
    out.emplace_back(marker, TBytes(jpeg.begin() + at + 4, jpeg.begin() + at + 2 + length));
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return out;
}

// What a viewer reads from an EXIF payload.
struct TExifSeen {
  bool readable = false;
  std::string make, date, latitudeRef;
  ExifRational latitude[3] = {};
  int orientation = -1;  // -1: no tag
  bool thumbnail = false;
  unsigned thumbnailDirectoryEntries = 0;
  long pixelX = -1, pixelY = -1;
};

inline std::string AsciiTag(ExifData* d, ExifIfd ifd, int tag) {
  ExifEntry* e = exif_content_get_entry(d->ifd[ifd], static_cast<ExifTag>(tag));
  if (!e || e->format != EXIF_FORMAT_ASCII || e->size == 0) return {};
  return std::string(reinterpret_cast<const char*>(e->data), strnlen(reinterpret_cast<const char*>(e->data), e->size));
}

inline long CountTag(ExifData* d, ExifIfd ifd, ExifTag tag, ExifByteOrder order) {
  ExifEntry* e = exif_content_get_entry(d->ifd[ifd], tag);
  if (!e) return -1;
  if (e->format == EXIF_FORMAT_SHORT) return exif_get_short(e->data, order);
  if (e->format == EXIF_FORMAT_LONG) return static_cast<long>(exif_get_long(e->data, order));
  return -2;
}

inline TExifSeen SeeExif(const TBytes& payload) {
  TExifSeen s;
  if (payload.empty()) return s;
  ExifData* d = exif_data_new_from_data(payload.data(), static_cast<unsigned>(payload.size()));
  if (!d) return s;
  const ExifByteOrder order = exif_data_get_byte_order(d);
  s.readable = d->ifd[EXIF_IFD_0]->count > 0;
  s.make = AsciiTag(d, EXIF_IFD_0, EXIF_TAG_MAKE);
  s.date = AsciiTag(d, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL);
  s.latitudeRef = AsciiTag(d, EXIF_IFD_GPS, EXIF_TAG_GPS_LATITUDE_REF);
  if (ExifEntry* e = exif_content_get_entry(d->ifd[EXIF_IFD_GPS], static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE));
      e && e->components == 3) {
    for (int i = 0; i < 3; ++i) s.latitude[i] = exif_get_rational(e->data + 8 * i, order);
  }
  s.orientation = static_cast<int>(CountTag(d, EXIF_IFD_0, EXIF_TAG_ORIENTATION, order));
  s.thumbnail = d->data != nullptr && d->size > 0;
  s.thumbnailDirectoryEntries = d->ifd[EXIF_IFD_1]->count;
  s.pixelX = CountTag(d, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, order);
  s.pixelY = CountTag(d, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, order);
  exif_data_unref(d);
  return s;
}

// The APP1 EXIF payload and the joined ICC profile of a JPEG file's bytes.
inline std::pair<TBytes, TBytes> MetadataOf(const std::string& jpeg) {
  std::pair<TBytes, TBytes> out;
  for (const auto& [marker, payload] : Segments(jpeg)) {
    if (marker == 0xE1 && payload.size() >= 6 && std::memcmp(payload.data(), "Exif\0\0", 6) == 0) {
      out.first = payload;
    }
    if (marker == 0xE2 && payload.size() >= 14 && std::memcmp(payload.data(), "ICC_PROFILE", 12) == 0) {
      out.second.insert(out.second.end(), payload.begin() + 14, payload.end());
    }
  }
  return out;
}

}  // namespace kira::testing
