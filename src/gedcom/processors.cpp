// What the program keeps of a person and of a family, line by line: names,
// sex, four events, family links; husband, wife, marriage and children.
#include "gedcom/processors.h"

#include <stdexcept>
#include <string>

#include "records/work_records.h"
#include "text/display.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

// The record's 16-bit count of FAMS or CHIL lines, one up. At the limit
// the line is left out, and said once per record: a file that gets there
// is a GEDCOM file, only an unusual one.
bool CountLine(std::int16_t& count, bool& limit_reported, WindowServices& ws, const std::string& what) {
  if (count < INT16_MAX) {
    ++count;
    return true;
  }
  if (!limit_reported) {
    limit_reported = true;
    Say(ws, what, MsgIcon::kExclamation);
  }
  return false;
}

bool StartsWithAny(std::string_view path, std::size_t n,
                   std::initializer_list<std::string_view> prefixes) {
  if (path.size() < n) return false;
  const std::string_view head = path.substr(0, n);
  for (std::string_view p : prefixes) {
    if (head[n - 3] == p[n - 3] && head == p) return true;
  }
  return false;
}

void NameAnalysis(IndividualRecord& rec, std::string_view value) {
  std::string_view given;
  std::string_view surname;
  std::string full;
  std::size_t start = 0;
  int part = 0;
  for (;;) {
    const auto slash = value.find('/', start);
    const std::string_view piece =
        value.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (part == 0) given = piece;
    if (part == 1) surname = piece;
    full.append(piece);
    full.push_back(' ');
    ++part;
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  if (rec.IsBlank(IndiField::kFullName)) rec.Set(IndiField::kFullName, full);
  if (rec.IsBlank(IndiField::kGivenName) && !TrimSpaces(given).empty()) {
    rec.Set(IndiField::kGivenName, given);
  }
  if (rec.IsBlank(IndiField::kSurname) && !TrimSpaces(surname).empty()) {
    rec.Set(IndiField::kSurname, surname);
  }
}

void StoreIfNonEmpty(IndividualRecord& rec, IndiField field, std::string_view value) {
  if (!value.empty()) rec.Set(field, value);
}

}  // namespace

std::string CounterCaption(std::int64_t value) { return std::to_string(value) + " "; }

void ReportProblem(RunState& state, WindowServices& ws, const std::string& text) {
  // Past the front end's limit only the count goes on; the loader reports it
  // once at the end.
  if (++state.problem_count <= state.problem_limit) Say(ws, text, MsgIcon::kExclamation);
}

void AdvanceCounter(RunState& state, WindowServices& ws, int index) {
  ++state.counters[index];
  ws.ShowCounter(index, CounterCaption(state.counters[index]));
}

void StartIndividualRecord(RunState& state, WindowServices& ws) {
  WorkState& w = state.work;
  if (w.individual_count >= w.record_limit) throw RecordLimitError();
  try {
    if (w.individual_count > 0) w.individual_file.PutRecord(w.individual_number, w.individual.data());
  } catch (const std::exception& e) {
    if (IsOutOfSpace(e)) throw WorkFolderFullError(e.what());
    ReportProblem(state, ws, std::string(msg::kProblemAddingIndiv) + std::to_string(w.individual_count) + " - " +
                std::to_string(w.individual_number) + "\n" + e.what());
    return;
  }
  ++w.individual_count;
  w.individual_number = w.individual_count;
  w.individual.Clear();
  w.individual_count_limit_said = false;
}

void StartFamilyRecord(RunState& state, WindowServices& ws) {
  WorkState& w = state.work;
  if (w.family_count >= w.record_limit) throw RecordLimitError();
  try {
    if (w.family_count > 0) w.family_file.PutRecord(w.family_number, w.family.data());
  } catch (const std::exception& e) {
    if (IsOutOfSpace(e)) throw WorkFolderFullError(e.what());
    ReportProblem(state, ws, std::string(msg::kProblemAddingFamil) + std::to_string(w.family_count) + " - " +
                std::to_string(w.family_number) + "\n" + e.what());
    return;
  }
  ++w.family_count;
  w.family_number = w.family_count;
  w.family.Clear();
  w.family_count_limit_said = false;
}

