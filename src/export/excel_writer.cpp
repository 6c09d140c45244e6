// The Excel export: a header pass that creates the workbook with formatted
// captions and saves it, then a data pass that opens it again, writes the
// people in blocks of 70 rows by 40 columns and saves it. The spreadsheet
// program is our own automation stand-in over the workbook engine.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/columns.h"
#include "export/export_driver.h"
#include "export/writers.h"
#include "formats/xls/excel_application.h"
#include "formats/xls/xls_error.h"
#include "records/work_records.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

using text::DecodeText;

constexpr int kBlockHeight = 70;
// The seed's 40 columns; wider only with "More fields" columns past them.
constexpr int kBlockWidth = kSeedColumnCount;
// Row 1 holds the captions and row 2 stays empty.
constexpr std::int32_t kMaxPeople = static_cast<std::int32_t>(xls::kMaxRows) - 2;

// Width in characters of each catalogue position's column.
constexpr std::array<std::int16_t, kColumnCount> kColumnWidths = {
    10, 40, 16, 20, 10, 10, 12, 12, 3, 11, 30, 11, 30, 11, 30, 11, 30, 10, 10, 30,
    10, 30, 10, 10, 30, 11, 30, 3,  10, 10, 30, 11, 30, 3,  10, 10, 30, 11, 30, 3};

// Letters of the k-th column (from 1): A..Z, then AA..AZ, BA...
std::string ColumnLetters(int k) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  if (k <= 26) return std::string(1, kLetters[k - 1]);
  return std::string(1, kLetters[(k - 1) / 26 - 1]) + kLetters[(k - 1) % 26];
}

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The 70 x 40 block of one write (wider with more columns), one slot to
// spare each way.
class RowBlock {
 public:
  explicit RowBlock(int width = kBlockWidth) : width_(width), cells_(kBlockHeight + 1, width + 1) {}
  void Clear() {
    for (int r = 0; r < kBlockHeight; ++r) {
      for (int c = 0; c < width_; ++c) cells_.at(r, c).clear();
    }
  }
  std::u16string& at(int r, int c) { return cells_.at(r, c); }
  const xls::CellBlock& cells() const { return cells_; }
  int width() const { return width_; }

 private:
  int width_;
  xls::CellBlock cells_;
};

void WriteBlock(xls::ExcelWorksheet& sheet, std::int32_t start_row, const RowBlock& block) {
  sheet.Range("A" + std::to_string(start_row)).Resize(kBlockHeight, block.width()).SetValue(block.cells());
}

}  // namespace

std::string ExcelWorkbookRefusal(std::int32_t count) {
  // A sheet has 65,536 rows, two of them the caption row and the empty row.
  if (count <= kMaxPeople) return {};
  return msg::kXlsTooManyStart + std::to_string(count) + msg::kXlsTooManyLimit + std::to_string(kMaxPeople) +
         msg::kXlsTooManyAdvice;
}

namespace {

constexpr WriterTraits kExcelTraits = {msg::kWorksheetError, 20, true, false, 3};

class ExcelWriter : public TableWriter {
 public:
  ExcelWriter() : TableWriter(kExcelTraits) {}

  std::string Refusal(const TableLayout& table) const override { return ExcelWorkbookRefusal(table.rows); }
  void Begin(const ExportOutput& output) override { temporary_ = output.temporary; }
  // The header pass, saved under the temporary's name, then the workbook
  // opened again for the data pass.
  void BeginTable(const TableLayout& table) override {
    if (app_) throw std::logic_error("An Excel workbook takes one table");
    app_ = std::make_unique<xls::ExcelApplication>();
    app_->Workbooks().Add();
    app_->SetScreenUpdating(false);
    for (std::size_t k = 1; k <= table.columns.size(); ++k) {
      const ExportColumn& column = *table.columns[k - 1];
      const std::string letters = ColumnLetters(static_cast<int>(k));
      app_->Range(letters + "1").Select();
      app_->ActiveCell().SetFormulaR1C1(Ascii(column.Caption(CaptionSet::kExcel)));
      app_->Columns(letters + ":" + letters).SetColumnWidth(kColumnWidths[column.position - 1]);
      // Text columns keep what they hold as text; years are numbers.
      app_->Columns(letters + ":" + letters).SetNumberFormat(column.numeric ? u"General" : u"@");
      xls::ExcelFont font = app_->Selection().Font();
      font.SetName(u"Arial");
      font.SetFontStyle(u"Bold");
      font.SetSize(10);
    }
    app_->ActiveWorkbook().SaveAs(temporary_);
    app_->ActiveWorkbook().Close(false);
    app_->Quit();

    app_ = std::make_unique<xls::ExcelApplication>();
    sheet_ = &app_->Workbooks().Open(temporary_).ActiveSheet();
    start_row_ = 3;
    block_rows_ = 0;
    numeric_.clear();
    for (const ExportColumn* c : table.columns) numeric_.push_back(c->numeric);
    const int width = std::max<int>(kBlockWidth, static_cast<int>(table.columns.size()));
    if (width != block_.width()) block_ = RowBlock(width);
    slots_.assign(static_cast<std::size_t>(width), std::string());
  }
  void Row(const ExportRow& row) override {
    std::fill(slots_.begin(), slots_.end(), " ");
    ++block_rows_;
    for (std::size_t k = 0; k < row.size() && k < slots_.size(); ++k) {
      if (k < numeric_.size() && numeric_[k]) {
        // Numbers go into the sheet after the block's text, which would
        // clear them.
        if (!row[k].value.empty()) {
          numbers_.push_back({static_cast<std::uint32_t>(start_row_ - 1 + block_rows_ - 1),
                              static_cast<std::uint32_t>(k), std::stod(row[k].value)});
        }
        continue;
      }
      slots_[k] = row[k].value;
    }
    for (int c = 0; c < block_.width(); ++c) block_.at(block_rows_ - 1, c) = DecodeText(TrimSpaces(slots_[c]));
    if (block_rows_ == kBlockHeight) {
      WriteBlock(*sheet_, start_row_, block_);
      WriteNumbers();
      block_rows_ = 0;
      start_row_ += kBlockHeight;
      block_.Clear();
    }
  }
  // The last block is written whole, whatever it holds.
  void EndTable() override {
    WriteBlock(*sheet_, start_row_, block_);
    WriteNumbers();
  }
  void Finish() override {
    app_->ActiveWorkbook().Save();
    app_->ActiveWorkbook().Close(false);
    app_->Quit();
    app_.reset();
  }
  void Abandon() noexcept override { app_.reset(); }

 private:
  std::string temporary_;
  std::unique_ptr<xls::ExcelApplication> app_;
  xls::ExcelWorksheet* sheet_ = nullptr;
  RowBlock block_;
  std::int32_t start_row_ = 3;
  int block_rows_ = 0;
  std::vector<std::string> slots_;
  struct Number {
    std::uint32_t row;  // from 0
    std::uint32_t col;
    double value;
  };
  void WriteNumbers() {
    for (const Number& n : numbers_) sheet_->sheet().SetNumber(n.row, n.col, n.value);
    numbers_.clear();
  }
  std::vector<bool> numeric_;  // by column of the table
  std::vector<Number> numbers_;  // of the current block
};

}  // namespace

bool WriteExcelWorkbook(RunState& state, WindowServices& ws) {
  ExcelWriter writer;
  return RunExport(state, ws, writer);
}

}  // namespace kinsheet
