// Every difference between the Jet 3 (Access 97, "95") and Jet 4 (Access
// 2000, "2K") file formats, as data in one object, and the one exception of
// the database engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "text/byte_io.h"

namespace kinsheet::jet {

// A refused operation or a file we cannot read or write, with a description
// fit to show the user (what failed and where).
class JetError : public std::runtime_error {
 public:
  explicit JetError(const std::string& description) : std::runtime_error(description) {}
  std::string description() const { return what(); }
};

struct JetFormat {
  int version;              // 3 or 4
  const char* name;         // "Jet 3" / "Jet 4"
  std::uint32_t page_size;  // 2048 / 4096
  std::uint8_t version_byte;           // header 0x14
  std::size_t masked_header_bytes;     // RC4-masked from 0x18
  std::size_t password_size;           // at 0x42
  std::uint64_t max_file_size;         // 1 GB / 2 GB
  const char* max_file_text;           // for messages

  // Data pages.
  std::size_t data_row_count_offset;   // 8 / 12
  std::size_t data_header_size;        // 10 / 14

  // Table definitions.
  std::size_t tdef_row_count_offset;   // 12 / 16
  std::size_t tdef_table_type_offset;  // 20 / 40
  std::size_t tdef_fixed_block;        // 43 / 63
  std::size_t column_descriptor_size;  // 18 / 25
  std::size_t real_index_entry_size;   // 8 / 12
  std::size_t name_length_size;        // 1 / 2

  // Rows: column count, eod, offsets and variable count are 1 or 2 bytes.
  std::size_t row_field_size;
  std::size_t max_row_size;            // 2012 / 4060
  std::size_t max_rows_per_page = 255;

  // Text: bytes per character in a column length (1252 bytes / UCS-2).
  std::size_t text_unit_bytes;

  // Usage maps.
  std::size_t usage_map_row_size;      // 133 / 69
  std::size_t inline_map_bytes() const { return usage_map_row_size - 5; }
  std::uint32_t inline_map_pages() const {
    return static_cast<std::uint32_t>(inline_map_bytes() * 8);
  }
  std::uint32_t bitmap_page_pages() const { return (page_size - 4) * 8; }
  std::size_t reference_slots() const { return (usage_map_row_size - 1) / 4; }

  // Long values (memo, OLE): the largest row on an LVAL page.
  std::size_t max_long_value_row() const { return page_size - data_header_size - 2 - 4; }
  // Values up to this size are kept in the row itself.
  std::size_t max_inline_long_value = 64;

  // Property blocks start with "KKD\0" (Jet 3) or "MR2\0" (Jet 4).
  const char* property_magic;

  std::size_t empty_data_page_free() const { return page_size - data_header_size; }
  std::uint64_t PageOffset(std::uint32_t page) const {
    return static_cast<std::uint64_t>(page) * page_size;
  }

  static const JetFormat& Jet3();
  static const JetFormat& Jet4();
  // "95" or "2K"; throws JetError for anything else.
  static const JetFormat& ForAccessFormat(std::string_view access_format);
};

// Page types (first byte of a page).
inline constexpr std::uint8_t kPageHeader = 0x00;
inline constexpr std::uint8_t kPageData = 0x01;
inline constexpr std::uint8_t kPageTableDef = 0x02;
inline constexpr std::uint8_t kPageUsageBitmap = 0x05;

// Column type codes.
inline constexpr std::uint8_t kTypeBoolean = 1;
inline constexpr std::uint8_t kTypeByte = 2;
inline constexpr std::uint8_t kTypeInteger = 3;
inline constexpr std::uint8_t kTypeLong = 4;
inline constexpr std::uint8_t kTypeCurrency = 5;
inline constexpr std::uint8_t kTypeSingle = 6;
inline constexpr std::uint8_t kTypeDouble = 7;
inline constexpr std::uint8_t kTypeDate = 8;
inline constexpr std::uint8_t kTypeBinary = 9;
inline constexpr std::uint8_t kTypeText = 10;
inline constexpr std::uint8_t kTypeOle = 11;
inline constexpr std::uint8_t kTypeMemo = 12;

// Bytes a fixed-length type takes in a row (booleans live in the null mask).
std::size_t FixedTypeSize(std::uint8_t type);
bool IsVariableType(std::uint8_t type);
bool IsLongValueType(std::uint8_t type);

inline constexpr std::uint16_t kGeneralSortOrder = 0x0409;
inline constexpr std::uint16_t kCodePage1252 = 1252;

// A row address as stored in usage-map and long-value pointers.
inline std::uint32_t PageRow(std::uint32_t page, std::uint8_t row) { return (page << 8) | row; }

}  // namespace kinsheet::jet
