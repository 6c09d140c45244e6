// Commands on the run-wide state alone: the field boxes, the browser's
// scroll bar and Exit's clean-up. The loader and the export command are
// declared with their layers.
#pragma once

#include <cstdint>
#include <string>

#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

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
