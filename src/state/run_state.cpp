// Where the program lives.
#include "state/run_state.h"

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
  // A build folder holds the data beside the programs; an installed program
  // finds it in the data folder that lies where it does in the install
  // tree (/usr/bin and /usr/share/kinsheet, also unpacked anywhere else).
  if (HoldsProgramData(folder)) return folder;
  const std::filesystem::path installed =
      (std::filesystem::path(folder.empty() ? "/" : folder) / KINSHEET_DATA_FROM_BINDIR).lexically_normal();
  if (HoldsProgramData(installed.string())) {
    std::string data = installed.string();
    while (!data.empty() && data.back() == '/') data.pop_back();
    return data;
  }
  return folder;
}

bool HoldsProgramData(const std::string& folder) {
  std::error_code ec;
  return std::filesystem::is_regular_file(folder + "/" + kAccess2000Template, ec) ||
         std::filesystem::is_regular_file(folder + "/" + kHelpPageName, ec);
}

}  // namespace kinsheet