void FlushWorkRecords(RunState& state) {
  WorkState& w = state.work;
  if (w.individual_number > 0) w.individual_file.PutRecord(w.individual_number, w.individual.data());
  if (w.family_number > 0) w.family_file.PutRecord(w.family_number, w.family.data());
}

void ProcessINDI(RunState& state, WindowServices& ws) {
  // string_view compares lengths first: most tests end there.
  const std::string_view path = state.parser.current_path;
  const std::string& value = state.parser.current_value;
  WorkState& w = state.work;
  IndividualRecord& rec = w.individual;
  try {
    if (path == "INDI") {
      w.current_individual_id = std::string(TrimSpaces(value));
      StartIndividualRecord(state, ws);
      AdvanceCounter(state, ws, 0);
      rec.Set(IndiField::kIndiId, w.current_individual_id);
      const auto len = static_cast<std::int16_t>(
          std::min<std::size_t>(w.current_individual_id.size(), INT16_MAX));
      if (len > w.max_individual_id_length) w.max_individual_id_length = len;
      w.individual_index.Append(w.current_individual_id);
    } else if (path == "INDI:NAME") {
      if (!value.empty()) NameAnalysis(rec, value);
    } else if (path == "INDI:TITL" || path == "INDI:NAME:TITL") {
      StoreIfNonEmpty(rec, IndiField::kTitle, value);
    } else if (path == "INDI:NAME:NPFX") {
      StoreIfNonEmpty(rec, IndiField::kNamePrefix, value);
    } else if (path == "INDI:NAME:NSFX") {
      StoreIfNonEmpty(rec, IndiField::kNameSuffix, value);
    } else if (path == "INDI:NAME:NICK") {
      StoreIfNonEmpty(rec, IndiField::kNickname, value);
    } else if (path == "INDI:NAME:GIVN") {
      StoreIfNonEmpty(rec, IndiField::kGivenName, value);
    } else if (path == "INDI:NAME:SURN") {
      StoreIfNonEmpty(rec, IndiField::kSurname, value);
    } else if (path == "INDI:SEX") {
      rec.Set(IndiField::kSex, value);
    } else if (path == "INDI:AFN") {
      rec.Set(IndiField::kAfn, value);
    } else if (path == "INDI:FAMC") {
      rec.Set(IndiField::kFamc, value);
    } else if (path == "INDI:FAMS") {
      if (rec.IsBlank(IndiField::kFams1)) {
        rec.Set(IndiField::kFams1, value);
      } else if (rec.IsBlank(IndiField::kFams2)) {
        rec.Set(IndiField::kFams2, value);
      } else {
        rec.Set(IndiField::kFams3, value);
      }
      std::int16_t count = rec.Count();
      if (CountLine(count, w.individual_count_limit_said, ws,
                    msg::kTooManyFamsStart + text::EscapeForDisplay(w.current_individual_id) + msg::kTooManyFamsEnd)) {
        rec.SetCount(count);
        AdvanceCounter(state, ws, 6);
      }
    } else if (path == "INDI:DEAT" || path == "INDI:BURI") {
      // The event alone is evidence of death, with or without a date.
      const auto n = static_cast<std::size_t>(w.individual_number);
      if (n > 0) {
        if (w.death_recorded.size() <= n) w.death_recorded.resize(n + 1);
        w.death_recorded[n] = true;
      }
    }
  } catch (const LoadStopError&) {
    throw;  // ends the load, not just this line
  } catch (const std::exception& e) {
    ReportProblem(state, ws, std::string(msg::kProblemProcessIndi) + "\n" + text::EscapeForDisplay(path) + ": " + text::EscapeForDisplay(value) + "\n" + e.what());
    return;
  }
  if (StartsWithAny(path, 8, {"INDI:BIR", "INDI:DEA", "INDI:CHR", "INDI:EVE", "INDI:BUR",
                              "INDI:BAP", "INDI:IMM", "INDI:EMI"})) {
    ProcessEvent(state, ws);
  }
}

