// Any bytes as a GEDCOM file: the load, the first page and a CSV export of
// the result must neither crash nor hang.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "export/export_command.h"
#include "export/writers.h"
#include "gedcom/loader.h"
#include "state/commands.h"
#include "state/run_state.h"

namespace {

using namespace kinsheet;

// Answers every dialog with fixed paths and counts messages, nothing else.
class QuietWindow : public WindowServices {
 public:
  std::string open_file, save_file;
  void SetStatusText(const std::string&) override {}
  void SetProgressMax(std::int32_t) override {}
  void SetProgressValue(std::int32_t) override {}
  void SetProgressVisible(bool) override {}
  void SetBusy(bool) override {}
  MsgResult ShowMessage(const MessageBoxRequest& r) override {
    return r.buttons == MsgButtons::kYesNo ? MsgResult::kNo : MsgResult::kCancel;
  }
  FileDialogResult ShowFileDialog(const FileDialogRequest& r) override {
    return {false, r.save ? save_file : open_file};
  }
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
};

std::string& Folder() {
  static std::string folder = [] {
    char pattern[] = "/tmp/kinsheet-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) ::abort();
    return std::string(made);
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = Folder() + "/input.ged";
  const std::string output = Folder() + "/out.csv";
  FILE* f = std::fopen(input.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  ::unlink(output.c_str());

  // One state for the run, as in the window: loads follow one another and
  // the id tables are set aside once.
  static RunState state;
  state.program_folder = Folder();
  state.work_folder = Folder();
  state.opener = "true";
  QuietWindow ws;
  ws.open_file = input;
  ws.save_file = output;
  if (LoadGedcom(state, ws) == LoadOutcome::kLoaded) {
    SelectAll(state, ws);
    SetScrollValue(state, ws, state.scroll.max);
    mnuSheetifyItem_Click(state, ws, 3);
  }
  return 0;
}
