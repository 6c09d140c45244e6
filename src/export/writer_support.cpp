#include "export/writer_support.h"

#include <new>

#include "export/writers.h"
#include "fileio/navigate.h"
#include "ui/messages.h"

namespace kinsheet {

std::string DescribeFailure(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return msg::kOutOfMemory;
  return e.what();
}

void ReportWriterFailure(WindowServices& ws, const char* heading, const std::exception& e) {
  Say(ws, std::string(heading) + "\n" + DescribeFailure(e), MsgIcon::kExclamation);
}

bool EndExport(RunState& state, WindowServices& ws, bool written) {
  ws.SetProgressVisible(false);
  ws.SetBusy(false);
  if (written) FinishExport(state, ws);
  return written;
}

void FinishExport(RunState& state, WindowServices& ws) {
  ws.SetStatusText(state.current_file_name);
  const MsgResult answer = Say(ws, state.current_file_name + msg::kCreatedAsk, MsgIcon::kQuestion,
                               MsgButtons::kYesNo, 2);
  if (answer == MsgResult::kYes) NavigateTo(ws, state.current_file_name, state.opener);
}

}  // namespace kinsheet
