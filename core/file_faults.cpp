#include "core/file_faults.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace kira {

namespace {

TFileFaults gFaults;

// Saves run on several threads at once in the batch tool.
struct TCounts {
  std::atomic<int> unnamedCreates{0}, namedCreates{0}, links{0}, fileSyncs{0}, folderSyncs{0};
} gCounts;

// Counts the call; true (errno set) when a fault makes it fail.
bool Faulted(std::atomic<int>& count, int faultErrno) {
  ++count;
  if (faultErrno == 0) return false;
  errno = faultErrno;
  return true;
}

}  // namespace

void SetFileFaults(const TFileFaults& faults) {
  gFaults = faults;
  for (std::atomic<int>* c : {&gCounts.unnamedCreates, &gCounts.namedCreates, &gCounts.links, &gCounts.fileSyncs,
                              &gCounts.folderSyncs}) {
    *c = 0;
  }
}

TFileCalls FileCalls() {
  return {gCounts.unnamedCreates, gCounts.namedCreates, gCounts.links, gCounts.fileSyncs, gCounts.folderSyncs};
}

int CreateFile(const char* path, int flags, mode_t mode) {
  if (Faulted(gCounts.namedCreates, gFaults.createErrno)) return -1;
  return ::open(path, flags, mode);
}

int CreateUnnamedFile(const char* folder, int flags, mode_t mode) {
  if (Faulted(gCounts.unnamedCreates, gFaults.unnamedErrno != 0 ? gFaults.unnamedErrno : gFaults.createErrno)) {
    return -1;
  }
  return ::open(folder, flags | O_TMPFILE, mode);
}

int LinkUnnamedFile(int fd, const char* path) {
  ++gCounts.links;
  // AT_EMPTY_PATH on the descriptor itself would need a privilege; the
  // descriptor's entry under /proc needs none.
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, self, AT_FDCWD, path, AT_SYMLINK_FOLLOW);
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

int SyncFile(int fd) {
  if (Faulted(gCounts.fileSyncs, gFaults.fileSyncErrno)) return -1;
  return ::fsync(fd);
}

int SyncFolder(const char* folder) {
  if (Faulted(gCounts.folderSyncs, gFaults.folderSyncErrno)) return -1;
  const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  const int synced = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  errno = error;
  return synced;
}

int RenameFile(const char* from, const char* to) {
  if (gFaults.renameErrno != 0) {
    errno = gFaults.renameErrno;
    return -1;
  }
  return std::rename(from, to);
}

}  // namespace kira
