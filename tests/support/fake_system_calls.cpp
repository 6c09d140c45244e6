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

bool Take(std::deque<long>& queue) {
  size_t unused = 0;
  return Take(queue, unused);
}

void Log(const char* name, int fd, const char* path = nullptr) {
  g_script->log.push_back({name, fd, path != nullptr ? path : ""});
}

int Open(const char* path, int flags, mode_t mode) {
  const int fd = Take(g_script->open) ? sys::RealCalls().open(path, flags, mode) : -1;
  Log("open", fd, path);
  return fd;
}

ssize_t Read(int fd, void* buffer, size_t count) {
  Log("read", fd);
  return Take(g_script->read, count) ? sys::RealCalls().read(fd, buffer, count) : -1;
}

ssize_t Write(int fd, const void* buffer, size_t count) {
  ++g_script->write_calls;
  Log("write", fd);
  return Take(g_script->write, count) ? sys::RealCalls().write(fd, buffer, count) : -1;
}

ssize_t Pwrite(int fd, const void* buffer, size_t count, off_t offset) {
  Log("pwrite", fd);
  return Take(g_script->pwrite, count) ? sys::RealCalls().pwrite(fd, buffer, count, offset) : -1;
}

ssize_t Pread(int fd, void* buffer, size_t count, off_t offset) {
  return Take(g_script->pread, count) ? sys::RealCalls().pread(fd, buffer, count, offset) : -1;
}

// Like Linux, a failed close has still closed the descriptor.
int Close(int fd) {
  Log("close", fd);
  const bool real = Take(g_script->close);
  const int saved = errno;
  const int r = sys::RealCalls().close(fd);
  if (real) return r;
  errno = saved;
  return -1;
}

int Rename(const char* from, const char* to) {
  Log("rename", -1, from);
  return Take(g_script->rename) ? sys::RealCalls().rename(from, to) : -1;
}

int Fsync(int fd) {
  Log("fsync", fd);
  return Take(g_script->fsync) ? sys::RealCalls().fsync(fd) : -1;
}

int Fchmod(int fd, mode_t mode) {
  Log("fchmod", fd);
  return Take(g_script->fchmod) ? sys::RealCalls().fchmod(fd, mode) : -1;
}

int Fchown(int fd, uid_t owner, gid_t group) {
  Log("fchown", fd);
  return Take(g_script->fchown) ? sys::RealCalls().fchown(fd, owner, group) : -1;
}

int Unlink(const char* path) {
  Log("unlink", -1, path);
  return Take(g_script->unlink) ? sys::RealCalls().unlink(path) : -1;
}

int Access(const char* path, int mode) {
  Log("access", -1, path);
  return Take(g_script->access) ? sys::RealCalls().access(path, mode) : -1;
}

}  // namespace

FakeSystemCalls::FakeSystemCalls() {
  if (g_script != nullptr) throw std::logic_error("system calls are scripted already");
  g_script = this;
  sys::calls = {Open, Read, Write, Pwrite, Pread, Close, Rename, Fsync, Fchmod, Fchown, Unlink, Access};
}

FakeSystemCalls::~FakeSystemCalls() {
  sys::calls = sys::RealCalls();
  g_script = nullptr;
}

}  // namespace kinsheet::testing
