// Line parsing: a level digit, one tag per level kept in LevelTags, the
// value after the tag, and the record kind read from the level-0 line's end.
#include "gedcom/parser.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "gedcom/processors.h"
#include "records/work_records.h"
#include "text/display.h"
#include "text/text_routines.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

// A cross-reference loses its "@" signs; a lone "@" cannot.
std::string_view StripAts(std::string_view v) {
  if (!v.empty() && v.front() == '@' && v.back() == '@') {
    if (v.size() < 2) throw std::runtime_error(msg::kInvalidCall);
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// The value of `line` given its second word, which the parser has already
// found for the tag: a line is split once.
std::string_view GedValue(std::string_view line, const std::optional<std::string_view>& w) {
  if (!w) throw std::runtime_error(msg::kSubscriptOutOfRange);
  std::string_view value;
  if (!w->empty() && w->front() == '@' && w->back() == '@') {
    value = StripAts(*w);
  } else if (line.size() > w->size() + 2) {
    value = StripAts(line.substr(w->size() + 3));
  }
  return TrimSpaces(value);
}

bool IsXref(std::string_view w) { return w.size() > 2 && w.front() == '@' && w.back() == '@'; }

// The text after the word `w` of `line`, untrimmed.
std::string_view After(std::string_view line, std::string_view w) {
  const std::size_t end = static_cast<std::size_t>(w.data() - line.data()) + w.size();
  return end < line.size() ? line.substr(end + 1) : std::string_view();
}

// A record's tag. A GEDCOM 7 file's records are read by their tag word;
// older files by the end of the line, as they always were. A shared note
// (SNOTE, from 7) is a note whatever its text ends with.
std::string_view RecordTag(std::string_view line, const std::optional<std::string_view>& second, bool gedcom7) {
  std::string_view word = second.value_or(std::string_view());
  if (IsXref(word)) {
    const std::string_view rest = TrimSpaces(After(line, word));
    word = rest.substr(0, rest.find(' '));
  }
  if (word == "SNOTE" || (gedcom7 && !word.empty())) return word;
  return TrimSpaces(line.substr(line.size() - std::min<std::size_t>(4, line.size())));
}

// What a line tells the link check: the record an id defines, or the id a
// pointer names. "@VOID@" is GEDCOM 7's null pointer, which names nothing.
void CollectLinks(RunState& state, int level, std::string_view line, const std::optional<std::string_view>& second) {
  ParserState& p = state.parser;
  if (!second) return;
  if (level == 0) {
    p.record_id.clear();
    if (!IsXref(*second)) return;
    p.record_id.assign(TrimSpaces(second->substr(1, second->size() - 2)));
    if (!state.links.Define(p.record_id)) {
      state.report.Add(p.line_number, p.record_id, ReadingProblem::kDuplicateId, "@" + p.record_id + "@");
    }
    return;
  }
  const std::string_view value = TrimSpaces(After(line, *second));
  if (!IsXref(value) || value[1] == '#' || value.find(' ') != std::string_view::npos) return;
  const std::string_view target = value.substr(1, value.size() - 2);
  if (target == "VOID") return;
  LinkKind kind = LinkKind::kOther;
  if (level == 1 && p.current_path == "INDI:FAMC") kind = LinkKind::kFamc;
  if (level == 1 && p.current_path == "FAM:CHIL") kind = LinkKind::kChil;
  state.links.Pointer(kind, p.line_number, p.record_id, target);
}

}  // namespace

std::string GetGedValue(std::string_view line) { return std::string(GedValue(line, SecondWord(line))); }

void ParseGedRec(RunState& state, WindowServices& ws, std::string_view raw) {
  const std::string_view line = TrimSpaces(raw);
  if (line.size() < 3) return;
  ParserState& p = state.parser;
  try {
    const char c = line.front();
    if (c < '0' || c > '9') throw std::runtime_error(msg::kTypeMismatch);
    const int level = c - '0';
    const auto depth = static_cast<std::size_t>(level);
    // The path up to the level above is what earlier lines built: only this
    // level, and any level a line skipped (empty), is written again.
    const std::size_t from = std::min(p.levels, depth);
    p.levels = depth + 1;
    const std::optional<std::string_view> second = SecondWord(line);
    const std::string_view tag = level > 0 ? second.value_or(std::string_view()) : RecordTag(line, second, p.gedcom7);
    // Levels the line skipped have empty tags.
    p.current_path.resize(from == 0 ? 0 : p.level_ends[from - 1]);
    for (std::size_t i = from; i <= depth; ++i) {
      if (i > 0) p.current_path += ':';
      if (i == depth) p.current_path += tag;
      p.level_ends[i] = p.current_path.size();
    }
    p.current_value.assign(GedValue(line, second));
    CollectLinks(state, level, line, second);
    if (p.gedcom7 && !p.conc_reported && level > 0 && tag == "CONC") {
      p.conc_reported = true;
      state.report.Add(p.line_number, p.record_id, ReadingProblem::kConcInGedcom7);
    }
  } catch (const std::exception&) {
    ReportProblem(state, ws, std::string(msg::kProblemParsing) + text::EscapeForDisplay(line));
    return;
  }
  LoadTables(state, ws);
}

namespace {

// A value the line stored that its field could not hold whole.
void ReportCutValue(RunState& state) {
  WorkState& w = state.work;
  if (w.individual.TakeCut() || w.family.TakeCut()) {
    state.report.Add(state.parser.line_number, state.parser.record_id, ReadingProblem::kValueCut,
                     state.parser.current_path);
  }
}

}  // namespace

void LoadTables(RunState& state, WindowServices& ws) {
  const std::string_view kind = std::string_view(state.parser.current_path).substr(0, 3);
  try {
    if (kind == "IND") {
      ProcessINDI(state, ws);
    } else if (kind == "FAM") {
      ProcessFAM(state, ws);
    } else if (kind == "HEA") {
      ProcessHEAD(state, ws);
    }
    ReportCutValue(state);
  } catch (const LoadStopError&) {
    throw;
  } catch (const std::exception& e) {
    ReportProblem(state, ws,
                  std::string(msg::kProblemLoadTables) + text::EscapeForDisplay(state.parser.current_path) + "\n" + e.what());
  }
}

}  // namespace kinsheet
