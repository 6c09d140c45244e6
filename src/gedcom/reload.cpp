#include "gedcom/reload.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "gedcom/processors.h"
#include "state/commands.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

namespace fs = std::filesystem;

// Where the loaded file's work files wait while another loads.
std::string Aside(const std::string& path) { return path + ".previous"; }

// Everything the load replaces that describes the file loaded before it.
struct LoadedFile {
  WorkState work;
  std::array<std::int64_t, kCounterCount> counters{};
  ScrollBarState scroll;
  std::string current_file_name;
  std::string name_part;
  std::string folder_part;
  std::string gedcom_path;
  std::optional<FileIdentity> loaded_gedcom;
  LivingPlan living_plan;
};

bool MoveFile(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::rename(from, to, error);
  return !error;
}

void Remove(const std::string& path) {
  std::error_code error;
  fs::remove(path, error);
}

}  // namespace

LoadOutcome ReloadGedcom(RunState& state, WindowServices& ws, const std::string& preset) {
  const std::string ind = state.IndividualWorkFile();
  const std::string fam = state.FamilyWorkFile();
  // The kinship log follows the other two where it can; without it the old
  // file's "More fields" of links and texts come out empty.
  const std::string kin = state.KinWorkFile();
  if (state.work.individual_count == 0 || state.work_folder.empty()) return LoadGedcom(state, ws, preset);
  if (!MoveFile(ind, Aside(ind))) return LoadGedcom(state, ws, preset);
  if (!MoveFile(fam, Aside(fam))) {
    MoveFile(Aside(ind), ind);
    return LoadGedcom(state, ws, preset);
  }
  MoveFile(kin, Aside(kin));
  LoadedFile before{std::move(state.work), state.counters,  state.scroll,        state.current_file_name,
                    state.name_part,       state.folder_part, state.gedcom_path, state.loaded_gedcom,
                    std::move(state.living_plan)};
  state.work = WorkState();
  state.work.record_limit = before.work.record_limit;

  const LoadOutcome outcome = LoadGedcom(state, ws, preset);
  if (outcome != LoadOutcome::kCancelled && outcome != LoadOutcome::kInterrupted) {
    Remove(Aside(ind));
    Remove(Aside(fam));
    Remove(Aside(kin));
    return outcome;
  }

  // The new file's partial work files go, the old ones come back.
  state.work = WorkState();
  Remove(ind);
  Remove(fam);
  Remove(kin);
  MoveFile(Aside(ind), ind);
  MoveFile(Aside(fam), fam);
  MoveFile(Aside(kin), kin);
  state.work = std::move(before.work);
  state.counters = before.counters;
  state.scroll = before.scroll;
  state.current_file_name = std::move(before.current_file_name);
  state.name_part = std::move(before.name_part);
  state.folder_part = std::move(before.folder_part);
  state.gedcom_path = std::move(before.gedcom_path);
  state.loaded_gedcom = before.loaded_gedcom;
  state.living_plan = std::move(before.living_plan);
  if (outcome == LoadOutcome::kCancelled) return outcome;

  // A load stopped while reading had cleared the window: it shows the old
  // file again.
  for (int i = 0; i < kCounterCount; ++i) ws.ShowCounter(i, CounterCaption(state.counters[i]));
  // The names of the GEDCOM file, which an export since may have replaced
  // in current_file_name.
  const std::string& gedcom = state.gedcom_path;
  ws.SetCaption(msg::kCaptionStart + gedcom.substr(gedcom.rfind('/') + 1) + msg::kCaptionEnd);
  ws.ShowScrollRange(state.scroll.min, state.scroll.max);
  ws.ShowScrollEnabled(state.scroll.enabled);
  ws.ShowScrollValue(state.scroll.value);
  BrowsePage(state, ws);
  ws.SetStatusText(msg::kLoadCancelledKept + gedcom);
  return outcome;
}

}  // namespace kinsheet
