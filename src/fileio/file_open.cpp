// POSIX-backed files with the file layer's error codes, and the two helpers
// that put a face on them: FileOpen's name check and replace question, and
// FileErrors' plain-language messages.
#include "fileio/file_open.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "fileio/signal_cleanup.h"
#include "fileio/system_calls.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;
// Bytes of consecutive records gathered before they are written.
constexpr std::size_t kRecordRun = 1 << 18;
// Record reads through the view between two releases of its pages (each
// read touches at most two pages).
constexpr std::uint32_t kReadsPerRelease = 8192;

// A call a signal interrupted is made again, unless the signal asked the
// program to stop: an open or a read waiting on a pipe would otherwise hold
// the stop back until the pipe's writer acts.
auto RetryEintr(auto call) {
  decltype(call()) r;
  while ((r = call()) < 0 && errno == EINTR) ThrowIfStopRequested();
  return r;
}

}  // namespace

FileError::FileError(std::int16_t code, int os_error, const std::string& description)
    : std::runtime_error(description), code_(code), os_error_(os_error) {}

std::int16_t FileErrorCodeFor(int os_error) {
  switch (os_error) {
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return kErrPermissionDenied;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return kErrDiskFull;
    case EIO: return kErrDeviceIo;
    case EISDIR: return kErrPathFileAccess;
    case ENAMETOOLONG:
    case EINVAL: return kErrBadFileName;
    case EMFILE:
    case ENFILE: return kErrTooManyFiles;
    case ENXIO:
    case ENODEV: return kErrDeviceUnavailable;
    case EBUSY:
    case ETXTBSY: return kErrFileAlreadyOpen;
    default: return kErrPathFileAccess;
  }
}

void ThrowFileError(int os_error, const std::string& what) {
  throw FileError(FileErrorCodeFor(os_error), os_error,
                  std::string(std::strerror(os_error)) + " (" + what + ")");
}

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    CloseQuietly();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    mode_ = other.mode_;
    record_length_ = other.record_length_;
    out_buffer_ = std::move(other.out_buffer_);
    in_buffer_ = std::move(other.in_buffer_);
    in_pos_ = other.in_pos_;
    in_eof_ = other.in_eof_;
    failure_ = std::move(other.failure_);
    pending_ = std::move(other.pending_);
    pending_at_ = other.pending_at_;
    map_ = std::exchange(other.map_, nullptr);
    map_length_ = std::exchange(other.map_length_, 0);
    reads_since_release_ = other.reads_since_release_;
  }
  return *this;
}

File::~File() { CloseQuietly(); }

void File::CloseQuietly() noexcept {
  if (fd_ < 0) return;
  try {
    Flush();
  } catch (const FileError&) {
    // Closing on an error path: the first failure has been reported.
  }
  Unmap();
  sys::calls.close(std::exchange(fd_, -1));
}

void File::Write(std::string_view bytes) {
  RequireOpen();
  out_buffer_.append(bytes);
  if (out_buffer_.size() >= kBufferSize) Flush();
}

void File::WriteLine(std::string_view line) {
  Write(line);
  Write("\r\n");
}

void File::Flush() {
  FlushRecords();
  std::size_t done = 0;
  while (done < out_buffer_.size()) {
    const ssize_t n = sys::calls.write(fd_, out_buffer_.data() + done, out_buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      out_buffer_.clear();
      ThrowFileError(err, path_);
    }
    done += static_cast<std::size_t>(n);
  }
  out_buffer_.clear();
}

bool File::FillBuffer() {
  if (in_pos_ < in_buffer_.size()) return true;
  if (in_eof_ || fd_ < 0) return false;
  in_buffer_.resize(kBufferSize);
  ThrowIfStopRequested();
  const ssize_t n = RetryEintr([&] { return sys::calls.read(fd_, in_buffer_.data(), kBufferSize); });
  if (n < 0) ThrowFileError(errno, path_);
  in_buffer_.resize(static_cast<std::size_t>(n));
  in_pos_ = 0;
  if (n == 0) in_eof_ = true;
  return n > 0;
}

bool File::AtEnd() { return !FillBuffer(); }

int File::ReadByte() {
  if (!FillBuffer()) return -1;
  return static_cast<unsigned char>(in_buffer_[in_pos_++]);
}

std::size_t File::ReadBytes(char* out, std::size_t count) {
  std::size_t got = 0;
  while (got < count && FillBuffer()) {
    const std::size_t take = std::min(count - got, in_buffer_.size() - in_pos_);
    std::memcpy(out + got, in_buffer_.data() + in_pos_, take);
    in_pos_ += take;
    got += take;
  }
  return got;
}

