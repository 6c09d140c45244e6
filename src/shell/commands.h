// Commands behind the menus and toolbar that need no window of their own:
// loading, exporting, the field boxes and the browser's scroll bar.
#pragma once

#include <cstdint>
#include <string>

#include "shell/run_state.h"
#include "shell/window_services.h"

namespace kinsheet {

// How a load ended; the window ignores it, the batch tool's exit code
// follows it.
enum class LoadOutcome { kLoaded, kCancelled, kNotFound, kEmpty, kNoData, kFailed };

// The loader (File > Open GEDCOM).
LoadOutcome LoadGedcom(RunState& state, WindowServices& ws);
void ResetCounters(RunState& state, WindowServices& ws);

// The export command, format 0 Excel, 1 Access 2K, 2 Access 95, 3 CSV, 4 text.
// True when the writer finished the file.
bool mnuSheetifyItem_Click(RunState& state, WindowServices& ws, std::int16_t index);

// Field boxes: a change of value runs the click rule (box 20 and the spouse
// option) and repaints the box.
void SetFieldBox(RunState& state, WindowServices& ws, int index, bool ticked);
void chkSelect_Click(RunState& state, WindowServices& ws, int index);
void SelectAll(RunState& state, WindowServices& ws);
void DeselectAll(RunState& state, WindowServices& ws);

// The browser: setting a different scroll value shows that page.
void SetScrollValue(RunState& state, WindowServices& ws, std::int32_t value);
void BrowsePage(RunState& state, WindowServices& ws);

// Exit's clean-up: deletes both work files when present.
void DeleteWorkFiles(const RunState& state);

}  // namespace kinsheet
