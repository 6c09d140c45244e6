// From the open dialog to work files on disk: the file read once into the
// parser, its problems counted, and the browser set up.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "fileio/file_open.h"
#include "gedcom/file_kind.h"
#include "gedcom/gedzip.h"
#include "gedcom/loader.h"
#include "gedcom/parser.h"
#include "gedcom/processors.h"
#include "gedcom/text_reader.h"
#include "state/commands.h"
#include "text/charsets.h"
#include "text/display.h"
#include "text/text_routines.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

constexpr std::int64_t kProgressShownAbove = 50000;
constexpr std::size_t kChunk = 1 << 16;

// Lines to the parser; the reading, when it is not plain bytes, to the
// status bar.
class ParserSink : public LineSink {
 public:
  ParserSink(RunState& state, WindowServices& ws) : state_(state), ws_(ws) {}
  void OnLine(std::string_view line) override {
    state_.parser.line_number = line_number;
    ParseGedRec(state_, ws_, line);
  }
  void OnReading(FileEncoding encoding, text::Charset charset) override {
    const char* note = nullptr;
    if (encoding == FileEncoding::kUtf16Le) {
      note = msg::kReadingUtf16Le;
    } else if (encoding == FileEncoding::kUtf16Be) {
      note = msg::kReadingUtf16Be;
    } else if (charset == text::Charset::kAnsel) {
      note = msg::kReadingAnsel;
    } else if (charset == text::Charset::kCp437) {
      note = msg::kReadingCp437;
    } else if (charset == text::Charset::kMacRoman) {
      note = msg::kReadingMacRoman;
    }
    if (note != nullptr) ws_.ShowReadingNote(note);
  }

 private:
  RunState& state_;
  WindowServices& ws_;
};

// The file once, from start to end, in pieces: a pipe works like a file.
// `first` is the piece already read to tell what kind of file it is.
template <typename Source, typename Reader>
void ReadAll(WindowServices& ws, Source& in, Reader& reader, std::int32_t progress_max, std::int64_t& done,
             std::string_view first) {
  reader.Feed(first.data(), first.size());
  done += static_cast<std::int64_t>(first.size());
  std::vector<char> buffer(kChunk);
  for (;;) {
    const std::size_t got = in.ReadBytes(buffer.data(), buffer.size());
    if (got == 0) break;
    reader.Feed(buffer.data(), got);
    done += static_cast<std::int64_t>(got);
    ws.SetProgressValue(static_cast<std::int32_t>(std::min<std::int64_t>(done, progress_max)));
    // Once a piece: often enough to stop at once, rarely enough to cost
    // nothing.
    ThrowIfCancelled(ws);
  }
  reader.Finish();
}

// One message for every "Problem ..." message the limit held back.
void ReportUnshownProblems(RunState& state, WindowServices& ws) {
  if (state.problem_count <= state.problem_limit) return;
  ws.SetBusy(false);
  Say(ws, std::to_string(state.problem_count - state.problem_limit) + msg::kMoreProblems,
      MsgIcon::kExclamation);
}

// A full disk stops the load with one message, however many records were
// still to come, and the partial work files go at once to give the space
// back. What the whole file needs is estimated from the part read so far.
LoadOutcome StopWhenWorkFolderFull(RunState& state, WindowServices& ws, std::int64_t length,
                                   std::int64_t bytes_read) {
  const WorkState& w = state.work;
  const double written =
      static_cast<double>(w.individual_records.end()) + static_cast<double>(w.family_records.end());
  const double share = bytes_read > 0 && length > bytes_read ? static_cast<double>(length) / bytes_read : 1.0;
  const auto megabytes = static_cast<std::int64_t>(written * share / (1024.0 * 1024.0)) + 1;
  EmptyAfterCancel(state, ws);
  state.problem_count = 0;
  const std::string text = msg::kWorkFolderFullStart + state.work_folder + msg::kWorkFolderFullMiddle +
                           std::to_string(megabytes) + msg::kWorkFolderFullEnd;
  ws.SetStatusText("");
  Say(ws, text, MsgIcon::kExclamation);
  state.load_failure = text;
  return LoadOutcome::kWorkFolderFull;
}

// gedcom.ged of an archive, read as a file is.
struct ArchiveSource {
  GedzipReader& zip;
  std::size_t ReadBytes(char* bytes, std::size_t n) { return zip.Read(bytes, n); }
};

template <typename Source>
void ReadText(RunState& state, WindowServices& ws, Source& in, std::int32_t progress_max, std::int64_t& done,
              std::string_view first) {
  ParserSink sink(state, ws);
  if (state.literal_reading) {
    LiteralTextReader reader(sink);
    ReadAll(ws, in, reader, progress_max, done, first);
  } else {
    GedcomTextReader reader(sink);
    ReadAll(ws, in, reader, progress_max, done, first);
  }
}

