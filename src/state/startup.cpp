// Start-up rules shared by every front end that opens a window.
#include "state/startup.h"

#include <filesystem>
#include <system_error>

#include "fileio/file_open.h"
#include "records/work_records.h"

namespace kinsheet {

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    line += argument;
  }
  return line;
}

std::string CommandLineFile(const std::string& command_line) {
  const std::string name(TrimSpaces(command_line));
  if (name.size() < 4) return {};
  const std::string_view ending = std::string_view(name).substr(name.size() - 4);
  if (ending != ".ged" && ending != ".GED") return {};
  if (!FileExists(name)) return {};
  // The dialog is shown in another folder than the one the program was
  // started from, so a relative name would not reach it.
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(name, ec);
  return ec ? name : absolute.lexically_normal().string();
}

std::string VersionText() { return KINSHEET_VERSION; }

void PrepareRunState(RunState& state, const std::string& executable_folder,
                     const std::string& command_line) {
  state.program_folder = ProgramFolderFrom(executable_folder);
  state.current_file_name = CommandLineFile(command_line);
}

void UseWorkFolder(RunState& state, const PrivateWorkFolder& folder) {
  state.work_folder = folder.path();
  state.work_folder_problem = folder.problem();
}

std::string HelpPagePath(const RunState& state) {
  return state.program_folder + "/" + kHelpFileName;
}

}  // namespace kinsheet
