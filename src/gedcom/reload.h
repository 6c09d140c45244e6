// A load over a loaded file, as the window runs it: the new file goes into
// fresh work files, and the file loaded before comes back whole when the
// new load is cancelled, in its dialog or while it reads.
#pragma once

#include <string>

#include "gedcom/loader.h"
#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

LoadOutcome ReloadGedcom(RunState& state, WindowServices& ws, const std::string& preset = {});

}  // namespace kinsheet
