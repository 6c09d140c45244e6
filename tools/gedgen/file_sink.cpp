// stdio output for gedgen; errors carry the OS code and the path.
#include "file_sink.h"

#include <cerrno>
#include <system_error>

namespace kinsheet::gedgen {

FileSink::FileSink() : file_(stdout), owned_(false) {}

FileSink::FileSink(const std::filesystem::path& path)
    : file_(std::fopen(path.c_str(), "wb")), owned_(true) {
  if (file_ == nullptr) {
    throw std::system_error(errno, std::generic_category(), path.string());
  }
}

FileSink::~FileSink() {
  if (owned_ && file_ != nullptr) std::fclose(file_);
}

void FileSink::Write(std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    throw std::system_error(errno, std::generic_category(), "write");
  }
}

void FileSink::Close() {
  if (file_ == nullptr) return;
  const bool flushed = std::fflush(file_) == 0;
  const int flush_error = errno;
  if (owned_) {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed && flushed)
      throw std::system_error(errno, std::generic_category(), "close");
  }
  if (!flushed)
    throw std::system_error(flush_error, std::generic_category(), "flush");
}

}  // namespace kinsheet::gedgen
