// The CSV export: a caption line, then one line per row, every value in
// double quotes, the values joined by commas, CR LF after each line.
#include <string>

#include "export/export_driver.h"
#include "export/writers.h"
#include "records/dates.h"
#include "ui/messages.h"

namespace kinsheet {

namespace {

constexpr WriterTraits kCsvTraits = {msg::kSaveError, 300, false, true, 3};

void AppendQuoted(std::string& line, std::string_view value) {
  line += '"';
  // A value never carries a double quote: it becomes an apostrophe.
  if (value.find('"') == std::string_view::npos) {
    line += TrimSpaces(value);
  } else {
    line += ReplaceAll(TrimSpaces(value), "\"", "'");
  }
  line += "\",";
}

class CsvWriter : public TableWriter {
 public:
  CsvWriter() : TableWriter(kCsvTraits) {}

  void Begin(const ExportOutput& output) override { out_ = output.lines; }
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
    for (const ExportValue& v : row) AppendQuoted(line_, v.value);
    if (!line_.empty()) line_.pop_back();
    out_->WriteLine(line_);
  }
  void Finish() override {}

 private:
  File* out_ = nullptr;
  std::string line_;
};

}  // namespace

bool WriteCsvFile(RunState& state, WindowServices& ws) {
  CsvWriter writer;
  return RunExport(state, ws, writer);
}

}  // namespace kinsheet
