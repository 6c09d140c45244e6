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

void ScriptedWindowServices::SetStatusText(const std::string& text) {
  status = text;
  calls.push_back("Status:" + text);
}
void ScriptedWindowServices::SetProgressMax(std::int32_t max) {
  progress_max = max;
  calls.push_back("ProgressMax:" + std::to_string(max));
}
void ScriptedWindowServices::SetProgressValue(std::int32_t value) {
  progress_value = value;
  ++progress_steps;  // not logged: there is one per row
}
void ScriptedWindowServices::SetProgressVisible(bool visible) {
  progress_visible = visible;
  calls.push_back(visible ? "ProgressShown" : "ProgressHidden");
}
void ScriptedWindowServices::SetBusy(bool b) {
  busy = b;
  calls.push_back(b ? "Busy" : "NotBusy");
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
void ScriptedWindowServices::SetCaption(const std::string& c) {
  caption = c;
  calls.push_back("Caption:" + c);
}
void ScriptedWindowServices::Repaint() { calls.push_back("Repaint"); }
void ScriptedWindowServices::DoEvents() { calls.push_back("DoEvents"); }
void ScriptedWindowServices::ListClear() {
  list.clear();
  calls.push_back("ListClear");
}
void ScriptedWindowServices::ListAddRow(const std::string& b, const std::string& d,
                                        const std::string& name) {
  list.push_back({b, d, name});
}
void ScriptedWindowServices::ShowScrollEnabled(bool enabled) {
  calls.push_back(enabled ? "ScrollEnabled" : "ScrollDisabled");
}
void ScriptedWindowServices::ShowScrollRange(std::int32_t min, std::int32_t max) {
  calls.push_back("ScrollRange:" + std::to_string(min) + ".." + std::to_string(max));
}
void ScriptedWindowServices::ShowScrollValue(std::int32_t value) {
  calls.push_back("ScrollValue:" + std::to_string(value));
}
void ScriptedWindowServices::ShowCounter(int index, const std::string& c) {
  counters[static_cast<std::size_t>(index)] = c;
}
void ScriptedWindowServices::ShowFieldBox(int index, bool ticked) {
  calls.push_back("Box" + std::to_string(index) + (ticked ? ":1" : ":0"));
}
void ScriptedWindowServices::ShowSpouseOption(bool selected, bool enabled) {
  calls.push_back(std::string("Spouse:") + (selected ? "1" : "0") + (enabled ? "e" : "d"));
}

}  // namespace kinsheet::testing
