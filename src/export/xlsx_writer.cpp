// The Excel 2007+ export through libxlsxwriter: one sheet named after the
// GEDCOM file, the captions of the .xls workbook in row 1 (frozen, with an
// autofilter), one person per row from row 2, every value as text. The
// library streams the rows to a temporary file (constant memory) and
// compresses the package when the workbook closes; the package is then
// read back to make sure every row reached it.
#include <xlsxwriter.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/columns.h"
#include "export/export_driver.h"
#include "export/writers.h"
#include "state/startup.h"
#include "export/xlsx_package.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

// 1,048,576 rows, one of them the caption row.
constexpr std::int64_t kMaxPeople = 1048575;

// Column widths in characters by catalogue position, as in the .xls workbook.
constexpr std::array<double, kColumnCount> kColumnWidths = {
    10, 40, 16, 20, 10, 10, 12, 12, 3, 11, 30, 11, 30, 11, 30, 11, 30, 10, 10, 30,
    10, 30, 10, 10, 30, 11, 30, 3,  10, 10, 30, 11, 30, 3,  10, 10, 30, 11, 30, 3};

class XlsxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void Check(lxw_error error, const std::string& what) {
  if (error != LXW_NO_ERROR) throw XlsxError(what + ": " + lxw_strerror(error));
}

// Frees the workbook when an export is abandoned before it was closed.
struct BookCloser {
  void operator()(lxw_workbook* book) const { lxw_workbook_free(book); }
};