bool File::ReadLine(std::string& line, std::size_t max_line) {
  line.clear();
  if (!FillBuffer()) return false;
  // Past max_line only the last bytes are kept: a record's type is read
  // from the end of its line, and nothing else needs the middle.
  constexpr std::size_t kTail = 16;
  std::string tail;
  bool clipped = false;
  while (FillBuffer()) {
    const char* begin = in_buffer_.data() + in_pos_;
    const std::size_t avail = in_buffer_.size() - in_pos_;
    const void* cr = std::memchr(begin, '\r', avail);
    const std::size_t take = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - begin)
                                : avail;
    if (!clipped && line.size() + take <= max_line) {
      line.append(begin, take);
    } else {
      if (!clipped) {
        const std::size_t room = max_line - kTail - std::min(line.size(), max_line - kTail);
        line.append(begin, std::min(room, take));
        if (line.size() > max_line - kTail) line.resize(max_line - kTail);
        clipped = true;
      }
      tail.append(begin, take);
      if (tail.size() > kTail) tail.erase(0, tail.size() - kTail);
    }
    in_pos_ += take;
    if (cr) {
      ++in_pos_;  // the CR
      if (FillBuffer() && in_buffer_[in_pos_] == '\n') ++in_pos_;
      break;
    }
  }
  if (clipped) line += tail;
  return true;
}

void File::RequireOpen() const {
  if (fd_ >= 0) return;
  if (failure_) throw *failure_;
  throw FileError(kErrBadFileNameOrNumber, EBADF, msg::kBadFileNameOrNumber);
}

void File::PutRecord(std::int64_t number, const char* data) {
  PutBytes(static_cast<std::int64_t>(number - 1) * record_length_,
           std::string_view(data, static_cast<std::size_t>(record_length_)));
}

void File::PutBytes(std::int64_t offset, std::string_view bytes) {
  RequireOpen();
  // Records mostly arrive in ascending order: gather runs of them and
  // write each run at once.
  if (!pending_.empty() && offset == pending_at_ + static_cast<off_t>(pending_.size())) {
    pending_.append(bytes);
    if (pending_.size() >= kRecordRun) FlushRecords();
    return;
  }
  FlushRecords();
  pending_at_ = offset;
  pending_.assign(bytes);
}

void File::FlushRecords() {
  std::size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t n = sys::calls.pwrite(fd_, pending_.data() + done, pending_.size() - done,
                                        pending_at_ + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      pending_.clear();
      ThrowFileError(err, path_);
    }
    done += static_cast<std::size_t>(n);
  }
  pending_.clear();
}

// Lookups read records all over the file: a read-only view of it saves a
// system call per record. Without one, reads fall back to pread.
bool File::MapTo(std::size_t end) {
  if (end <= map_length_) return true;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || static_cast<std::size_t>(st.st_size) < end) return false;
  Unmap();
  void* view = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd_, 0);
  if (view == MAP_FAILED) return false;
  map_ = view;
  map_length_ = static_cast<std::size_t>(st.st_size);
  return true;
}

void File::Unmap() {
  if (map_ != nullptr) ::munmap(map_, map_length_);
  map_ = nullptr;
  map_length_ = 0;
}

const char* File::Mapped(std::int64_t offset, std::size_t end) {
  if (offset < 0 || !MapTo(end)) return nullptr;
  // The pages stay in the page cache; giving them back now and then keeps
  // the process's own memory flat however large the file. A view handed out
  // stays readable: released pages come back on the next touch.
  if (++reads_since_release_ >= kReadsPerRelease) {
    ::madvise(map_, map_length_, MADV_DONTNEED);
    reads_since_release_ = 0;
  }
  return static_cast<const char*>(map_) + offset;
}

const char* File::ViewBytes(std::int64_t offset, std::size_t count, std::string& scratch) {
  RequireOpen();
  FlushRecords();
  if (const char* mapped = Mapped(offset, static_cast<std::size_t>(offset) + count)) return mapped;
  scratch.resize(count);
  ReadAt(offset, count, scratch.data());
  return scratch.data();
}

void File::GetRecord(std::int64_t number, char* data) {
  RequireOpen();
  FlushRecords();
  const off_t offset = static_cast<off_t>(number - 1) * record_length_;
  const auto count = static_cast<std::size_t>(record_length_);
  if (const char* mapped = number < 1 ? nullptr : Mapped(offset, static_cast<std::size_t>(offset) + count)) {
    std::memcpy(data, mapped, count);
    return;
  }
  ReadAt(offset, count, data);
}

void File::ReadAt(std::int64_t offset, std::size_t count, char* data) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = sys::calls.pread(fd_, data + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(errno, path_);
    }
    if (n == 0) {
      throw FileError(kErrInputPastEnd, 0, std::string(msg::kInputPastEnd) + " (" + path_ + ")");
    }
    done += static_cast<std::size_t>(n);
  }
}

