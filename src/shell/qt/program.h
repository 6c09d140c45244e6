// One run of the desktop program: its state, the main window and the About
// window, and the start-up sequence that ties them together.
#pragma once

#include <memory>
#include <string>

#include "fileio/work_folder.h"
#include "state/run_state.h"

namespace kinsheet::qt {

class DialogHooks;
class MainWindow;
class frmAboutKinsheet;

inline constexpr int kSplashMilliseconds = 1500;

class Program {
 public:
  Program(DialogHooks& hooks, int splash_milliseconds = kSplashMilliseconds);
  ~Program();

  // Settles the program folder, makes the run's private work folder under
  // `work_parent` (empty: the temporary folder), takes the command-line
  // file and the remembered settings, then shows the splash. False when
  // start-up failed: the message has been shown and the program should end.
  bool Start(const std::string& executable_folder, const std::string& command_line,
             const std::string& work_parent = {});

  RunState& state() { return state_; }
  MainWindow& window() { return *window_; }
  frmAboutKinsheet& about() { return *about_; }

 private:
  DialogHooks& hooks_;
  // Declared first so that it goes last, after the state's files closed.
  std::unique_ptr<PrivateWorkFolder> work_folder_;
  RunState state_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<frmAboutKinsheet> about_;
};

}  // namespace kinsheet::qt
