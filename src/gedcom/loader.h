// The loader (File > Open GEDCOM): reads a GEDCOM file into the work files
// and id tables of the run-wide state.
#pragma once

#include <cstdint>
#include <string>

#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// How a load ended; the window ignores it, the batch tool's exit code
// follows it.
// kCancelled: the open dialog was cancelled; kInterrupted: the user stopped
// the load under way; kNotGedcom: a file of another kind (a ZIP, a PDF,
// an image, binary data), refused from its first bytes.
enum class LoadOutcome {
  kLoaded, kCancelled, kNotFound, kEmpty, kNoData, kTooLarge, kWorkFolderFull, kFailed, kInterrupted, kNotGedcom
};

// The loader (File > Open GEDCOM). A `preset` file (dropped on the window,
// picked from the recent files) is offered in the dialog in its own folder.
LoadOutcome LoadGedcom(RunState& state, WindowServices& ws, const std::string& preset = {});
void ResetCounters(RunState& state, WindowServices& ws);
// What a stopped load leaves: no people, nothing shown, "Load cancelled".
void EmptyAfterCancel(RunState& state, WindowServices& ws);

}  // namespace kinsheet
