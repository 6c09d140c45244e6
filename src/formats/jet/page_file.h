// A database file as an array of pages, read and written at page offsets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/jet/jet_format.h"

namespace kinsheet::jet {

class PageFile {
 public:
  PageFile() = default;
  // Opens an existing database; the format comes from its header.
  static PageFile Open(const std::string& path, bool writable);
  // Creates (or truncates) a file for `format`.
  static PageFile Create(const std::string& path, const JetFormat& format);
  PageFile(PageFile&& other) noexcept;
  PageFile& operator=(PageFile&& other) noexcept;
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;
  ~PageFile();

  bool is_open() const { return fd_ >= 0; }
  const JetFormat& format() const { return *format_; }
  const std::string& path() const { return path_; }
  // Pages in the file, counting pages written past its old end.
  std::uint32_t page_count() const { return page_count_; }

  std::string Read(std::uint32_t page) const;
  void Write(std::uint32_t page, std::string_view image);
  // Closes; throws JetError when the system reports a failure.
  void Close();

 private:
  int fd_ = -1;
  const JetFormat* format_ = nullptr;
  std::string path_;
  std::uint32_t page_count_ = 0;
};

}  // namespace kinsheet::jet
