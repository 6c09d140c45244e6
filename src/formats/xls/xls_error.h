// The one exception of the workbook engine: a broken format limit, a file
// that is not a workbook we can read, or a failed save, with a description
// fit to show the user.
#pragma once

#include <stdexcept>
#include <string>

namespace kinsheet::xls {

class XlsError : public std::runtime_error {
 public:
  explicit XlsError(const std::string& description) : std::runtime_error(description) {}
  std::string description() const { return what(); }
};

}  // namespace kinsheet::xls
