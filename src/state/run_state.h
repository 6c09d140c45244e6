// Everything that lives for the whole run, in one object made by main and
// passed by reference: run-wide names, work files and id tables, counters,
// the parser's state, the field boxes and the browser's scroll bar.
#pragma once

#include <array>
#include <optional>
#include <cstdint>
#include <string>
#include <vector>

#include "fileio/file_open.h"
#include "fileio/navigate.h"
#include "fileio/replacement.h"
#include "records/reading_report.h"
#include "records/kin_log.h"
#include "records/work_records.h"

namespace kinsheet {

// The field boxes: the 28 of every export, then the "More fields" group
// (kinship and computed columns), numbered on from 28.
inline constexpr int kFieldCount = 28;
inline constexpr int kMoreFieldCount = 13;
inline constexpr int kAllFieldCount = kFieldCount + kMoreFieldCount;
inline constexpr int kCounterCount = 8;

struct FieldSelection {
  std::array<bool, kAllFieldCount> ticked{};
  bool incl_spouse = false;
  bool incl_spouse_enabled = false;
  bool Any() const {
    for (bool t : ticked) {
      if (t) return true;
    }
    return false;
  }
  // Whether any box of the "More fields" group is ticked.
  bool AnyMore() const {
    for (int i = kFieldCount; i < kAllFieldCount; ++i) {
      if (ticked[static_cast<std::size_t>(i)]) return true;
    }
    return false;
  }
};

// The calendar year of the system clock, in local time.
int CurrentYear();

struct ScrollBarState {
  bool enabled = false;
  std::int32_t min = 0;
  std::int32_t max = 0;
  std::int32_t value = 0;
};

// LevelTags, CurrentPath and CurrentValue: the parser's view of one line.
// LevelTags are kept in the path itself: level i's tag is the part of
// current_path that ends at level_ends[i] (after a ':' for i > 0).
struct ParserState {
  std::size_t levels = 0;                    // levels in the current path
  std::array<std::size_t, 10> level_ends{};  // a level is one digit
  std::string current_path;
  std::string current_value;
  // The current line's number in the file, and the id of the record it
  // belongs to (empty before the first record and in one without an id).
  std::int64_t line_number = 0;
  std::string record_id;
  // HEAD.GEDC.VERS said 7.x: record tags are read as words, CONC is a
  // problem (said once).
  bool gedcom7 = false;
  bool conc_reported = false;
};

struct WorkState {
  IndividualRecord individual;  // working record
  FamilyRecord family;
  // Where a person's own record is read when its file cannot be mapped.
  std::string individual_scratch;
  std::int32_t individual_count = 0;  // IndividualCount
  std::int32_t family_count = 0;      // FamilyCount
  std::int32_t individual_number = 0;  // where the working record goes
  std::int32_t family_number = 0;
  IdTable individual_index{0};  // IndividualIndex
  RecordIndex individual_records;  // where each record starts in its file
  RecordIndex family_records;
  IdTable family_index{2};      // FamilyIndex: id, husband 1, wife 2
  // Records of one kind a load may hold; lower only in tests.
  std::int32_t record_limit = kMaxRecordNumber;
  std::int32_t max_individual_id_length = 0;  // MaxIndividualIdLength
  std::int32_t max_family_id_length = 0;      // MaxFamilyIdLength
  std::string current_individual_id;
  std::string current_family_id;
  File individual_file;  // open during a load only
  File family_file;
  // Bit n: individual record n has a death or burial event, even one with
  // neither date nor place ("1 DEAT Y"). Kept here rather than in the
  // record, whose bytes stay as they are.
  std::vector<bool> death_recorded;
  // Family links, PEDI, OCCU, RELI and RESI lines, for the kinship
  // columns: open during a load only.
  KinLogWriter kin_log;
  // The working record's FAMS or CHIL count reached 32767 and the user has
  // been told.
  bool individual_count_limit_said = false;
  bool family_count_limit_said = false;
  // Of several structures of one kind (BIRT, CHR, DEAT, BURI, MARR, NAME)
  // the first is the preferred one and is taken whole: a bit per kind seen
  // in the current record, and the kind whose later structure is being
  // skipped (0: none).
  std::uint8_t structures_seen = 0;
  std::uint8_t skipping_structure = 0;
};

// What an export does with people presumed living.
enum class LivingMode { kInclude, kPrivate, kExclude };

inline constexpr int kDefaultLivingYears = 110;

struct LivingOptions {
  LivingMode mode = LivingMode::kInclude;
  // Born or christened at least this many years before the current year
  // counts as dead.
  int years = kDefaultLivingYears;
  int current_year = CurrentYear();
};

// Who is presumed living, settled once per export before its file is
// chosen, for the options and the load it was settled for.
struct LivingPlan {
  bool settled = false;
  LivingOptions settled_for;
  std::int32_t individual_count = 0;
  std::vector<bool> living;  // bit n for record n; empty with kInclude
  std::int32_t rows = 0;     // rows the export writes
};

struct RunState {
  // Folder of the program, never ending in a separator.
  std::string program_folder;
  // Where the work files live: the program's own private folder; empty
  // when none could be made, and then work_folder_problem says why.
  std::string work_folder;
  std::string work_folder_problem;
  std::string current_file_name;
  std::string name_part;
  std::string folder_part;
  std::string last_gedcom_folder;
  // The file dialog's initial folder, as the last open dialog set it.
  std::string dialog_initial_folder;