std::string ProgramName() {
  return "Kinsheet " + VersionText();
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A complete package holds every row: the library writes the rows to a
// scratch file without checking those writes, so a full disk or a file
// size limit would otherwise end in a workbook cut short without a word.
void CheckPackage(const std::string& temporary, const std::string& path,
                  const std::vector<std::int64_t>& last_rows) {
  try {
    XlsxPackage package(temporary);
    for (std::size_t i = 0; i < last_rows.size(); ++i) {
      const std::string part = "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml";
      if (LastRowNumber(package, part) != last_rows[i]) {
        throw XlsxError(msg::kXlsxCannotWrite + path + msg::kXlsxRowsLost);
      }
    }
  } catch (const XlsxPackageError&) {
    throw XlsxError(msg::kXlsxCannotSave + path + msg::kXlsxCutShort);
  }
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string XlsxSheetName(const std::string& gedcom_path) {
  std::string base = FileNameOf(gedcom_path);
  if (const std::size_t dot = base.rfind('.'); dot != std::string::npos && dot > 0) base.resize(dot);
  std::u16string name = text::DecodeText(base);
  // Excel refuses these anywhere in a sheet name, and an apostrophe at
  // either end.
  for (char16_t& c : name) {
    if (c == u'[' || c == u']' || c == u':' || c == u'*' || c == u'?' || c == u'/' || c == u'\\' || c < 0x20) {
      c = u'_';
    }
  }
  if (!name.empty() && name.front() == u'\'') name.front() = u'_';
  // 31 UTF-16 units at most, never half a surrogate pair.
  if (name.size() > 31) {
    name.resize(31);
    if (name.back() >= 0xD800 && name.back() <= 0xDBFF) name.pop_back();
  }
  if (!name.empty() && name.back() == u'\'') name.back() = u'_';
  std::string utf8 = text::Utf16ToUtf8(name);
  // "History" is kept by Excel for itself.
  std::string lower = utf8;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "history") utf8 += "_";
  return utf8.empty() ? "Sheet1" : utf8;
}

std::string XlsxWorkbookRefusal(std::int64_t count) {
  if (count <= kMaxPeople) return {};
  return msg::kTooManyPeople + std::to_string(count) + msg::kXlsxTooManyPeopleLimit + std::to_string(kMaxPeople) +
         msg::kXlsxTooManyPeopleAdvice;
}

namespace {

constexpr WriterTraits kXlsxTraits = {msg::kWorksheetError, 20, true, false, 3};

class XlsxWriter : public TableWriter {
 public:
  XlsxWriter(const RunState& state, std::int64_t people)
      : TableWriter(kXlsxTraits), state_(state), people_(people) {}

  std::string Refusal(const TableLayout& table) const override {
    return XlsxWorkbookRefusal(people_ >= 0 ? people_ : table.rows);
  }
  void Begin(const ExportOutput& output) override {
    path_ = output.target;
    temporary_ = output.temporary;
    // The library's own scratch files go beside the output: the disk that
    // must hold the workbook anyway, rather than a memory-backed /tmp.
    std::string scratch = FolderOf(path_);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratch.data();
    book_.reset(workbook_new_opt(temporary_.c_str(), &options));
    if (!book_) throw XlsxError(msg::kXlsxCannotCreate + path_);

    std::string title = text::DecodeToUtf8(FileNameOf(state_.gedcom_path));
    std::string author = "Kinsheet";
    std::string comments = "Created by " + ProgramName();
    lxw_doc_properties properties{};
    properties.title = title.data();
    properties.author = author.data();
    properties.comments = comments.data();
    Check(workbook_set_properties(book_.get(), &properties), msg::kXlsxCannotSetProperties);
  }
  // The first sheet is named after the GEDCOM file, a later one after its table.
  void BeginTable(const TableLayout& table) override {
    const std::string name = last_rows_.empty() ? XlsxSheetName(state_.gedcom_path) : table.name;
    sheet_ = workbook_add_worksheet(book_.get(), name.c_str());
    if (sheet_ == nullptr) throw XlsxError(msg::kXlsxCannotAddWorksheet + name);
    if (text_format_ == nullptr) AddFormats();
    const auto last_column = static_cast<lxw_col_t>(table.columns.size() - 1);
    numeric_.assign(table.columns.size(), false);
    for (lxw_col_t k = 0; k < table.columns.size(); ++k) {
      const ExportColumn& column = *table.columns[k];
      numeric_[k] = column.numeric;
      Check(worksheet_set_column(sheet_, k, k, kColumnWidths[column.position - 1],
                                 column.numeric ? nullptr : text_format_),
            msg::kXlsxCannotFormatColumn);
      Check(worksheet_write_string(sheet_, 0, k, column.Caption(CaptionSet::kExcel), caption_format_),
            msg::kXlsxCannotWriteCaption);
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    Check(worksheet_autofilter(sheet_, 0, 0, static_cast<lxw_row_t>(table.rows), last_column),
          msg::kXlsxCannotSetAutofilter);
    row_ = 0;
    // A row without a value writes nothing: the last row with one is the
    // caption row until a later one has a value.
    last_rows_.push_back(1);
  }
  void Row(const ExportRow& row) override {
    ++row_;
    for (std::size_t k = 0; k < row.size(); ++k) {
      // An empty value is an empty cell, which every reader reads as empty.
      if (row[k].value.empty()) continue;
      if (k < numeric_.size() && numeric_[k]) {
        Check(worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(k), std::stod(row[k].value), nullptr),
              msg::kXlsxCannotWriteRow);
        last_rows_.back() = 1 + static_cast<std::int64_t>(row_);
        continue;
      }
      // Most values are UTF-8 already and go as they are.
      const std::string* utf8 = &row[k].value;
      if (!text::IsValidUtf8(*utf8)) {
        value_ = text::DecodeToUtf8(*utf8);
        utf8 = &value_;
      }
      Check(worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(k), utf8->c_str(), text_format_),
            msg::kXlsxCannotWriteRow);
      last_rows_.back() = 1 + static_cast<std::int64_t>(row_);
    }
  }
  // Closing writes and compresses the package.
  void Finish() override {
    Check(workbook_close(book_.release()), msg::kXlsxCannotSave + path_);
    CheckPackage(temporary_, path_, last_rows_);
  }
  void Abandon() noexcept override { book_.reset(); }

 private:
  void AddFormats() {
    caption_format_ = workbook_add_format(book_.get());
    format_set_font_name(caption_format_, "Arial");
    format_set_font_size(caption_format_, 10);
    format_set_bold(caption_format_);
    format_set_num_format(caption_format_, "@");
    text_format_ = workbook_add_format(book_.get());
    format_set_num_format(text_format_, "@");
  }

  const RunState& state_;
  std::int64_t people_;
  std::string path_;
  std::string temporary_;
  std::unique_ptr<lxw_workbook, BookCloser> book_;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* caption_format_ = nullptr;
  lxw_format* text_format_ = nullptr;
  lxw_row_t row_ = 0;
  // Per sheet, the number of its last row with a value.
  std::vector<std::int64_t> last_rows_;
  // By column of the current sheet: written as numbers.
  std::vector<bool> numeric_;
  std::string value_;
};

}  // namespace

bool WriteXlsxWorkbook(RunState& state, WindowServices& ws, std::int64_t people) {
  XlsxWriter writer(state, people);
  return RunExport(state, ws, writer);
}

}  // namespace kinsheet
