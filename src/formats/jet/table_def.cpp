// TDEF layout. Jet 3 fixed block: rows at 12, type at 20, column counts at
// 21/23/25, index counts at 27/31, usage maps at 35/39, 43 bytes. Jet 4
// adds 1625 at 12 and 20 bytes before the table type, 63 bytes.
#include "formats/jet/table_def.h"

#include <algorithm>

#include "formats/jet/text_codec.h"

namespace kinsheet::jet {
namespace {

constexpr std::size_t kTdefLenOffset = 8;
constexpr std::uint16_t kEndMarker = 0xFFFF;

struct FixedBlockOffsets {
  std::size_t table_type, max_cols, var_cols, num_cols, logical_idx, real_idx, owned, free;
};

FixedBlockOffsets OffsetsOf(const JetFormat& format) {
  const std::size_t t = format.tdef_table_type_offset;
  return {t, t + 1, t + 3, t + 5, t + 7, t + 11, t + 15, t + 19};
}

void PutDescriptor(const JetFormat& format, std::string& out, const ColumnShape& c) {
  if (format.version == 4) {
    PutU8(out, c.type);
    PutU32(out, kJet4Magic1625);
    PutU16(out, c.number);
    PutU16(out, c.var_index);
    PutU16(out, c.number);
    PutU16(out, c.sort_order);
    PutU8(out, 0);  // unknown
    PutU8(out, 0);  // sort order version
    PutU8(out, c.flags);
    PutU8(out, c.compressible ? 0x01 : 0x00);
    PutU32(out, 0);
    PutU16(out, c.fixed_offset);
    PutU16(out, c.length);
  } else {
    PutU8(out, c.type);
    PutU16(out, c.number);
    PutU16(out, c.var_index);
    PutU16(out, c.number);
    PutU16(out, 0x0001);
    PutU16(out, c.sort_order);
    PutU16(out, c.code_page);
    PutU8(out, c.flags);
    PutU16(out, c.fixed_offset);
    PutU16(out, c.length);
  }
}

ColumnShape GetDescriptor(const JetFormat& format, std::string_view d) {
  ColumnShape c;
  c.type = GetU8(d, 0);
  if (format.version == 4) {
    c.number = GetU16(d, 5);
    c.var_index = GetU16(d, 7);
    c.sort_order = GetU16(d, 11);
    c.flags = GetU8(d, 15);
    c.compressible = (GetU8(d, 16) & 0x01) != 0;
    c.fixed_offset = GetU16(d, 21);
    c.length = GetU16(d, 23);
  } else {
    c.number = GetU16(d, 1);
    c.var_index = GetU16(d, 3);
    c.sort_order = GetU16(d, 9);
    c.code_page = GetU16(d, 11);
    c.flags = GetU8(d, 13);
    c.fixed_offset = GetU16(d, 14);
    c.length = GetU16(d, 16);
  }
  return c;
}

void Need(std::string_view def, std::size_t end, const char* what) {
  if (end > def.size()) {
    throw JetError(std::string("Table definition is cut short in its ") + what + ".");
  }
}

}  // namespace

const ColumnShape* TableShape::FindColumn(std::u16string_view column_name) const {
  for (const ColumnShape& c : columns) {
    if (c.name == column_name) return &c;
  }
  return nullptr;
}

std::size_t TableShape::VariableCount() const {
  return static_cast<std::size_t>(
      std::count_if(columns.begin(), columns.end(), [](const ColumnShape& c) { return c.IsVariable(); }));
}

std::size_t TableShape::FixedAreaSize() const {
  std::size_t end = 0;
  for (const ColumnShape& c : columns) {
    if (!c.IsVariable()) end = std::max(end, c.fixed_offset + FixedTypeSize(c.type));
  }
  return end;
}

void LayOutColumns(TableShape& shape) {
  std::uint16_t var_index = 0;
  std::uint16_t fixed_offset = 0;
  for (std::size_t i = 0; i < shape.columns.size(); ++i) {
    ColumnShape& c = shape.columns[i];
    c.number = static_cast<std::uint16_t>(i);
    if (c.IsVariable()) {
      c.var_index = var_index++;
      c.fixed_offset = 0;
    } else {
      c.var_index = 0;
      c.fixed_offset = fixed_offset;
      fixed_offset = static_cast<std::uint16_t>(fixed_offset + FixedTypeSize(c.type));
    }
  }
}

std::string BuildTableDefinition(const JetFormat& format, const TableShape& shape) {
  const FixedBlockOffsets at = OffsetsOf(format);
  std::string out(format.tdef_fixed_block, '\0');
  SetU8(out, 0, kPageTableDef);
  SetU8(out, 1, 0x01);
  if (format.version == 3) {
    out[2] = 'V';
    out[3] = 'C';
  } else {
    SetU32(out, 12, kJet4Magic1625);
    SetU8(out, 24, 1);  // Access sets it; autonumbers rely on it
  }
  SetU32(out, format.tdef_row_count_offset, shape.row_count);
  const auto columns = static_cast<std::uint16_t>(shape.columns.size());
  SetU8(out, at.table_type, shape.table_type);
  SetU16(out, at.max_cols, columns);
  SetU16(out, at.var_cols, static_cast<std::uint16_t>(shape.VariableCount()));
  SetU16(out, at.num_cols, columns);
  SetU32(out, at.logical_idx, 0);
  SetU32(out, at.real_idx, 0);
  SetU32(out, at.owned, shape.owned_map);
  SetU32(out, at.free, shape.free_map);
  for (const ColumnShape& c : shape.columns) PutDescriptor(format, out, c);
  for (const ColumnShape& c : shape.columns) {
    const std::string name = EncodeName(format, c.name);
    if (format.name_length_size == 1) {
      PutU8(out, static_cast<std::uint8_t>(name.size()));
    } else {
      PutU16(out, static_cast<std::uint16_t>(name.size()));
    }
    out += name;
  }
  for (const LongValueMaps& m : shape.long_value_maps) {
    PutU16(out, m.column);
    PutU32(out, m.owned);
    PutU32(out, m.free);
  }
  PutU16(out, kEndMarker);
  SetU32(out, kTdefLenOffset, static_cast<std::uint32_t>(out.size()));
  return out;
}

std::vector<std::string> SplitTableDefinition(const JetFormat& format, std::string_view definition,
                                              std::uint32_t first_page) {
  std::vector<std::string> pages;
  const std::size_t size = format.page_size;
  std::size_t pos = 0;
  while (pos < definition.size()) {
    std::string page(size, '\0');
    std::size_t used;
    if (pages.empty()) {
      used = std::min(size, definition.size());
      page.replace(0, used, definition.substr(0, used));
      pos = used;
    } else {
      const std::size_t chunk = std::min(size - 8, definition.size() - pos);
      page.replace(8, chunk, definition.substr(pos, chunk));
      SetU8(page, 0, kPageTableDef);
      SetU8(page, 1, 0x01);
      pos += chunk;
      used = 8 + chunk;
    }
    if (format.version == 3) {
      page[2] = 'V';
      page[3] = 'C';
    } else {
      const std::size_t free = size > used + 8 ? size - used - 8 : 0;
      SetU16(page, 2, static_cast<std::uint16_t>(free));
    }
    SetU32(page, 4, 0);
    pages.push_back(std::move(page));
  }
  for (std::size_t i = 0; i + 1 < pages.size(); ++i) {
    SetU32(pages[i], 4, first_page + static_cast<std::uint32_t>(i + 1));
  }
  return pages;
}

TableShape ParseTableDefinition(const JetFormat& format, std::string_view def) {
  Need(def, format.tdef_fixed_block, "fixed block");
  if (GetU8(def, 0) != kPageTableDef) throw JetError("Page is not a table definition.");
  const FixedBlockOffsets at = OffsetsOf(format);
  TableShape shape;
  shape.row_count = GetU32(def, format.tdef_row_count_offset);
  shape.table_type = GetU8(def, at.table_type);
  const std::uint16_t columns = GetU16(def, at.num_cols);
  const std::uint32_t real_indexes = GetU32(def, at.real_idx);
  const std::uint32_t logical_indexes = GetU32(def, at.logical_idx);
  shape.owned_map = GetU32(def, at.owned);
  shape.free_map = GetU32(def, at.free);
  if (real_indexes != 0 || logical_indexes != 0) {
    throw JetError("Tables with indexes are not supported.");
  }
  std::size_t pos = format.tdef_fixed_block;
  for (std::uint16_t i = 0; i < columns; ++i) {
    Need(def, pos + format.column_descriptor_size, "column descriptors");
    shape.columns.push_back(GetDescriptor(format, def.substr(pos, format.column_descriptor_size)));
    pos += format.column_descriptor_size;
  }
  for (ColumnShape& c : shape.columns) {
    Need(def, pos + format.name_length_size, "column names");
    const std::size_t len =
        format.name_length_size == 1 ? GetU8(def, pos) : GetU16(def, pos);
    pos += format.name_length_size;
    Need(def, pos + len, "column names");
    c.name = DecodeName(format, def.substr(pos, len));
    pos += len;
  }
  while (true) {
    Need(def, pos + 2, "end");
    const std::uint16_t column = GetU16(def, pos);
    pos += 2;
    if (column == kEndMarker) break;
    Need(def, pos + 8, "long-value usage maps");
    shape.long_value_maps.push_back({column, GetU32(def, pos), GetU32(def, pos + 4)});
    pos += 8;
  }
  std::sort(shape.columns.begin(), shape.columns.end(),
            [](const ColumnShape& a, const ColumnShape& b) { return a.number < b.number; });
  return shape;
}

void SetTableDefRowCount(const JetFormat& format, std::string& first_page, std::uint32_t rows) {
  SetU32(first_page, format.tdef_row_count_offset, rows);
}

}  // namespace kinsheet::jet
