#include "shell/batch/console_window_services.h"

#include <algorithm>
#include <cstdlib>

#include "text/display.h"
#include "ui/messages.h"

namespace kinsheet::batch {

using Clock = std::chrono::steady_clock;

ConsoleWindowServices::ConsoleWindowServices(ConsoleAnswers answers, bool show_progress, bool quiet)
    : answers_(std::move(answers)), show_progress_(show_progress), quiet_(quiet) {}

ConsoleWindowServices::~ConsoleWindowServices() { EndProgress(); }

void ConsoleWindowServices::EndProgress() {
  if (drawn_) {
    std::fputs("\n", stderr);
    drawn_ = false;
  }
}

void ConsoleWindowServices::ShowReadingNote(const std::string& text) {
  EndProgress();
  std::fprintf(stderr, "Kinsheet: %s\n", text::EscapeForTerminal(text).c_str());
}

MsgResult ConsoleWindowServices::ShowMessage(const MessageBoxRequest& request) {
  MsgResult answer = MsgResult::kOk;
  const char* said = nullptr;
  switch (request.buttons) {
    case MsgButtons::kOk: answer = MsgResult::kOk; break;
    case MsgButtons::kOkCancel: answer = MsgResult::kCancel; said = "Cancel"; break;
    case MsgButtons::kRetryCancel: answer = MsgResult::kCancel; said = "Cancel"; break;
    case MsgButtons::kYesNo:
      answer = request.text == msg::kOverwrite && answers_.overwrite ? MsgResult::kYes : MsgResult::kNo;
      said = answer == MsgResult::kYes ? "Yes" : "No";
      break;
  }
  ++messages_shown_;
  // The completion question says nothing a quiet run wants to hear.
  if (quiet_ && request.icon == MsgIcon::kQuestion && answer == MsgResult::kNo &&
      request.text != msg::kOverwrite) {
    return answer;
  }
  EndProgress();
  std::string text = request.text;
  std::replace(text.begin(), text.end(), '\n', ' ');
  if (request.title != kAppTitle) text = request.title + ": " + text;
  // The core quotes file text escaped already; this catches any that
  // reaches a message another way (a path, a library's reason).
  text = text::EscapeForTerminal(text);
  if (said != nullptr) {
    std::fprintf(stderr, "Kinsheet: %s [%s]\n", text.c_str(), said);
  } else {
    std::fprintf(stderr, "Kinsheet: %s\n", text.c_str());
  }
  return answer;
}

FileDialogResult ConsoleWindowServices::ShowFileDialog(const FileDialogRequest& request) {
  FileDialogResult result;
  result.file_name = request.save ? answers_.save_file : answers_.open_file;
  result.cancelled = result.file_name.empty();
  return result;
}

void ConsoleWindowServices::ShowCounter(int index, const std::string& caption) {
  if (index == 0) people_ = std::atoll(caption.c_str());
}

void ConsoleWindowServices::SetProgressMax(std::int32_t max) { max_ = max; }

void ConsoleWindowServices::SetProgressVisible(bool visible) {
  if (visible && !visible_) {
    started_ = Clock::now();
    last_draw_ = started_ - std::chrono::seconds(1);
  }
  visible_ = visible;
  if (!visible) EndProgress();
}

void ConsoleWindowServices::SetProgressValue(std::int32_t value) {
  value_ = value;
  if (counting_rows_ && max_ > 0 && value >= max_ && !last_row_at_) last_row_at_ = Clock::now();
  Draw(false);
}

void ConsoleWindowServices::Draw(bool force) {
  if (!show_progress_ || quiet_ || !visible_ || max_ <= 0) return;
  const auto now = Clock::now();
  if (!force && now - last_draw_ < std::chrono::milliseconds(100) && value_ < max_) return;
  last_draw_ = now;
  const double fraction = std::clamp(static_cast<double>(value_) / max_, 0.0, 1.0);
  constexpr int kBarWidth = 30;
  const int filled = static_cast<int>(fraction * kBarWidth);
  const double seconds = std::chrono::duration<double>(now - started_).count();
  const double people = counting_rows_ ? value_ : static_cast<double>(people_);
  const double rate = seconds > 0 ? people / seconds : 0.0;
  std::fprintf(stderr, "\r[%s%s] %3d%%  %.0f people/s ", std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, ' ').c_str(), static_cast<int>(fraction * 100), rate);
  std::fflush(stderr);
  drawn_ = true;
}

}  // namespace kinsheet::batch
