// The export command behind the Sheetify menu: file name, replace
// question, and the writer of the chosen format.
#pragma once

#include <cstdint>
#include <string>

#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

inline constexpr std::int16_t kExportFormatCount = 7;
inline constexpr std::int16_t kCsvFormat = 3;
inline constexpr std::int16_t kTextFormat = 4;
// The CSV save filter's entry (1-based) for CSV UTF-8 for Excel.
inline constexpr int kCsvForExcelFilter = 3;

// True when the format's extension is added to `output`: it has no '.',
// is not "-" and names nothing that exists (/dev/null stays /dev/null).
bool NeedsExtension(const std::string& output);

// The export command, format 0 Excel, 1 Access 2K, 2 Access 95, 3 CSV,
// 4 text, 5 Excel 2007+ (.xlsx), 6 SQLite. True when the writer finished
// the file.
bool mnuSheetifyItem_Click(RunState& state, WindowServices& ws, std::int16_t index);

}  // namespace kinsheet
