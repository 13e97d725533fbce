#include "core/image_files.h"

#include "core/encode_frame.h"
#include "core/file_faults.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <stdexcept>

namespace kira {

namespace {

std::string_view NamePart(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string FileNamePart(std::string_view path) { return std::string(NamePart(path)); }

std::string UpperExtension(std::string_view path) {
  const std::string_view name = NamePart(path);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(name.substr(dot));
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

TFileKind FileKindOf(std::string_view path) {
  const std::string ext = UpperExtension(path);
  if (ext == ".JPG" || ext == ".JPEG") return TFileKind::Jpeg;
  if (ext == ".BMP") return TFileKind::Bmp;
  if (ext == ".PNG") return TFileKind::Png;
  if (ext == ".TIF" || ext == ".TIFF") return TFileKind::Tiff;
  if (ext == ".WEBP") return TFileKind::Webp;
  return TFileKind::Unknown;
}

std::string PathWithoutExtension(std::string_view path) {
  const std::size_t nameStart = path.size() - NamePart(path).size();
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || dot < nameStart) return std::string(path);
  return std::string(path.substr(0, dot));
}

namespace {

// The first bytes of a file, enough for every kind's signature (a HEIF ftyp
// box lists its brands there).
constexpr std::size_t kSniffBytes = 256;

// Opens a regular file for reading; -1 with a one-line message otherwise.
int OpenRegularFile(const std::string& path, struct stat& st, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": cannot open: " + std::strerror(errno);
    return -1;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = path + ": cannot read: not a regular file";
    ::close(fd);
    return -1;
  }
  return fd;
}

bool ReadFileStart(const std::string& path, std::uint8_t* head, std::size_t& got, std::string& error) {
  got = 0;
  struct stat st {};
  const int fd = OpenRegularFile(path, st, error);
  if (fd < 0) return false;
  while (got < kSniffBytes) {
    const ssize_t n = ::read(fd, head + got, kSniffBytes - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = path + ": cannot read: " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return true;
}

}  // namespace

std::string NotAPictureMessage() {
  return "not a picture of a kind that opens (BMP, GIF, HEIC/AVIF, JPEG, PNG, TIFF or WebP)";
}

bool IsPictureData(const std::uint8_t* data, std::size_t size) {
  return IsBmpData(data, size) || IsGifData(data, size) || IsJpegData(data, size) || IsPngData(data, size) ||
         IsTiffData(data, size) || IsWebpData(data, size) || IsHeifData(data, size);
}

std::string CheckPictureFile(const std::string& path) {
  std::uint8_t head[kSniffBytes];
  std::size_t got = 0;
  std::string error;
  if (!ReadFileStart(path, head, got, error)) return error;
  return IsPictureData(head, got) ? std::string() : path + ": " + NotAPictureMessage();
}

TLoadResult LoadPicture(const std::string& path, TOrientation orientation) {
  TLoadResult r;
  std::uint8_t head[kSniffBytes];
  std::size_t got = 0;
  if (!ReadFileStart(path, head, got, r.error)) return r;
  if (IsJpegData(head, got)) {
    r = LoadJpegFile(path, orientation);
  } else if (IsBmpData(head, got)) {
    r = LoadBmpFile(path);
  } else if (IsPictureData(head, got)) {
    r = LoadAnyPicture(path, orientation);
  } else {
    r.error = path + ": " + NotAPictureMessage();
    return r;
  }
  if (r.bitmap) {
    try {
      r.bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    } catch (const std::bad_alloc&) {
      r.bitmap.reset();
      r.error = path + ": not enough memory for the picture";
    }
  }
  return r;
}

TSaveResult SavePicture(const TBitmap& bitmap, const std::string& path) {
  return SavePicture(bitmap, path, TPhotoMetadata{});
}

TSaveResult SavePicture(const TBitmap& bitmap, const std::string& path, const TPhotoMetadata& metadata) {
  return SavePicture(bitmap, path, metadata, TSaveOptions{});
}

const char* const kSaveExtensions = ".jpg, .jpeg, .png, .tif, .tiff, .webp or .bmp";

bool EncodePicture(TFileKind kind, const TBitmap& bitmap, const TPhotoMetadata& metadata,
                   const TSaveOptions& options, TFileBytes& out, std::string* error) {
  switch (kind) {
    case TFileKind::Jpeg: return EncodeJpeg(bitmap, metadata, options, out, error);
    case TFileKind::Bmp: return EncodeBmp(bitmap, out, error);
    case TFileKind::Png: return EncodePng(bitmap, metadata, out, error);
    case TFileKind::Tiff: return EncodeTiff(bitmap, metadata, out, error);
    case TFileKind::Webp: return EncodeWebp(bitmap, metadata, options, out, error);
    case TFileKind::Unknown: break;
  }
  if (error) error->clear();
  return false;
}

TSaveResult SavePicture(const TBitmap& bitmap, const std::string& path, const TPhotoMetadata& metadata,
                        const TSaveOptions& options) {
  const TFileKind kind = FileKindOf(path);
  if (kind == TFileKind::Unknown) return {};
  TFileBytes bytes;
  std::string error;
  if (!EncodePicture(kind, bitmap, metadata, options, bytes, &error)) return {false, path + ": " + error};
  return WriteFileAtomically(path, bytes.View());
}

bool ReadWholeFile(const std::string& path, std::int64_t maxBytes, TFileBytes& out, std::string& error) {
  struct stat st {};
  const int fd = OpenRegularFile(path, st, error);
  if (fd < 0) return false;
  if (st.st_size > maxBytes) {
    error = path + ": file too large for a picture of at most " + std::to_string(kMaxPixels / 1'000'000) +
            " megapixels";
    ::close(fd);
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  try {
    out = TFileBytes(size);
  } catch (const std::bad_alloc&) {
    error = path + ": not enough memory to read the file";
    ::close(fd);
    return false;
  }
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, out.data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = path + ": cannot read: " + std::strerror(errno);
      ::close(fd);
      out = TFileBytes();
      return false;
    }
    if (n == 0) break;  // the file shrank meanwhile; the decoder sees what is there
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  out.Truncate(got);
  return true;
}

namespace {

// The folder a file of this path lives in.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A name beside path for a file on its way to becoming path.
std::string TemporaryName(const std::string& path, std::random_device& rd) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".tmp%08x", static_cast<unsigned>(rd()));
  return path + suffix;
}

// A file saved over keeps its permissions: a private picture stays private.
void KeepPermissions(int fd, const std::string& path) {
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
}

// Writes every byte, then flushes the file to disk. 0 or the errno.
int WriteAndSync(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = WriteSome(fd, p, left, static_cast<std::int64_t>(bytes.size() - left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return SyncFile(fd) == 0 ? 0 : errno;
}

// Flushes the folder, so that the new name survives a power cut too. A
// folder that cannot be opened for reading, or a file system that does not
// flush folders, leaves that to the system. 0 or the errno.
int SyncFolderOf(const std::string& path) {
  if (SyncFolder(FolderOf(path).c_str()) == 0) return 0;
  return errno == EACCES || errno == EINVAL ? 0 : errno;
}

TSaveResult WriteFailed(const std::string& path, int error) {
  return {false, path + ": cannot write: " + std::strerror(error)};
}

enum class TUnnamed { Saved, Failed, Unavailable };

// The file is written with no name at all, so that a save stopped anywhere
// (a kill, a crash, a power cut) leaves nothing behind, and named only when
// complete and on disk. A new file gets its name in one step. An existing
// one cannot be replaced by a link: the file is linked under a temporary
// name and renamed over it at once; only a stop between those two calls
// leaves a temporary file, and a complete one. Unavailable when the file
// system has no unnamed files (or /proc is missing for the link).
TUnnamed SaveThroughUnnamedFile(const std::string& path, std::string_view bytes, int& error) {
  const int fd = CreateUnnamedFile(FolderOf(path).c_str(), O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = errno;
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL ? TUnnamed::Unavailable : TUnnamed::Failed;
  }
  KeepPermissions(fd, path);
  error = WriteAndSync(fd, bytes);
  bool unavailable = false;
  if (error == 0 && LinkUnnamedFile(fd, path.c_str()) != 0) {
    error = errno;
    if (error == EEXIST) {
      std::random_device rd;
      std::string tmp;
      for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        tmp = TemporaryName(path, rd);
        error = LinkUnnamedFile(fd, tmp.c_str()) == 0 ? 0 : errno;
      }
      if (error == 0 && RenameFile(tmp.c_str(), path.c_str()) != 0) {
        error = errno;
        ::unlink(tmp.c_str());
      }
    }
    unavailable = error == ENOENT;  // no /proc; or no folder, which the named file finds out again
  }
  // The data is on disk already; the descriptor has nothing left to report.
  ::close(fd);
  if (unavailable) return TUnnamed::Unavailable;
  if (error == 0) error = SyncFolderOf(path);
  return error == 0 ? TUnnamed::Saved : TUnnamed::Failed;
}

// The file system has no unnamed files: a named temporary file beside the
// target, removed again on every failure. Only a stop during the save leaves
// it behind.
TSaveResult SaveThroughNamedFile(const std::string& path, std::string_view bytes) {
  std::string tmp;
  int fd = -1;
  std::random_device rd;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    tmp = TemporaryName(path, rd);
    fd = CreateFile(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return WriteFailed(path, errno);
  KeepPermissions(fd, path);
  // The descriptor is closed also when the write or the flush fails.
  const int writeError = WriteAndSync(fd, bytes);
  const int closeError = ::close(fd) == 0 ? 0 : errno;
  if (writeError != 0 || closeError != 0) {
    ::unlink(tmp.c_str());
    return WriteFailed(path, writeError != 0 ? writeError : closeError);
  }
  if (RenameFile(tmp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(tmp.c_str());
    return WriteFailed(path, error);
  }
  const int error = SyncFolderOf(path);
  if (error != 0) return WriteFailed(path, error);
  return {true, {}};
}

}  // namespace

TSaveResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
  // Either way the file is written in the target's folder, so that naming it
  // stays on one file system and replaces the target in one step.
  int error = 0;
  switch (SaveThroughUnnamedFile(path, bytes, error)) {
    case TUnnamed::Saved: return {true, {}};
    case TUnnamed::Failed: return WriteFailed(path, error);
    case TUnnamed::Unavailable: break;
  }
  return SaveThroughNamedFile(path, bytes);
}

bool EncodeFrame(const TBitmap& bitmap, TFileBytes& out, std::string* error,
                 const std::function<std::string(const TBitmap&, TFileBytes&)>& body) {
  std::string message;
  try {
    if (bitmap.Empty()) {
      message = "nothing to save (the picture is empty)";
    } else if (!Is24(bitmap)) {
      TBitmap wide = DuplicateBitmap(bitmap);
      wide.SetPixelFormat(TPixelFormat::pf24bit);
      message = body(wide, out);
    } else {
      message = body(bitmap, out);
    }
  } catch (const std::bad_alloc&) {
    message = "not enough memory to encode the picture";
  } catch (const std::length_error&) {
    message = "not enough memory to encode the picture";
  }
  if (message.empty()) return true;
  if (error) *error = message;
  return false;
}

TSaveResult EncodeAndSave(const TBitmap& bitmap, const std::string& path,
                          bool (*encode)(const TBitmap&, TFileBytes&, std::string*)) {
  TFileBytes bytes;
  std::string error;
  if (!encode(bitmap, bytes, &error)) return {false, path + ": " + error};
  return WriteFileAtomically(path, bytes.View());
}

TLoadResult DecodeAnyPicture(const std::uint8_t* data, std::size_t size, TOrientation orientation) {
  if (IsBmpData(data, size)) return DecodeBmp(data, size);
  if (IsGifData(data, size)) return DecodeGif(data, size);
  if (IsJpegData(data, size)) return DecodeJpeg(data, size, orientation);
  if (IsPngData(data, size)) return DecodePng(data, size, orientation);
  if (IsTiffData(data, size)) return DecodeTiff(data, size, orientation);
  if (IsWebpData(data, size)) return DecodeWebp(data, size, orientation);
  if (IsHeifData(data, size)) return DecodeHeif(data, size, orientation);
  TLoadResult r;
  r.error = NotAPictureMessage();
  return r;
}

TLoadResult LoadAnyPicture(const std::string& path, TOrientation orientation) {
  TLoadResult r;
  try {
    // No picture of at most kMaxPixels needs a larger file in any format.
    constexpr std::int64_t kMaxFileBytes = kMaxPixels * 4 + (std::int64_t{64} << 20);
    TFileBytes file;
    if (!ReadWholeFile(path, kMaxFileBytes, file, r.error)) return r;
    r = DecodeAnyPicture(file.data(), file.size(), orientation);
    if (!r.bitmap) r.error = path + ": " + r.error;
  } catch (...) {
    r.bitmap.reset();
    r.error = path + ": cannot read the picture";
  }
  return r;
}

}  // namespace kira
