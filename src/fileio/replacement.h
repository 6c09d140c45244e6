// Writing a file so that an existing one is only ever replaced by a
// complete new one: the bytes go to a temporary file beside the target,
// which is flushed to disk and renamed over the target once finished, with
// the old file's permissions. Until then, any failure, exception or stop
// removes the temporary and leaves the old file as it was.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

#include "fileio/file_open.h"
#include "fileio/signal_cleanup.h"
#include "ui/window_services.h"

namespace kinsheet {

class FileReplacement {
 public:
  // Creates an empty temporary file in the target's folder, named
  // ".NAME.kinsheet-XXXXXX", locked while this object lives, with an
  // existing target's mode (and owner and group where allowed). First
  // sweeps the folder's temporaries that a killed run left. Throws
  // FileError naming the target, also when the target exists and this user
  // may not write it.
  explicit FileReplacement(std::string target);
  // Removes the temporary unless Commit succeeded. With a stop pending in
  // the window this may end the program (see signal_cleanup.h).
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  const std::string& target() const { return target_; }
  const std::string& temporary() const { return temporary_; }
  bool committed() const { return committed_; }

  // Flushes the temporary's data to disk, renames it over the target and
  // flushes the folder. Whoever writes the temporary must have closed it.
  // Throws FileError naming the target, or Cancelled when a stop was asked
  // for; the temporary is then still there for the destructor to remove.
  void Commit();

  // `text` with each mention of the temporary's path or name turned into
  // the target's, so that a failure names the file the user chose.
  std::string ForUser(std::string text) const;

 private:
  void KeepOldPermissions();

  std::string target_;
  std::string temporary_;
  int slot_ = -1;
  int lock_fd_ = -1;
  bool committed_ = false;
  std::optional<mode_t> old_mode_;
  uid_t old_owner_ = 0;
  gid_t old_group_ = 0;
};

// Opens a new replacement of `name` for output (mode 1) as FileOpen would,
// with its name check and its messages for a failure; the File writes to
// the temporary but names `name` in its errors. On failure `replacement` is
// empty and the File is not open (its first use reports why).
File FileOpenReplacing(WindowServices& ws, const std::string& name,
                       std::optional<FileReplacement>& replacement);

// Device and inode of a file, to tell whether two names are one file.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
// The identity of the file `name` leads to (links followed), if any.
std::optional<FileIdentity> IdentifyFile(const std::string& name);
// True when `name` exists and is not a regular file: a folder, a device,
// a FIFO or a socket, which an export must never replace.
bool IsSpecialFile(const std::string& name);
// True when an export to `name` would replace something: a file, or a
// symbolic link even when it leads nowhere.
bool OutputExists(const std::string& name);

// "-", the name that stands for standard output.
inline constexpr const char* kStandardOutputName = "-";
// True when `name` is "-", a FIFO (a named pipe) or the null device
// (/dev/null, also through a link): a stream that a text export writes
// straight into, since there is no file to replace. Other devices are not.
bool IsStreamOutput(const std::string& name);
// Opens a stream output for writing: "-" is a copy of standard output.
// Throws FileError.
File OpenStreamOutput(const std::string& name);

// Removes the temporaries in `folder` that no live program holds (this
// user's, unlocked, and written to or older than a minute); returns how
// many went.
int RemoveStaleTemporaries(const std::string& folder);

}  // namespace kinsheet