// A load refused before its first line: one message, and the window as
// it was before a file was chosen.
LoadOutcome RefuseFile(RunState& state, WindowServices& ws, const std::string& text) {
  ws.SetCaption(kAppTitle);
  ws.SetProgressVisible(false);
  ws.SetBusy(false);
  Say(ws, text, MsgIcon::kExclamation);
  state.load_failure = text;
  return LoadOutcome::kNotGedcom;
}

bool EndsWithGdz(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".gdz";
}

}  // namespace

// A stopped load leaves the window as a file with no people would: the
// partial work files go, the counters, list, bar and caption are cleared,
// and exports are refused until the next load.
void EmptyAfterCancel(RunState& state, WindowServices& ws) {
  state.work.individual_file = File();
  state.work.family_file = File();
  state.work.kin_log.Abandon();
  std::remove(state.IndividualWorkFile().c_str());
  std::remove(state.FamilyWorkFile().c_str());
  std::remove(state.KinWorkFile().c_str());
  ResetCounters(state, ws);
  ws.ListClear();
  state.scroll = ScrollBarState{};
  ws.ShowScrollEnabled(false);
  ws.ShowScrollRange(0, 0);
  ws.ShowScrollValue(0);
  ws.SetCaption(kAppTitle);
  ws.SetProgressVisible(false);
  ws.SetBusy(false);
  ws.SetStatusText(msg::kLoadCancelled);
}

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
  w.individual_records.Reset();
  w.family_records.Reset();
  w.family_index.Reset();
  w.max_individual_id_length = 0;
  w.max_family_id_length = 0;
  w.death_recorded.clear();
  state.living_plan = LivingPlan();
}

