#include "core/photo_metadata.h"

#include <cstdarg>
#include <cstring>
#include <memory>

#include <libexif/exif-data.h>
#include <libexif/exif-log.h>
#include <libexif/exif-mem.h>
#include <libexif/exif-utils.h>

namespace kira {

namespace {

struct TExifMemUnref {
  void operator()(ExifMem* m) const { exif_mem_unref(m); }
};
struct TExifDataUnref {
  void operator()(ExifData* d) const { exif_data_unref(d); }
};
struct TExifLogUnref {
  void operator()(ExifLog* l) const { exif_log_unref(l); }
};

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Sets a SHORT or LONG entry to v; an entry of any other form is removed
// rather than left with a stale value.
void SetCount(ExifContent* ifd, ExifTag tag, ExifByteOrder order, std::uint32_t v) {
  ExifEntry* e = exif_content_get_entry(ifd, tag);
  if (!e) return;
  if (e->format == EXIF_FORMAT_SHORT && e->components == 1 && e->size >= 2 && v <= 0xFFFF) {
    exif_set_short(e->data, order, static_cast<ExifShort>(v));
  } else if (e->format == EXIF_FORMAT_LONG && e->components == 1 && e->size >= 4) {
    exif_set_long(e->data, order, v);
  } else {
    exif_content_remove_entry(ifd, e);
  }
}

void SetTopLeftOrientation(ExifContent* ifd0, ExifByteOrder order) {
  ExifEntry* e = exif_content_get_entry(ifd0, EXIF_TAG_ORIENTATION);
  if (e && !(e->format == EXIF_FORMAT_SHORT && e->components == 1 && e->size >= 2)) {
    exif_content_remove_entry(ifd0, e);
    e = nullptr;
  }
  if (!e) {
    // Written even where the camera left it out, so that no viewer guesses.
    ExifEntry* fresh = exif_entry_new();
    if (!fresh) return;
    exif_content_add_entry(ifd0, fresh);
    exif_entry_initialize(fresh, EXIF_TAG_ORIENTATION);
    exif_entry_unref(fresh);
    e = exif_content_get_entry(ifd0, EXIF_TAG_ORIENTATION);
    if (!e || e->size < 2) return;
  }
  exif_set_short(e->data, order, 1);
}

void NoteOutOfMemory(ExifLog*, ExifLogCode code, const char*, const char*, va_list, void* data) {
  if (code == EXIF_LOG_CODE_NO_MEMORY) *static_cast<bool*>(data) = true;
}

}  // namespace

bool IsExifPayload(const std::uint8_t* data, std::size_t size) {
  static constexpr std::uint8_t kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  return size >= sizeof kHeader && std::memcmp(data, kHeader, sizeof kHeader) == 0;
}

bool IsRgbIccProfile(const std::uint8_t* data, std::size_t size) {
  if (size < 128) return false;
  const std::uint32_t declared = BigEndian32(data);
  return declared >= 128 && declared <= size && std::memcmp(data + 36, "acsp", 4) == 0 &&
         std::memcmp(data + 16, "RGB ", 4) == 0;
}

int ExifOrientation(const std::uint8_t* data, std::size_t size) {
  constexpr int kAsStored = 1;
  constexpr std::size_t kTiff = 6;  // after "Exif\0\0"
  if (!IsExifPayload(data, size) || size < kTiff + 8) return kAsStored;
  const std::uint8_t* tiff = data + kTiff;
  const std::size_t length = size - kTiff;
  const bool intel = tiff[0] == 'I' && tiff[1] == 'I';
  if (!intel && !(tiff[0] == 'M' && tiff[1] == 'M')) return kAsStored;
  const auto u16 = [&](std::size_t at) -> std::uint32_t {
    return intel ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
  };
  const auto u32 = [&](std::size_t at) -> std::uint32_t {
    return intel ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
  };
  if (u16(2) != 42) return kAsStored;
  const std::size_t directory = u32(4);
  if (directory + 2 > length) return kAsStored;
  const std::size_t entries = u16(directory);
  constexpr int kOrientationTag = 0x0112, kShort = 3;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::size_t entry = directory + 2 + 12 * i;
    if (entry + 12 > length) break;
    if (u16(entry) != kOrientationTag) continue;
    if (u16(entry + 2) != kShort || u32(entry + 4) != 1) return kAsStored;
    const std::uint32_t value = u16(entry + 8);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : kAsStored;
  }
  return kAsStored;
}

std::vector<std::uint8_t> ExifForSaving(const std::vector<std::uint8_t>& exif, int width, int height) {
  if (!IsExifPayload(exif.data(), exif.size()) || exif.size() > kMaxMarkerPayload) return {};
  std::unique_ptr<ExifMem, TExifMemUnref> mem(exif_mem_new_default());
  if (!mem) return {};
  std::unique_ptr<ExifData, TExifDataUnref> data(exif_data_new_mem(mem.get()));
  std::unique_ptr<ExifLog, TExifLogUnref> log(exif_log_new_mem(mem.get()));
  if (!data || !log) return {};
  bool outOfMemory = false;
  exif_log_set_func(log.get(), NoteOutOfMemory, &outOfMemory);
  exif_data_log(data.get(), log.get());
  // Keep the block as the camera wrote it: every option libexif sets by
  // default (each one bit: dropping unknown tags, adding and "fixing" tags) is
  // cleared, and the maker note is copied unparsed.
  for (unsigned bit = 1; bit <= 0x8000u; bit <<= 1)
    exif_data_unset_option(data.get(), static_cast<ExifDataOption>(bit));
  exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
  exif_data_load_data(data.get(), exif.data(), static_cast<unsigned int>(exif.size()));
  ExifContent* ifd0 = data->ifd[EXIF_IFD_0];
  if (outOfMemory || !ifd0 || ifd0->count == 0) return {};

  const ExifByteOrder order = exif_data_get_byte_order(data.get());
  SetTopLeftOrientation(ifd0, order);
  // The thumbnail shows the picture as the camera took it, not as edited.
  if (data->data) {
    exif_mem_free(mem.get(), data->data);
    data->data = nullptr;
    data->size = 0;
  }
  if (ExifContent* ifd1 = data->ifd[EXIF_IFD_1]) {
    while (ifd1->count > 0) exif_content_remove_entry(ifd1, ifd1->entries[ifd1->count - 1]);
  }
  const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
  if (ExifContent* sub = data->ifd[EXIF_IFD_EXIF]) {
    SetCount(sub, EXIF_TAG_PIXEL_X_DIMENSION, order, w);
    SetCount(sub, EXIF_TAG_PIXEL_Y_DIMENSION, order, h);
  }
  SetCount(ifd0, EXIF_TAG_IMAGE_WIDTH, order, w);
  SetCount(ifd0, EXIF_TAG_IMAGE_LENGTH, order, h);

  unsigned char* bytes = nullptr;
  unsigned int size = 0;
  exif_data_save_data(data.get(), &bytes, &size);
  std::vector<std::uint8_t> out;
  if (bytes && !outOfMemory && IsExifPayload(bytes, size) && size <= kMaxMarkerPayload) {
    out.assign(bytes, bytes + size);
  }
  exif_mem_free(mem.get(), bytes);
  return out;
}

}  // namespace kira
