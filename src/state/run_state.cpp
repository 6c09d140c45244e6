// Where the program and its work files live.
#include "state/run_state.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace kinsheet {

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr) return 0;
  return local.tm_year + 1900;
}

std::string ProgramFolderFrom(const std::string& executable_folder) {
  std::string folder = executable_folder;
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string ChooseWorkFolder(const std::string& program_folder) {
  const std::string probe = program_folder.empty() ? "/" : program_folder;
  if (::access(probe.c_str(), W_OK) == 0) return program_folder;
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.local/share";
  } else {
    return program_folder;
  }
  const std::string folder = base + "/kinsheet";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder;
}

}  // namespace kinsheet
