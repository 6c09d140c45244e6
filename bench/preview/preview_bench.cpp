// The export preview on a loaded file: time to the first 50 rows, to sort
// by Surname and by Birth date, to search for a surname, and the peak
// memory against that of the load alone.
//
//   kinsheet_preview_bench FILE.ged
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "export/preview.h"
#include "gedcom/loader.h"
#include "state/commands.h"
#include "state/run_state.h"
#include "ui/window_services.h"

namespace {

using Clock = std::chrono::steady_clock;

// A window that answers the open dialog with the file and shows nothing.
class QuietServices : public kinsheet::WindowServices {
 public:
  explicit QuietServices(std::string file) : file_(std::move(file)) {}
  void SetStatusText(const std::string&) override {}
  void SetProgressMax(std::int32_t) override {}
  void SetProgressValue(std::int32_t) override {}
  void SetProgressVisible(bool) override {}
  void SetBusy(bool) override {}
  kinsheet::MsgResult ShowMessage(const kinsheet::MessageBoxRequest& request) override {
    std::fprintf(stderr, "message: %s\n", request.text.c_str());
    return kinsheet::MsgResult::kOk;
  }
  kinsheet::FileDialogResult ShowFileDialog(const kinsheet::FileDialogRequest&) override { return {false, file_}; }
  void SetCaption(const std::string&) override {}
  void Repaint() override {}
  void DoEvents() override {}
  void ListClear() override {}
  void ListAddRow(const std::string&, const std::string&, const std::string&) override {}
  void ShowScrollEnabled(bool) override {}
  void ShowScrollRange(std::int32_t, std::int32_t) override {}
  void ShowScrollValue(std::int32_t) override {}
  void ShowCounter(int, const std::string&) override {}
  void ShowFieldBox(int, bool) override {}
  void ShowSpouseOption(bool, bool) override {}

 private:
  std::string file_;
};

double MegabytesPeak() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kinsheet_preview_bench FILE.ged\n");
    return 2;
  }
  const std::filesystem::path work = std::filesystem::temp_directory_path() / ("kinsheet-preview-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(work);
  kinsheet::RunState state;
  state.work_folder = work.string();
  QuietServices ws(argv[1]);

  auto start = Clock::now();
  if (kinsheet::LoadGedcom(state, ws) != kinsheet::LoadOutcome::kLoaded) {
    std::fprintf(stderr, "the file did not load\n");
    return 1;
  }
  const double load_seconds = Seconds(start);
  const double loaded_mb = MegabytesPeak();
  kinsheet::SelectAll(state, ws);
  std::printf("people                 %d\n", state.work.individual_count);
  std::printf("load                   %.2f s, peak %.0f MB\n", load_seconds, loaded_mb);

  kinsheet::PreviewTable table(state, ws);
  start = Clock::now();
  table.Reload();
  std::size_t bytes = 0;
  for (std::int32_t r = 0; r < 50 && r < table.RowCount(); ++r) {
    for (std::size_t c = 0; c < table.columns().size(); ++c) bytes += table.Cell(r, static_cast<int>(c)).size();
  }
  std::printf("first 50 rows          %.3f s (%zu columns, %zu bytes)\n", Seconds(start), table.columns().size(), bytes);

  start = Clock::now();
  table.Sort(3, true);
  std::printf("sort by Surname        %.2f s\n", Seconds(start));
  const std::string surname = table.Cell(table.RowCount() / 2, 2);
  start = Clock::now();
  table.Sort(10, true);
  std::printf("sort by Birth date     %.2f s (first row born %s)\n", Seconds(start), table.Cell(0, 9).c_str());
  start = Clock::now();
  table.Search(surname);
  std::printf("search \"%s\"  %.2f s, %d rows, sorted by birth date\n", surname.c_str(), Seconds(start), table.RowCount());
  start = Clock::now();
  for (std::int32_t r = table.RowCount() - 50; r < table.RowCount(); ++r) {
    if (r >= 0) bytes += table.Cell(r, 0).size();
  }
  std::printf("last 50 rows           %.3f s\n", Seconds(start));

  const double peak_mb = MegabytesPeak();
  std::printf("peak memory            %.0f MB, %.2f x the load's %.0f MB\n", peak_mb, peak_mb / loaded_mb, loaded_mb);
  std::filesystem::remove_all(work);
  return 0;
}
