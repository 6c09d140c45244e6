// What the program keeps of a person and of a family, line by line: names,
// sex, four events, family links; husband, wife, marriage and children.
#include "gedcom/processors.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "records/kin_log.h"
#include "records/work_records.h"
#include "text/display.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

// The record's 16-bit count of FAMS or CHIL lines, one up. At the limit
// the line is left out, and said once per record: a file that gets there
// is a GEDCOM file, only an unusual one.
// The message is built only then: this runs for every such line.
bool CountLine(std::int16_t& count, bool& limit_reported, WindowServices& ws, const char* start,
               const std::string& id, const char* end) {
  if (count < INT16_MAX) {
    ++count;
    return true;
  }
  if (!limit_reported) {
    limit_reported = true;
    Say(ws, start + text::EscapeForDisplay(id) + end, MsgIcon::kExclamation);
  }
  return false;
}

// What a line does to the working records, told by its whole path; every
// other path does nothing.
enum class LineRole : std::uint8_t {
  kNone,
  kIndiStart, kName, kTitle, kNamePrefix, kNameSuffix, kNickname, kGivenName, kSurname,
  kSex, kAfn, kFamc, kFams, kDeath, kBurial, kBirth, kChr,
  kFamStart, kHusband, kWife, kChild, kMarriage,
  // Kept for the kinship columns only.
  kOccupation, kReligion, kResidence, kResidencePlace, kPedigree,
  // Events: a date or place of the individual's or the family's record.
  kBirthDate, kBirthPlace, kChrDate, kChrPlace, kDeathDate, kDeathPlace, kBurialDate,
  kBurialPlace, kMarriageDate, kMarriagePlace,
};

bool IsEvent(LineRole role) { return role >= LineRole::kBirthDate; }
bool IsIndividualEvent(LineRole role) { return IsEvent(role) && role < LineRole::kMarriageDate; }

// Paths of 8 to 16 bytes compare as their first and last eight bytes,
// which together hold every byte.
constexpr std::uint64_t EightBytes(std::string_view s, std::size_t at) {
  std::uint64_t w = 0;
  for (std::size_t i = 0; i < 8; ++i) w |= std::uint64_t{static_cast<unsigned char>(s[at + i])} << (8 * i);
  return w;
}

std::uint64_t LoadEightBytes(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}

struct PathRole {
  std::uint64_t head;
  std::uint64_t tail;
  LineRole role;
};

constexpr PathRole Entry(std::string_view path, LineRole role) {
  return {EightBytes(path, 0), EightBytes(path, path.size() - 8), role};
}

using R = LineRole;
constexpr PathRole kPaths8[] = {
    Entry("INDI:SEX", R::kSex), Entry("INDI:AFN", R::kAfn), Entry("FAM:HUSB", R::kHusband),
    Entry("FAM:WIFE", R::kWife), Entry("FAM:CHIL", R::kChild), Entry("INDI:CHR", R::kChr),
    Entry("FAM:MARR", R::kMarriage),
};
constexpr PathRole kPaths9[] = {
    Entry("INDI:NAME", R::kName), Entry("INDI:TITL", R::kTitle), Entry("INDI:FAMC", R::kFamc),
    Entry("INDI:FAMS", R::kFams), Entry("INDI:DEAT", R::kDeath),
    Entry("INDI:BURI", R::kBurial), Entry("INDI:BIRT", R::kBirth),
    Entry("INDI:OCCU", R::kOccupation), Entry("INDI:RELI", R::kReligion), Entry("INDI:RESI", R::kResidence),
};
constexpr PathRole kPaths13[] = {
    Entry("INDI:CHR:DATE", R::kChrDate), Entry("INDI:CHR:PLAC", R::kChrPlace),
    Entry("FAM:MARR:DATE", R::kMarriageDate), Entry("FAM:MARR:PLAC", R::kMarriagePlace),
};
constexpr PathRole kPaths14[] = {
    Entry("INDI:BIRT:DATE", R::kBirthDate), Entry("INDI:BIRT:PLAC", R::kBirthPlace),
    Entry("INDI:DEAT:DATE", R::kDeathDate), Entry("INDI:DEAT:PLAC", R::kDeathPlace),
    Entry("INDI:BURI:DATE", R::kBurialDate), Entry("INDI:BURI:PLAC", R::kBurialPlace),
    Entry("INDI:NAME:GIVN", R::kGivenName), Entry("INDI:NAME:SURN", R::kSurname),
    Entry("INDI:NAME:NPFX", R::kNamePrefix), Entry("INDI:NAME:NSFX", R::kNameSuffix),
    Entry("INDI:NAME:NICK", R::kNickname), Entry("INDI:NAME:TITL", R::kTitle),
    Entry("INDI:RESI:PLAC", R::kResidencePlace), Entry("INDI:FAMC:PEDI", R::kPedigree),
};

