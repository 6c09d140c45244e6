// The start-up sequence: state first, then the splash, whose timer shows the
// main window and offers the open dialog.
#include "shell/qt/program.h"

#include <exception>

#include "shell/qt/about_window.h"
#include "shell/qt/main_window.h"
#include "shell/qt/qt_window_services.h"
#include "state/startup.h"
#include "ui/messages.h"

namespace kinsheet::qt {

Program::Program(DialogHooks& hooks, int splash_milliseconds) : hooks_(hooks) {
  window_ = std::make_unique<MainWindow>(state_, hooks_);
  about_ = std::make_unique<frmAboutKinsheet>(*window_, splash_milliseconds);
  window_->SetAboutWindow(about_.get());
}

Program::~Program() {
  about_.reset();
  window_.reset();
}

bool Program::Start(const std::string& executable_folder, const std::string& command_line,
                    const std::string& work_parent) {
  try {
    PrepareRunState(state_, executable_folder, command_line);
    // Without a folder the window still opens; the load says why.
    work_folder_ = std::make_unique<PrivateWorkFolder>(work_parent);
    UseWorkFolder(state_, *work_folder_);
    window_->RestoreSettings();
    window_->Form_Load();
    about_->ShowSplash();
    return true;
  } catch (const std::exception& e) {
    MessageBoxRequest request;
    request.text = std::string(msg::kProblemStarting) + " - " + e.what();
    request.icon = MsgIcon::kExclamation;
    hooks_.Message(nullptr, request);
    about_->hide();
    window_->hide();
    return false;
  }
}

}  // namespace kinsheet::qt
