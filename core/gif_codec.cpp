// GIF files through giflib: the first image.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "core/image_files.h"
#include "core/picture_limits.h"
#include "core/working_memory.h"

namespace kira {

namespace {

struct TGifInput {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
};

// Hands giflib the bytes, with the signature's letters in capitals: giflib
// compares "GIF" case-sensitively, while the content test accepts either case.
int GifReadBytes(GifFileType* gif, GifByteType* out, int count) {
  auto* in = static_cast<TGifInput*>(gif->UserData);
  if (count <= 0) return 0;
  const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(count), in->size - in->pos);
  std::memcpy(out, in->data + in->pos, take);
  for (std::size_t i = 0; i < take; ++i) {
    const std::size_t at = in->pos + i;
    if (at == 0 || at == 1 || at == 2 || at == 5) {
      if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<GifByteType>(out[i] - 'a' + 'A');
    }
  }
  in->pos += take;
  return static_cast<int>(take);
}

struct TGifReader {
  GifFileType* gif = nullptr;
  ~TGifReader() {
    if (gif) {
      int error = 0;
      DGifCloseFile(gif, &error);
    }
  }
};

struct TGifRefusal {
  std::string message;
};

[[noreturn]] void GifRefuse(std::string message) { throw TGifRefusal{std::move(message)}; }

void GifCheck(int status, const GifFileType* gif, const char* what) {
  if (status == GIF_ERROR) {
    const char* text = GifErrorString(gif->Error);
    GifRefuse(std::string(what) + ": " + (text ? text : "error"));
  }
}

TBitmap GifFirstImage(GifFileType* gif) {
  int transparent = -1;  // the index a graphic control extension makes see-through
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    GifCheck(DGifGetRecordType(gif, &type), gif, "cannot read GIF");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      GifCheck(DGifGetExtension(gif, &code, &block), gif, "cannot read GIF extension");
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) transparent = (block[1] & 1) ? block[4] : -1;
      while (block) GifCheck(DGifGetExtensionNext(gif, &block), gif, "cannot read GIF extension");
      continue;
    }
    if (type == TERMINATE_RECORD_TYPE) GifRefuse("GIF holds no image");
    if (type != IMAGE_DESC_RECORD_TYPE) GifRefuse("cannot read GIF: unknown record");

    GifCheck(DGifGetImageDesc(gif), gif, "cannot read GIF image");
    const std::int64_t width = gif->Image.Width;
    const std::int64_t height = gif->Image.Height;
    if (width <= 0 || height <= 0) GifRefuse("GIF image has no pixels");
    if (PictureTooLarge(width, height)) GifRefuse(TooLargeMessage(width, height));
    if (std::string tight = CheckWorkingMemory(width, height); !tight.empty()) GifRefuse(tight);
    const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    if (!map || !map->Colors || map->ColorCount <= 0) GifRefuse("GIF has no colour table");

    TBitmap bitmap(static_cast<int>(width), static_cast<int>(height), TPixelFormat::pf24bit);
    std::vector<GifByteType> line(static_cast<std::size_t>(width));
    auto readRow = [&](int y) {
      GifCheck(DGifGetLine(gif, line.data(), static_cast<int>(width)), gif, "cannot decode GIF");
      std::uint8_t* out = bitmap.ScanLine(y);
      for (std::int64_t x = 0; x < width; ++x, out += 3) {
        const int index = line[static_cast<std::size_t>(x)];
        if (index == transparent) {
          out[0] = out[1] = out[2] = 255;  // over white
          continue;
        }
        // An index past the table is black.
        if (index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        out[0] = c.Blue;
        out[1] = c.Green;
        out[2] = c.Red;
      }
    };
    if (gif->Image.Interlace) {
      static constexpr int kStart[4] = {0, 4, 2, 1};
      static constexpr int kStep[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) readRow(y);
      }
    } else {
      for (int y = 0; y < height; ++y) readRow(y);
    }
    return bitmap;
  }
}

}  // namespace

bool IsGifData(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return false;
  auto letter = [](std::uint8_t c, char upper) { return c == upper || c == upper - 'A' + 'a'; };
  return letter(data[0], 'G') && letter(data[1], 'I') && letter(data[2], 'F') && data[3] == '8' &&
         (data[4] == '7' || data[4] == '9') && letter(data[5], 'A');
}

TLoadResult DecodeGif(const std::uint8_t* data, std::size_t size) {
  TLoadResult r;
  try {
    TGifInput input{data, size, 0};
    TGifReader reader;
    int error = 0;
    reader.gif = DGifOpen(&input, GifReadBytes, &error);
    if (!reader.gif) {
      const char* text = GifErrorString(error);
      r.error = std::string("cannot read GIF: ") + (text ? text : "error");
      return r;
    }
    r.bitmap = GifFirstImage(reader.gif);
  } catch (const TGifRefusal& refusal) {
    r.error = refusal.message;
  } catch (const std::bad_alloc&) {
    r.error = "not enough memory for the picture";
  } catch (const std::length_error&) {
    r.error = "not enough memory for the picture";
  }
  return r;
}

}  // namespace kira
