#include "export/writer_support.h"

#include <array>
#include <new>

#include "export/columns.h"

#include "export/writers.h"
#include "fileio/navigate.h"
#include "ui/messages.h"

namespace kinsheet {

std::vector<TableField> TableFields(const FieldSelection& selection) {
  return TableFields(SelectedColumns(selection));
}

std::vector<TableField> TableFields(const std::vector<const ExportColumn*>& columns) {
  static constexpr std::array<int, kColumnCount> kFieldOrder = {
      1,  2,  3,  4,  8,  6,  5,  7,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
      21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
      41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53};
  std::array<bool, kColumnCount + 1> selected{};
  for (const ExportColumn* c : columns) selected[c->position] = true;
  std::vector<TableField> fields;
  for (int position : kFieldOrder) {
    if (selected[position]) {
      fields.push_back({position, kExportColumns[position - 1].Caption(CaptionSet::kAccess)});
    }
  }
  return fields;
}

std::string DescribeFailure(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return msg::kOutOfMemory;
  return e.what();
}

void ReportWriterFailure(WindowServices& ws, const char* heading, const std::exception& e,
                         const FileReplacement* replacement) {
  // A stop the user asked for is no failure to report.
  if (dynamic_cast<const Cancelled*>(&e) != nullptr) return;
  std::string description = DescribeFailure(e);
  if (replacement != nullptr) description = replacement->ForUser(std::move(description));
  Say(ws, std::string(heading) + "\n" + description, MsgIcon::kExclamation);
}

bool EndExport(RunState& state, WindowServices& ws, bool written) {
  ws.SetProgressVisible(false);
  ws.SetBusy(false);
  if (written) {
    FinishExport(state, ws);
  } else {
    // Whatever the writer had put there ("One moment please...") goes.
    ws.SetStatusText(ws.CancelRequested() ? std::string(msg::kExportCancelled)
                                          : msg::kNotSaved + state.current_file_name);
  }
  return written;
}

void FinishExport(RunState& state, WindowServices& ws) {
  ws.SetStatusText(state.current_file_name);
  const MsgResult answer = Say(ws, state.current_file_name + msg::kCreatedAsk, MsgIcon::kQuestion,
                               MsgButtons::kYesNo, 2);
  if (answer == MsgResult::kYes) NavigateTo(ws, state.current_file_name, state.opener, &state.openers);
}

}  // namespace kinsheet
