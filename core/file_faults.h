// The calls through which a save reaches the file system, with failures that
// tests can switch on: a folder that refuses new files, a disk that fills up
// after so many bytes, a rename that fails. With no fault set each call is the
// plain system call.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace kira {

struct TFileFaults {
  // Creating a file fails with this errno (EACCES: an unwritable folder).
  int createErrno = 0;
  // A file takes this many bytes; the write that would go past them fails with
  // ENOSPC (negative: no limit).
  std::int64_t diskBytesLeft = -1;
  // Renaming fails with this errno.
  int renameErrno = 0;
};

// TFileFaults{} switches every fault off again.
void SetFileFaults(const TFileFaults& faults);

// open(2) with O_CREAT in flags.
int CreateFile(const char* path, int flags, mode_t mode);
// write(2) of up to n bytes to a file that already holds writtenBefore bytes.
ssize_t WriteSome(int fd, const void* data, std::size_t n, std::int64_t writtenBefore);
// rename(2).
int RenameFile(const char* from, const char* to);

}  // namespace kira