std::int64_t File::Length() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
  // Records still gathered for writing count as written.
  if (!pending_.empty()) {
    return std::max<std::int64_t>(st.st_size, pending_at_ + static_cast<std::int64_t>(pending_.size()));
  }
  return st.st_size;
}

void File::Close() {
  if (fd_ < 0) return;
  Unmap();
  try {
    Flush();
  } catch (...) {
    sys::calls.close(std::exchange(fd_, -1));
    throw;
  }
  const int fd = std::exchange(fd_, -1);
  if (sys::calls.close(fd) != 0 && errno != EINTR) ThrowFileError(errno, path_);
}

File OpenFileRaw(const std::string& name, std::int16_t mode, std::int32_t record_length) {
  int flags;
  switch (mode) {
    case kModeOutput: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case kModeInput: flags = O_RDONLY; break;
    case kModeAppend: flags = O_WRONLY | O_CREAT | O_APPEND; break;
    // Random access is for the program's own work files: never through a
    // symbolic link someone put in their place.
    case kModeRandom: flags = O_RDWR | O_CREAT | O_NOFOLLOW; break;
    case kModeBinary: flags = O_RDWR | O_CREAT; break;
    default: return File();
  }
  if (mode == kModeRandom && record_length <= 0) {
    throw FileError(kErrBadFileMode, EINVAL, std::string(msg::kBadRecordLength) + " (" + name + ")");
  }
  if (name.empty()) throw FileError(kErrBadFileName, EINVAL, msg::kBadFileName);
  const int fd = RetryEintr([&] { return sys::calls.open(name.c_str(), flags | O_CLOEXEC, 0666); });
  if (fd < 0) {
    // Creating a file fails with ENOENT only when its folder is missing.
    if (errno == ENOENT && (flags & O_CREAT) != 0) {
      throw FileError(kErrPathNotFound, ENOENT, std::string(std::strerror(ENOENT)) + " (" + name + ")");
    }
    ThrowFileError(errno, name);
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    sys::calls.close(fd);
    ThrowFileError(EISDIR, name);
  }
  File f;
  f.fd_ = fd;
  f.path_ = name;
  f.mode_ = mode;
  f.record_length_ = record_length;
  return f;
}

bool IsRefusedFileName(std::string_view name) {
  for (char c : name) {
    if ((c >= ';' && c <= '?') || c == '[' || c == '*' || c == ']') return true;
  }
  return false;
}

bool FileExists(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

File FileOpen(WindowServices& ws, const std::string& name, std::int16_t mode,
              std::int32_t record_length, bool ask_replace) {
  for (;;) {
    try {
      if (IsRefusedFileName(name)) throw FileError(kErrBadFileName, 0, msg::kBadFileName);
      if (ask_replace && mode == kModeOutput && FileExists(name)) {
        const MsgResult r = Say(ws, std::string(msg::kReplaceContents) + name + "?",
                                MsgIcon::kExclamation, MsgButtons::kOkCancel, 1,
                                msg::kReplaceTitle);
        if (r != MsgResult::kOk) return File();
      }
      return OpenFileRaw(name, mode, record_length);
    } catch (const FileError& e) {
      if (FileErrors(ws, e.code()) != 0) {
        // The first use of the unopened file reports why it is not open.
        File failed;
        failed.failure_ = std::make_shared<const FileError>(e);
        return failed;
      }
    }
  }
}

std::int16_t FileErrors(WindowServices& ws, std::int16_t code) {
  std::string text;
  MsgButtons buttons = MsgButtons::kOk;
  switch (code) {
    case kErrBadFileNameOrNumber:
    case kErrBadFileName: text = msg::kFileNameIllegal + std::to_string(code); break;
    case kErrBadFileMode: text = msg::kFileModeRefused; break;
    case kErrFileAlreadyOpen: text = msg::kFileAlreadyOpen; break;
    case kErrDeviceIo: text = msg::kDiskFull; break;
    case kErrInputPastEnd:
      text = msg::kPastEndOfFile;
      break;
    case kErrDeviceUnavailable:
      text = msg::kDeviceUnavailable;
      buttons = MsgButtons::kRetryCancel;
      break;
    case kErrDiskNotReady: text = msg::kDiskNotReady; break;
    case kErrPathNotFound: text = msg::kPathMissing; break;
    default: return 3;
  }
  switch (Say(ws, text, MsgIcon::kExclamation, buttons, 1, msg::kFileErrorTitle)) {
    case MsgResult::kRetry: return 0;
    case MsgResult::kIgnore: return 1;
    case MsgResult::kOk:
    case MsgResult::kCancel:
    case MsgResult::kAbort: return 2;
    default: return 3;
  }
}

}  // namespace kinsheet
