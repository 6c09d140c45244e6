// The Excel 2007+ export through libxlsxwriter: one sheet named after the
// GEDCOM file, the captions of the .xls workbook in row 1 (frozen, with an
// autofilter), one person per row from row 2, every value as text. The
// library streams the rows to a temporary file (constant memory) and
// compresses the package when the workbook closes.
#include <xlsxwriter.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "export/columns.h"
#include "export/living.h"
#include "export/writer_support.h"
#include "export/writers.h"
#include "fileio/replacement.h"
#include "records/work_records.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

constexpr std::int32_t kProgressThreshold = 20;
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
  return "Kinsheet " + std::to_string(KINSHEET_VERSION_MAJOR) + "." + std::to_string(KINSHEET_VERSION_MINOR);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The library streams the rows to a scratch file without checking its
// writes: a full disk would otherwise end in a workbook cut short without
// a word.
void CheckScratch(lxw_worksheet* sheet, const std::string& path, bool flush) {
  FILE* scratch = sheet->optimize_tmpfile;
  if (scratch == nullptr) return;
  if ((flush && std::fflush(scratch) != 0) || std::ferror(scratch) != 0) {
    throw XlsxError("Cannot write " + path + ": the disk is full or the file is too large");
  }
}

// A complete package ends with the zip's end-of-directory record.
void CheckPackage(const std::string& temporary, const std::string& path) {
  std::ifstream in(temporary, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  std::string tail(22, '\0');
  if (size >= 22) {
    in.seekg(size - 22);
    in.read(tail.data(), 22);
  }
  if (!in || size < 22 || tail.compare(0, 4, "PK\x05\x06") != 0) {
    throw XlsxError("Cannot save " + path + ": the workbook was cut short (disk full?)");
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

bool WriteXlsxWorkbook(RunState& state, WindowServices& ws, std::int64_t people) {
  const std::int32_t individuals = state.work.individual_count;
  const std::string& path = state.current_file_name;
  std::optional<FileReplacement> replacement;
  std::unique_ptr<lxw_workbook, BookCloser> book;
  WorkFiles files;
  try {
    ws.SetBusy(true);
    ws.SetStatusText(msg::kOneMoment);
    const LivingPlan& plan = SettleLiving(state, ws);
    const std::int32_t count = plan.rows;
    if (const std::string refusal = XlsxWorkbookRefusal(people >= 0 ? people : count); !refusal.empty()) {
      throw XlsxError(refusal);
    }

    replacement.emplace(path);
    // The library's own scratch files go beside the output: the disk that
    // must hold the workbook anyway, rather than a memory-backed /tmp.
    std::string scratch = FolderOf(path);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratch.data();
    book.reset(workbook_new_opt(replacement->temporary().c_str(), &options));
    if (!book) throw XlsxError("Cannot create " + path);

    const std::string gedcom_name = FileNameOf(state.gedcom_path);
    std::string title = text::DecodeToUtf8(gedcom_name);
    std::string author = "Kinsheet";
    std::string comments = "Created by " + ProgramName();
    lxw_doc_properties properties{};
    properties.title = title.data();
    properties.author = author.data();
    properties.comments = comments.data();
    Check(workbook_set_properties(book.get(), &properties), "Cannot set the document properties");

    const std::string sheet_name = XlsxSheetName(state.gedcom_path);
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), sheet_name.c_str());
    if (sheet == nullptr) throw XlsxError("Cannot add the worksheet " + sheet_name);

    lxw_format* caption_format = workbook_add_format(book.get());
    format_set_font_name(caption_format, "Arial");
    format_set_font_size(caption_format, 10);
    format_set_bold(caption_format);
    format_set_num_format(caption_format, "@");
    lxw_format* text_format = workbook_add_format(book.get());
    format_set_num_format(text_format, "@");

    const std::vector<const ExportColumn*> columns = SelectedColumns(state.selection);
    const auto last_column = static_cast<lxw_col_t>(columns.size() - 1);
    for (lxw_col_t k = 0; k < columns.size(); ++k) {
      Check(worksheet_set_column(sheet, k, k, kColumnWidths[columns[k]->position - 1], text_format),
            "Cannot format a column");
      Check(worksheet_write_string(sheet, 0, k, columns[k]->Caption(CaptionSet::kExcel), caption_format),
            "Cannot write a caption");
    }
    worksheet_freeze_panes(sheet, 1, 0);
    Check(worksheet_autofilter(sheet, 0, 0, static_cast<lxw_row_t>(count), last_column),
          "Cannot set the autofilter");

    ws.SetStatusText(msg::kCreating + path + msg::kCreatingEnd);
    ws.DoEvents();
    RowProgress progress(ws, count, kProgressThreshold);

    files = OpenWorkFiles(state, ws);
    ExportRow row;
    std::string value;
    std::int32_t written = 0;
    for (std::int32_t n = 1; n <= individuals; ++n) {
      if (!WritesRow(plan, state.living.mode, n)) continue;
      progress.Step(++written);
      if (written % 1024 == 0) CheckScratch(sheet, path, false);
      AssembleRow(state, files, n, 3, row);
      for (std::size_t k = 0; k < row.size(); ++k) {
        // An empty value is an empty cell, which every reader reads as empty.
        if (row[k].value.empty()) continue;
        // Most values are UTF-8 already and go as they are.
        const std::string* utf8 = &row[k].value;
        if (!text::IsValidUtf8(*utf8)) {
          value = text::DecodeToUtf8(*utf8);
          utf8 = &value;
        }
        Check(worksheet_write_string(sheet, static_cast<lxw_row_t>(written), static_cast<lxw_col_t>(k), utf8->c_str(),
                                     text_format),
              "Cannot write a row");
      }
    }
    files.individuals.Close();
    files.families.Close();
    // Rows still in the library's buffer reach the scratch file first.
    CheckScratch(sheet, path, true);
    // Closing writes and compresses the package.
    Check(workbook_close(book.release()), "Cannot save " + path);
    CheckPackage(replacement->temporary(), path);
    replacement->Commit();
  } catch (const std::exception& e) {
    book.reset();
    files = WorkFiles();
    ReportWriterFailure(ws, msg::kWorksheetError, e, replacement ? &*replacement : nullptr);
    return EndExport(state, ws, false);
  }
  return EndExport(state, ws, true);
}

}  // namespace kinsheet
