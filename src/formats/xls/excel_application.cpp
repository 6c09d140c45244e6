// The automation stand-in over the workbook model.
#include "formats/xls/excel_application.h"

#include <functional>

#include "formats/xls/xls_error.h"

namespace kinsheet::xls {
namespace {

[[noreturn]] void BadAddress(std::string_view address) {
  throw XlsError("\"" + std::string(address) + "\" is not a cell or column address.");
}

// Column letters ("A" = 0, "AA" = 26) followed optionally by a row number.
std::size_t ParseCell(std::string_view text, std::string_view whole, std::uint32_t& col,
                      std::uint32_t* row) {
  std::size_t i = 0;
  std::uint32_t c = 0;
  while (i < text.size() && ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z'))) {
    c = c * 26 + static_cast<std::uint32_t>((text[i] | 0x20) - 'a' + 1);
    if (c > kMaxColumns) BadAddress(whole);
    ++i;
  }
  if (i == 0) BadAddress(whole);
  col = c - 1;
  if (row == nullptr) return i;
  const std::size_t digits = i;
  std::uint32_t r = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    r = r * 10 + static_cast<std::uint32_t>(text[i] - '0');
    if (r > kMaxRows) BadAddress(whole);
    ++i;
  }
  if (i == digits || r == 0) BadAddress(whole);
  *row = r - 1;
  return i;
}

CellFormat WithFont(CellFormat f, const std::function<void(CellFormat&)>& change) {
  change(f);
  return f;
}

// Applies a format change to every cell of `rect`; whole columns change
// the column's own format and every cell already in them.
void ChangeFormat(Worksheet& sheet, const CellRect& rect, const std::function<void(CellFormat&)>& change) {
  const std::uint32_t col_end = std::min(rect.col + rect.cols, kMaxColumns);
  if (rect.row == 0 && rect.rows >= kMaxRows) {
    for (std::uint32_t c = rect.col; c < col_end; ++c) {
      sheet.SetColumnFormat(c, WithFont(sheet.ColumnFormat(c), change));
      for (std::uint32_t r = 0; r < sheet.RowCount(); ++r) {
        if (sheet.HasCell(r, c)) sheet.SetFormat(r, c, WithFont(sheet.Format(r, c), change));
      }
    }
    return;
  }
  const std::uint32_t row_end = std::min(rect.row + rect.rows, kMaxRows);
  for (std::uint32_t r = rect.row; r < row_end; ++r) {
    for (std::uint32_t c = rect.col; c < col_end; ++c) sheet.SetFormat(r, c, WithFont(sheet.Format(r, c), change));
  }
}

}  // namespace

CellRect ParseAddress(std::string_view address) {
  const std::size_t colon = address.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view left = address.substr(0, colon);
    const std::string_view right = address.substr(colon + 1);
    // Whole columns: letters on both sides, no row numbers.
    if (!left.empty() && !right.empty() && (left.back() > '9') && (right.back() > '9')) {
      std::uint32_t first = 0, last = 0;
      if (ParseCell(left, address, first, nullptr) != left.size() ||
          ParseCell(right, address, last, nullptr) != right.size() || last < first)
        BadAddress(address);
      return {0, first, kMaxRows, last - first + 1};
    }
    const CellRect a = ParseAddress(left);
    const CellRect b = ParseAddress(right);
    if (a.rows != 1 || b.rows != 1 || b.row < a.row || b.col < a.col) BadAddress(address);
    return {a.row, a.col, b.row - a.row + 1, b.col - a.col + 1};
  }
  CellRect rect;
  if (ParseCell(address, address, rect.col, &rect.row) != address.size()) BadAddress(address);
  return rect;
}

void ExcelFont::SetName(std::u16string_view name) {
  if (name.empty() || name.size() > 31) throw XlsError("A font name needs 1 to 31 characters.");
  ChangeFormat(sheet_->sheet(), rect_, [name](CellFormat& f) { f.font_name = name; });
}

