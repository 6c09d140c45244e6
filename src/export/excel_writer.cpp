// The Excel export: a header pass that creates the workbook with formatted
// captions and saves it, then a data pass that opens it again, writes the
// people in blocks of 70 rows by 40 columns and saves it. The spreadsheet
// program is our own automation stand-in over the workbook engine.
#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "export/columns.h"
#include "export/living.h"
#include "export/writer_support.h"
#include "export/writers.h"
#include "fileio/replacement.h"
#include "formats/xls/excel_application.h"
#include "formats/xls/xls_error.h"
#include "records/work_records.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

using text::DecodeText;

constexpr int kBlockHeight = 70;
constexpr int kBlockWidth = kColumnCount;
constexpr std::int32_t kProgressThreshold = 20;
// Row 1 holds the captions and row 2 stays empty.
constexpr std::int32_t kMaxPeople = static_cast<std::int32_t>(xls::kMaxRows) - 2;

// Width in characters of each catalogue position's column.
constexpr std::array<std::int16_t, kColumnCount> kColumnWidths = {
    10, 40, 16, 20, 10, 10, 12, 12, 3, 11, 30, 11, 30, 11, 30, 11, 30, 10, 10, 30,
    10, 30, 10, 10, 30, 11, 30, 3,  10, 10, 30, 11, 30, 3,  10, 10, 30, 11, 30, 3};

// Letters of the k-th column (from 1): A..Z, then "A" and a letter.
std::string ColumnLetters(int k) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  if (k <= 26) return std::string(1, kLetters[k - 1]);
  return std::string("A") + kLetters[k - 27];
}

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The 70 x 40 block of one write, one slot to spare each way.
class RowBlock {
 public:
  RowBlock() : cells_(kBlockHeight + 1, kBlockWidth + 1) {}
  void Clear() {
    for (int r = 0; r < kBlockHeight; ++r) {
      for (int c = 0; c < kBlockWidth; ++c) cells_.at(r, c).clear();
    }
  }
  std::u16string& at(int r, int c) { return cells_.at(r, c); }
  const xls::CellBlock& cells() const { return cells_; }

 private:
  xls::CellBlock cells_;
};

void WriteBlock(xls::ExcelWorksheet& sheet, std::int32_t start_row, const RowBlock& block) {
  sheet.Range("A" + std::to_string(start_row)).Resize(kBlockHeight, kBlockWidth).SetValue(block.cells());
}

}  // namespace

std::string ExcelWorkbookRefusal(std::int32_t count) {
  // A sheet has 65,536 rows, two of them the caption row and the empty row.
  if (count <= kMaxPeople) return {};
  return msg::kTooManyPeople + std::to_string(count) + msg::kTooManyPeopleLimit + std::to_string(kMaxPeople) +
         msg::kTooManyPeopleAdvice;
}

bool WriteExcelWorkbook(RunState& state, WindowServices& ws) {
  const std::int32_t people = state.work.individual_count;
  const std::string& path = state.current_file_name;
  std::unique_ptr<xls::ExcelApplication> app;
  WorkFiles files;
  // The workbook is saved and reopened under the temporary's name; the
  // user's file is replaced only once the data pass has saved it.
  std::optional<FileReplacement> replacement;
  try {
    ws.SetBusy(true);
    ws.SetStatusText(msg::kOneMoment);
    const LivingPlan& plan = SettleLiving(state, ws);
    const std::int32_t count = plan.rows;
    if (const std::string refusal = ExcelWorkbookRefusal(count); !refusal.empty()) {
      throw xls::XlsError(refusal);
    }

    std::array<std::string, kColumnCount> captions;
    std::array<std::int16_t, kColumnCount> widths;
    captions.fill(" ");
    widths.fill(3);
    int header_count = 0;
    for (const ExportColumn* c : SelectedColumns(state.selection)) {
      captions[header_count] = c->Caption(CaptionSet::kExcel);
      widths[header_count] = kColumnWidths[c->position - 1];
      ++header_count;
    }

    // Header pass.
    app = std::make_unique<xls::ExcelApplication>();
    app->Workbooks().Add();
    app->SetScreenUpdating(false);
    for (int k = 1; k <= header_count; ++k) {
      const std::string letters = ColumnLetters(k);
      app->Range(letters + "1").Select();
      app->ActiveCell().SetFormulaR1C1(Ascii(captions[k - 1]));
      app->Columns(letters + ":" + letters).SetColumnWidth(widths[k - 1]);
      app->Columns(letters + ":" + letters).SetNumberFormat(u"@");
      xls::ExcelFont font = app->Selection().Font();
      font.SetName(u"Arial");
      font.SetFontStyle(u"Bold");
      font.SetSize(10);
    }
    replacement.emplace(path);
    app->ActiveWorkbook().SaveAs(replacement->temporary());
    app->ActiveWorkbook().Close(false);
    app->Quit();

    ws.SetStatusText(msg::kCreating + path + msg::kCreatingEnd);
    ws.DoEvents();
    if (count > kProgressThreshold) {
      ws.SetProgressMax(count);
      ws.SetProgressValue(0);
      ws.SetProgressVisible(true);
    }

    // Data pass.
    app = std::make_unique<xls::ExcelApplication>();
    xls::ExcelWorkbook& book = app->Workbooks().Open(replacement->temporary());
    xls::ExcelWorksheet& sheet = book.ActiveSheet();
    files = OpenWorkFiles(state, ws);
    RowBlock block;
    std::int32_t start_row = 3;
    int block_rows = 0;
    std::array<std::string, kColumnCount> slots;
    ExportRow row;
    std::int32_t written = 0;
    for (std::int32_t n = 1; n <= people; ++n) {
      if (!WritesRow(plan, state.living.mode, n)) continue;
      ++written;
      if (count > kProgressThreshold) ws.SetProgressValue(written);
      ThrowIfCancelled(ws);
      slots.fill(" ");
      AssembleRow(state, files, n, 3, row);
      for (std::size_t k = 0; k < row.size() && k < slots.size(); ++k) slots[k] = row[k].value;
      ++block_rows;
      for (int c = 0; c < kBlockWidth; ++c) block.at(block_rows - 1, c) = DecodeText(TrimSpaces(slots[c]));
      if (block_rows == kBlockHeight) {
        WriteBlock(sheet, start_row, block);
        block_rows = 0;
        start_row += kBlockHeight;
        block.Clear();
      }
    }
    // The last block is written whole, whatever it holds.
    WriteBlock(sheet, start_row, block);
    app->ActiveWorkbook().Save();
    app->ActiveWorkbook().Close(false);
    app->Quit();
    files.individuals.Close();
    files.families.Close();
    app.reset();
    replacement->Commit();
  } catch (const std::exception& e) {
    ReportWriterFailure(ws, msg::kWorksheetError, e, replacement ? &*replacement : nullptr);
    files = WorkFiles();
    app.reset();
    return EndExport(state, ws, false);
  }
  return EndExport(state, ws, true);
}

}  // namespace kinsheet
