// A stand-in for the spreadsheet program's automation objects: an
// application with workbooks, sheets, ranges and fonts, offering the
// members the Excel export calls, with the same effects on the workbook.
// Everything works on the workbook model; Open reads the saved file back.
// Every failure throws XlsError with a description for the user.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/xls/workbook.h"

namespace kinsheet::xls {

// A block of cells, 0-based, row-major; rows and columns may reach past
// the sheet's end.
struct CellRect {
  std::uint32_t row = 0;
  std::uint32_t col = 0;
  std::uint32_t rows = 1;
  std::uint32_t cols = 1;
  bool operator==(const CellRect&) const = default;
};

// Parses "A1", "AN65536", "B2:C5" and whole columns such as "A:A" or "C:E".
CellRect ParseAddress(std::string_view address);

// A table of texts for Range(...).Value: cell (r, c) is at r * cols + c.
struct CellBlock {
  CellBlock(std::uint32_t rows, std::uint32_t cols) : rows(rows), cols(cols), cells(rows * cols) {}
  std::u16string& at(std::uint32_t r, std::uint32_t c) { return cells[r * cols + c]; }
  const std::u16string& at(std::uint32_t r, std::uint32_t c) const { return cells[r * cols + c]; }
  std::uint32_t rows;
  std::uint32_t cols;
  std::vector<std::u16string> cells;
};

class ExcelApplication;
class ExcelWorkbook;
class ExcelWorksheet;

class ExcelFont {
 public:
  void SetName(std::u16string_view name);
  // "Regular", "Bold", "Italic" or "Bold Italic".
  void SetFontStyle(std::u16string_view style);
  void SetSize(std::int16_t points);

 private:
  friend class ExcelRange;
  ExcelFont(ExcelWorksheet* sheet, CellRect rect) : sheet_(sheet), rect_(rect) {}
  ExcelWorksheet* sheet_;
  CellRect rect_;
};

class ExcelRange {
 public:
  // Makes this range the selection and its first cell the active cell.
  ExcelRange& Select();
  // Puts the text in every cell of the range. Texts are values here, never
  // formulas.
  void SetFormulaR1C1(std::u16string_view text);
  // Width in characters of every column the range touches.
  void SetColumnWidth(std::int16_t chars);
  void SetNumberFormat(std::u16string_view code);
  ExcelFont Font() const { return ExcelFont(sheet_, rect_); }
  // The block of rows x cols cells from this range's first cell.
  ExcelRange Resize(std::int16_t rows, std::int16_t cols) const;
  // Cell (r, c) of the range takes values.at(r, c); the block may be larger
  // than the range. Empty texts leave cells empty; past the sheet's last
  // row only empty texts are accepted.
  void SetValue(const CellBlock& values);

  const CellRect& rect() const { return rect_; }

 private:
  friend class ExcelApplication;
  friend class ExcelWorksheet;
  ExcelRange(ExcelWorksheet* sheet, CellRect rect) : sheet_(sheet), rect_(rect) {}
  ExcelWorksheet* sheet_;
  CellRect rect_;
};

class ExcelWorksheet {
 public:
  ExcelRange Range(std::string_view address);
  Worksheet& sheet();

 private:
  friend class ExcelWorkbook;
  friend class ExcelRange;
  friend class ExcelFont;
  friend class ExcelApplication;
  ExcelWorksheet(ExcelWorkbook* book, std::size_t index) : book_(book), index_(index) {}
  void CheckOpen() const;

  ExcelWorkbook* book_;
  std::size_t index_;
  CellRect selection_{};
};

class ExcelWorkbook {
 public:
  ExcelWorksheet& ActiveSheet();
  void SaveAs(const std::string& path);
  void Save();
  // Closes the workbook, saving it first when asked to.
  void Close(bool save_changes);

  const std::string& path() const { return path_; }
  bool is_open() const { return open_; }
  Workbook& book();

 private:
  friend class ExcelWorkbooks;
  friend class ExcelWorksheet;
  ExcelWorkbook(ExcelApplication* app, Workbook book, std::string path);
  void CheckOpen() const;

  ExcelApplication* app_;
  Workbook book_;
  std::string path_;
  bool open_ = true;
  std::vector<std::unique_ptr<ExcelWorksheet>> sheets_;
};

class ExcelWorkbooks {
 public:
  // A new workbook with one empty sheet, "Sheet1"; it becomes active.
  ExcelWorkbook& Add();
  // Reads the workbook saved at `path`; it becomes active.
  ExcelWorkbook& Open(const std::string& path);

 private:
  friend class ExcelApplication;
  explicit ExcelWorkbooks(ExcelApplication* app) : app_(app) {}
  ExcelApplication* app_;
};

class ExcelApplication {
 public:
  ExcelApplication();
  ExcelApplication(const ExcelApplication&) = delete;
  ExcelApplication& operator=(const ExcelApplication&) = delete;
  ~ExcelApplication();

  ExcelWorkbooks& Workbooks();
  // Only remembered: nothing is ever drawn.
  void SetScreenUpdating(bool on);
  bool ScreenUpdating() const { return screen_updating_; }
  // Ranges and columns of the active sheet.
  ExcelRange Range(std::string_view address);
  ExcelRange Columns(std::string_view address);
  ExcelRange ActiveCell();
  ExcelRange Selection();
  ExcelWorkbook& ActiveWorkbook();
  // Ends the instance: open workbooks are dropped unsaved, and every later
  // call fails.
  void Quit();

 private:
  friend class ExcelWorkbooks;
  friend class ExcelWorkbook;
  void CheckRunning() const;
  ExcelWorksheet& ActiveSheet();

  ExcelWorkbooks workbooks_{this};
  std::vector<std::unique_ptr<ExcelWorkbook>> books_;
  ExcelWorkbook* active_ = nullptr;
  bool screen_updating_ = true;
  bool running_ = true;
};

}  // namespace kinsheet::xls
