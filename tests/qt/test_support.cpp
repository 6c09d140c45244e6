// Scripted dialogs, sandboxes and generated GEDCOM files for the window tests.
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

namespace kinsheet::qt::testing {

MsgResult DefaultAnswer(const MessageBoxRequest& request) {
  const bool second = request.default_button == 2;
  switch (request.buttons) {
    case MsgButtons::kOk: return MsgResult::kOk;
    case MsgButtons::kOkCancel: return second ? MsgResult::kCancel : MsgResult::kOk;
    case MsgButtons::kRetryCancel: return second ? MsgResult::kCancel : MsgResult::kRetry;
    case MsgButtons::kYesNo: return second ? MsgResult::kNo : MsgResult::kYes;
  }
  return MsgResult::kCancel;
}

MsgResult ScriptedDialogs::Message(QWidget*, const MessageBoxRequest& request) {
  messages.push_back(request);
  if (on_message) on_message(request);
  if (message_answers.empty()) return DefaultAnswer(request);
  const MsgResult answer = message_answers.front();
  message_answers.pop_front();
  return answer;
}

FileDialogResult ScriptedDialogs::FileDialog(QWidget*, const FileDialogRequest& request) {
  file_dialogs.push_back(request);
  FileDialogResult result;
  if (!file_answers.empty()) {
    result.file_name = file_answers.front();
    file_answers.pop_front();
  }
  result.cancelled = result.file_name.empty();
  return result;
}

std::vector<std::string> ScriptedDialogs::MessageTexts() const {
  std::vector<std::string> texts;
  for (const MessageBoxRequest& m : messages) texts.push_back(m.text);
  return texts;
}

Sandbox::Sandbox() {
  // Logs each target on a line of its own, next to itself.
  const QString script = dir_.filePath("opener.sh");
  QFile file(script);
  if (file.open(QIODevice::WriteOnly)) {
    file.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.log\"\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
}

std::string Sandbox::PathBytes(const QString& name) const { return qt::PathBytes(Path(name)); }

std::string Sandbox::folder() const { return qt::PathBytes(dir_.path()); }

std::string Sandbox::opener() const { return PathBytes("opener.sh"); }

QStringList Sandbox::Opened() const {
  QFile log(Path("opener.sh.log"));
  if (!log.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

WindowFixture::WindowFixture() {
  // The built program's folder, with the help page and the templates; the
  // work files go to the sandbox.
  state.program_folder = KINSHEET_BIN_DIR;
  state.work_folder = sandbox.folder();
  state.opener = sandbox.opener();
  window = std::make_unique<MainWindow>(state, dialogs);
}

WindowFixture::~WindowFixture() { window.reset(); }

bool WindowFixture::Load(const std::string& path) {
  dialogs.file_answers.push_back(path);
  window->mnuFileItem_Click(0);
  return state.work.individual_count > 0;
}

std::string WriteGedcom(const Sandbox& sandbox, const QString& name, int people) {
  std::ostringstream out;
  out << "0 HEAD\r\n1 CHAR UTF-8\r\n";
  char surname[16];
  for (int i = 1; i <= people; ++i) {
    std::snprintf(surname, sizeof surname, "Row%06d", i);
    out << "0 @I" << i << "@ INDI\r\n1 NAME Given" << i << " /" << surname << "/\r\n"
        << "1 SEX " << (i % 2 == 1 ? 'M' : 'F') << "\r\n"
        << "1 BIRT\r\n2 DATE " << 1800 + i % 200 << "\r\n"
        << "1 DEAT\r\n2 DATE " << 1870 + i % 200 << "\r\n"
        << "1 FAMS @F" << (i + 1) / 2 << "@\r\n";
  }
  for (int f = 1; f <= people / 2; ++f) {
    out << "0 @F" << f << "@ FAM\r\n1 HUSB @I" << 2 * f - 1 << "@\r\n1 WIFE @I" << 2 * f
        << "@\r\n1 MARR\r\n2 DATE 1 JUN " << 1825 + f % 200 << "\r\n";
  }
  out << "0 TRLR\r\n";
  return WriteFile(sandbox, name, out.str());
}

std::string WriteFile(const Sandbox& sandbox, const QString& name, const std::string& bytes) {
  const std::string path = sandbox.PathBytes(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

QStringList ListRows(const MainWindow& window) {
  QStringList rows;
  for (int i = 0; i < window.ListView1->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = window.ListView1->topLevelItem(i);
    rows << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
  }
  return rows;
}

std::string SamplePath(const char* name) {
  return std::string(KINSHEET_SOURCE_DIR) + "/samples/" + name;
}

}  // namespace kinsheet::qt::testing
