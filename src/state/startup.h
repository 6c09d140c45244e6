// What the program settles before its first window: where it lives, the
// GEDCOM file named on its command line, and the version it shows.
#pragma once

#include <string>
#include <vector>

#include "fileio/work_folder.h"
#include "state/run_state.h"

namespace kinsheet {

// The arguments as one command line, joined with single spaces: the whole
// line names one file, so a name with blanks needs no quoting.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

// The trimmed command line, made absolute, when it ends in exactly ".ged"
// or ".GED" and a file of that name exists; otherwise empty. Quotes are
// part of the name.
std::string CommandLineFile(const std::string& command_line);

// The version, as the build sets it (CMake's project version).
std::string VersionText();

// Program folder and current file name for a run started from
// `executable_folder` with `command_line`; the other values start empty.
void PrepareRunState(RunState& state, const std::string& executable_folder,
                     const std::string& command_line);

// The run's work files go to `folder`, or, when it could not be made, the
// load says why.
void UseWorkFolder(RunState& state, const PrivateWorkFolder& folder);

// The desktop entry's id (without ".desktop"), also the AppStream id and
// the icon's name.
inline constexpr const char* kDesktopAppId = KINSHEET_APP_ID;

// The help page shipped with the program.
inline constexpr const char* kHelpFileName = kHelpPageName;
std::string HelpPagePath(const RunState& state);

// The maker's home page.
inline constexpr const char* kHomePageAddress = "https://kinsheet.example.org/";

}  // namespace kinsheet
