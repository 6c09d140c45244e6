// From the open dialog to work files on disk: line-end detection, streaming
// the file line by line into the parser, and setting up the browser.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fileio/file_open.h"
#include "gedcom/loader.h"
#include "gedcom/parser.h"
#include "gedcom/processors.h"
#include "state/commands.h"
#include "text/text_routines.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

// Longest line kept whole; longer lines keep their head and their end.
constexpr std::size_t kMaxLine = 1 << 20;
constexpr std::int64_t kProgressShownAbove = 50000;

bool Contains(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}

void ReadLineMode(RunState& state, WindowServices& ws, File& in, std::int32_t progress_max) {
  std::string line;
  std::int64_t counter = 0;
  while (in.ReadLine(line, kMaxLine)) {
    if (counter == 0 && Contains(line, "0 HEAD")) line = "0 HEAD";
    counter += static_cast<std::int64_t>(line.size()) + 2;
    if (counter < progress_max) ws.SetProgressValue(static_cast<std::int32_t>(counter));
    ParseGedRec(state, ws, line);
  }
}

// Appends to a line that keeps its first bytes and its last 16 once it
// passes kMaxLine: the record kind is read from the line's end.
void AppendClipped(std::string& line, const char* bytes, std::size_t n) {
  if (line.size() + n <= kMaxLine) {
    line.append(bytes, n);
    return;
  }
  constexpr std::size_t kTail = 16;
  constexpr std::size_t kHead = kMaxLine - kTail;
  std::string tail;
  if (n >= kTail) {
    tail.assign(bytes + n - kTail, kTail);
  } else {
    tail = line.substr(line.size() - std::min(line.size(), kTail - n));
    tail.append(bytes, n);
  }
  if (line.size() < kHead) line.append(bytes, std::min(n, kHead - line.size()));
  line.resize(kHead);
  line += tail;
}

void ReadCharacterMode(RunState& state, WindowServices& ws, File& in) {
  std::string line;
  std::int64_t counter = 0;
  std::vector<char> buffer(1 << 16);
  auto hand_on = [&] {
    if (counter < 100 && Contains(line, "0 HEAD")) line = "0 HEAD";
    ws.SetProgressValue(static_cast<std::int32_t>(std::min<std::int64_t>(counter, INT32_MAX)));
    ParseGedRec(state, ws, line);
    line.clear();
  };
  for (;;) {
    const std::size_t got = in.ReadBytes(buffer.data(), buffer.size());
    if (got == 0) break;
    const char* p = buffer.data();
    const char* const end = p + got;
    while (p < end) {
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      const char* stop = lf != nullptr ? lf : end;
      AppendClipped(line, p, static_cast<std::size_t>(stop - p));
      counter += stop - p;
      if (lf == nullptr) break;
      ++counter;  // the LF itself
      hand_on();
      p = lf + 1;
    }
  }
  // A last line without LF is data too (a truncated file keeps it).
  if (!line.empty()) hand_on();
}

}  // namespace

void ResetCounters(RunState& state, WindowServices& ws) {
  for (int i = 0; i < kCounterCount; ++i) {
    state.counters[i] = 0;
    ws.ShowCounter(i, "0 ");
  }
  WorkState& w = state.work;
  w.individual_count = 0;
  w.individual_number = 0;
  w.family_count = 0;
  w.family_number = 0;
  w.individual_index.Reset();
  w.family_index.Reset();
  w.max_individual_id_length = 0;
  w.max_family_id_length = 0;
}

