#include <optional>
#include <exception>
#include <string>

#include "export/export_command.h"
#include "export/export_driver.h"
#include "export/living.h"
#include "export/writer_support.h"
#include "export/writers.h"
#include "export/writer_support.h"
#include "fileio/file_open.h"
#include "fileio/replacement.h"
#include "records/work_records.h"
#include "text/text_routines.h"
#include "ui/messages.h"

namespace kinsheet {

namespace {

struct ExportFormat {
  const char* extension;
  const char* filter;
};

constexpr ExportFormat kFormats[kExportFormatCount] = {
    {".xls", msg::kSaveFilterXls},   {".mdb", msg::kSaveFilterMdb},       {".mdb", msg::kSaveFilterMdb},
    {".csv", msg::kSaveFilterCsv},   {".txt", msg::kSaveFilterTxt},       {".xlsx", msg::kSaveFilterXlsx},
    {".sqlite", msg::kSaveFilterSqlite},
};

bool CallWriter(RunState& state, WindowServices& ws, std::int16_t index) {
  switch (index) {
    case 0: return WriteExcelWorkbook(state, ws);
    case 1: return WriteAccessDatabase(state, ws, "2K");
    case 2: return WriteAccessDatabase(state, ws, "95");
    case 3: return WriteCsvFile(state, ws);
    case 4: return WriteTextFile(state, ws);
    case 5: return WriteXlsxWorkbook(state, ws);
    default: return WriteSqliteDatabase(state, ws);
  }
}

// A refusal the writer would make whatever file it writes: shown before the
// save dialog, so that no file is chosen or replaced for nothing.
bool RefusedByWriter(RunState& state, WindowServices& ws, std::int16_t index) {
  std::string refusal;
  // The rows the export will write, once who is living is settled.
  const std::int32_t rows = PeopleRowCount(state);
  if (index == 0) refusal = ExcelWorkbookRefusal(rows);
  if (index == 5) refusal = XlsxWorkbookRefusal(rows);
  if (index == 1 || index == 2) {
    // Ids are kept whole, so one longer than an Access field cannot go there.
    const std::string access =
        AccessIdRefusal(std::max(state.work.max_individual_id_length, state.work.max_family_id_length));
    if (!access.empty()) {
      Say(ws, access, MsgIcon::kExclamation);
      return true;
    }
  }
  if (refusal.empty()) return false;
  // Nothing was tried, so nothing failed: the limit is said on its own.
  Say(ws, refusal, MsgIcon::kExclamation);
  return true;
}

// An export may replace a file the user wrote before, never the GEDCOM file
// it came from (however named) nor anything that is not a plain file.
bool RefusedTarget(const RunState& state, WindowServices& ws, const std::string& path) {
  const std::optional<FileIdentity> target = IdentifyFile(path);
  if (!target) return false;
  if (state.loaded_gedcom && *target == *state.loaded_gedcom) {
    Say(ws, path + msg::kOutputIsGedcom, MsgIcon::kExclamation);
    return true;
  }
  if (IsSpecialFile(path)) {
    Say(ws, path + msg::kOutputNotAFile, MsgIcon::kExclamation);
    return true;
  }
  return false;
}

}  // namespace

bool mnuSheetifyItem_Click(RunState& state, WindowServices& ws, std::int16_t index) {
  if (index < 0 || index >= kExportFormatCount) return false;
  const ExportFormat& format = kFormats[index];

  if (state.work.individual_count == 0) {
    Say(ws, msg::kNoRecords, MsgIcon::kInformation);
    return false;
  }
  if (!state.selection.Any()) {
    Say(ws, msg::kNoFields, MsgIcon::kInformation);
    return false;
  }

  // Who is living is known before the file is chosen, so that every check
  // and count that follows goes by the rows to be written.
  try {
    SettleLiving(state, ws);
  } catch (const std::exception& e) {
    ReportWriterFailure(ws, msg::kSaveError, e);
    return false;
  }
  if (RefusedByWriter(state, ws, index)) return false;

  // family.ged proposes "family", my.tree.ged proposes "my".
  const std::size_t dot = state.name_part.find('.');
  const std::string_view base = dot != std::string::npos
                                    ? std::string_view(state.name_part).substr(0, dot)
                                    : std::string_view(state.name_part);
  state.name_part = std::string(TrimSpaces(base));

  // From here on a failure ends the command without a message of its own.
  try {
    state.name_part += format.extension;
    FileDialogRequest request;
    request.save = true;
    request.title = msg::kSaveTitle;
    request.filter = format.filter;
    request.filter_index = 2;
    request.file_name = state.name_part;
    request.initial_folder = state.dialog_initial_folder;
    request.cancel_error = true;
    const FileDialogResult chosen = ws.ShowFileDialog(request);
    if (chosen.cancelled || chosen.file_name.empty()) return false;

    state.current_file_name = chosen.file_name;
    if (state.current_file_name.find('.') == std::string::npos) {
      state.current_file_name += format.extension;
    }
    ws.Repaint();

    if (RefusedTarget(state, ws, state.current_file_name)) return false;
    // The writer replaces the old file only with a complete new one. A link
    // that leads nowhere is asked about too: it would be replaced.
    if (OutputExists(state.current_file_name)) {
      // The writer could not open such a name anyway: keep the old file.
      if (IsRefusedFileName(state.current_file_name)) {
        FileErrors(ws, kErrBadFileName);
        return false;
      }
      if (Say(ws, msg::kOverwrite, MsgIcon::kQuestion, MsgButtons::kYesNo) != MsgResult::kYes) {
        return false;
      }
    }

    const std::int32_t slash = InStrLast(state.current_file_name, "/");
    if (slash > 0) {
      state.name_part = state.current_file_name.substr(static_cast<std::size_t>(slash));
      state.folder_part = state.current_file_name.substr(0, static_cast<std::size_t>(slash - 1));
    } else {
      state.name_part = state.current_file_name;
      state.folder_part.clear();
    }
    return CallWriter(state, ws, index);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace kinsheet
