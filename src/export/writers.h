// The four writers and what they share: the completion question and the
// failure message.
#pragma once

#include <string>

#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// Each writer reports success and failure to the user itself; the result
// (true when the file was finished) is for callers such as the batch tool.
bool WriteTextFile(RunState& state, WindowServices& ws);
bool WriteCsvFile(RunState& state, WindowServices& ws);
bool WriteExcelWorkbook(RunState& state, WindowServices& ws);
// AccessFormat is "2K" (Jet 4) or "95" (Jet 3).
bool WriteAccessDatabase(RunState& state, WindowServices& ws, const std::string& AccessFormat);

// The end of a written export: path in the status bar, then the question
// whether to view it (No is the default); Yes opens it.
void FinishExport(RunState& state, WindowServices& ws);

}  // namespace kinsheet
