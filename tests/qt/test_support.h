// Shared pieces of the window tests: dialogs answered from a script, a
// window over a private work folder, and GEDCOM files written on the spot.
#pragma once

#include <QObject>
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

std::unique_ptr<QObject> MakeCommandsTest();
std::unique_ptr<QObject> MakeBrowserTest();
std::unique_ptr<QObject> MakeDialogsTest();
std::unique_ptr<QObject> MakeDesktopTest();
std::unique_ptr<QObject> MakePreviewTest();

// Records every message and file dialog; answers file dialogs from a queue
// (an empty answer or an empty queue cancels) and messages from a queue
// (empty: No, Cancel or OK, whichever the box has).
class ScriptedDialogs : public DialogHooks {
 public:
  MsgResult Message(QWidget* parent, const MessageBoxRequest& request) override;
  FileDialogResult FileDialog(QWidget* parent, const FileDialogRequest& request) override;
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const MessageBoxRequest& m : messages) texts.push_back(m.text);
    return texts;
  }

  std::deque<std::string> file_answers;
  std::deque<MsgResult> message_answers;
  std::vector<MessageBoxRequest> messages;
  std::vector<FileDialogRequest> file_dialogs;
  // Runs when a message is shown, before it is answered.
  std::function<void(const MessageBoxRequest&)> on_message;
};

// A folder of its own per test.
class Sandbox {
 public:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  std::string PathBytes(const QString& name) const { return qt::PathBytes(Path(name)); }
  std::string folder() const { return qt::PathBytes(dir_.path()); }

 private:
  QTemporaryDir dir_;
};

// A main window over a fresh state: the program folder is the build's, the
// work files go to a sandbox, and what would be opened is handed to `true`
// (the targets stay in state.openers until the window's timer runs).
struct WindowFixture {
  WindowFixture();
  // Loads `path` through the open dialog; true when people were loaded.
  bool Load(const std::string& path);

  Sandbox sandbox;
  ScriptedDialogs dialogs;
  RunState state;
  std::unique_ptr<MainWindow> window;
};

// A GEDCOM file of `people` individuals named "Given<i> /Row<i, 6 digits>/",
// born 1800 + i % 200 and dying 70 years later; returns its path.
std::string WriteGedcom(const Sandbox& sandbox, const QString& name, int people);

// Writes `bytes` to the sandbox file `name`; returns its path.
std::string WriteFile(const Sandbox& sandbox, const QString& name, const std::string& bytes);
std::string ReadFile(const std::string& path);

// A file of the source tree's samples folder.
inline std::string SamplePath(const char* name) { return std::string(KINSHEET_SOURCE_DIR) + "/samples/" + name; }

}  // namespace kinsheet::qt::testing
