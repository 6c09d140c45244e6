#include <exception>
#include <string>

#include "export/columns.h"
#include "export/writer_support.h"
#include "export/writers.h"
#include "records/dates.h"
#include "shell/messages.h"

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
  const std::int32_t count = state.work.individual_count;
  ws.SetBusy(true);
  RowProgress progress(ws, count, 300);
  File out;
  WorkFiles files;
  try {
    out = FileOpen(ws, state.current_file_name, kModeOutput, 0, false);
    files = OpenWorkFiles(state, ws);

    std::string line;
    for (const ExportColumn* c : SelectedColumns(state.selection)) {
      line += '"';
      line += c->csv;
      line += "\",";
    }
    line.pop_back();
    out.WriteLine(line);

    ExportRow row;
    for (std::int32_t n = 1; n <= count; ++n) {
      progress.Step(n);
      AssembleRow(state, files, n, 3, row);
      line.clear();
      for (const ExportValue& v : row) AppendQuoted(line, v.value);
      if (!line.empty()) line.pop_back();
      out.WriteLine(line);
    }
    out.Close();
    files.individuals.Close();
    files.families.Close();
  } catch (const std::exception& e) {
    ReportWriterFailure(ws, msg::kSaveError, e);
    out = File();
    files = WorkFiles();
    return EndExport(state, ws, false);
  }
  return EndExport(state, ws, true);
}

}  // namespace kinsheet
