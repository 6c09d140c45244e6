// The export preview on a loaded file: time to the first 50 rows, to sort
// by Surname and by Birth date, to search for a surname, and the peak
// memory against that of the load alone.
//
//   kinsheet_preview_bench FILE.ged
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

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

// Resident memory now, in MB: the program's own (anonymous) and the pages
// of mapped files (the work files, which the kernel shares with its cache
// and may drop at any time).
void ReadResident(long& anon, long& file) {
  anon = file = -1;
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return;
  char line[256];
  while (std::fgets(line, sizeof line, status) != nullptr) {
    std::sscanf(line, "RssAnon: %ld", &anon);
    std::sscanf(line, "RssFile: %ld", &file);
  }
  std::fclose(status);
}

std::string Resident() {
  long anon = 0, file = 0;
  ReadResident(anon, file);
  return std::to_string(anon / 1024) + " MB own + " + std::to_string(file / 1024) + " MB of mapped files";
}

// The most of each seen since the last Take, sampled every 5 ms.
class PeakWatch {
 public:
  PeakWatch() : thread_([this] {
      while (!stop_) {
        long anon = 0, file = 0;
        ReadResident(anon, file);
        anon_ = std::max<long>(anon_, anon);
        file_ = std::max<long>(file_, file);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }) {}
  ~PeakWatch() {
    stop_ = true;
    thread_.join();
  }
  std::string Take() {
    const std::string out = "peak " + std::to_string(anon_ / 1024) + " MB own + " + std::to_string(file_ / 1024) +
                            " MB of mapped files";
    anon_ = 0;
    file_ = 0;
    return out;
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<long> anon_{0};
  std::atomic<long> file_{0};
  std::thread thread_;
};

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

  PeakWatch watch;
  auto start = Clock::now();
  if (kinsheet::LoadGedcom(state, ws) != kinsheet::LoadOutcome::kLoaded) {
    std::fprintf(stderr, "the file did not load\n");
    return 1;
  }
  const double load_seconds = Seconds(start);
  const double loaded_mb = MegabytesPeak();
  kinsheet::SelectAll(state, ws);
  std::printf("people                 %d\n", state.work.individual_count);
  std::printf("load                   %.2f s, peak %.0f MB; now %s\n", load_seconds, loaded_mb, watch.Take().c_str());

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
  std::printf("sort by Surname        %.2f s; %s\n", Seconds(start), watch.Take().c_str());
  const std::string surname = table.Cell(table.RowCount() / 2, 2);
  start = Clock::now();
  table.Sort(10, true);
  std::printf("sort by Birth date     %.2f s (last row born %s); now %s\n", Seconds(start),
              table.Cell(table.RowCount() - 1, 9).c_str(), watch.Take().c_str());
  start = Clock::now();
  table.Search(surname);
  std::printf("search \"%s\"  %.2f s, %d rows, sorted by birth date; %s\n", surname.c_str(), Seconds(start),
              table.RowCount(), watch.Take().c_str());
  start = Clock::now();
  for (std::int32_t r = table.RowCount() - 50; r < table.RowCount(); ++r) {
    if (r >= 0) bytes += table.Cell(r, 0).size();
  }
  std::printf("last 50 rows           %.3f s\n", Seconds(start));

  const double peak_mb = MegabytesPeak();
  std::printf("peak memory            %.0f MB, %.2f x the load's %.0f MB; now %s\n", peak_mb, peak_mb / loaded_mb,
              loaded_mb, Resident().c_str());
  std::filesystem::remove_all(work);
  return 0;
}
