// Reading an .xlsx package back through Debian's minizip (the library
// libxlsxwriter itself writes with): the finished workbook is checked from
// the file on disk, not from the library's own state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kinsheet {

class XlsxPackageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class XlsxPackage {
 public:
  // Throws XlsxPackageError when `path` is no readable zip package.
  explicit XlsxPackage(const std::string& path);
  ~XlsxPackage();
  XlsxPackage(const XlsxPackage&) = delete;
  XlsxPackage& operator=(const XlsxPackage&) = delete;

  std::vector<std::string> PartNames();
  // Hands the part's bytes to `sink` piece by piece; throws
  // XlsxPackageError when the part is missing, damaged or fails its CRC.
  void Stream(const std::string& part, const std::function<void(std::string_view)>& sink);
  std::string Read(const std::string& part);

 private:
  void* zip_;
};

// The number in the last <row r="N"> of a worksheet part, 0 when it has no
// rows: a worksheet cut short on the way into the package ends early.
std::int64_t LastRowNumber(XlsxPackage& package, const std::string& part);

}  // namespace kinsheet
