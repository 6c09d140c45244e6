#include "fileio/system_calls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace kinsheet::sys {
namespace {

int Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int Rename(const char* from, const char* to) { return std::rename(from, to); }
int Access(const char* path, int mode) { return ::faccessat(AT_FDCWD, path, mode, AT_EACCESS); }

constexpr Calls kReal = {Open,   ::read,   ::write,  ::pwrite, ::pread, ::close,
                         Rename, ::fsync, ::fchmod, ::fchown, ::unlink, Access};

}  // namespace

const Calls& RealCalls() { return kReal; }

Calls calls = kReal;

}  // namespace kinsheet::sys