template <std::size_t N>
LineRole Lookup(std::string_view path, const PathRole (&table)[N]) {
  const std::uint64_t head = LoadEightBytes(path.data());
  const std::uint64_t tail = LoadEightBytes(path.data() + path.size() - 8);
  for (const PathRole& e : table) {
    if (e.head == head && e.tail == tail) return e.role;
  }
  return LineRole::kNone;
}

// Once a line: by length first, then at most a dozen word compares.
LineRole RoleOf(std::string_view path) {
  switch (path.size()) {
    case 3: return path == "FAM" ? LineRole::kFamStart : LineRole::kNone;
    case 4: return path == "INDI" ? LineRole::kIndiStart : LineRole::kNone;
    case 8: return Lookup(path, kPaths8);
    case 9: return Lookup(path, kPaths9);
    case 13: return Lookup(path, kPaths13);
    case 14: return Lookup(path, kPaths14);
    default: return LineRole::kNone;
  }
}

// GEDCOM writes the surname between two slashes, where it stands in the
// name: text after it is a suffix (William /Blythe/ II), or the given name
// when nothing comes before the surname (/田中/ 春子, /Kovács/ János). A
// value with more than two slashes is not read that way: its third part is
// as likely another surname as a suffix.
// "@VOID@" is GEDCOM 7's null pointer: the link is known not to exist. It
// names no record, so it takes no marriage slot and counts as no child.
bool IsVoidLink(LineRole role, std::string_view value) {
  switch (role) {
    case LineRole::kFamc: case LineRole::kFams: case LineRole::kHusband: case LineRole::kWife: case LineRole::kChild:
      return value == "VOID";
    default:
      return false;
  }
}

// Of several structures of one kind in a record the first is the
// preferred one, taken whole: a later one's date, place or name parts do
// not replace the first's, even where the first has none. A bit per kind.
std::uint8_t StructureOf(LineRole role) {
  switch (role) {
    case LineRole::kBirth: case LineRole::kBirthDate: case LineRole::kBirthPlace: return 1;
    case LineRole::kChr: case LineRole::kChrDate: case LineRole::kChrPlace: return 2;
    case LineRole::kDeath: case LineRole::kDeathDate: case LineRole::kDeathPlace: return 4;
    case LineRole::kBurial: case LineRole::kBurialDate: case LineRole::kBurialPlace: return 8;
    case LineRole::kMarriage: case LineRole::kMarriageDate: case LineRole::kMarriagePlace: return 16;
    case LineRole::kName: return 32;
    default: return 0;
  }
}

// A structure's own line: the first of its kind is taken, a later one
// skipped with everything under it.
void StartStructure(WorkState& w, LineRole role) {
  const std::uint8_t kind = StructureOf(role);
  w.skipping_structure = (w.structures_seen & kind) != 0 ? kind : 0;
  w.structures_seen |= kind;
}

bool Skipped(const WorkState& w, LineRole role) {
  return w.skipping_structure != 0 && w.skipping_structure == StructureOf(role);
}

