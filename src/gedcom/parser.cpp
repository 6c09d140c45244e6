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
    const std::string_view tag =
        level > 0 ? second.value_or(std::string_view())
                  : TrimSpaces(line.substr(line.size() - std::min<std::size_t>(4, line.size())));
    // Levels the line skipped have empty tags.
    p.current_path.resize(from == 0 ? 0 : p.level_ends[from - 1]);
    for (std::size_t i = from; i <= depth; ++i) {
      if (i > 0) p.current_path += ':';
      if (i == depth) p.current_path += tag;
      p.level_ends[i] = p.current_path.size();
    }
    p.current_value.assign(GedValue(line, second));
  } catch (const std::exception&) {
    ReportProblem(state, ws, std::string(msg::kProblemParsing) + text::EscapeForDisplay(line));
    return;
  }
  LoadTables(state, ws);
}

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
  } catch (const LoadStopError&) {
    throw;
  } catch (const std::exception& e) {
    ReportProblem(state, ws,
                  std::string(msg::kProblemLoadTables) + text::EscapeForDisplay(state.parser.current_path) + "\n" + e.what());
  }
}

}  // namespace kinsheet
