#include "support/fake_system_calls.h"

#include <cerrno>
#include <stdexcept>

#include "fileio/system_calls.h"

namespace kinsheet::testing {
namespace {

FakeSystemCalls* g_script = nullptr;

// The outcome for this call; false when it should fail (errno is set).
bool Take(std::deque<long>& queue, size_t& count) {
  if (queue.empty()) return true;
  const long outcome = queue.front();
  queue.pop_front();
  if (outcome < 0) {
    errno = static_cast<int>(-outcome);
    return false;
  }
  if (outcome > 0 && count > static_cast<size_t>(outcome)) count = static_cast<size_t>(outcome);
  return true;
}

int Open(const char* path, int flags, mode_t mode) {
  size_t unused = 0;
  return Take(g_script->open, unused) ? sys::RealCalls().open(path, flags, mode) : -1;
}

ssize_t Read(int fd, void* buffer, size_t count) {
  return Take(g_script->read, count) ? sys::RealCalls().read(fd, buffer, count) : -1;
}

ssize_t Write(int fd, const void* buffer, size_t count) {
  ++g_script->write_calls;
  return Take(g_script->write, count) ? sys::RealCalls().write(fd, buffer, count) : -1;
}

ssize_t Pwrite(int fd, const void* buffer, size_t count, off_t offset) {
  return Take(g_script->pwrite, count) ? sys::RealCalls().pwrite(fd, buffer, count, offset) : -1;
}

ssize_t Pread(int fd, void* buffer, size_t count, off_t offset) {
  return Take(g_script->pread, count) ? sys::RealCalls().pread(fd, buffer, count, offset) : -1;
}

// Like Linux, a failed close has still closed the descriptor.
int Close(int fd) {
  size_t unused = 0;
  const bool real = Take(g_script->close, unused);
  const int saved = errno;
  const int r = sys::RealCalls().close(fd);
  if (real) return r;
  errno = saved;
  return -1;
}

}  // namespace

FakeSystemCalls::FakeSystemCalls() {
  if (g_script != nullptr) throw std::logic_error("system calls are scripted already");
  g_script = this;
  sys::calls.open = Open;
  sys::calls.read = Read;
  sys::calls.write = Write;
  sys::calls.pwrite = Pwrite;
  sys::calls.pread = Pread;
  sys::calls.close = Close;
}

FakeSystemCalls::~FakeSystemCalls() {
  sys::calls = sys::RealCalls();
  g_script = nullptr;
}

}  // namespace kinsheet::testing
