// Rows: column count, fixed data, variable data, the variable-offset table
// (one-byte offsets plus a jump table in Jet 3, two-byte offsets in Jet 4),
// and the null mask (1 = the column has a value).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/jet/jet_format.h"
#include "formats/jet/table_def.h"

namespace kinsheet::jet {

// One column's stored bytes. A fixed column's bytes have its type's size; a
// boolean is true when it is not null. Empty text is a non-null cell with
// no bytes.
struct Cell {
  bool null = true;
  std::string bytes;
  static Cell Null() { return {}; }
  static Cell Of(std::string bytes) { return {false, std::move(bytes)}; }
};

// Encodes one row; `cells` holds one cell per column in column order.
// Throws JetError when a Jet 3 row would need a jump table it cannot have.
std::string EncodeRow(const JetFormat& format, const TableShape& shape, const std::vector<Cell>& cells);

// Splits a stored row back into cells, one per column of `shape`.
std::vector<Cell> DecodeRow(const JetFormat& format, const TableShape& shape, std::string_view row);

}  // namespace kinsheet::jet
