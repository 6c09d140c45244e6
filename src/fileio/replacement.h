// Writing a file so that an existing one is only ever replaced by a
// complete new one: the bytes go to a temporary file beside the target,
// which is flushed to disk and renamed over the target once finished.
// Until then, any failure, exception or termination signal removes the
// temporary and leaves the old file as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "fileio/file_open.h"
#include "ui/window_services.h"

namespace kinsheet {

class FileReplacement {
 public:
  // Creates an empty temporary file in the target's folder, named
  // ".NAME.kinsheet-XXXXXX". Throws FileError naming the target.
  explicit FileReplacement(std::string target);
  // Removes the temporary unless Commit succeeded.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  const std::string& target() const { return target_; }
  const std::string& temporary() const { return temporary_; }
  bool committed() const { return committed_; }

  // Flushes the temporary's data to disk, renames it over the target and
  // flushes the folder. Throws FileError naming the target; the temporary
  // is then still there for the destructor to remove.
  void Commit();

  // `text` with each mention of the temporary's path or name turned into
  // the target's, so that a failure names the file the user chose.
  std::string ForUser(std::string text) const;

 private:
  std::string target_;
  std::string temporary_;
  int slot_ = -1;
  bool committed_ = false;
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

// How many temporaries are live in this process (for tests).
int LiveTemporaryCount();

}  // namespace kinsheet
