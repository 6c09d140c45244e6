// Property blocks (MSysObjects.LvProp) and the long values that carry them.
// A block is "KKD\0" (Jet 3) or "MR2\0" (Jet 4), a chunk listing property
// names, then one chunk per object: 0x0000 for the table itself, 0x0001
// for a column, each naming its object and holding (flag, type, name
// index, value) entries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/jet/jet_format.h"
#include "formats/jet/usage_map.h"

namespace kinsheet::jet {

struct Property {
  std::u16string name;
  std::uint8_t type = kTypeBoolean;
  std::string value;  // stored bytes
  bool ddl = true;
};

inline constexpr std::uint16_t kPropertiesOfTable = 0x0000;
inline constexpr std::uint16_t kPropertiesOfColumn = 0x0001;

struct PropertyMap {
  std::u16string object;  // column name; empty for the table
  std::uint16_t kind = kPropertiesOfColumn;
  std::vector<Property> properties;
};

// A yes/no property as Access stores it (true = 0xFF).
Property BooleanProperty(std::u16string name, bool value);

std::string BuildPropertyBlock(const JetFormat& format, const std::vector<PropertyMap>& maps);
std::vector<PropertyMap> ParsePropertyBlock(const JetFormat& format, std::string_view block);

// Long values: a 12-byte header in the row (length with flags in the top
// byte, (page << 8) | row, 4 unknown bytes), the value itself following it
// when inline (0x80), or on LVAL pages: one row (0x40), or a chain of rows
// each starting with the next row's address (0x00).
inline constexpr std::uint32_t kLongValueInline = 0x80000000;
inline constexpr std::uint32_t kLongValueOnePage = 0x40000000;
inline constexpr std::size_t kLongValueHeaderSize = 12;

std::string LongValueHeader(std::uint32_t length, std::uint32_t flags, std::uint32_t page_row);
// The value a long-value cell stands for, following LVAL pages as needed.
std::string ReadLongValue(const JetFormat& format, std::string_view cell, const PageReader& read_page);

}  // namespace kinsheet::jet
