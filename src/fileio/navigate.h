// Hands a document or web address to the desktop's "open" program.
#pragma once

#include <string>

#include "ui/window_services.h"

namespace kinsheet {

// Starts `opener target` without a shell and without waiting for it. Only
// when the program cannot be started is "Problem with navigation parms: "
// shown.
void NavigateTo(WindowServices& ws, const std::string& target,
                const std::string& opener = "xdg-open");

}  // namespace kinsheet
