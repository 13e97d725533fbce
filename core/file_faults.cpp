#include "core/file_faults.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace kira {

namespace {
TFileFaults gFaults;
}  // namespace

void SetFileFaults(const TFileFaults& faults) { gFaults = faults; }

int CreateFile(const char* path, int flags, mode_t mode) {
  if (gFaults.createErrno != 0) {
    errno = gFaults.createErrno;
    return -1;
  }
  return ::open(path, flags, mode);
}

ssize_t WriteSome(int fd, const void* data, std::size_t n, std::int64_t writtenBefore) {
  if (gFaults.diskBytesLeft >= 0) {
    const std::int64_t room = gFaults.diskBytesLeft - writtenBefore;
    if (room <= 0) {
      errno = ENOSPC;
      return -1;
    }
    if (static_cast<std::int64_t>(n) > room) n = static_cast<std::size_t>(room);  // a short write first
  }
  return ::write(fd, data, n);
}

int RenameFile(const char* from, const char* to) {
  if (gFaults.renameErrno != 0) {
    errno = gFaults.renameErrno;
    return -1;
  }
  return std::rename(from, to);
}

}  // namespace kira
