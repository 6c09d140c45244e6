// Row encoding for both formats. Jet 3 stores only the low byte of each
// variable offset; the jump table lists, for each 256-byte line the data
// crosses, the first entry at or past it, and its size follows the row's
// length: floor((length - 1) / 256) bytes, a 0xFF filler making up the
// difference when the trailer alone pushes the row over a line.
#include "formats/jet/row.h"

namespace kinsheet::jet {
namespace {

std::string NullMask(const TableShape& shape, const std::vector<Cell>& cells) {
  std::string mask((shape.columns.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < shape.columns.size(); ++i) {
    const ColumnShape& c = shape.columns[i];
    bool set = !cells[i].null;
    if (c.type == kTypeBoolean) set = !cells[i].null && !cells[i].bytes.empty() && cells[i].bytes[0] != 0;
    if (set) mask[c.number / 8] = static_cast<char>(mask[c.number / 8] | (1 << (c.number % 8)));
  }
  return mask;
}

// Column count, fixed area and variable data; `offsets` gets one entry per
// variable column plus the end of the data (eod).
std::string RowBody(const JetFormat& format, const TableShape& shape, const std::vector<Cell>& cells,
                    std::vector<std::size_t>& offsets) {
  std::string body;
  if (format.row_field_size == 1) {
    PutU8(body, static_cast<std::uint8_t>(shape.columns.size()));
  } else {
    PutU16(body, static_cast<std::uint16_t>(shape.columns.size()));
  }
  const std::size_t fixed_start = body.size();
  body.append(shape.FixedAreaSize(), '\0');
  for (std::size_t i = 0; i < shape.columns.size(); ++i) {
    const ColumnShape& c = shape.columns[i];
    if (c.IsVariable() || cells[i].null || c.type == kTypeBoolean) continue;
    body.replace(fixed_start + c.fixed_offset, FixedTypeSize(c.type),
                 cells[i].bytes.substr(0, FixedTypeSize(c.type)));
  }
  std::vector<const Cell*> by_var(shape.VariableCount(), nullptr);
  for (std::size_t i = 0; i < shape.columns.size(); ++i) {
    if (shape.columns[i].IsVariable()) by_var[shape.columns[i].var_index] = &cells[i];
  }
  offsets.clear();
  for (const Cell* cell : by_var) {
    offsets.push_back(body.size());
    if (!cell->null) body += cell->bytes;
  }
  offsets.push_back(body.size());
  return body;
}

std::string EncodeJet4(const TableShape& shape, const std::vector<Cell>& cells) {
  const JetFormat& format = JetFormat::Jet4();
  std::vector<std::size_t> e;
  std::string row = RowBody(format, shape, cells, e);
  const std::size_t v = e.size() - 1;
  PutU16(row, static_cast<std::uint16_t>(e[v]));
  for (std::size_t i = v; i-- > 0;) PutU16(row, static_cast<std::uint16_t>(e[i]));
  PutU16(row, static_cast<std::uint16_t>(v));
  row += NullMask(shape, cells);
  return row;
}

std::string EncodeJet3(const TableShape& shape, const std::vector<Cell>& cells) {
  const JetFormat& format = JetFormat::Jet3();
  std::vector<std::size_t> e;
  std::string row = RowBody(format, shape, cells, e);
  const std::size_t v = e.size() - 1;
  const std::string mask = NullMask(shape, cells);
  const std::size_t eod = e[v];
  const std::size_t without_jumps = row.size() + 1 + v + 1 + mask.size();
  std::size_t jumps = 0;
  while (true) {
    const std::size_t next = (without_jumps + jumps - 1) / 256;
    if (next == jumps) break;
    jumps = next;
  }
  std::vector<std::uint8_t> table;
  for (std::size_t k = 1; k <= eod / 256; ++k) {
    std::size_t i = 0;
    while (e[i] < 256 * k) ++i;
    table.push_back(static_cast<std::uint8_t>(i));
  }
  if (table.size() + 1 == jumps) {
    table.push_back(0xFF);
  } else if (table.size() != jumps) {
    throw JetError("Row layout cannot be stored in Jet 3 (too many variable columns).");
  }
  PutU8(row, static_cast<std::uint8_t>(eod & 0xFF));
  for (std::size_t i = v; i-- > 0;) PutU8(row, static_cast<std::uint8_t>(e[i] & 0xFF));
  for (std::size_t k = table.size(); k-- > 0;) PutU8(row, table[k]);
  PutU8(row, static_cast<std::uint8_t>(v));
  row += mask;
  return row;
}

void NeedRow(bool ok) {
  if (!ok) throw JetError("Row is damaged: its offsets point outside the row.");
}

}  // namespace

std::string EncodeRow(const JetFormat& format, const TableShape& shape, const std::vector<Cell>& cells) {
  return format.version == 3 ? EncodeJet3(shape, cells) : EncodeJet4(shape, cells);
}

std::vector<Cell> DecodeRow(const JetFormat& format, const TableShape& shape, std::string_view row) {
  const std::size_t field = format.row_field_size;
  NeedRow(row.size() >= field);
  const std::size_t columns = field == 1 ? GetU8(row, 0) : GetU16(row, 0);
  const std::size_t mask_len = (columns + 7) / 8;
  NeedRow(row.size() >= field + mask_len + field);
  const std::string_view mask = row.substr(row.size() - mask_len);
  const std::size_t var_count_pos = row.size() - mask_len - field;
  const std::size_t v = field == 1 ? GetU8(row, var_count_pos) : GetU16(row, var_count_pos);

  // e[0..v]: offsets of the variable columns, then eod.
  std::vector<std::size_t> e(v + 1);
  if (field == 2) {
    NeedRow(var_count_pos >= 2 * (v + 1));
    for (std::size_t i = 0; i < v; ++i) e[i] = GetU16(row, var_count_pos - 2 * (i + 1));
    e[v] = GetU16(row, var_count_pos - 2 * (v + 1));
  } else {
    std::size_t jumps = (row.size() - 1) / 256;
    NeedRow(var_count_pos >= jumps + v + 1);
    const std::size_t first_offset = var_count_pos - jumps - 1;
    if ((first_offset - v) / 256 < jumps) --jumps;  // the last entry is a filler
    std::size_t used = 0;
    for (std::size_t i = 0; i <= v; ++i) {
      while (used < jumps && i == GetU8(row, var_count_pos - used - 1)) ++used;
      e[i] = GetU8(row, first_offset - i) + 256 * used;
    }
  }

  std::vector<Cell> cells(shape.columns.size());
  for (std::size_t i = 0; i < shape.columns.size(); ++i) {
    const ColumnShape& c = shape.columns[i];
    const bool present =
        c.number < columns && (GetU8(mask, c.number / 8) & (1 << (c.number % 8))) != 0;
    if (c.type == kTypeBoolean) {
      cells[i] = present ? Cell::Of(std::string(1, '\x01')) : Cell::Null();
      continue;
    }
    if (!present) continue;
    if (c.IsVariable()) {
      NeedRow(c.var_index < v);
      const std::size_t start = e[c.var_index];
      const std::size_t end = e[c.var_index + 1];
      NeedRow(start <= end && end <= row.size());
      cells[i] = Cell::Of(std::string(row.substr(start, end - start)));
    } else {
      const std::size_t start = field + c.fixed_offset;
      NeedRow(start + FixedTypeSize(c.type) <= row.size());
      cells[i] = Cell::Of(std::string(row.substr(start, FixedTypeSize(c.type))));
    }
  }
  return cells;
}

}  // namespace kinsheet::jet