void NameAnalysis(IndividualRecord& rec, std::string_view value) {
  std::string_view given;
  std::string_view surname;
  // Only the first NAME line sets the full name: later ones skip building it.
  const bool wants_full = rec.IsBlank(IndiField::kFullName);
  std::string_view after;
  std::string full;
  std::size_t start = 0;
  int part = 0;
  for (;;) {
    const auto slash = value.find('/', start);
    const std::string_view piece =
        value.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (part == 0) given = piece;
    if (part == 1) surname = piece;
    if (part == 2) after = piece;
    if (wants_full) {
      full.append(piece);
      full.push_back(' ');
    }
    ++part;
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  const bool surname_first = TrimSpaces(given).empty();
  const std::string_view trailing = part == 3 ? TrimSpaces(after) : std::string_view{};
  if (wants_full) rec.Set(IndiField::kFullName, full);
  if (rec.IsBlank(IndiField::kGivenName)) {
    if (!surname_first) {
      rec.Set(IndiField::kGivenName, given);
    } else if (!trailing.empty()) {
      rec.Set(IndiField::kGivenName, trailing);
    }
  }
  if (rec.IsBlank(IndiField::kSurname) && !TrimSpaces(surname).empty()) {
    rec.Set(IndiField::kSurname, surname);
  }
  // Like the parts above, a later NAME line only fills a blank suffix; the
  // NSFX line under the name comes after it and replaces it.
  if (!surname_first && !trailing.empty() && rec.IsBlank(IndiField::kNameSuffix)) {
    rec.Set(IndiField::kNameSuffix, trailing);
  }
}

void StoreIfNonEmpty(IndividualRecord& rec, IndiField field, std::string_view value) {
  if (!value.empty()) rec.Set(field, value);
}

// A part under a later NAME only fills what the names before it left
// blank, as the later NAME line itself does.
void StoreNamePart(const WorkState& w, IndividualRecord& rec, IndiField field, std::string_view value) {
  if (w.skipping_structure == StructureOf(LineRole::kName) && !rec.IsBlank(field)) return;
  StoreIfNonEmpty(rec, field, value);
}

// The longest-id figures count characters, as every width does.
std::int32_t IdCharacters(std::string_view id) {
  return static_cast<std::int32_t>(text::IsValidUtf8(id) ? text::CodePointCount(id) : id.size());
}

void PutIndividual(WorkState& w) {
  PutWorkRecord(w.individual_file, w.individual_records, w.individual_number, w.individual.Pack());
}

void PutFamily(WorkState& w) {
  PutWorkRecord(w.family_file, w.family_records, w.family_number, w.family.Pack());
}

}  // namespace

std::string CounterCaption(std::int64_t value) {
  char caption[24];
  char* end = std::to_chars(caption, caption + sizeof caption - 1, value).ptr;
  *end++ = ' ';
  return std::string(caption, end);
}

void ReportProblem(RunState& state, WindowServices& ws, const std::string& text) {
  // Past the front end's limit only the count goes on; the loader reports it
  // once at the end. The reading report lists every one.
  std::string one_line = text;
  std::replace(one_line.begin(), one_line.end(), '\n', ' ');
  state.report.Add(state.parser.line_number, state.parser.record_id, ReadingProblem::kUnreadableLine, one_line);
  if (++state.problem_count > state.problem_limit) return;
  if (state.hold_problems) {
    state.held_problems.push_back(text);
  } else {
    Say(ws, text, MsgIcon::kExclamation);
  }
}

void AdvanceCounter(RunState& state, WindowServices& ws, int index) {
  ++state.counters[index];
  ws.ShowCounter(index, CounterCaption(state.counters[index]));
}

