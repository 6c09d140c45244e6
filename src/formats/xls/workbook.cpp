// The in-memory workbook: cells kept sparse, row by row and sorted by
// column, so a sheet of 65,536 rows costs only the cells that hold text.
#include "formats/xls/workbook.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "formats/xls/cfb.h"
#include "formats/xls/xls_error.h"

namespace kinsheet::xls {
namespace detail {

BookTables::BookTables() {
  // Fixed first formats, so the common files always number them alike:
  // the default cell, a bold text caption and a text cell.
  formats.push_back(CellFormat{});
  formats.push_back(CellFormat{.bold = true, .number_format = u"@"});
  formats.push_back(CellFormat{.number_format = u"@"});
}

std::uint32_t BookTables::InternText(std::u16string_view text) {
  constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
  const auto hash = static_cast<std::uint32_t>(std::hash<std::u16string_view>{}(text));
  if ((text_count() + 1) * 2 > slots.size()) {
    // Keep the table at most half full; rehash from the stored hashes.
    std::vector<std::uint64_t> bigger(std::max<std::size_t>(1024, slots.size() * 2), kEmpty);
    const std::size_t mask = bigger.size() - 1;
    for (std::uint64_t slot : slots) {
      if (slot == kEmpty) continue;
      std::size_t i = (slot >> 32) & mask;
      while (bigger[i] != kEmpty) i = (i + 1) & mask;
      bigger[i] = slot;
    }
    slots.swap(bigger);
  }
  const std::size_t mask = slots.size() - 1;
  std::size_t i = hash & mask;
  for (; slots[i] != kEmpty; i = (i + 1) & mask) {
    const auto index = static_cast<std::uint32_t>(slots[i]);
    if ((slots[i] >> 32) == hash && TextAt(index) == text) return index;
  }
  if (text.size() > 32767) throw XlsError("A cell text is longer than 32,767 characters.");
  if (text_count() >= 0xFFFFFFF0u) throw XlsError("The workbook holds too many different texts.");
  const auto index = static_cast<std::uint32_t>(text_count());
  pool.insert(pool.end(), text.begin(), text.end());
  offsets.push_back(pool.size());
  slots[i] = (std::uint64_t{hash} << 32) | index;
  return index;
}

std::uint16_t BookTables::InternFormat(const CellFormat& format) {
  const auto it = std::find(formats.begin(), formats.end(), format);
  if (it != formats.end()) return static_cast<std::uint16_t>(it - formats.begin());
  // BIFF8 holds about 4,000 cell formats in all.
  if (formats.size() >= 4000) throw XlsError("The workbook holds too many different cell formats.");
  formats.push_back(format);
  return static_cast<std::uint16_t>(formats.size() - 1);
}

}  // namespace detail

namespace {

void CheckCell(std::uint32_t row, std::uint32_t col) {
  if (row >= kMaxRows)
    throw XlsError("Row " + std::to_string(row + 1) + " is past the last row of a worksheet (65536).");
  if (col >= kMaxColumns)
    throw XlsError("Column " + std::to_string(col + 1) + " is past the last column of a worksheet (256).");
}

void CheckColumn(std::uint32_t col) { CheckCell(0, col); }

}  // namespace

Worksheet::Worksheet(detail::BookTables* tables, std::u16string name)
    : tables_(tables), name_(std::move(name)) {}

const Worksheet::Cell* Worksheet::Find(std::uint32_t row, std::uint32_t col) const {
  if (row >= rows_.size()) return nullptr;
  const std::vector<Cell>& cells = rows_[row];
  const auto it = std::lower_bound(cells.begin(), cells.end(), col,
                                   [](const Cell& c, std::uint32_t k) { return c.col < k; });
  return (it != cells.end() && it->col == col) ? &*it : nullptr;
}

Worksheet::Cell& Worksheet::Touch(std::uint32_t row, std::uint32_t col) {
  CheckCell(row, col);
  if (row >= rows_.size()) rows_.resize(row + 1);
  std::vector<Cell>& cells = rows_[row];
  const auto c16 = static_cast<std::uint16_t>(col);
  // Cells usually arrive left to right: appending is the common case.
  if (cells.empty() || cells.back().col < c16) {
    cells.push_back({c16, ColumnXf(col), kNoText});
    return cells.back();
  }
  const auto it = std::lower_bound(cells.begin(), cells.end(), c16,
                                   [](const Cell& c, std::uint16_t k) { return c.col < k; });
  if (it != cells.end() && it->col == c16) return *it;
  return *cells.insert(it, {c16, ColumnXf(col), kNoText});
}

void Worksheet::Erase(std::uint32_t row, std::uint32_t col) {
  std::vector<Cell>& cells = rows_[row];
  cells.erase(std::find_if(cells.begin(), cells.end(), [col](const Cell& c) { return c.col == col; }));
  while (!rows_.empty() && rows_.back().empty()) rows_.pop_back();
}

void Worksheet::SetText(std::uint32_t row, std::uint32_t col, std::u16string_view text) {
  CheckCell(row, col);
  if (text.empty()) {
    const Cell* cell = Find(row, col);
    if (cell == nullptr) return;
    if (cell->xf == ColumnXf(col)) {
      Erase(row, col);
    } else {
      const_cast<Cell*>(cell)->text = kNoText;
    }
    return;
  }
  const std::uint32_t index = tables_->InternText(text);
  Touch(row, col).text = index;
}

std::u16string_view Worksheet::Text(std::uint32_t row, std::uint32_t col) const {
  const Cell* cell = Find(row, col);
  if (cell == nullptr || cell->text == kNoText || IsNumber(cell->text)) return {};
  return tables_->TextAt(cell->text);
}

void Worksheet::SetNumber(std::uint32_t row, std::uint32_t col, double value) {
  Cell& cell = Touch(row, col);
  cell.text = kNumberBit | static_cast<std::uint32_t>(numbers_.size());
  numbers_.push_back(value);
}

std::optional<double> Worksheet::Number(std::uint32_t row, std::uint32_t col) const {
  const Cell* cell = Find(row, col);
  if (cell == nullptr || !IsNumber(cell->text)) return std::nullopt;
  return numbers_[cell->text & ~kNumberBit];
}

bool Worksheet::HasCell(std::uint32_t row, std::uint32_t col) const { return Find(row, col) != nullptr; }

const CellFormat& Worksheet::Format(std::uint32_t row, std::uint32_t col) const {
  CheckCell(row, col);
  const Cell* cell = Find(row, col);
  return tables_->formats[cell ? cell->xf : ColumnXf(col)];
}

void Worksheet::SetFormat(std::uint32_t row, std::uint32_t col, const CellFormat& format) {
  CheckCell(row, col);
  const std::uint16_t xf = tables_->InternFormat(format);
  const Cell* cell = Find(row, col);
  if (cell == nullptr && xf == ColumnXf(col)) return;  // looks like its column already
  Touch(row, col).xf = xf;
}

void Worksheet::SetColumnWidth(std::uint32_t col, double chars) {
  CheckColumn(col);
  if (!(chars >= 0) || chars > 255) throw XlsError("A column width must be between 0 and 255.");
  columns_[col].width = chars;
}

std::optional<double> Worksheet::ColumnWidth(std::uint32_t col) const {
  CheckColumn(col);
  return columns_[col].width;
}

void Worksheet::SetColumnFormat(std::uint32_t col, const CellFormat& format) {
  CheckColumn(col);
  columns_[col].xf = tables_->InternFormat(format);
}

const CellFormat& Worksheet::ColumnFormat(std::uint32_t col) const {
  CheckColumn(col);
  return tables_->formats[ColumnXf(col)];
}

Workbook::Workbook() : tables_(std::make_unique<detail::BookTables>()) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

Worksheet& Workbook::AddSheet(std::u16string name) {
  if (name.empty() || name.size() > 31 || name.find_first_of(u":\\/?*[]") != std::u16string::npos)
    throw XlsError("A sheet name needs 1 to 31 characters, none of : \\ / ? * [ ].");
  if (sheets_.size() >= 0xFFFF) throw XlsError("The workbook holds too many sheets.");
  sheets_.push_back(std::make_unique<Worksheet>(tables_.get(), std::move(name)));
  return *sheets_.back();
}

std::string Workbook::FileBytes() const { return BuildCompoundFile(u"Workbook", WorkbookStream()); }

void Workbook::Save(const std::filesystem::path& path) const {
  const std::string stream = WorkbookStream();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw XlsError("Cannot create " + path.string() + ": " + std::strerror(errno));
  WriteCompoundFile(out, u"Workbook", stream);
  out.close();
  if (!out) throw XlsError("Cannot write " + path.string() + ": " + std::strerror(errno));
}

Workbook Workbook::FromFileBytes(std::string bytes) {
  const CompoundFileReader container(std::move(bytes));
  if (std::optional<std::string> stream = container.ReadStream(u"Workbook")) return FromStream(*stream);
  if (container.ReadStream(u"Book"))
    throw XlsError("The file is in the Excel 5.0/95 format, which cannot be read.");
  throw XlsError("The file holds no workbook.");
}

Workbook Workbook::Open(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw XlsError("Cannot open " + path.string() + ": " + std::strerror(errno));
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw XlsError("Cannot read " + path.string() + ": " + std::strerror(errno));
  return FromFileBytes(std::move(bytes));
}

}  // namespace kinsheet::xls
