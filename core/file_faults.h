// The calls through which a save reaches the file system, with failures that
// tests can switch on: a folder that refuses new files, a file system without
// unnamed files, a disk that fills up after so many bytes, a failing flush, a
// rename that fails. With no fault set each call is the plain system call.
// The calls are counted, so that a test can see that a save flushed its file
// and its folder.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace kira {

struct TFileFaults {
  // Creating a file, named or unnamed, fails with this errno (EACCES: an
  // unwritable folder).
  int createErrno = 0;
  // A file takes this many bytes; the write that would go past them fails with
  // ENOSPC (negative: no limit).
  std::int64_t diskBytesLeft = -1;
  // Renaming fails with this errno.
  int renameErrno = 0;
  // Creating an unnamed file (O_TMPFILE) fails with this errno (EOPNOTSUPP,
  // EISDIR, EINVAL: a file system or kernel without them).
  int unnamedErrno = 0;
  // fsync of a file fails with this errno (EIO: the disk failed to take it).
  int fileSyncErrno = 0;
  // fsync of a folder fails with this errno.
  int folderSyncErrno = 0;
};

// TFileFaults{} switches every fault off again; either way the counts below
// start again from 0.
void SetFileFaults(const TFileFaults& faults);

// The calls made since the last SetFileFaults (or the start), failed ones too.
struct TFileCalls {
  int unnamedCreates = 0;
  int namedCreates = 0;
  int links = 0;
  int fileSyncs = 0;
  int folderSyncs = 0;
};
TFileCalls FileCalls();

// open(2) with O_CREAT in flags.
int CreateFile(const char* path, int flags, mode_t mode);
// open(2) of folder with O_TMPFILE added to flags: a file with no name yet.
int CreateUnnamedFile(const char* folder, int flags, mode_t mode);
// Gives the unnamed file behind fd the name path (linkat(2) through
// /proc/self/fd); fails with EEXIST when the name is taken.
int LinkUnnamedFile(int fd, const char* path);
// write(2) of up to n bytes to a file that already holds writtenBefore bytes.
ssize_t WriteSome(int fd, const void* data, std::size_t n, std::int64_t writtenBefore);
// fsync(2) of a file.
int SyncFile(int fd);
// fsync(2) of a folder, opened for the purpose and closed again.
int SyncFolder(const char* folder);
// rename(2).
int RenameFile(const char* from, const char* to);

}  // namespace kira