  WorkState work;
  ParserState parser;
  std::array<std::int64_t, kCounterCount> counters{};  // lblCount 0..7
  FieldSelection selection;
  ScrollBarState scroll;
  LivingOptions living;
  LivingPlan living_plan;
  // When set, the people table of the next export holds these records, in
  // this order, rather than everyone the living option writes: the rows a
  // preview shows after its sort and search. Every record in it is one the
  // living option writes.
  std::optional<std::vector<std::int32_t>> export_rows;
  // CSV for Excel: a UTF-8 byte-order mark first, so that Excel does not
  // read the file in the local code page.
  bool csv_bom = false;
  // CSV values that a spreadsheet would run as a formula (first character
  // = + - @ tab or CR) get a leading apostrophe.
  bool csv_guard = false;

  // "Problem ..." messages of one load: the front end chooses how many are
  // shown (the rest are counted and reported once), the loader counts them.
  std::int64_t problem_limit = 10;
  std::int64_t problem_count = 0;
  // While a GEDCOM archive is read the messages wait here: its checksum,
  // known only at its end, may yet say the lines were damaged data.
  bool hold_problems = false;
  std::vector<std::string> held_problems;
  // Everything the last load could not read or found inconsistent, and the
  // links it collected to check at its end. Cleared by each load.
  ReadingReport report;
  LinkCheck links;
  // Read files as bytes with line ends taken from their first 200 bytes
  // (kinsheet-batch --literal) rather than by their encoding.
  bool literal_reading = false;

  // The GEDCOM file of the last load: its path, which the exports record,
  // and its identity, so that no export replaces it under any name.
  std::string gedcom_path;
  std::optional<FileIdentity> loaded_gedcom;
  // Why the last load stopped without a message of its own, if it did.
  std::string load_failure;
  // The desktop's open program, and the ones it was asked to start whose
  // outcome the window has not yet told.
  std::string opener = "xdg-open";
  std::vector<OpenerRun> openers;
  // The person the kinship columns are relative to: an id as the file
  // writes it, without the @s; empty for none.
  std::string root_id;

  std::string IndividualWorkFile() const { return work_folder + "/Kinsheet.Ind"; }
  std::string FamilyWorkFile() const { return work_folder + "/Kinsheet.Fam"; }
  std::string KinWorkFile() const { return work_folder + "/Kinsheet.Kin"; }
};

// The files the programs look for at run time.
inline constexpr const char* kAccess2000Template = "Kinsheet2K.mdb";
inline constexpr const char* kAccess95Template = "Kinsheet95.mdb";
inline constexpr const char* kHelpPageName = "kinsheet-help.html";

// The folder with the program's data, as the program uses it: no trailing
// separator, a root folder becomes the empty text. It is the executable's
// folder when that holds the data (a build folder), else the installed data
// folder beside it (../share/kinsheet) when that does, else the executable's
// folder all the same.
std::string ProgramFolderFrom(const std::string& executable_folder);

// True when `folder` holds an Access template or the help page.
bool HoldsProgramData(const std::string& folder);

}  // namespace kinsheet
