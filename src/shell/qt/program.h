// One run of the desktop program: its state, the main window and the About
// window, and the start-up sequence that ties them together.
#pragma once

#include <memory>
#include <string>

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

  // Settles the program folder, the work folder and the command-line file,
  // then shows the splash. False when start-up failed: the message has been
  // shown and the program should end.
  bool Start(const std::string& executable_folder, const std::string& command_line);

  RunState& state() { return state_; }
  MainWindow& window() { return *window_; }
  frmAboutKinsheet& about() { return *about_; }

 private:
  DialogHooks& hooks_;
  RunState state_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<frmAboutKinsheet> about_;
};

}  // namespace kinsheet::qt
