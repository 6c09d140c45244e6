// The system calls of the file layer, reached through one table so that a
// test can put its own functions in their place: calls that fail, write
// short or are interrupted, which a real disk rarely does on demand.
#pragma once

#include <sys/types.h>

namespace kinsheet::sys {

struct Calls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*read)(int fd, void* buffer, size_t count);
  ssize_t (*write)(int fd, const void* buffer, size_t count);
  ssize_t (*pwrite)(int fd, const void* buffer, size_t count, off_t offset);
  ssize_t (*pread)(int fd, void* buffer, size_t count, off_t offset);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  // A file's data, or a folder's entries, onto the disk.
  int (*fsync)(int fd);
  int (*fchmod)(int fd, mode_t mode);
  int (*fchown)(int fd, uid_t owner, gid_t group);
  int (*unlink)(const char* path);
  // Whether this process may use `path` as `mode` says (R_OK, W_OK), judged
  // by its effective ids as an open would be.
  int (*access)(const char* path, int mode);
};

// The operating system's own calls.
const Calls& RealCalls();

// The calls the file layer makes; tests replace entries and put the real
// ones back when done.
extern Calls calls;

}  // namespace kinsheet::sys
