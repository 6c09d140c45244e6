// Individual and family lines into their working records; record starts,
// flushes and the load counters.
#pragma once

#include <string>

#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// A "Problem ..." message about a line or record of the file being loaded:
// shown while the load has given fewer than RunState::problem_limit, and
// counted always.
void ReportProblem(RunState& state, WindowServices& ws, const std::string& text);

// The header: the GEDCOM version, from HEAD.GEDC.VERS alone (a program's
// own version under HEAD.SOUR.VERS is something else).
void ProcessHEAD(RunState& state, WindowServices& ws);
void ProcessINDI(RunState& state, WindowServices& ws);
void ProcessFAM(RunState& state, WindowServices& ws);
void ProcessEvent(RunState& state, WindowServices& ws);

void StartIndividualRecord(RunState& state, WindowServices& ws);
void StartFamilyRecord(RunState& state, WindowServices& ws);
void FlushWorkRecords(RunState& state);

// Adds one to load counter `index` and repaints its caption.
void AdvanceCounter(RunState& state, WindowServices& ws, int index);
std::string CounterCaption(std::int64_t value);

}  // namespace kinsheet
