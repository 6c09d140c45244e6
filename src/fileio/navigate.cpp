// Desktop "open" through xdg-open (or a stand-in), started with posix_spawn
// so the target is one argument and never passes through a shell. The
// opener may stay as long as its viewer, so its end is looked at later.
#include "fileio/navigate.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>

#include "ui/messages.h"

extern char** environ;

namespace kinsheet {

bool NavigateTo(WindowServices& ws, const std::string& target, const std::string& opener,
                std::vector<OpenerRun>* runs) {
  std::vector<char*> argv = {const_cast<char*>(opener.c_str()),
                             const_cast<char*>(target.c_str()), nullptr};
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, opener.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    Say(ws, std::string(msg::kNavigationProblem) + target, MsgIcon::kExclamation);
    return false;
  }
  if (runs != nullptr) {
    runs->push_back({pid, target});
  } else {
    std::thread([pid] {
      int status = 0;
      ::waitpid(pid, &status, 0);
    }).detach();
  }
  return true;
}

std::vector<std::string> TellOpenerFailures(WindowServices& ws, std::vector<OpenerRun>& runs,
                                            const std::string& quiet_target) {
  std::vector<std::string> failed;
  for (auto it = runs.begin(); it != runs.end();) {
    int status = 0;
    const pid_t done = ::waitpid(it->pid, &status, WNOHANG);
    if (done == 0) {
      ++it;
      continue;
    }
    if (done == it->pid && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) failed.push_back(it->target);
    it = runs.erase(it);
  }
  // The messages come after the list is settled: a message box may run
  // the event loop, which looks at the list again.
  for (const std::string& target : failed) {
    if (quiet_target.empty() || target != quiet_target) Say(ws, std::string(msg::kNoOpener) + target, MsgIcon::kExclamation);
  }
  return failed;
}

}  // namespace kinsheet
