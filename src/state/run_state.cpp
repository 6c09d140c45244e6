// Where the program lives.
#include "state/run_state.h"

#include <ctime>

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

}  // namespace kinsheet
