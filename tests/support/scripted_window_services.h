// Window services for tests: every call is recorded in order, and dialogs
// and message boxes take their answers from queues the test fills.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/window_services.h"

namespace kinsheet::testing {

class ScriptedWindowServices : public WindowServices {
 public:
  std::vector<std::string> calls;  // "Message:<text>", "Status:<text>", ...
  std::vector<MessageBoxRequest> messages;
  std::vector<FileDialogRequest> dialogs;
  std::vector<std::vector<std::string>> list;  // rows as the list holds them
  std::deque<MsgResult> message_answers;       // default: the default button
  std::deque<FileDialogResult> dialog_answers;  // default: cancelled
  std::int32_t progress_max = 0;
  std::int32_t progress_value = 0;
  int progress_steps = 0;
  bool progress_visible = false;
  bool busy = false;
  std::string status;
  std::string caption;
  std::vector<std::string> counters = std::vector<std::string>(8);
  // Cancel: from the `cancel_at_poll`-th question on (never when 0) the
  // answer is yes, until cleared.
  int cancel_at_poll = 0;
  int polls = 0;
  bool cancelled = false;

  void AnswerOpen(const std::string& path) { dialog_answers.push_back({false, path}); }
  void AnswerSave(const std::string& path) { dialog_answers.push_back({false, path}); }
  void Answer(MsgResult r) { message_answers.push_back(r); }
  // Texts of the message boxes shown, in order.
  std::vector<std::string> MessageTexts() const;

  MsgResult ShowMessage(const MessageBoxRequest& request) override;
  FileDialogResult ShowFileDialog(const FileDialogRequest& request) override;
  void SetStatusText(const std::string& text) override {
    status = text;
    calls.push_back("Status:" + text);
  }
  void SetProgressMax(std::int32_t max) override {
    progress_max = max;
    calls.push_back("ProgressMax:" + std::to_string(max));
  }
  void SetProgressValue(std::int32_t value) override {
    progress_value = value;
    ++progress_steps;  // not logged: there is one per row
  }
  void SetProgressVisible(bool visible) override {
    progress_visible = visible;
    calls.push_back(visible ? "ProgressShown" : "ProgressHidden");
  }
  void SetBusy(bool b) override {
    busy = b;
    calls.push_back(b ? "Busy" : "NotBusy");
  }
  void SetCaption(const std::string& c) override {
    caption = c;
    calls.push_back("Caption:" + c);
  }
  void Repaint() override { calls.push_back("Repaint"); }
  void DoEvents() override { calls.push_back("DoEvents"); }
  void ListClear() override {
    list.clear();
    calls.push_back("ListClear");
  }
  void ListAddRow(const std::string& b, const std::string& d, const std::string& name) override {
    list.push_back({b, d, name});
  }
  void ShowScrollEnabled(bool enabled) override { calls.push_back(enabled ? "ScrollEnabled" : "ScrollDisabled"); }
  void ShowScrollRange(std::int32_t min, std::int32_t max) override {
    calls.push_back("ScrollRange:" + std::to_string(min) + ".." + std::to_string(max));
  }
  void ShowScrollValue(std::int32_t value) override { calls.push_back("ScrollValue:" + std::to_string(value)); }
  void ShowCounter(int index, const std::string& c) override { counters[static_cast<std::size_t>(index)] = c; }
  void ShowFieldBox(int index, bool ticked) override {
    calls.push_back("Box" + std::to_string(index) + (ticked ? ":1" : ":0"));
  }
  void ShowSpouseOption(bool selected, bool enabled) override {
    calls.push_back(std::string("Spouse:") + (selected ? "1" : "0") + (enabled ? "e" : "d"));
  }
  bool CancelRequested() override {
    ++polls;
    if (cancel_at_poll > 0 && polls >= cancel_at_poll) cancelled = true;
    return cancelled;
  }
};

}  // namespace kinsheet::testing
