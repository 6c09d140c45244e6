// Temporary files renamed over their targets once complete: each locked
// while its maker lives, registered for removal by a signal, and swept by
// the next export into its folder when its program was killed.
#include "fileio/replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string_view>
#include <utility>
#include <vector>

#include "fileio/signal_cleanup.h"
#include "fileio/system_calls.h"

namespace kinsheet {
namespace {

// ".", a name, ".kinsheet-" and six letters or digits.
constexpr std::string_view kMarker = ".kinsheet-";
constexpr std::size_t kSuffixLength = 6;
// A temporary whose lock is free but which is still empty and this young
// may be one its maker has not locked yet.
constexpr std::time_t kUnlockedGraceSeconds = 60;

void UnlinkTemporary(const char* path) noexcept { ::unlink(path); }

bool IsTemporaryName(std::string_view name) {
  if (name.size() < 1 + kMarker.size() + kSuffixLength + 1 || name[0] != '.') return false;
  const std::string_view suffix = name.substr(name.size() - kSuffixLength);
  if (name.substr(name.size() - kSuffixLength - kMarker.size(), kMarker.size()) != kMarker) return false;
  return std::all_of(suffix.begin(), suffix.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
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

int RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    if (IsTemporaryName(entry->d_name)) names.emplace_back(entry->d_name);
  }
  const int dir_fd = ::dirfd(dir);
  int removed = 0;
  for (const std::string& name : names) {
    struct stat st {};
    if (::fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    const int fd = ::openat(dir_fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    // A live temporary's maker holds its lock until it is renamed or
    // removed; a free lock means its program has ended without either.
    const bool young = std::time(nullptr) - st.st_mtime < kUnlockedGraceSeconds;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && (st.st_size > 0 || !young) &&
        sys::calls.unlink((folder + "/" + name).c_str()) == 0) {
      ++removed;
    }
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

FileReplacement::FileReplacement(std::string target) : target_(std::move(target)) {
  if (target_.empty()) throw FileError(kErrBadFileName, EINVAL, "Bad file name");
  const std::size_t slash = target_.rfind('/');
  const std::string prefix = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
  RemoveStaleTemporaries(FolderOf(target_));
  // The old file's permissions go to the new one; a file this user may not
  // write is not replaced, whatever was answered (as cp refuses).
  struct stat old {};
  if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    if (sys::calls.access(target_.c_str(), W_OK) != 0 && errno != ENOENT) Fail(errno, target_);
    old_mode_ = old.st_mode & 0777;
    old_owner_ = old.st_uid;
    old_group_ = old.st_gid;
  }
  std::string name = NameOf(target_);
  // ".", the name, ".kinsheet-" and six characters within a name's 255 bytes.
  constexpr std::size_t kMaxName = 255 - 1 - kMarker.size() - kSuffixLength;
  if (name.size() > kMaxName) name.resize(kMaxName);
  for (int attempt = 0;; ++attempt) {
    temporary_ = prefix + "." + name + std::string(kMarker) + RandomSuffix();
    // Registered before it exists: a signal from here on waits for this
    // object to remove it.
    slot_ = RegisterLeftover(temporary_, UnlinkTemporary, true);
    lock_fd_ = sys::calls.open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (lock_fd_ >= 0) break;
    const int err = errno;
    ReleaseLeftover(std::exchange(slot_, -1));
    if (err == EINTR || (err == EEXIST && attempt < 100)) continue;
    temporary_.clear();
    Fail(err, target_);
  }
  // Held until the temporary is renamed or removed: the sweep above, in
  // this or another program, leaves a locked temporary alone.
  while (::flock(lock_fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
  KeepOldPermissions();
}

FileReplacement::~FileReplacement() {
  if (!committed_ && !temporary_.empty()) sys::calls.unlink(temporary_.c_str());
  if (lock_fd_ >= 0) sys::calls.close(std::exchange(lock_fd_, -1));
  // Last: with a stop pending, this may end the program.
  ReleaseLeftover(std::exchange(slot_, -1));
}

void FileReplacement::KeepOldPermissions() {
  if (!old_mode_) return;
  // Owner and group only where this process may give them (root, or a
  // group of its own); otherwise the new file is this user's.
  if (sys::calls.fchown(lock_fd_, old_owner_, old_group_) != 0) {
    sys::calls.fchown(lock_fd_, static_cast<uid_t>(-1), old_group_);
  }
  // After the owner: a change of owner may clear mode bits.
  sys::calls.fchmod(lock_fd_, *old_mode_);
}

void FileReplacement::Commit() {
  if (committed_) return;
  // Once a stop was asked for, the old file stays whatever the writer did.
  ThrowIfStopRequested();
  // A writer may have set its own mode (a copied template's).
  KeepOldPermissions();
  if (sys::calls.fsync(lock_fd_) != 0) Fail(errno, target_);
  if (sys::calls.rename(temporary_.c_str(), target_.c_str()) != 0) Fail(errno, target_);
  committed_ = true;
  sys::calls.close(std::exchange(lock_fd_, -1));
  ReleaseLeftover(std::exchange(slot_, -1));
  // The rename itself lasts only once the folder is on disk too; a folder
  // that cannot be flushed (some network file systems) still holds the file.
  const int dir = sys::calls.open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (dir >= 0) {
    sys::calls.fsync(dir);
    sys::calls.close(dir);
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

bool IsStreamOutput(const std::string& name) {
  if (name == kStandardOutputName) return true;
  struct stat st {};
  if (name.empty() || ::stat(name.c_str(), &st) != 0) return false;
  if (S_ISFIFO(st.st_mode)) return true;
  // Of the devices only the null device: writing into any other (a disk's
  // character node, memory, a terminal someone else uses) is no export.
  struct stat null {};
  return S_ISCHR(st.st_mode) && ::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) && st.st_rdev == null.st_rdev;
}

File OpenStreamOutput(const std::string& name) {
  if (name != kStandardOutputName) {
    // Truncating means nothing to a device or a pipe; nothing is created.
    return OpenFileRaw(name, kModeAppend, 0);
  }
  const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (fd < 0) throw FileError(kErrDeviceUnavailable, errno, std::string(std::strerror(errno)) + " (standard output)");
  File f;
  f.fd_ = fd;
  f.path_ = "standard output";
  f.mode_ = kModeOutput;
  return f;
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

bool OutputExists(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::lstat(name.c_str(), &st) == 0;
}

}  // namespace kinsheet
