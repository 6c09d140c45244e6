// Hands a document or web address to the desktop's "open" program, and
// tells afterwards when that program could not open it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "ui/window_services.h"

namespace kinsheet {

// An open program started for `target` whose end has not been seen yet.
struct OpenerRun {
  pid_t pid = 0;
  std::string target;
};

// Starts `opener target` without a shell and without waiting for it. Only
// when the program cannot be started is "Problem with navigation parms: "
// shown, and the result is false. With `runs`, the started program is added
// there for TellOpenerFailures; without, it is reaped unseen.
bool NavigateTo(WindowServices& ws, const std::string& target,
                const std::string& opener = "xdg-open", std::vector<OpenerRun>* runs = nullptr);

// Looks at the open programs in `runs` without waiting: each that has ended
// leaves the list, and each that ended in failure (xdg-open's "no program
// for this type", or any other failure) gets "No program is set up to open "
// and its target, except `quiet_target` (which the caller shows its own
// way). Returns the targets that failed.
std::vector<std::string> TellOpenerFailures(WindowServices& ws, std::vector<OpenerRun>& runs,
                                            const std::string& quiet_target = {});

}  // namespace kinsheet
