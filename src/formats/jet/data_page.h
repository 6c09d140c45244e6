// Data pages: an 8/12-byte header, the row count, a table of row offsets,
// and the rows themselves packed from the end of the page downwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/jet/jet_format.h"

namespace kinsheet::jet {

// Row-offset flags: a deleted row and a row that only points elsewhere.
inline constexpr std::uint16_t kRowDeleted = 0x8000;
inline constexpr std::uint16_t kRowOverflow = 0x4000;
inline constexpr std::uint16_t kRowOffsetMask = 0x1FFF;

// Builds one data page in place. The owner field is the first TDEF page of
// the owning table, 0 for usage-map pages, 1 for page 1; long-value pages
// carry "LVAL" there instead.
class DataPage {
 public:
  DataPage(const JetFormat& format, std::uint32_t owner);
  static DataPage LongValuePage(const JetFormat& format);
  // Wraps an existing page image to add rows to it.
  static DataPage FromImage(const JetFormat& format, std::string image);

  bool Fits(std::size_t row_length) const;
  // Adds a row and returns its number; the caller checks Fits first.
  std::uint8_t AddRow(std::string_view row);
  std::size_t row_count() const { return count_; }
  std::size_t free_space() const;
  // Replaces row `index` with bytes of the same length.
  void OverwriteRow(std::size_t index, std::string_view row);
  const std::string& image() const { return page_; }

 private:
  DataPage(const JetFormat& format, std::string image);
  void WriteCounts();

  const JetFormat* format_;
  std::string page_;
  std::size_t count_ = 0;
  std::size_t low_ = 0;  // where the last row starts
};

struct RowSlot {
  std::uint16_t offset = 0;  // masked
  std::uint16_t length = 0;
  bool deleted = false;
  bool overflow = false;
};

// The rows of a data page, in row-number order.
std::vector<RowSlot> RowsOfPage(const JetFormat& format, std::string_view page);
// One row's bytes by number; throws JetError when the page lacks it.
std::string_view RowOfPage(const JetFormat& format, std::string_view page, std::size_t row);

}  // namespace kinsheet::jet
