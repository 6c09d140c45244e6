// The writers and what they share: the completion question and the
// failure message.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// Each format's entry through the export driver, which reports success and
// failure to the user; the result (true when the file was finished) is for
// callers such as the batch tool.
bool WriteTextFile(RunState& state, WindowServices& ws);
bool WriteCsvFile(RunState& state, WindowServices& ws);
bool WriteExcelWorkbook(RunState& state, WindowServices& ws);
// AccessFormat is "2K" (Jet 4) or "95" (Jet 3).
bool WriteAccessDatabase(RunState& state, WindowServices& ws, const std::string& AccessFormat);
// An Excel 2007+ workbook. `people` stands in for the number of people in
// the row-limit check when not negative (the id tables cannot hold enough
// people to reach the limit).
bool WriteXlsxWorkbook(RunState& state, WindowServices& ws, std::int64_t people = -1);
// A SQLite database with the table tblKinsheet and the table kinsheet_info.
bool WriteSqliteDatabase(RunState& state, WindowServices& ws);

// What the table kinsheet_info of a SQLite export records, key and value
// in order: the source file, the export time, the program and its
// version, the chosen fields. A new fact needs only a new pair here.
std::vector<std::pair<std::string, std::string>> ExportInfo(const RunState& state);

// Why a worksheet cannot take `count` people, or the empty text when it
// can: the export command refuses before asking for a file.
std::string ExcelWorkbookRefusal(std::int32_t count);
std::string XlsxWorkbookRefusal(std::int64_t count);
// The same for the Access formats and the file's longest id, in characters.
std::string AccessIdRefusal(std::int32_t longest_id);

// The .xlsx sheet's name: the GEDCOM file's name without its extension,
// with the characters Excel refuses replaced, cut to 31 characters.
std::string XlsxSheetName(const std::string& gedcom_path);

// The end of a written export: path in the status bar, then the question
// whether to view it (No is the default); Yes opens it.
void FinishExport(RunState& state, WindowServices& ws);

}  // namespace kinsheet
