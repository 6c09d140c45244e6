// POSIX page I/O: one pread/pwrite per page.
#include "formats/jet/page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "formats/jet/header.h"

namespace kinsheet::jet {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw JetError(what + " '" + path + "': " + std::strerror(error));
}

}  // namespace

PageFile PageFile::Open(const std::string& path, bool writable) {
  PageFile file;
  file.path_ = path;
  file.fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (file.fd_ < 0) Fail("Cannot open database", path, errno);
  std::string first(4096, '\0');
  const ssize_t got = ::pread(file.fd_, first.data(), first.size(), 0);
  if (got < 0) Fail("Cannot read database", path, errno);
  first.resize(static_cast<std::size_t>(got));
  if (first.size() < 2048) throw JetError("'" + path + "' is too short to be a database.");
  if (first.size() < 4096) first.resize(4096, '\0');
  const HeaderInfo header = ParseHeaderPage(first);
  file.format_ = header.format;
  struct stat st {};
  if (::fstat(file.fd_, &st) != 0) Fail("Cannot read database", path, errno);
  if (static_cast<std::uint64_t>(st.st_size) % file.format_->page_size != 0) {
    throw JetError("'" + path + "' is not a whole number of " + std::to_string(file.format_->page_size) +
                   "-byte pages.");
  }
  file.page_count_ = static_cast<std::uint32_t>(st.st_size / file.format_->page_size);
  return file;
}

PageFile PageFile::Create(const std::string& path, const JetFormat& format) {
  PageFile file;
  file.path_ = path;
  file.format_ = &format;
  file.fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (file.fd_ < 0) Fail("Cannot create database", path, errno);
  return file;
}

PageFile::PageFile(PageFile&& other) noexcept { *this = std::move(other); }

PageFile& PageFile::operator=(PageFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    format_ = other.format_;
    path_ = std::move(other.path_);
    page_count_ = other.page_count_;
    other.fd_ = -1;
  }
  return *this;
}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::string PageFile::Read(std::uint32_t page) const {
  if (page >= page_count_) {
    throw JetError("Page " + std::to_string(page) + " lies past the end of '" + path_ + "'.");
  }
  std::string image(format_->page_size, '\0');
  std::size_t done = 0;
  while (done < image.size()) {
    const ssize_t got = ::pread(fd_, image.data() + done, image.size() - done,
                                static_cast<off_t>(format_->PageOffset(page) + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot read page " + std::to_string(page) + " of", path_, errno);
    }
    if (got == 0) throw JetError("Page " + std::to_string(page) + " of '" + path_ + "' is cut short.");
    done += static_cast<std::size_t>(got);
  }
  return image;
}

void PageFile::Write(std::uint32_t page, std::string_view image) {
  std::size_t done = 0;
  while (done < image.size()) {
    const ssize_t put = ::pwrite(fd_, image.data() + done, image.size() - done,
                                 static_cast<off_t>(format_->PageOffset(page) + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write page " + std::to_string(page) + " of", path_, errno);
    }
    done += static_cast<std::size_t>(put);
  }
  if (page >= page_count_) page_count_ = page + 1;
}

void PageFile::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail("Cannot close database", path_, errno);
}

}  // namespace kinsheet::jet
