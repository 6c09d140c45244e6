// Where the program lives.
#include "state/run_state.h"

namespace kinsheet {

std::string ProgramFolderFrom(const std::string& executable_folder) {
  std::string folder = executable_folder;
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace kinsheet
