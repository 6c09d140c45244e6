// The workbook model: sheets of text cells with their fonts and number
// formats, column widths and column-wide formats. It is saved as an Excel
// 97-2003 file (BIFF8 in a compound file) and read back from one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kinsheet::xls {

inline constexpr std::uint32_t kMaxRows = 65536;
inline constexpr std::uint32_t kMaxColumns = 256;

// What a cell or a column looks like. Heights are in twips (1/20 point).
struct CellFormat {
  std::u16string font_name = u"Arial";
  std::uint16_t font_height = 200;
  bool bold = false;
  bool italic = false;
  std::u16string number_format = u"General";
  bool operator==(const CellFormat&) const = default;
};

namespace detail {

// Strings and formats are shared by every sheet of a workbook. Formats are
// numbered like the file's cell XF records: index i is XF 15 + i.
struct BookTables {
  BookTables();
  std::uint32_t InternText(std::u16string_view text);
  // Valid until the next InternText.
  std::u16string_view TextAt(std::uint32_t index) const {
    return {pool.data() + offsets[index], offsets[index + 1] - offsets[index]};
  }
  std::size_t text_count() const { return offsets.size() - 1; }
  std::uint16_t InternFormat(const CellFormat& format);

  // Every distinct text once, end to end; text i spans offsets[i]..[i+1].
  // One block instead of a string each keeps a million texts cheap.
  std::vector<char16_t> pool;
  std::vector<std::size_t> offsets{0};
  // Open addressing: the hash's upper half beside the text's index, so a
  // probe rarely touches the pool.
  std::vector<std::uint64_t> slots;
  std::vector<CellFormat> formats;
};

}  // namespace detail

class Worksheet {
 public:
  Worksheet(detail::BookTables* tables, std::u16string name);
  // A sheet belongs to its workbook's tables: it is never copied or moved.
  Worksheet(const Worksheet&) = delete;
  Worksheet& operator=(const Worksheet&) = delete;

  const std::u16string& name() const { return name_; }

  // Text of a cell; empty text removes the value (a cell keeps existing only
  // while its format differs from the column's). Rows and columns count
  // from 0. Throws XlsError outside 65,536 rows x 256 columns.
  void SetText(std::uint32_t row, std::uint32_t col, std::u16string_view text);
  std::u16string_view Text(std::uint32_t row, std::uint32_t col) const;
  // A number in a cell, replacing its text; Number is nullopt for a cell
  // without one (Text of a number cell is empty).
  void SetNumber(std::uint32_t row, std::uint32_t col, double value);
  std::optional<double> Number(std::uint32_t row, std::uint32_t col) const;
  bool HasCell(std::uint32_t row, std::uint32_t col) const;

  // A cell's own format, else its column's, else the workbook default.
  const CellFormat& Format(std::uint32_t row, std::uint32_t col) const;
  void SetFormat(std::uint32_t row, std::uint32_t col, const CellFormat& format);

  // Width in characters of the default font's digits; nullopt = default.
  void SetColumnWidth(std::uint32_t col, double chars);
  std::optional<double> ColumnWidth(std::uint32_t col) const;
  void SetColumnFormat(std::uint32_t col, const CellFormat& format);
  const CellFormat& ColumnFormat(std::uint32_t col) const;

  // One past the last row that holds a cell.
  std::uint32_t RowCount() const { return static_cast<std::uint32_t>(rows_.size()); }

 private:
  friend class Workbook;
  friend class WorkbookWriter;
  friend class WorkbookReader;

  static constexpr std::uint32_t kNoText = 0xFFFFFFFF;
  // A cell's text index with this bit is an index into numbers_ instead.
  static constexpr std::uint32_t kNumberBit = 0x80000000;
  static bool IsNumber(std::uint32_t text) { return text != kNoText && (text & kNumberBit) != 0; }
  struct Cell {
    std::uint16_t col;
    std::uint16_t xf;    // index into BookTables::formats
    std::uint32_t text;  // index into BookTables::strings, or kNoText
  };
  struct Column {
    std::optional<double> width;
    std::optional<std::uint16_t> xf;
  };

  const Cell* Find(std::uint32_t row, std::uint32_t col) const;
  Cell& Touch(std::uint32_t row, std::uint32_t col);
  void Erase(std::uint32_t row, std::uint32_t col);
  std::uint16_t ColumnXf(std::uint32_t col) const { return columns_[col].xf.value_or(0); }

  detail::BookTables* tables_;
  std::u16string name_;
  std::vector<std::vector<Cell>> rows_;  // cells of each row, by column
  std::vector<double> numbers_;
  std::array<Column, kMaxColumns> columns_;
};

class Workbook {
 public:
  Workbook();
  Workbook(Workbook&&) noexcept;
  Workbook& operator=(Workbook&&) noexcept;
  ~Workbook();

  Worksheet& AddSheet(std::u16string name);
  std::size_t sheet_count() const { return sheets_.size(); }
  Worksheet& sheet(std::size_t i) { return *sheets_.at(i); }
  const Worksheet& sheet(std::size_t i) const { return *sheets_.at(i); }

  // The BIFF8 "Workbook" stream, and the whole file around it.
  std::string WorkbookStream() const;
  std::string FileBytes() const;
  // Writes the file; throws XlsError with a description when it cannot.
  void Save(const std::filesystem::path& path) const;

  // Readers; throw XlsError when the input is not a workbook they can read.
  static Workbook FromStream(std::string_view workbook_stream);
  static Workbook FromFileBytes(std::string bytes);
  static Workbook Open(const std::filesystem::path& path);

 private:
  friend class WorkbookWriter;
  friend class WorkbookReader;

  std::unique_ptr<detail::BookTables> tables_;
  std::vector<std::unique_ptr<Worksheet>> sheets_;
};

}  // namespace kinsheet::xls
