// The body the two text-line writers share: output and work files opened,
// header lines, one line per person, files closed; any failure reported
// with the save-error message and every file closed. The lines go to a
// replacement of the output, which takes the output's name only once
// complete.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "export/columns.h"
#include "export/living.h"
#include "export/writer_support.h"
#include "fileio/file_open.h"
#include "fileio/replacement.h"
#include "ui/messages.h"

namespace kinsheet {

// `write_header(File&)` writes the header lines; `format_row(row, line)`
// turns one assembled row into its line.
template <typename WriteHeader, typename FormatRow>
bool WriteLinePerPerson(RunState& state, WindowServices& ws, int marriages, WriteHeader&& write_header,
                        FormatRow&& format_row) {
  const std::int32_t count = state.work.individual_count;
  ws.SetBusy(true);
  const LivingPlan* plan = nullptr;
  try {
    plan = &SettleLiving(state, ws);
  } catch (const std::exception& e) {
    ReportWriterFailure(ws, msg::kSaveError, e);
    return EndExport(state, ws, false);
  }
  RowProgress progress(ws, plan->rows, 300);
  std::optional<FileReplacement> replacement;
  File out;
  WorkFiles files;
  try {
    out = FileOpenReplacing(ws, state.current_file_name, replacement);
    files = OpenWorkFiles(state, ws);
    write_header(out);
    ExportRow row;
    std::string line;
    std::int32_t written = 0;
    for (std::int32_t n = 1; n <= count; ++n) {
      if (!WritesRow(*plan, state.living.mode, n)) continue;
      progress.Step(++written);
      AssembleRow(state, files, n, marriages, row);
      format_row(row, line);
      out.WriteLine(line);
    }
    out.Close();
    files.individuals.Close();
    files.families.Close();
    replacement->Commit();
  } catch (const std::exception& e) {
    ReportWriterFailure(ws, msg::kSaveError, e, replacement ? &*replacement : nullptr);
    out = File();
    files = WorkFiles();
    return EndExport(state, ws, false);
  }
  return EndExport(state, ws, true);
}

}  // namespace kinsheet
