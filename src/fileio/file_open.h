// Files opened by mode with a name check and an optional replace question,
// file-system failures in plain words, and the move-only File that closes
// itself on every path.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ui/window_services.h"

namespace kinsheet {

enum FileModeCode : std::int16_t {
  kModeOutput = 1,
  kModeInput = 2,
  kModeAppend = 3,
  kModeRandom = 4,
  kModeBinary = 5,
};

// Error numbers of the file layer (the codes FileErrors knows, and a few it
// does not).
enum FileErrorCode : std::int16_t {
  kErrBadFileNameOrNumber = 52,
  kErrFileNotFound = 53,
  kErrBadFileMode = 54,
  kErrFileAlreadyOpen = 55,
  kErrDeviceIo = 57,
  kErrDiskFull = 61,
  kErrInputPastEnd = 62,
  kErrBadFileName = 64,
  kErrTooManyFiles = 67,
  kErrDeviceUnavailable = 68,
  kErrPermissionDenied = 70,
  kErrDiskNotReady = 71,
  kErrPathFileAccess = 75,
  kErrPathNotFound = 76,
};

// A failed file operation: the file layer's code, the OS errno (0 if none)
// and a description in the system's words.
class FileError : public std::runtime_error {
 public:
  FileError(std::int16_t code, int os_error, const std::string& description);
  std::int16_t code() const { return code_; }
  int os_error() const { return os_error_; }

 private:
  std::int16_t code_;
  int os_error_;
};

// Maps errno to the file layer's code.
std::int16_t FileErrorCodeFor(int os_error);
// Throws FileError for errno with `what` (a path or an operation) in the text.
[[noreturn]] void ThrowFileError(int os_error, const std::string& what);

class FileReplacement;

class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // 0 when nothing is open.
  std::int16_t handle() const { return fd_ >= 0 ? static_cast<std::int16_t>(fd_) : 0; }
  bool is_open() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  std::int16_t mode() const { return mode_; }
  std::int32_t record_length() const { return record_length_; }

  // Sequential writing (output, append, binary), buffered. Throws FileError.
  void Write(std::string_view bytes);
  void WriteLine(std::string_view line);  // line and CR LF
  void Flush();

  // Sequential reading (input). ReadLine ends a line at CR or CR LF; an LF
  // that does not follow a CR stays in the line. Lines longer than
  // `max_line` keep their first bytes and their last 16 bytes.
  bool AtEnd();
  bool ReadLine(std::string& line, std::size_t max_line);
  int ReadByte();  // -1 at the end
  std::size_t ReadBytes(char* out, std::size_t count);

  // Random access in records of record_length() bytes, numbered from 1,
  // or in bytes at any offset for records of varying length. Consecutive
  // writes are gathered in runs: a failed write may surface at a later
  // write, a read, Flush or Close.
  void PutRecord(std::int64_t number, const char* data);
  void GetRecord(std::int64_t number, char* data);
  void PutBytes(std::int64_t offset, std::string_view bytes);
  // `count` bytes at `offset` without copying them when the file can be
  // mapped: a pointer into the mapping, good until the next write to this
  // file. Otherwise they are read into `scratch`, whose bytes are returned.
  const char* ViewBytes(std::int64_t offset, std::size_t count, std::string& scratch);

  std::int64_t Length() const;

  // Flushes and closes; throws FileError when the flush fails. The
  // destructor closes quietly.
  void Close();

 private:
  friend File OpenFileRaw(const std::string&, std::int16_t, std::int32_t);
  friend File FileOpen(WindowServices&, const std::string&, std::int16_t, std::int32_t, bool);
  friend File FileOpenReplacing(WindowServices&, const std::string&, std::optional<FileReplacement>&);
  bool FillBuffer();
  // Flushes and closes as the destructor does: a failure is dropped.
  void CloseQuietly() noexcept;
  // Throws why the file is not open.
  void RequireOpen() const;
  void FlushRecords();
  // Record bytes at `offset` in the mapping (mapping it as far as `end`);
  // null when the file cannot be mapped.
  const char* Mapped(std::int64_t offset, std::size_t end);
  void ReadAt(std::int64_t offset, std::size_t count, char* data);
  bool MapTo(std::size_t end);
  void Unmap();

  int fd_ = -1;
  std::string path_;
  std::int16_t mode_ = 0;
  std::int32_t record_length_ = 0;
  std::string out_buffer_;
  std::string in_buffer_;
  std::size_t in_pos_ = 0;
  bool in_eof_ = false;
  // Why FileOpen gave up, for the first use of a file that did not open.
  std::shared_ptr<const FileError> failure_;
  // Random access: consecutive records waiting to be written, and a
  // read-only view of the file for reading records.
  std::string pending_;
  std::int64_t pending_at_ = 0;
  void* map_ = nullptr;
  std::size_t map_length_ = 0;
  std::uint32_t reads_since_release_ = 0;
};

// Opens without any question or message; throws FileError. A mode code
// outside 1 to 5 returns a File that is not open.
File OpenFileRaw(const std::string& name, std::int16_t mode, std::int32_t record_length);

// True when the name holds a character the name check refuses
// (";" to "?", "[", "*", "]").
bool IsRefusedFileName(std::string_view name);

// Opens `name` in `mode`; with `ask_replace` an existing file opened for
// output is only replaced after the user agrees. Failures go through
// FileErrors; the result is then not open (handle 0).
File FileOpen(WindowServices& ws, const std::string& name, std::int16_t mode,
              std::int32_t record_length, bool ask_replace);

// Shows the message for a file-layer code and returns 0 retry, 1 ignore,
// 2 give up, 3 unrecognised.
std::int16_t FileErrors(WindowServices& ws, std::int16_t code);

// True when a directory lookup finds `name` (a file, not a folder).
bool FileExists(const std::string& name);

}  // namespace kinsheet
