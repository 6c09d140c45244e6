#include "support/scripted_window_services.h"

namespace kinsheet::testing {

namespace {

MsgResult DefaultAnswer(const MessageBoxRequest& r) {
  const int d = r.default_button;
  switch (r.buttons) {
    case MsgButtons::kOk: return MsgResult::kOk;
    case MsgButtons::kOkCancel: return d == 2 ? MsgResult::kCancel : MsgResult::kOk;
    case MsgButtons::kRetryCancel: return d == 2 ? MsgResult::kCancel : MsgResult::kRetry;
    case MsgButtons::kYesNo: return d == 2 ? MsgResult::kNo : MsgResult::kYes;
  }
  return MsgResult::kOk;
}

}  // namespace

std::vector<std::string> ScriptedWindowServices::MessageTexts() const {
  std::vector<std::string> out;
  for (const auto& m : messages) out.push_back(m.text);
  return out;
}

MsgResult ScriptedWindowServices::ShowMessage(const MessageBoxRequest& request) {
  messages.push_back(request);
  calls.push_back("Message:" + request.text);
  if (message_answers.empty()) return DefaultAnswer(request);
  const MsgResult r = message_answers.front();
  message_answers.pop_front();
  return r;
}
FileDialogResult ScriptedWindowServices::ShowFileDialog(const FileDialogRequest& request) {
  dialogs.push_back(request);
  calls.push_back(std::string(request.save ? "SaveDialog:" : "OpenDialog:") + request.file_name);
  if (dialog_answers.empty()) return {true, ""};
  const FileDialogResult r = dialog_answers.front();
  dialog_answers.pop_front();
  return r;
}

}  // namespace kinsheet::testing
