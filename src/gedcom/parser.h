// One GEDCOM line at a time: its tag path and value, then the dispatch of
// INDI and FAM lines to the record processors.
#pragma once

#include <string>
#include <string_view>

#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// Sets CurrentPath / CurrentValue from `line` and dispatches it. Lines that
// cannot be parsed are reported and dropped.
void ParseGedRec(RunState& state, WindowServices& ws, std::string_view line);

// The value of a trimmed line; throws std::runtime_error where the line has
// no second word or a lone "@" value.
std::string GetGedValue(std::string_view line);

// Dispatches the current line by the first three letters of CurrentPath.
void LoadTables(RunState& state, WindowServices& ws);

}  // namespace kinsheet
