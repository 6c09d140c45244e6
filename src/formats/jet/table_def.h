// Table definitions (TDEF pages): the fixed block, one descriptor and one
// name per column, the usage-map pointers of long-value columns and the
// FF FF end, split over as many pages as it needs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/jet/jet_format.h"

namespace kinsheet::jet {

// Column flags (descriptor byte 13 in Jet 3, 15 in Jet 4).
inline constexpr std::uint8_t kColumnFixed = 0x01;
inline constexpr std::uint8_t kColumnUpdatable = 0x02;

inline constexpr std::uint8_t kTableUser = 0x4E;
inline constexpr std::uint8_t kTableSystem = 0x53;

// Jet 4 writes this constant at TDEF offset 12 and in every descriptor.
inline constexpr std::uint32_t kJet4Magic1625 = 1625;

struct ColumnShape {
  std::u16string name;
  std::uint8_t type = kTypeText;
  std::uint16_t length = 0;  // bytes in the file: text is size x unit bytes
  std::uint8_t flags = kColumnUpdatable;
  bool compressible = false;  // Jet 4: text may be stored compressed
  std::uint16_t sort_order = 0;
  std::uint16_t code_page = 0;  // Jet 3
  // Layout, filled by LayOutColumns or read from a file.
  std::uint16_t number = 0;
  std::uint16_t var_index = 0;
  std::uint16_t fixed_offset = 0;
  bool IsVariable() const { return (flags & kColumnFixed) == 0; }
};

// Where a long-value column keeps its own pages: (page << 8) | row of its
// owned and free-space usage maps.
struct LongValueMaps {
  std::uint16_t column = 0;
  std::uint32_t owned = 0;
  std::uint32_t free = 0;
};

struct TableShape {
  std::u16string name;
  std::uint8_t table_type = kTableUser;
  std::vector<ColumnShape> columns;
  std::uint32_t row_count = 0;
  std::uint32_t owned_map = 0;  // (page << 8) | row
  std::uint32_t free_map = 0;
  std::vector<LongValueMaps> long_value_maps;

  const ColumnShape* FindColumn(std::u16string_view column_name) const;
  std::size_t VariableCount() const;
  std::size_t FixedAreaSize() const;
};

// Numbers the columns and assigns variable indexes and fixed offsets in
// column order.
void LayOutColumns(TableShape& shape);

// The whole definition as one byte string, the first page's 8-byte header
// included (its next-page and free-space fields are set by the split).
std::string BuildTableDefinition(const JetFormat& format, const TableShape& shape);

// Page images for a definition starting at `first_page`, continuation pages
// numbered consecutively.
std::vector<std::string> SplitTableDefinition(const JetFormat& format, std::string_view definition,
                                              std::uint32_t first_page);

// Parses a definition reassembled from its pages (first page whole, then
// bytes 8... of each continuation page).
TableShape ParseTableDefinition(const JetFormat& format, std::string_view definition);

// Sets the row count in a first TDEF page image.
void SetTableDefRowCount(const JetFormat& format, std::string& first_page, std::uint32_t rows);

}  // namespace kinsheet::jet
