// Work folders: mkdtemp under a staging name, lock taken, then renamed into
// place, so that a sweeping program never finds a folder of ours unlocked.
#include "fileio/work_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "fileio/signal_cleanup.h"

namespace kinsheet {
namespace {

constexpr const char* kStagingPrefix = ".kinsheet-";
// A staging folder without its lock yet is being made, or its program died
// while making it: after this long it is the latter.
constexpr std::time_t kUnlockedGraceSeconds = 60;
// The files a work folder can hold, for removal where nothing may allocate.
constexpr const char* kKnownFiles[] = {"Kinsheet.Ind", "Kinsheet.Fam", kWorkFolderLock};

constexpr std::size_t kPathCapacity = 4096;

// path + "/" + name into `out`, with no allocation.
void JoinInto(char* out, const char* folder, const char* name) {
  std::size_t n = 0;
  for (const char* p = folder; *p != 0 && n + 1 < kPathCapacity; ++p) out[n++] = *p;
  if (n + 1 < kPathCapacity) out[n++] = '/';
  for (const char* p = name; *p != 0 && n + 1 < kPathCapacity; ++p) out[n++] = *p;
  out[n] = 0;
}

void RemoveKnownFiles(const char* folder) noexcept {
  char file[kPathCapacity];
  for (const char* name : kKnownFiles) {
    JoinInto(file, folder, name);
    ::unlink(file);
  }
  ::rmdir(folder);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  // remove_all removes links themselves, never what they point to.
  std::filesystem::remove_all(path, ignored);
}

// One candidate under `parent`: removed when it is this user's real folder
// and its lock can be taken, or, staged, it has had none for a while. A
// placed folder without a lock is not one of ours (an older program's may
// still be in use) and stays.
bool SweepOne(int parent_fd, const std::string& parent, const char* name, bool staging) {
  struct stat st {};
  if (::fstatat(parent_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  const int folder_fd = ::openat(parent_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder_fd < 0) return false;
  const int lock_fd = ::openat(folder_fd, kWorkFolderLock, O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  ::close(folder_fd);
  const bool old = std::time(nullptr) - st.st_mtime > kUnlockedGraceSeconds;
  bool remove = false;
  if (lock_fd >= 0) {
    // A staged lock may be free for the instant before its maker takes it.
    remove = (!staging || old) && ::flock(lock_fd, LOCK_EX | LOCK_NB) == 0;
  } else if (errno == ENOENT && staging) {
    remove = old;
  }
  // The lock stays held while the folder goes.
  if (remove) RemoveTree(parent + "/" + name);
  if (lock_fd >= 0) ::close(lock_fd);
  return remove;
}

std::string Describe(int error) { return std::strerror(error); }

}  // namespace

std::string TemporaryParent() {
  const char* tmp = std::getenv("TMPDIR");
  struct stat st {};
  if (tmp != nullptr && *tmp == '/' && ::stat(tmp, &st) == 0 && S_ISDIR(st.st_mode)) {
    std::string parent = tmp;
    while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
    return parent;
  }
  return "/tmp";
}

int RemoveOrphanedWorkFolders(const std::string& parent) {
  DIR* dir = ::opendir(parent.c_str());
  if (dir == nullptr) return 0;
  std::vector<std::string> staged, placed;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (StartsWith(name, kWorkFolderPrefix)) placed.emplace_back(name);
    if (StartsWith(name, kStagingPrefix)) staged.emplace_back(name);
  }
  int removed = 0;
  const int parent_fd = ::dirfd(dir);
  for (const std::string& name : placed) removed += SweepOne(parent_fd, parent, name.c_str(), false) ? 1 : 0;
  for (const std::string& name : staged) removed += SweepOne(parent_fd, parent, name.c_str(), true) ? 1 : 0;
  ::closedir(dir);
  return removed;
}

PrivateWorkFolder::PrivateWorkFolder(const std::string& parent_folder) {
  const std::string parent = parent_folder.empty() ? TemporaryParent() : parent_folder;
  RemoveOrphanedWorkFolders(parent);
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string staging = parent + "/" + kStagingPrefix + "XXXXXX";
    if (::mkdtemp(staging.data()) == nullptr) {
      problem_ = parent + ": " + Describe(errno);
      return;
    }
    const std::string lock = staging + "/" + kWorkFolderLock;
    lock_fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock_fd_ < 0 || ::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
      problem_ = lock + ": " + Describe(errno);
      if (lock_fd_ >= 0) ::close(std::exchange(lock_fd_, -1));
      RemoveTree(staging);
      return;
    }
    const std::string placed = parent + "/" + kWorkFolderPrefix + staging.substr(staging.size() - 6);
    if (::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, placed.c_str(), RENAME_NOREPLACE) == 0) {
      path_ = placed;
      slot_ = RegisterLeftover(path_, RemoveKnownFiles, false);
      return;
    }
    const int error = errno;
    ::close(std::exchange(lock_fd_, -1));
    RemoveTree(staging);
    if (error != EEXIST) {
      problem_ = placed + ": " + Describe(error);
      return;
    }
  }
  problem_ = parent + ": " + Describe(EEXIST);
}

PrivateWorkFolder::~PrivateWorkFolder() { Remove(); }

void PrivateWorkFolder::Remove() {
  ReleaseLeftover(std::exchange(slot_, -1));
  if (!path_.empty()) RemoveTree(std::exchange(path_, std::string()));
  if (lock_fd_ >= 0) ::close(std::exchange(lock_fd_, -1));
}

}  // namespace kinsheet
