#include "fileio/system_calls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace kinsheet::sys {
namespace {

int Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int Rename(const char* from, const char* to) { return std::rename(from, to); }

constexpr Calls kReal = {Open, ::read, ::write, ::pwrite, ::pread, ::close, Rename};

}  // namespace

const Calls& RealCalls() { return kReal; }

Calls calls = kReal;

}  // namespace kinsheet::sys
