// The window services of the command-line tool: messages go to standard
// error as "Kinsheet: <text>", dialogs and questions are answered from the
// command line, and long work shows a progress bar on a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "fileio/signal_cleanup.h"
#include "ui/window_services.h"

namespace kinsheet::batch {

struct ConsoleAnswers {
  std::string open_file;     // the open dialog's answer
  std::string save_file;     // the save dialog's answer
  bool overwrite = false;    // "Overwrite existing file?"
};

class ConsoleWindowServices : public WindowServices {
 public:
  ConsoleWindowServices(ConsoleAnswers answers, bool show_progress, bool quiet);
  ~ConsoleWindowServices() override;

  int messages_shown() const { return messages_shown_; }
  // Finishes a progress line so that later output starts on a fresh line.
  void EndProgress();
  // The export steps the bar once per person; the load steps it by bytes
  // and reports people through counter 0.
  void set_counting_rows(bool rows) { counting_rows_ = rows; }
  // When an export's progress reached its last person: what follows is the
  // writer finishing its file (closing, compressing, indexing).
  std::optional<std::chrono::steady_clock::time_point> last_row_at() const { return last_row_at_; }
  // The browser's rows, as the list would show them.
  const std::vector<std::string>& list_rows() const { return list_rows_; }

  void SetStatusText(const std::string&) override {}
  void ShowReadingNote(const std::string& text) override;
  void SetProgressMax(std::int32_t max) override;
  void SetProgressValue(std::int32_t value) override;
  void SetProgressVisible(bool visible) override;
  void SetBusy(bool) override {}
  MsgResult ShowMessage(const MessageBoxRequest& request) override;
  FileDialogResult ShowFileDialog(const FileDialogRequest& request) override;
  void SetCaption(const std::string&) override {}
  void Repaint() override {}
  void DoEvents() override {}
  void ListClear() override { list_rows_.clear(); }
  void ListAddRow(const std::string& birth_year, const std::string& death_year,
                  const std::string& name) override {
    list_rows_.push_back(birth_year + '\t' + death_year + '\t' + name);
  }
  void ShowScrollEnabled(bool) override {}
  void ShowScrollRange(std::int32_t, std::int32_t) override {}
  void ShowScrollValue(std::int32_t) override {}
  void ShowCounter(int index, const std::string& caption) override;
  void ShowFieldBox(int, bool) override {}
  void ShowSpouseOption(bool, bool) override {}
  // Ctrl+C, SIGTERM or SIGHUP asked the tool to stop.
  bool CancelRequested() override { return StopRequested(); }

 private:
  void Draw(bool force);

  ConsoleAnswers answers_;
  bool show_progress_;
  bool quiet_;
  int messages_shown_ = 0;
  bool visible_ = false;
  bool drawn_ = false;
  std::int32_t max_ = 0;
  std::int32_t value_ = 0;
  std::int64_t people_ = 0;  // individuals loaded, or rows written
  bool counting_rows_ = false;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point last_draw_;
  std::vector<std::string> list_rows_;
  std::optional<std::chrono::steady_clock::time_point> last_row_at_;
};

}  // namespace kinsheet::batch