void ExcelFont::SetFontStyle(std::u16string_view style) {
  bool bold, italic;
  if (style == u"Regular") {
    bold = false, italic = false;
  } else if (style == u"Bold") {
    bold = true, italic = false;
  } else if (style == u"Italic") {
    bold = false, italic = true;
  } else if (style == u"Bold Italic") {
    bold = true, italic = true;
  } else {
    throw XlsError("Unknown font style.");
  }
  ChangeFormat(sheet_->sheet(), rect_, [bold, italic](CellFormat& f) {
    f.bold = bold;
    f.italic = italic;
  });
}

void ExcelFont::SetSize(std::int16_t points) {
  if (points < 1 || points > 409) throw XlsError("A font size must be between 1 and 409 points.");
  const auto twips = static_cast<std::uint16_t>(points * 20);
  ChangeFormat(sheet_->sheet(), rect_, [twips](CellFormat& f) { f.font_height = twips; });
}

ExcelRange& ExcelRange::Select() {
  sheet_->CheckOpen();
  sheet_->selection_ = rect_;
  return *this;
}

void ExcelRange::SetFormulaR1C1(std::u16string_view text) {
  Worksheet& sheet = sheet_->sheet();
  const std::uint32_t row_end = rect_.row + rect_.rows;
  if (row_end > kMaxRows && !text.empty()) throw XlsError("The range reaches past the last row of the worksheet.");
  for (std::uint32_t r = rect_.row; r < std::min(row_end, kMaxRows); ++r) {
    for (std::uint32_t c = rect_.col; c < rect_.col + rect_.cols; ++c) sheet.SetText(r, c, text);
  }
}

void ExcelRange::SetColumnWidth(std::int16_t chars) {
  Worksheet& sheet = sheet_->sheet();
  for (std::uint32_t c = rect_.col; c < rect_.col + rect_.cols; ++c) sheet.SetColumnWidth(c, chars);
}

void ExcelRange::SetNumberFormat(std::u16string_view code) {
  if (code.empty() || code.size() > 255) throw XlsError("A number format needs 1 to 255 characters.");
  ChangeFormat(sheet_->sheet(), rect_, [code](CellFormat& f) { f.number_format = code; });
}

ExcelRange ExcelRange::Resize(std::int16_t rows, std::int16_t cols) const {
  sheet_->CheckOpen();
  if (rows < 1 || cols < 1) throw XlsError("A range needs at least one row and one column.");
  if (rect_.col + static_cast<std::uint32_t>(cols) > kMaxColumns)
    throw XlsError("The range reaches past the last column of the worksheet.");
  return ExcelRange(sheet_, {rect_.row, rect_.col, static_cast<std::uint32_t>(rows), static_cast<std::uint32_t>(cols)});
}

void ExcelRange::SetValue(const CellBlock& values) {
  Worksheet& sheet = sheet_->sheet();
  if (values.rows < rect_.rows || values.cols < rect_.cols)
    throw XlsError("The values do not fill the range.");
  for (std::uint32_t r = 0; r < rect_.rows; ++r) {
    const std::uint32_t row = rect_.row + r;
    for (std::uint32_t c = 0; c < rect_.cols; ++c) {
      const std::u16string& text = values.at(r, c);
      // A block may hang over the sheet's end as long as that part is empty.
      if (row >= kMaxRows) {
        if (!text.empty()) throw XlsError("The worksheet has no row " + std::to_string(row + 1) + ".");
        continue;
      }
      sheet.SetText(row, rect_.col + c, text);
    }
  }
}

ExcelRange ExcelWorksheet::Range(std::string_view address) {
  CheckOpen();
  return ExcelRange(this, ParseAddress(address));
}

Worksheet& ExcelWorksheet::sheet() {
  CheckOpen();
  return book_->book_.sheet(index_);
}

void ExcelWorksheet::CheckOpen() const { book_->CheckOpen(); }

