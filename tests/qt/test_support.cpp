// Scripted dialogs, the window fixture and generated GEDCOM files.
#include "test_support.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace kinsheet::qt::testing {

MsgResult ScriptedDialogs::Message(QWidget*, const MessageBoxRequest& request) {
  messages.push_back(request);
  if (on_message) on_message(request);
  if (message_answers.empty()) {
    if (request.buttons == MsgButtons::kOk) return MsgResult::kOk;
    return request.buttons == MsgButtons::kYesNo ? MsgResult::kNo : MsgResult::kCancel;
  }
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
  if (!filter_answers.empty()) {
    result.filter_index = filter_answers.front();
    filter_answers.pop_front();
  }
  result.cancelled = result.file_name.empty();
  return result;
}

WindowFixture::WindowFixture() {
  // The built program's folder, with the help page and the templates.
  state.program_folder = KINSHEET_BIN_DIR;
  state.work_folder = sandbox.folder();
  state.opener = "true";
  window = std::make_unique<MainWindow>(state, dialogs);
}

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
        << "1 BIRT\r\n2 DATE " << 1800 + i % 200 << "\r\n"
        << "1 DEAT\r\n2 DATE " << 1870 + i % 200 << "\r\n";
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
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kinsheet::qt::testing
