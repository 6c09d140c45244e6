// The field boxes (the 28 and the "More fields"), the bulk commands and the one rule between box 20
// (spouse's name) and the spouse option; plus the scroll bar and Exit's
// clean-up, the other state the window only mirrors.
#include <cstdio>

#include "state/commands.h"

namespace kinsheet {
namespace {
constexpr int kSpouseNameBox = 20;
}

void chkSelect_Click(RunState& state, WindowServices& ws, int index) {
  if (index != kSpouseNameBox) return;
  FieldSelection& s = state.selection;
  if (s.ticked[kSpouseNameBox]) {
    s.incl_spouse_enabled = true;
  } else {
    s.incl_spouse = false;
    s.incl_spouse_enabled = false;
  }
  ws.ShowSpouseOption(s.incl_spouse, s.incl_spouse_enabled);
}

void SetFieldBox(RunState& state, WindowServices& ws, int index, bool ticked) {
  if (index < 0 || index >= kAllFieldCount) return;
  if (state.selection.ticked[index] == ticked) return;
  state.selection.ticked[index] = ticked;
  ws.ShowFieldBox(index, ticked);
  chkSelect_Click(state, ws, index);
}

void SelectAll(RunState& state, WindowServices& ws) {
  for (int i = 0; i < kFieldCount; ++i) SetFieldBox(state, ws, i, true);
}

void DeselectAll(RunState& state, WindowServices& ws) {
  for (int i = 0; i < kAllFieldCount; ++i) SetFieldBox(state, ws, i, false);
}

void SetScrollValue(RunState& state, WindowServices& ws, std::int32_t value) {
  if (state.scroll.value == value) return;
  state.scroll.value = value;
  ws.ShowScrollValue(value);
  BrowsePage(state, ws);
}

void DeleteWorkFiles(const RunState& state) {
  // Without a work folder there are no work files, only names at the root.
  if (state.work_folder.empty()) return;
  for (const std::string& path : {state.IndividualWorkFile(), state.FamilyWorkFile(), state.KinWorkFile()}) {
    if (FileExists(path)) std::remove(path.c_str());
  }
}

}  // namespace kinsheet