LoadOutcome LoadGedcom(RunState& state, WindowServices& ws) {
  ws.ListClear();
  state.scroll.enabled = false;
  ws.ShowScrollEnabled(false);

  FileDialogRequest open;
  open.title = msg::kOpenTitle;
  open.filter = msg::kOpenFilter;
  open.filter_index = 2;
  open.initial_folder = std::string(TrimSpaces(state.last_gedcom_folder));
  state.dialog_initial_folder = open.initial_folder;
  if (open.initial_folder.empty() && !TrimSpaces(state.current_file_name).empty()) {
    open.file_name = state.current_file_name;
  }
  const FileDialogResult chosen = ws.ShowFileDialog(open);
  if (chosen.file_name.empty()) return LoadOutcome::kCancelled;

  state.current_file_name = chosen.file_name;
  ws.SetStatusText(std::string(msg::kLoading) + std::string(TrimSpaces(state.current_file_name)));
  ws.SetBusy(true);
  state.load_failure.clear();
  ResetCounters(state, ws);

  WorkState& w = state.work;
  // Every way out closes what is open and gives the pointer back, so that
  // the next load can replace the work files.
  struct Cleanup {
    WindowServices& ws;
    WorkState& w;
    ~Cleanup() {
      w.individual_file = File();
      w.family_file = File();
      ws.SetBusy(false);
    }
  } cleanup{ws, w};

  try {
    if (!FileExists(state.current_file_name)) return LoadOutcome::kNotFound;
    File in = FileOpen(ws, state.current_file_name, kModeInput, 0, true);
    if (!in.is_open()) return LoadOutcome::kFailed;
    if (in.AtEnd()) {
      ws.SetBusy(false);
      Say(ws, msg::kFileEmpty, MsgIcon::kExclamation);
      return LoadOutcome::kEmpty;
    }

    const std::int32_t p = InStrLast(state.current_file_name, "/");
    state.name_part = state.current_file_name.substr(static_cast<std::size_t>(p));
    state.folder_part = state.current_file_name.substr(0, p > 0 ? p - 1 : 0);
    ws.SetCaption(msg::kCaptionStart + state.name_part + msg::kCaptionEnd);
    state.last_gedcom_folder = std::string(TrimSpaces(state.folder_part));

    const std::int64_t length = in.Length();
    const auto progress_max = static_cast<std::int32_t>(std::min<std::int64_t>(length, INT32_MAX));
    ws.SetProgressMax(progress_max);
    ws.SetProgressValue(0);
    if (length > kProgressShownAbove) ws.SetProgressVisible(true);

    const std::string ind_path = state.IndividualWorkFile();
    const std::string fam_path = state.FamilyWorkFile();
    if (FileExists(ind_path)) std::remove(ind_path.c_str());
    if (FileExists(fam_path)) std::remove(fam_path.c_str());
    w.individual_file = FileOpen(ws, ind_path, kModeRandom, kIndividualRecordLength, true);
    w.family_file = FileOpen(ws, fam_path, kModeRandom, kFamilyRecordLength, true);
    if (!w.individual_file.is_open() || !w.family_file.is_open()) return LoadOutcome::kFailed;

    // Line ends are decided once, from the first 200 bytes.
    char probe[200];
    const std::size_t probed = in.ReadBytes(probe, sizeof probe);
    const bool line_mode = std::string_view(probe, probed).find('\r') != std::string_view::npos;
    in.Close();
    in = FileOpen(ws, state.current_file_name, kModeInput, 0, true);
    if (!in.is_open()) return LoadOutcome::kFailed;

    if (line_mode) {
      ReadLineMode(state, ws, in, progress_max);
    } else {
      ReadCharacterMode(state, ws, in);
    }

    FlushWorkRecords(state);
    in.Close();
    w.individual_file.Close();
    w.family_file.Close();
  } catch (const RecordLimitError& e) {
    // Refused whole: nothing of the file counts as loaded.
    ResetCounters(state, ws);
    ws.SetBusy(false);
    Say(ws, e.what(), MsgIcon::kExclamation);
    ws.SetProgressVisible(false);
    state.load_failure = e.what();
    return LoadOutcome::kTooLarge;
  } catch (const std::exception& e) {
    // The window shows nothing more here; a caller may tell why.
    state.load_failure = e.what();
    return LoadOutcome::kFailed;
  }

  if (w.individual_count == 0) {
    ws.SetBusy(false);
    Say(ws, msg::kNoGedData, MsgIcon::kExclamation);
    ws.SetProgressVisible(false);
    return LoadOutcome::kNoData;
  }

  state.scroll.min = 0;
  ws.ShowScrollRange(0, state.scroll.max);
  SetScrollValue(state, ws, 0);
  if (w.individual_count > 20) {
    state.scroll.enabled = true;
    ws.ShowScrollEnabled(true);
    state.scroll.min = 1;
    state.scroll.max = w.individual_count - 19;
    ws.ShowScrollRange(state.scroll.min, state.scroll.max);
  }
  SetScrollValue(state, ws, 1);
  ws.SetProgressVisible(false);
  ws.SetStatusText(msg::kSelectFields);
  return LoadOutcome::kLoaded;
}

}  // namespace kinsheet
