// Shared pieces of the window tests: dialogs answered from a script, a
// window over a private program folder, a recording stand-in for the
// desktop's open program, and GEDCOM files written on the spot.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/qt/main_window.h"
#include "shell/qt/qt_window_services.h"
#include "state/run_state.h"

namespace kinsheet::qt::testing {

// Records every message and file dialog; answers file dialogs from a queue
// (an empty answer or an empty queue cancels) and messages from a queue
// (empty: the box's default button).
class ScriptedDialogs : public DialogHooks {
 public:
  MsgResult Message(QWidget* parent, const MessageBoxRequest& request) override;
  FileDialogResult FileDialog(QWidget* parent, const FileDialogRequest& request) override;

  std::deque<std::string> file_answers;
  std::deque<MsgResult> message_answers;
  std::vector<MessageBoxRequest> messages;
  std::vector<FileDialogRequest> file_dialogs;
  // Runs when a message is shown, before it is answered.
  std::function<void(const MessageBoxRequest&)> on_message;

  std::vector<std::string> MessageTexts() const;
  void Clear() {
    messages.clear();
    file_dialogs.clear();
  }
};

// The answer a box gives when its default button is pressed.
MsgResult DefaultAnswer(const MessageBoxRequest& request);

// A folder of its own per test, holding the program folder (work files),
// the output files and a stand-in for xdg-open that logs its argument.
class Sandbox {
 public:
  Sandbox();
  QString Path(const QString& name) const { return dir_.filePath(name); }
  std::string PathBytes(const QString& name) const;
  std::string folder() const;
  std::string opener() const;
  // The targets handed to the open program so far.
  QStringList Opened() const;

 private:
  QTemporaryDir dir_;
};

// A main window over a fresh state: the program folder is the build's, the
// work files and the open program's log go to a sandbox.
struct WindowFixture {
  WindowFixture();
  ~WindowFixture();
  // Loads `path` through the open dialog; true when people were loaded.
  bool Load(const std::string& path);

  Sandbox sandbox;
  ScriptedDialogs dialogs;
  RunState state;
  std::unique_ptr<MainWindow> window;
};

// A GEDCOM file of `people` individuals named "Given<i> /Row<i, 6 digits>/",
// born 1800 + i % 200 and dying 70 years later, with a family per pair of
// people; returns its path.
std::string WriteGedcom(const Sandbox& sandbox, const QString& name, int people);

// Writes `bytes` to the sandbox file `name`; returns its path.
std::string WriteFile(const Sandbox& sandbox, const QString& name, const std::string& bytes);

std::string ReadFile(const std::string& path);

// The browser's rows as "birth|death|name".
QStringList ListRows(const MainWindow& window);

// The samples folder of the source tree.
std::string SamplePath(const char* name);

}  // namespace kinsheet::qt::testing
