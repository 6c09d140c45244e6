#include "export/xlsx_package.h"

#include <unzip.h>

#include <array>
#include <cstdlib>

namespace kinsheet {

XlsxPackage::XlsxPackage(const std::string& path) : zip_(unzOpen64(path.c_str())) {
  if (zip_ == nullptr) throw XlsxPackageError(path + " is not a complete zip package");
}

XlsxPackage::~XlsxPackage() { unzClose(zip_); }

std::vector<std::string> XlsxPackage::PartNames() {
  std::vector<std::string> names;
  for (int rc = unzGoToFirstFile(zip_); rc == UNZ_OK; rc = unzGoToNextFile(zip_)) {
    std::array<char, 512> name{};
    if (unzGetCurrentFileInfo64(zip_, nullptr, name.data(), name.size(), nullptr, 0, nullptr, 0) != UNZ_OK) break;
    names.emplace_back(name.data());
  }
  return names;
}

void XlsxPackage::Stream(const std::string& part, const std::function<void(std::string_view)>& sink) {
  if (unzLocateFile(zip_, part.c_str(), 1) != UNZ_OK) throw XlsxPackageError(part + " is missing");
  if (unzOpenCurrentFile(zip_) != UNZ_OK) throw XlsxPackageError(part + " cannot be read");
  std::array<char, 65536> buffer;
  int n = 0;
  while ((n = unzReadCurrentFile(zip_, buffer.data(), buffer.size())) > 0) {
    sink(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
  }
  // Closing checks the CRC of everything read.
  if (unzCloseCurrentFile(zip_) != UNZ_OK || n < 0) throw XlsxPackageError(part + " is damaged");
}

std::string XlsxPackage::Read(const std::string& part) {
  std::string bytes;
  Stream(part, [&](std::string_view piece) { bytes += piece; });
  return bytes;
}

std::int64_t LastRowNumber(XlsxPackage& package, const std::string& part) {
  static constexpr std::string_view kRow = "<row r=\"";
  std::int64_t last = 0;
  // The end of the previous piece, so that a mark split between two
  // pieces is still found.
  std::string window;
  package.Stream(part, [&](std::string_view piece) {
    window += piece;
    for (std::size_t at = window.rfind(kRow); at != std::string::npos;
         at = at == 0 ? std::string::npos : window.rfind(kRow, at - 1)) {
      const std::size_t digits = at + kRow.size();
      const std::size_t quote = window.find('"', digits);
      if (quote == std::string::npos) continue;  // completed by the next piece
      last = std::strtoll(window.c_str() + digits, nullptr, 10);
      break;
    }
    window.erase(0, window.size() > 32 ? window.size() - 32 : 0);
  });
  return last;
}

}  // namespace kinsheet