ExcelWorkbook::ExcelWorkbook(ExcelApplication* app, Workbook book, std::string path)
    : app_(app), book_(std::move(book)), path_(std::move(path)) {
  for (std::size_t i = 0; i < book_.sheet_count(); ++i)
    sheets_.push_back(std::unique_ptr<ExcelWorksheet>(new ExcelWorksheet(this, i)));
}

void ExcelWorkbook::CheckOpen() const {
  app_->CheckRunning();
  if (!open_) throw XlsError("The workbook has been closed.");
}

Workbook& ExcelWorkbook::book() {
  CheckOpen();
  return book_;
}

ExcelWorksheet& ExcelWorkbook::ActiveSheet() {
  CheckOpen();
  return *sheets_.front();
}

void ExcelWorkbook::SaveAs(const std::string& path) {
  CheckOpen();
  book_.Save(path);
  path_ = path;
}

void ExcelWorkbook::Save() {
  CheckOpen();
  if (path_.empty()) throw XlsError("The workbook has never been saved under a name.");
  book_.Save(path_);
}

void ExcelWorkbook::Close(bool save_changes) {
  CheckOpen();
  if (save_changes) Save();
  open_ = false;
  book_ = Workbook();  // the cells are no longer needed
  if (app_->active_ == this) {
    app_->active_ = nullptr;
    for (auto it = app_->books_.rbegin(); it != app_->books_.rend(); ++it) {
      if ((*it)->open_) {
        app_->active_ = it->get();
        break;
      }
    }
  }
}

ExcelWorkbook& ExcelWorkbooks::Add() {
  app_->CheckRunning();
  Workbook book;
  book.AddSheet(u"Sheet1");
  app_->books_.push_back(std::unique_ptr<ExcelWorkbook>(new ExcelWorkbook(app_, std::move(book), "")));
  app_->active_ = app_->books_.back().get();
  return *app_->active_;
}

ExcelWorkbook& ExcelWorkbooks::Open(const std::string& path) {
  app_->CheckRunning();
  Workbook book = Workbook::Open(path);
  app_->books_.push_back(std::unique_ptr<ExcelWorkbook>(new ExcelWorkbook(app_, std::move(book), path)));
  app_->active_ = app_->books_.back().get();
  return *app_->active_;
}

ExcelApplication::ExcelApplication() = default;
ExcelApplication::~ExcelApplication() = default;

void ExcelApplication::CheckRunning() const {
  if (!running_) throw XlsError("The spreadsheet application has quit.");
}

ExcelWorkbooks& ExcelApplication::Workbooks() {
  CheckRunning();
  return workbooks_;
}

void ExcelApplication::SetScreenUpdating(bool on) {
  CheckRunning();
  screen_updating_ = on;
}

ExcelWorkbook& ExcelApplication::ActiveWorkbook() {
  CheckRunning();
  if (active_ == nullptr) throw XlsError("There is no active workbook.");
  return *active_;
}

ExcelWorksheet& ExcelApplication::ActiveSheet() { return ActiveWorkbook().ActiveSheet(); }

ExcelRange ExcelApplication::Range(std::string_view address) { return ActiveSheet().Range(address); }

ExcelRange ExcelApplication::Columns(std::string_view address) {
  ExcelRange range = ActiveSheet().Range(address);
  if (range.rect().rows != kMaxRows) BadAddress(address);
  return range;
}

ExcelRange ExcelApplication::ActiveCell() {
  ExcelWorksheet& sheet = ActiveSheet();
  const CellRect& s = sheet.selection_;
  return ExcelRange(&sheet, {s.row, s.col, 1, 1});
}

ExcelRange ExcelApplication::Selection() {
  ExcelWorksheet& sheet = ActiveSheet();
  return ExcelRange(&sheet, sheet.selection_);
}

void ExcelApplication::Quit() {
  CheckRunning();
  for (auto& book : books_) {
    if (book->is_open()) book->Close(false);
  }
  running_ = false;
}

}  // namespace kinsheet::xls
