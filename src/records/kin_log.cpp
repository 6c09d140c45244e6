// The kinship log's entries: a kind byte, the owner's record number (32
// bits, little-endian), the value's length (16 bits) and the value.
#include "records/kin_log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "fileio/file_open.h"

namespace kinsheet {
namespace {

constexpr std::size_t kBufferBytes = 1 << 20;
constexpr std::size_t kMaxValue = 0xFFFF;

}  // namespace

KinLogWriter::~KinLogWriter() { Abandon(); }

KinLogWriter::KinLogWriter(KinLogWriter&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), path_(std::move(other.path_)) {}

KinLogWriter& KinLogWriter::operator=(KinLogWriter&& other) noexcept {
  if (this != &other) {
    Abandon();
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
  }
  return *this;
}

void KinLogWriter::Open(const std::string& path) {
  Abandon();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) ThrowFileError(errno, path);
  path_ = path;
  std::setvbuf(file_, nullptr, _IOFBF, kBufferBytes);
}

void KinLogWriter::Add(KinLine kind, std::int32_t owner, std::string_view value) {
  if (file_ == nullptr || owner <= 0) return;
  const std::size_t length = std::min(value.size(), kMaxValue);
  const auto o = static_cast<std::uint32_t>(owner);
  const unsigned char head[7] = {static_cast<unsigned char>(kind),
                                 static_cast<unsigned char>(o & 0xFF),
                                 static_cast<unsigned char>((o >> 8) & 0xFF),
                                 static_cast<unsigned char>((o >> 16) & 0xFF),
                                 static_cast<unsigned char>((o >> 24) & 0xFF),
                                 static_cast<unsigned char>(length & 0xFF),
                                 static_cast<unsigned char>((length >> 8) & 0xFF)};
  if (std::fwrite(head, 1, sizeof head, file_) != sizeof head ||
      std::fwrite(value.data(), 1, length, file_) != length) {
    ThrowFileError(errno, path_);
  }
}

void KinLogWriter::Close() {
  if (file_ == nullptr) return;
  std::FILE* f = file_;
  file_ = nullptr;
  if (std::fclose(f) != 0) ThrowFileError(errno, path_);
}

void KinLogWriter::Abandon() noexcept {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

KinLogReader::KinLogReader(const std::string& path) : path_(path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ != nullptr) std::setvbuf(file_, nullptr, _IOFBF, kBufferBytes);
}

KinLogReader::~KinLogReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool KinLogReader::Next(KinEntry& entry) {
  if (file_ == nullptr) return false;
  unsigned char head[7];
  const std::size_t got = std::fread(head, 1, sizeof head, file_);
  if (got == 0 && std::feof(file_)) return false;
  if (got != sizeof head) ThrowFileError(std::ferror(file_) ? errno : EIO, path_);
  entry.kind = static_cast<KinLine>(head[0]);
  entry.owner = static_cast<std::int32_t>(static_cast<std::uint32_t>(head[1]) | (static_cast<std::uint32_t>(head[2]) << 8) |
                                          (static_cast<std::uint32_t>(head[3]) << 16) |
                                          (static_cast<std::uint32_t>(head[4]) << 24));
  const std::size_t length = static_cast<std::size_t>(head[5]) | (static_cast<std::size_t>(head[6]) << 8);
  entry.value.resize(length);
  if (length > 0 && std::fread(entry.value.data(), 1, length, file_) != length) {
    ThrowFileError(std::ferror(file_) ? errno : EIO, path_);
  }
  return true;
}

}  // namespace kinsheet
