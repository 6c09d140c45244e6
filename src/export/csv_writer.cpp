// The CSV export: a caption line, then one line per row, every value in
// double quotes, the values joined by commas, CR LF after each line.
#include <string>
#include <string_view>

#include "export/export_driver.h"
#include "export/writers.h"
#include "records/dates.h"
#include "ui/messages.h"

namespace kinsheet {

namespace {

constexpr WriterTraits kCsvTraits = {msg::kSaveError, 300, false, true, 3};

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The characters with which a spreadsheet starts a formula (a tab or a CR
// in front of one is skipped by some).
bool StartsFormula(std::string_view value) {
  return !value.empty() && std::string_view("=+-@\t\r").find(value.front()) != std::string_view::npos;
}

void AppendQuoted(std::string& line, std::string_view value, bool guard) {
  line += '"';
  const std::string_view trimmed = TrimSpaces(value);
  if (guard && StartsFormula(trimmed)) line += '\'';
  // A value never carries a double quote: it becomes an apostrophe.
  if (trimmed.find('"') == std::string_view::npos) {
    line += trimmed;
  } else {
    line += ReplaceAll(trimmed, "\"", "'");
  }
  line += "\",";
}

class CsvWriter : public TableWriter {
 public:
  CsvWriter(bool bom, bool guard) : TableWriter(kCsvTraits), bom_(bom), guard_(guard) {}

  void Begin(const ExportOutput& output) override {
    out_ = output.lines;
    if (bom_) out_->Write(kUtf8ByteOrderMark);
  }
  void BeginTable(const TableLayout& table) override {
    line_.clear();
    for (const ExportColumn* c : table.columns) {
      line_ += '"';
      line_ += c->csv;
      line_ += "\",";
    }
    line_.pop_back();
    out_->WriteLine(line_);
  }
  void Row(const ExportRow& row) override {
    line_.clear();
    for (const ExportValue& v : row) AppendQuoted(line_, v.value, guard_);
    if (!line_.empty()) line_.pop_back();
    out_->WriteLine(line_);
  }
  void Finish() override {}

 private:
  bool bom_;
  bool guard_;
  File* out_ = nullptr;
  std::string line_;
};

}  // namespace

bool WriteCsvFile(RunState& state, WindowServices& ws) {
  CsvWriter writer(state.csv_bom, state.csv_guard);
  return RunExport(state, ws, writer);
}

}  // namespace kinsheet
