// A running program's own folder for its work files: made with a unique
// name under the temporary folder, locked while the program runs, removed
// when it ends however it ends (a signal through signal_cleanup.h), and
// swept up by the next start when its program was killed.
#pragma once

#include <string>

namespace kinsheet {

// The lock file every work folder holds, and the prefix of the folders'
// names.
inline constexpr const char* kWorkFolderLock = "lock";
inline constexpr const char* kWorkFolderPrefix = "kinsheet-";

// $TMPDIR when it names a folder, else /tmp.
std::string TemporaryParent();

// Removes this user's work folders under `parent` whose lock can be taken
// (their program has ended without removing them); returns how many went.
int RemoveOrphanedWorkFolders(const std::string& parent);

class PrivateWorkFolder {
 public:
  // Sweeps orphans under `parent` (empty: TemporaryParent()), then makes and
  // locks a folder of mode 0700 there. On failure path() is empty and
  // problem() says why.
  explicit PrivateWorkFolder(const std::string& parent = {});
  ~PrivateWorkFolder();
  PrivateWorkFolder(const PrivateWorkFolder&) = delete;
  PrivateWorkFolder& operator=(const PrivateWorkFolder&) = delete;

  const std::string& path() const { return path_; }
  const std::string& problem() const { return problem_; }

  // Removes the folder and its files now; later calls do nothing.
  void Remove();

 private:
  std::string path_;
  std::string problem_;
  int lock_fd_ = -1;
  int slot_ = -1;
};

}  // namespace kinsheet
