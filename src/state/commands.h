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
// "people 21–40 of 4,578": the people from `first` to `last` of `count`,
// counts grouped by thousands.
std::string PageRangeText(std::int32_t first, std::int32_t last, std::int32_t count);
// 4578 as "4,578".
std::string GroupedNumber(std::int64_t n);

// Exit's clean-up: deletes both work files when present.
void DeleteWorkFiles(const RunState& state);

}  // namespace kinsheet
