#include <string>

#include "export/line_writer.h"
#include "export/writers.h"
#include "records/dates.h"

namespace kinsheet {

namespace {

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

}  // namespace

bool WriteCsvFile(RunState& state, WindowServices& ws) {
  const auto write_header = [&](File& out) {
    std::string line;
    for (const ExportColumn* c : SelectedColumns(state.selection)) {
      line += '"';
      line += c->csv;
      line += "\",";
    }
    line.pop_back();
    out.WriteLine(line);
  };
  const auto format_row = [](const ExportRow& row, std::string& line) {
    line.clear();
    for (const ExportValue& v : row) AppendQuoted(line, v.value);
    if (!line.empty()) line.pop_back();
  };
  return WriteLinePerPerson(state, ws, 3, write_header, format_row);
}

}  // namespace kinsheet