LoadOutcome LoadGedcom(RunState& state, WindowServices& ws, const std::string& preset) {
  FileDialogRequest open;
  open.title = msg::kOpenTitle;
  open.filter = msg::kOpenFilter;
  open.filter_index = 2;
  open.initial_folder = std::string(TrimSpaces(state.last_gedcom_folder));
  if (!preset.empty()) {
    // A file dropped on the window or picked from the recent ones is
    // offered whatever folder the dialog used last.
    open.file_name = preset;
    const std::int32_t slash = InStrLast(preset, "/");
    if (slash > 1) open.initial_folder = preset.substr(0, static_cast<std::size_t>(slash - 1));
  } else if (open.initial_folder.empty() && !TrimSpaces(state.current_file_name).empty()) {
    open.file_name = state.current_file_name;
  }
  state.dialog_initial_folder = open.initial_folder;
  const FileDialogResult chosen = ws.ShowFileDialog(open);
  // Cancelling the dialog leaves the loaded file as it was, list included.
  if (chosen.file_name.empty()) return LoadOutcome::kCancelled;

  ws.ListClear();
  state.scroll.enabled = false;
  ws.ShowScrollEnabled(false);
  if (state.work_folder.empty()) {
    Say(ws, msg::kNoWorkFolder + state.work_folder_problem, MsgIcon::kExclamation);
    return LoadOutcome::kFailed;
  }

  state.current_file_name = chosen.file_name;
  state.loaded_gedcom.reset();
  state.gedcom_path.clear();
  ws.SetStatusText(std::string(msg::kLoading) + std::string(TrimSpaces(state.current_file_name)));
  ws.SetBusy(true);
  state.load_failure.clear();
  state.problem_count = 0;
  state.report.Clear();
  state.links.Clear();
  state.parser.line_number = 0;
  state.parser.record_id.clear();
  state.parser.gedcom7 = false;
  state.parser.conc_reported = false;
  ResetCounters(state, ws);

  WorkState& w = state.work;
  std::int64_t length = 0;
  std::int64_t bytes_read = 0;
  // Every way out closes what is open and gives the pointer back, so that
  // the next load can replace the work files.
  struct Cleanup {
    WindowServices& ws;
    WorkState& w;
    ~Cleanup() {
      w.individual_file = File();
      w.family_file = File();
      w.kin_log.Abandon();
      ws.SetBusy(false);
    }
  } cleanup{ws, w};

  try {
    if (!FileExists(state.current_file_name)) return LoadOutcome::kNotFound;
    File in = FileOpen(ws, state.current_file_name, kModeInput, 0, true);
    if (!in.is_open()) return LoadOutcome::kFailed;
    state.loaded_gedcom = IdentifyFile(state.current_file_name);
    state.gedcom_path = state.current_file_name;
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

    length = in.Length();
    const auto progress_max = static_cast<std::int32_t>(std::min<std::int64_t>(length, INT32_MAX));
    ws.SetProgressMax(progress_max);
    ws.SetProgressValue(0);
    if (length > kProgressShownAbove) ws.SetProgressVisible(true);

    const std::string ind_path = state.IndividualWorkFile();
    const std::string fam_path = state.FamilyWorkFile();
    if (FileExists(ind_path)) std::remove(ind_path.c_str());
    if (FileExists(fam_path)) std::remove(fam_path.c_str());
    w.individual_file = FileOpen(ws, ind_path, kModeRandom, kWorkFileUnit, true);
    w.family_file = FileOpen(ws, fam_path, kModeRandom, kWorkFileUnit, true);
    if (!w.individual_file.is_open() || !w.family_file.is_open()) return LoadOutcome::kFailed;
    w.kin_log.Open(state.KinWorkFile());

    // A file of another kind stops here, before any of its bytes can reach
    // a message as a line; a ZIP may be a GEDCOM archive.
    std::string first(kChunk, '\0');
    first.resize(in.ReadBytes(first.data(), first.size()));
    const FileKind kind = SniffFileKind(first);
    const std::string& path = state.current_file_name;
    const std::string shown_name = text::EscapeForDisplay(path.substr(path.rfind('/') + 1));
    bytes_read = 0;
    if (kind == FileKind::kZip) {
      GedzipReader zip(path);
      // An archive of no entries is its directory's end alone, which
      // minizip does not open.
      const bool empty = first.size() == 22 && first.compare(0, 4, std::string_view("PK\x05\x06", 4)) == 0;
      if (zip.state() == ArchiveState::kDamaged && !empty) {
        return RefuseFile(state, ws, shown_name + msg::kArchiveDamaged);
      }
      if (zip.state() != ArchiveState::kReady) {
        // Named as an archive of a tree, it lacks the tree; named as any
        // other ZIP, it is simply not one.
        return RefuseFile(state, ws,
                          shown_name + (EndsWithGdz(path) ? msg::kArchiveWithoutGedcom
                                                          : std::string(msg::kNotGedcomZip) + msg::kNotGedcomAdvice));
      }
      const auto unpacked_max = static_cast<std::int32_t>(std::min<std::int64_t>(zip.size(), INT32_MAX));
      ws.SetProgressMax(unpacked_max);
      if (zip.size() > kProgressShownAbove) ws.SetProgressVisible(true);
      ArchiveSource source{zip};
      state.hold_problems = true;
      state.held_problems.clear();
      try {
        ReadText(state, ws, source, unpacked_max, bytes_read, {});
      } catch (const ArchiveDamaged&) {
        state.hold_problems = false;
        EmptyAfterCancel(state, ws);
        state.report.Clear();
        ws.SetStatusText("");
        return RefuseFile(state, ws, shown_name + msg::kArchiveDamaged);
      } catch (...) {
        state.hold_problems = false;
        throw;
      }
      state.hold_problems = false;
      for (const std::string& text : state.held_problems) Say(ws, text, MsgIcon::kExclamation);
      state.held_problems.clear();
    } else if (kind != FileKind::kText) {
      return RefuseFile(state, ws, shown_name + FileKindMessage(kind) + msg::kNotGedcomAdvice);
    } else {
      ReadText(state, ws, in, progress_max, bytes_read, first);
    }

    FlushWorkRecords(state);
    state.links.Finish(state.report);
    in.Close();
    w.individual_file.Close();
    w.family_file.Close();
    w.kin_log.Close();
  } catch (const Cancelled&) {
    EmptyAfterCancel(state, ws);
    return LoadOutcome::kInterrupted;
  } catch (const WorkFolderFullError&) {
    return StopWhenWorkFolderFull(state, ws, length, bytes_read);
  } catch (const RecordLimitError& e) {
    // Refused whole: nothing of the file counts as loaded.
    ResetCounters(state, ws);
    ws.SetBusy(false);
    Say(ws, e.what(), MsgIcon::kExclamation);
    ws.SetProgressVisible(false);
    state.load_failure = e.what();
    return LoadOutcome::kTooLarge;
  } catch (const std::exception& e) {
    // The last records are written when the reading ends.
    if (IsOutOfSpace(e)) return StopWhenWorkFolderFull(state, ws, length, bytes_read);
    // The window shows nothing more here; a caller may tell why.
    state.load_failure = e.what();
    ReportUnshownProblems(state, ws);
    return LoadOutcome::kFailed;
  }

  ReportUnshownProblems(state, ws);
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
