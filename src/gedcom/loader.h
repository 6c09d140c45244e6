// The loader (File > Open GEDCOM): reads a GEDCOM file into the work files
// and id tables of the run-wide state.
#pragma once

#include <cstdint>

#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// How a load ended; the window ignores it, the batch tool's exit code
// follows it.
enum class LoadOutcome { kLoaded, kCancelled, kNotFound, kEmpty, kNoData, kTooLarge, kFailed };

// The loader (File > Open GEDCOM).
LoadOutcome LoadGedcom(RunState& state, WindowServices& ws);
void ResetCounters(RunState& state, WindowServices& ws);

}  // namespace kinsheet
