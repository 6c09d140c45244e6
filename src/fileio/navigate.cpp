// Desktop "open" through xdg-open (or a stand-in), started with posix_spawn
// so the target is one argument and never passes through a shell.
#include "fileio/navigate.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>
#include <vector>

#include "ui/messages.h"

extern char** environ;

namespace kinsheet {

void NavigateTo(WindowServices& ws, const std::string& target, const std::string& opener) {
  std::vector<char*> argv = {const_cast<char*>(opener.c_str()),
                             const_cast<char*>(target.c_str()), nullptr};
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, opener.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    Say(ws, std::string(msg::kNavigationProblem) + target, MsgIcon::kExclamation);
    return;
  }
  // Reaped in the background: the opener may stay as long as its viewer.
  std::thread([pid] {
    int status = 0;
    ::waitpid(pid, &status, 0);
  }).detach();
}

}  // namespace kinsheet