void ProcessEvent(RunState& state, WindowServices& ws) {
  const std::string_view path = state.parser.current_path;
  const std::string& value = state.parser.current_value;
  IndividualRecord& rec = state.work.individual;
  struct EventField {
    std::string_view path;
    IndiField field;
    int counter;
  };
  static constexpr EventField kEvents[] = {
      {"INDI:BIRT:DATE", IndiField::kBirthDate, 1},  {"INDI:BIRT:PLAC", IndiField::kBirthPlace, -1},
      {"INDI:CHR:DATE", IndiField::kChrDate, 2},     {"INDI:CHR:PLAC", IndiField::kChrPlace, -1},
      {"INDI:DEAT:DATE", IndiField::kDeathDate, 3},  {"INDI:DEAT:PLAC", IndiField::kDeathPlace, -1},
      {"INDI:BURI:DATE", IndiField::kBurialDate, 4}, {"INDI:BURI:PLAC", IndiField::kBurialPlace, -1},
  };
  try {
    for (const EventField& e : kEvents) {
      if (path == e.path) {
        rec.Set(e.field, value);
        if (e.counter >= 0) AdvanceCounter(state, ws, e.counter);
        return;
      }
    }
    if (path == "FAM:MARR:DATE") {
      state.work.family.Set(FamField::kMarriageDate, value);
      AdvanceCounter(state, ws, 7);
    } else if (path == "FAM:MARR:PLAC") {
      state.work.family.Set(FamField::kMarriagePlace, value);
    }
  } catch (const std::exception& e) {
    ReportProblem(state, ws, std::string(msg::kProblemProcessEvent) + text::EscapeForDisplay(path) + "\n" + e.what());
  }
}

void ProcessFAM(RunState& state, WindowServices& ws) {
  const std::string_view path = state.parser.current_path;
  const std::string& value = state.parser.current_value;
  WorkState& w = state.work;
  FamilyRecord& rec = w.family;
  try {
    if (path == "FAM") {
      w.current_family_id = std::string(TrimSpaces(value));
      StartFamilyRecord(state, ws);
      AdvanceCounter(state, ws, 5);
      rec.Set(FamField::kFamId, w.current_family_id);
      const auto len = static_cast<std::int16_t>(
          std::min<std::size_t>(w.current_family_id.size(), INT16_MAX));
      if (len > w.max_family_id_length) w.max_family_id_length = len;
      w.family_index.Append(w.current_family_id);
    } else if (path == "FAM:HUSB") {
      rec.Set(FamField::kHusbandId, value);
      w.family_index.SetExtra(w.family_number, 1, value);
    } else if (path == "FAM:WIFE") {
      rec.Set(FamField::kWifeId, value);
      w.family_index.SetExtra(w.family_number, 2, value);
    } else if (path == "FAM:CHIL") {
      std::int16_t count = rec.Count();
      if (CountLine(count, w.family_count_limit_said, ws,
                    msg::kTooManyChilStart + text::EscapeForDisplay(w.current_family_id) + msg::kTooManyChilEnd)) {
        rec.SetCount(count);
      }
    }
  } catch (const LoadStopError&) {
    throw;  // ends the load, not just this line
  } catch (const std::exception& e) {
    ReportProblem(state, ws, std::string(msg::kProblemProcessFam) + "\n" + text::EscapeForDisplay(path) + ": " + text::EscapeForDisplay(value) + "\n" + e.what());
    return;
  }
  if (StartsWithAny(path, 7, {"FAM:MAR", "FAM:DIV", "FAM:EVE", "FAM:ANU"})) {
    ProcessEvent(state, ws);
  }
}

}  // namespace kinsheet