void StartIndividualRecord(RunState& state, WindowServices& ws) {
  WorkState& w = state.work;
  if (w.individual_count >= w.record_limit) throw RecordLimitError();
  try {
    if (w.individual_count > 0) PutIndividual(w);
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
  w.structures_seen = 0;
  w.skipping_structure = 0;
}

void StartFamilyRecord(RunState& state, WindowServices& ws) {
  WorkState& w = state.work;
  if (w.family_count >= w.record_limit) throw RecordLimitError();
  try {
    if (w.family_count > 0) PutFamily(w);
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
  w.structures_seen = 0;
  w.skipping_structure = 0;
}

void FlushWorkRecords(RunState& state) {
  WorkState& w = state.work;
  if (w.individual_number > 0) PutIndividual(w);
  if (w.family_number > 0) PutFamily(w);
}

namespace {

// A date or place of an event; the dates are counted.
void StoreEvent(RunState& state, WindowServices& ws, LineRole role) {
  const std::string& value = state.parser.current_value;
  IndividualRecord& rec = state.work.individual;
  if (Skipped(state.work, role)) return;
  try {
    switch (role) {
      case LineRole::kBirthDate:
        rec.Set(IndiField::kBirthDate, value);
        AdvanceCounter(state, ws, 1);
        break;
      case LineRole::kBirthPlace: rec.Set(IndiField::kBirthPlace, value); break;
      case LineRole::kChrDate:
        rec.Set(IndiField::kChrDate, value);
        AdvanceCounter(state, ws, 2);
        break;
      case LineRole::kChrPlace: rec.Set(IndiField::kChrPlace, value); break;
      case LineRole::kDeathDate:
        rec.Set(IndiField::kDeathDate, value);
        AdvanceCounter(state, ws, 3);
        break;
      case LineRole::kDeathPlace: rec.Set(IndiField::kDeathPlace, value); break;
      case LineRole::kBurialDate:
        rec.Set(IndiField::kBurialDate, value);
        AdvanceCounter(state, ws, 4);
        break;
      case LineRole::kBurialPlace: rec.Set(IndiField::kBurialPlace, value); break;
      case LineRole::kMarriageDate:
        state.work.family.Set(FamField::kMarriageDate, value);
        AdvanceCounter(state, ws, 7);
        break;
      case LineRole::kMarriagePlace: state.work.family.Set(FamField::kMarriagePlace, value); break;
      default: break;
    }
  } catch (const std::exception& e) {
    ReportProblem(state, ws, std::string(msg::kProblemProcessEvent) + text::EscapeForDisplay(state.parser.current_path) + "\n" + e.what());
  }
}

}  // namespace

void ProcessINDI(RunState& state, WindowServices& ws) {
  const std::string_view path = state.parser.current_path;
  const std::string& value = state.parser.current_value;
  WorkState& w = state.work;
  IndividualRecord& rec = w.individual;
  const LineRole role = RoleOf(path);
  if (IsIndividualEvent(role)) {
    StoreEvent(state, ws, role);
    return;
  }
  if (IsVoidLink(role, value)) return;
  try {
    switch (role) {
      case LineRole::kIndiStart: {
        w.current_individual_id = std::string(TrimSpaces(value));
        StartIndividualRecord(state, ws);
        AdvanceCounter(state, ws, 0);
        if (w.current_individual_id.empty()) {
          state.report.Add(state.parser.line_number, "", ReadingProblem::kRecordWithoutId, "INDI");
        }
        rec.Set(IndiField::kIndiId, w.current_individual_id);
        const auto len = IdCharacters(w.current_individual_id);
        if (len > w.max_individual_id_length) w.max_individual_id_length = len;
        w.individual_index.Append(w.current_individual_id);
        break;
      }
      case LineRole::kName:
        StartStructure(w, role);
        if (!value.empty()) NameAnalysis(rec, value);
        break;
      case LineRole::kTitle:
        if (path.size() > 9) {
          StoreNamePart(w, rec, IndiField::kTitle, value);
        } else {
          StoreIfNonEmpty(rec, IndiField::kTitle, value);
        }
        break;
      case LineRole::kNamePrefix: StoreNamePart(w, rec, IndiField::kNamePrefix, value); break;
      case LineRole::kNameSuffix: StoreNamePart(w, rec, IndiField::kNameSuffix, value); break;
      case LineRole::kNickname: StoreNamePart(w, rec, IndiField::kNickname, value); break;
      case LineRole::kGivenName: StoreNamePart(w, rec, IndiField::kGivenName, value); break;
      case LineRole::kSurname: StoreNamePart(w, rec, IndiField::kSurname, value); break;
      case LineRole::kBirth: case LineRole::kChr: StartStructure(w, role); break;
      case LineRole::kSex: rec.Set(IndiField::kSex, value); break;
      case LineRole::kAfn: rec.Set(IndiField::kAfn, value); break;
      case LineRole::kFamc:
        rec.Set(IndiField::kFamc, value);
        w.kin_log.Add(KinLine::kFamc, w.individual_number, value);
        break;
      case LineRole::kPedigree: w.kin_log.Add(KinLine::kPedigree, w.individual_number, value); break;
      case LineRole::kOccupation: w.kin_log.Add(KinLine::kOccupation, w.individual_number, value); break;
      case LineRole::kReligion: w.kin_log.Add(KinLine::kReligion, w.individual_number, value); break;
      case LineRole::kResidence: w.kin_log.Add(KinLine::kResidence, w.individual_number, value); break;
      case LineRole::kResidencePlace:
        w.kin_log.Add(KinLine::kResidencePlace, w.individual_number, value);
        break;
      case LineRole::kFams:
        w.kin_log.Add(KinLine::kFams, w.individual_number, value);
        if (rec.IsBlank(IndiField::kFams1)) {
          rec.Set(IndiField::kFams1, value);
        } else if (rec.IsBlank(IndiField::kFams2)) {
          rec.Set(IndiField::kFams2, value);
        } else {
          rec.Set(IndiField::kFams3, value);
        }
        {
          std::int16_t count = rec.Count();
          if (CountLine(count, w.individual_count_limit_said, ws, msg::kTooManyFamsStart, w.current_individual_id,
                        msg::kTooManyFamsEnd)) {
            rec.SetCount(count);
            AdvanceCounter(state, ws, 6);
          }
        }
        break;
      case LineRole::kDeath: case LineRole::kBurial: {
        StartStructure(w, role);
        // The event alone is evidence of death, with or without a date.
        const auto n = static_cast<std::size_t>(w.individual_number);
        if (n > 0) {
          if (w.death_recorded.size() <= n) w.death_recorded.resize(n + 1);
          w.death_recorded[n] = true;
        }
        break;
      }
      default: break;
    }
  } catch (const LoadStopError&) {
    throw;  // ends the load, not just this line
  } catch (const std::exception& e) {
    ReportProblem(state, ws, std::string(msg::kProblemProcessIndi) + "\n" + text::EscapeForDisplay(path) + ": " + text::EscapeForDisplay(value) + "\n" + e.what());
  }
}

void ProcessHEAD(RunState& state, WindowServices& ws) {
  if (state.parser.current_path != "HEAD:GEDC:VERS") return;
  // A 7.x file is UTF-8 by definition and has no CHAR line; saying which
  // standard is being read tells the user why.
  const std::string_view version = TrimSpaces(state.parser.current_value);
  if (version.size() >= 2 && version[0] == '7' && version[1] == '.') {
    state.parser.gedcom7 = true;
    ws.ShowReadingNote(msg::kReadingGedcomStart + text::EscapeForDisplay(version, 20));
  }
}

void ProcessEvent(RunState& state, WindowServices& ws) {
  const LineRole role = RoleOf(state.parser.current_path);
  if (IsEvent(role)) StoreEvent(state, ws, role);
}

void ProcessFAM(RunState& state, WindowServices& ws) {
  const std::string_view path = state.parser.current_path;
  const std::string& value = state.parser.current_value;
  WorkState& w = state.work;
  FamilyRecord& rec = w.family;
  const LineRole role = RoleOf(path);
  if (role == LineRole::kMarriageDate || role == LineRole::kMarriagePlace) {
    StoreEvent(state, ws, role);
    return;
  }
  if (IsVoidLink(role, value)) return;
  try {
    switch (role) {
      case LineRole::kFamStart: {
        w.current_family_id = std::string(TrimSpaces(value));
        StartFamilyRecord(state, ws);
        AdvanceCounter(state, ws, 5);
        if (w.current_family_id.empty()) {
          state.report.Add(state.parser.line_number, "", ReadingProblem::kRecordWithoutId, "FAM");
        }
        rec.Set(FamField::kFamId, w.current_family_id);
        const auto len = IdCharacters(w.current_family_id);
        if (len > w.max_family_id_length) w.max_family_id_length = len;
        w.family_index.Append(w.current_family_id);
        break;
      }
      case LineRole::kMarriage: StartStructure(w, role); break;
      case LineRole::kHusband:
        rec.Set(FamField::kHusbandId, value);
        w.family_index.SetExtra(w.family_number, 1, value);
        break;
      case LineRole::kWife:
        rec.Set(FamField::kWifeId, value);
        w.family_index.SetExtra(w.family_number, 2, value);
        break;
      case LineRole::kChild: {
        w.kin_log.Add(KinLine::kChild, w.family_number, value);
        std::int16_t count = rec.Count();
        if (CountLine(count, w.family_count_limit_said, ws, msg::kTooManyChilStart, w.current_family_id,
                      msg::kTooManyChilEnd)) {
          rec.SetCount(count);
        }
        break;
      }
      default: break;
    }
  } catch (const LoadStopError&) {
    throw;  // ends the load, not just this line
  } catch (const std::exception& e) {
    ReportProblem(state, ws, std::string(msg::kProblemProcessFam) + "\n" + text::EscapeForDisplay(path) + ": " + text::EscapeForDisplay(value) + "\n" + e.what());
  }
}

}  // namespace kinsheet
