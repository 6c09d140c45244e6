// Temporary files renamed over their targets once complete, and the list of
// live temporaries that a termination signal removes.
#include "fileio/replacement.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include "fileio/system_calls.h"

namespace kinsheet {
namespace {

// A signal handler reaches nothing but globals: the live temporaries sit in
// fixed slots that it can read without locks or allocation.
constexpr int kSlots = 32;
constexpr std::size_t kSlotPath = 4096;
enum SlotState : int { kFree = 0, kFilling = 1, kLive = 2 };

struct LiveSlot {
  std::atomic<int> state{kFree};
  char path[kSlotPath];
};

LiveSlot g_live[kSlots];
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[3];
std::once_flag g_install_once;

extern "C" void RemoveLiveTemporaries(int sig) {
  const int saved_errno = errno;
  for (LiveSlot& slot : g_live) {
    if (slot.state.load(std::memory_order_acquire) == kLive) ::unlink(slot.path);
  }
  // Whatever handled the signal before (the default: ending the process)
  // now runs with the signal raised again once this handler returns.
  for (int i = 0; i < 3; ++i) {
    if (kCleanedSignals[i] == sig) ::sigaction(sig, &g_previous[i], nullptr);
  }
  ::raise(sig);
  errno = saved_errno;
}

void InstallCleanup() {
  for (int i = 0; i < 3; ++i) {
    struct sigaction current {};
    if (::sigaction(kCleanedSignals[i], nullptr, &current) != 0) continue;
    // A signal the process ignores (nohup) stays ignored.
    if (current.sa_handler == SIG_IGN && (current.sa_flags & SA_SIGINFO) == 0) continue;
    g_previous[i] = current;
    struct sigaction ours {};
    ours.sa_handler = RemoveLiveTemporaries;
    ours.sa_flags = SA_RESTART;
    sigemptyset(&ours.sa_mask);
    for (int s : kCleanedSignals) sigaddset(&ours.sa_mask, s);
    ::sigaction(kCleanedSignals[i], &ours, nullptr);
  }
}

int Register(const std::string& path) {
  std::call_once(g_install_once, InstallCleanup);
  if (path.size() >= kSlotPath) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (g_live[i].state.compare_exchange_strong(expected, kFilling)) {
      std::memcpy(g_live[i].path, path.c_str(), path.size() + 1);
      g_live[i].state.store(kLive, std::memory_order_release);
      return i;
    }
  }
  return -1;  // more live temporaries than slots: this one is not cleaned on a signal
}

void Unregister(int slot) {
  if (slot >= 0) g_live[slot].state.store(kFree, std::memory_order_release);
}

// Six letters and digits: none of them is a character the name check
// refuses, so the temporary passes wherever the target does.
std::string RandomSuffix() {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char bytes[6];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      // No random source: the clock and the process id, and the O_EXCL
      // loop below, still give a free name.
      const auto mix = static_cast<unsigned long long>(::getpid()) * 2654435761ULL ^
                       static_cast<unsigned long long>(::clock());
      for (std::size_t i = got; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(mix >> (i * 7));
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  std::string suffix;
  for (unsigned char b : bytes) suffix += kAlphabet[b % (sizeof kAlphabet - 1)];
  return suffix;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void Fail(int os_error, const std::string& target) {
  // As opening the target itself would: a missing folder is a path not found.
  if (os_error == ENOENT) {
    throw FileError(kErrPathNotFound, ENOENT, std::string(std::strerror(ENOENT)) + " (" + target + ")");
  }
  ThrowFileError(os_error, target);
}

}  // namespace

FileReplacement::FileReplacement(std::string target) : target_(std::move(target)) {
  if (target_.empty()) throw FileError(kErrBadFileName, EINVAL, "Bad file name");
  const std::size_t slash = target_.rfind('/');
  const std::string prefix = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
  std::string name = NameOf(target_);
  // ".", the name, ".kinsheet-" and six characters within a name's 255 bytes.
  constexpr std::size_t kMaxName = 255 - 1 - 10 - 6;
  if (name.size() > kMaxName) name.resize(kMaxName);
  for (int attempt = 0;; ++attempt) {
    temporary_ = prefix + "." + name + ".kinsheet-" + RandomSuffix();
    const int fd = sys::calls.open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      sys::calls.close(fd);
      break;
    }
    if (errno == EINTR || (errno == EEXIST && attempt < 100)) continue;
    const int err = errno;
    temporary_.clear();
    Fail(err, target_);
  }
  slot_ = Register(temporary_);
}

FileReplacement::~FileReplacement() {
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
  Unregister(slot_);
}

void FileReplacement::Commit() {
  if (committed_) return;
  int fd;
  do {
    fd = sys::calls.open(temporary_.c_str(), O_RDONLY | O_CLOEXEC, 0);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) Fail(errno, target_);
  if (::fsync(fd) != 0) {
    const int err = errno;
    sys::calls.close(fd);
    Fail(err, target_);
  }
  sys::calls.close(fd);
  if (sys::calls.rename(temporary_.c_str(), target_.c_str()) != 0) Fail(errno, target_);
  committed_ = true;
  Unregister(slot_);
  slot_ = -1;
  // The rename itself lasts only once the folder is on disk too; a folder
  // that cannot be flushed (some network file systems) still holds the file.
  const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

std::string FileReplacement::ForUser(std::string text) const {
  Replace(text, temporary_, target_);
  Replace(text, NameOf(temporary_), NameOf(target_));
  return text;
}

File FileOpenReplacing(WindowServices& ws, const std::string& name,
                       std::optional<FileReplacement>& replacement) {
  for (;;) {
    try {
      replacement.reset();
      if (IsRefusedFileName(name)) throw FileError(kErrBadFileName, 0, "Bad file name");
      replacement.emplace(name);
      File f = OpenFileRaw(replacement->temporary(), kModeOutput, 0);
      f.path_ = name;
      return f;
    } catch (const FileError& e) {
      const FileError named(e.code(), e.os_error(), replacement ? replacement->ForUser(e.what()) : e.what());
      replacement.reset();
      if (FileErrors(ws, named.code()) != 0) {
        File failed;
        failed.failure_ = std::make_shared<const FileError>(named);
        return failed;
      }
    }
  }
}

std::optional<FileIdentity> IdentifyFile(const std::string& name) {
  struct stat st {};
  if (name.empty() || ::stat(name.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool IsSpecialFile(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

int LiveTemporaryCount() {
  int live = 0;
  for (const LiveSlot& slot : g_live) {
    if (slot.state.load(std::memory_order_acquire) == kLive) ++live;
  }
  return live;
}

}  // namespace kinsheet
