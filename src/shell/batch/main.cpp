// kinsheet-batch: the core from the command line, for scripts and files
// too large to click through.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "export/export_command.h"
#include "export/living.h"
#include "export/report_csv.h"
#include "export/more_columns.h"
#include "gedcom/loader.h"
#include "records/dates.h"
#include "shell/batch/console_window_services.h"
#include "fileio/replacement.h"
#include "fileio/signal_cleanup.h"
#include "fileio/work_folder.h"
#include "state/commands.h"
#include "state/startup.h"
#include "state/run_state.h"
#include "text/display.h"
#include "ui/messages.h"

namespace fs = std::filesystem;
using namespace kinsheet;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;  // as a shell reports a Ctrl+C

const char* const kToolHelp =
    "Usage: kinsheet-batch COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "Turns a GEDCOM file into one row per person, as the desktop program does.\n"
    "\n"
    "Commands:\n"
    "  counters INPUT          load INPUT and print the load counters as JSON\n"
    "  export [...] INPUT OUTPUT\n"
    "                          write OUTPUT as CSV, text, Excel, Access or SQLite\n"
    "  browse INPUT [--from N] print the browser page that starts at person N\n"
    "  dateyear TEXT           print the year the program reads in a date text\n"
    "\n"
    "  --help                  print this text ('COMMAND --help': a command's)\n"
    "  --version               print the version\n"
    "\n"
    "A file of any size loads, up to 2147483647 people and as many families;\n"
    "a larger one is refused.\n"
    "Run 'kinsheet-batch COMMAND --help' for a command's options and examples.\n"
    "Exit status: 0 done, 1 refused or failed (a 'Kinsheet:' line on standard\n"
    "error says why), 2 wrong usage, 130 cancelled with Ctrl+C (SIGINT).\n"
    "Ctrl+C, SIGTERM and SIGHUP stop the work under way: its work files go and\n"
    "no unfinished OUTPUT is left.\n"
    "\n"
    "Reading: UTF-8 (with or without a byte-order mark) and UTF-16 are told from\n"
    "the first bytes; lines end at CR LF, LF CR, CR or LF; a header's CHAR of\n"
    "ANSEL, IBMPC (code page 437) or MACINTOSH converts the lines that are not\n"
    "UTF-8. Standard error says so when a file is read that way. INPUT may be a\n"
    "pipe; '-' reads standard input. The first 100 lines that cannot be read are\n"
    "reported, then their number. A GEDCOM archive (.gdz) is read from its\n"
    "gedcom.ged.\n"
    "\n"
    "Reading report: after a load, one line on standard error counts what could\n"
    "not be read or did not agree (pointers to ids no record defines, ids defined\n"
    "twice, one-sided parent-child links, records without an id, values cut);\n"
    "each command's --report FILE.csv writes the whole list (Line, Record_ID,\n"
    "Problem, Action).\n";

const char* const kCountersHelp =
    "Usage: kinsheet-batch counters [--literal] [--report FILE.csv] INPUT\n"
    "\n"
    "Loads INPUT and prints one JSON object: the eight load counters (people,\n"
    "birth dates, christenings, deaths, burials, families, spouse-family links,\n"
    "marriage dates), the numbers of people and families, and the longest ids.\n"
    "The object is printed also when the load ends with a message (exit 1).\n"
    "  --literal    read INPUT byte for byte, line ends taken from its first 200\n"
    "               bytes (a CR there: CR or CR LF, else LF), no character sets\n"
    "  --report F   write the reading report to F as CSV (replacing F)\n"
    "\n"
    "Example:\n"
    "  kinsheet-batch counters family.ged\n";

const char* const kExportHelp =
    "Usage: kinsheet-batch export [--format csv|txt|xls|xlsx|mdb|mdb95|sqlite]\n"
    "                             [--fields all|more|LIST] [--root ID]\n"
    "                             [--living include|private|exclude]\n"
    "                             [--living-years N] [--csv-bom] [--csv-guard]\n"
    "                             [--force] [--quiet] [--literal] [--timings]\n"
    "                             [--report FILE.csv] INPUT OUTPUT\n"
    "\n"
    "Loads INPUT and writes OUTPUT with one row per person.\n"
    "  --format F   csv, txt (fixed-width report), xls (Excel 97-2003), xlsx (Excel\n"
    "               2007 and later), mdb (Access 2000, Jet 4), mdb95 (Access 95,\n"
    "               Jet 3) or sqlite (SQLite 3). Default: from OUTPUT's extension\n"
    "               (.csv, .txt, .xls, .xlsx, .mdb, .sqlite, .sqlite3, .db).\n"
    "  --fields L   'all' (default: fields 0-27), 'more' (fields 28-40), or a\n"
    "               comma-separated list of these words and field numbers:\n"
    "                0 Surname  1 Given  2 Prefix  3 Suffix  4 Title  5 Nick\n"
    "                6 Birth date  7 Birth place  8 Christened date  9 Christened place\n"
    "               10 Death date  11 Death place  12 Burial date  13 Burial place\n"
    "               14 Marriage date  15 Marriage place  16 Individual ID  17 Sex\n"
    "               18 Father's name  19 Mother's name  20 Spouse's name  21 # of children\n"
    "               22 Father's ID  23 Mother's ID  24 Spouse's ID  25 Full name\n"
    "               26 Family ID - FAMC  27 Family ID - FAMS\n"
    "               More fields, after the others in every format:\n"
    "               28 Relationship  29 Generation  30 Ahnentafel  31 Direct line\n"
    "               32 Common ancestor  33 Birth year  34 Death year  35 Age at death\n"
    "               36 Occupation  37 Religion  38 Residence  39 Spouses  40 Children\n"
    "  --root ID    the person fields 28-32 are relative to, by id (with or\n"
    "               without the @s); an id nobody has is refused before any\n"
    "               file is written. Without it those fields are empty.\n"
    "  --living M   what to do with people presumed living: include (default, as\n"
    "               they are), private (row kept with the ids, surname and sex; the\n"
    "               given name 'Living'; nothing else) or exclude (no row). Under\n"
    "               private and exclude a living relative's name shows as 'Living'\n"
    "               and the surname, and a marriage with a living partner has no\n"
    "               date or place.\n"
    "  --living-years N\n"
    "               presumed dead when born or christened at least N years ago\n"
    "               (1-999, default 110); a death or burial in the file always counts\n"
    "  --csv-bom    CSV UTF-8 for Excel: the CSV starts with a UTF-8 byte-order mark,\n"
    "               so that Excel reads accents right (without it Excel takes the\n"
    "               local code page)\n"
    "  --csv-guard  a CSV value that begins with = + - @, a tab or a carriage return\n"
    "               gets a leading apostrophe, so that a spreadsheet does not run it\n"
    "               as a formula (default: values as they are)\n"
    "  --force      replace an existing OUTPUT (otherwise it is left alone, exit 1);\n"
    "               the old file stays whole until the new one is complete, and\n"
    "               the new one gets its permissions; a file you may not write\n"
    "               is never replaced\n"
    "  --quiet      no progress bar and no completion line\n"
    "  --literal    read INPUT byte for byte, line ends taken from its first 200\n"
    "               bytes (a CR there: CR or CR LF, else LF), no character sets\n"
    "  --report F   write the reading report to F as CSV (replacing F)\n"
    "  --timings    print the seconds spent loading, writing the rows and\n"
    "               finishing the file (closing, compressing, indexing)\n"
    "An OUTPUT without any '.' that does not exist gets the format's extension\n"
    "(/dev/null stays /dev/null). INPUT '-' reads standard input; OUTPUT '-'\n"
    "writes CSV (the default for '-') or the text report to standard output, as\n"
    "it does to /dev/null or a named pipe; the other formats need a file.\n"
    "Ctrl+C stops the load or the export: no unfinished OUTPUT stays, exit 130.\n"
    "\n"
    "Examples:\n"
    "  kinsheet-batch export family.ged family.csv\n"
    "  kinsheet-batch export --fields 16,25,6,10 --force family.ged report.txt\n"
    "  kinsheet-batch export --format mdb95 family.ged family.mdb\n"
    "  kinsheet-batch export family.ged family.xlsx\n"
    "  kinsheet-batch export --fields all family.ged family.sqlite\n"
    "  kinsheet-batch export --living private family.ged for-cousins.csv\n"
    "  kinsheet-batch export --csv-bom --csv-guard family.ged for-excel.csv\n"
    "  kinsheet-batch export --fields all,more --root @I1@ family.ged kin.csv\n"
    "  kinsheet-batch export --fields 16,25 - - < family.ged | head\n";

const char* const kBrowseHelp =
    "Usage: kinsheet-batch browse INPUT [--from N] [--literal] [--report FILE.csv]\n"
    "\n"
    "Loads INPUT and prints the twenty people the browser shows from person N\n"
    "(default 1), one per line: birth year, death year and name, separated by\n"
    "tabs. N is kept within the range the browser's scroll bar allows.\n"
    "  --literal    read INPUT byte for byte, line ends taken from its first 200\n"
    "               bytes (a CR there: CR or CR LF, else LF), no character sets\n"
    "  --report F   write the reading report to F as CSV (replacing F)\n"
    "\n"
    "Example:\n"
    "  kinsheet-batch browse family.ged --from 21\n";

const char* const kDateYearHelp =
    "Usage: kinsheet-batch dateyear TEXT\n"
    "\n"
    "Prints the year the program takes from a GEDCOM date text (0 for none).\n"
    "\n"
    "Examples:\n"
    "  kinsheet-batch dateyear \"ABT 12 MAR 1850\"\n"
    "  kinsheet-batch dateyear \"3/4/1901\"\n";

int Usage(const std::string& problem, const char* help) {
  std::fprintf(stderr, "kinsheet-batch: %s\n\n%s", problem.c_str(), help);
  return kExitUsage;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

// Ctrl+C (and SIGTERM, SIGHUP) stops the work under way, which then cleans
// up as any failure does: no work folder and no unfinished output stay.
// Ctrl+C then exits with 130; the others end the tool as their signal
// would. A second signal ends it at once, work folder removed.
int EndAfterStop(int status) {
  const int sig = StopSignal();
  if (sig == SIGTERM || sig == SIGHUP) kinsheet::EndAsSignalled(sig);
  return status;
}

// What a cancelled run says, and its exit status.
int Interrupted(const char* what) {
  std::fprintf(stderr, "Kinsheet: %s\n", what);
  return kExitInterrupted;
}

std::string ExecutableFolder(const char* argv0) {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) exe = fs::absolute(argv0, ec);
  return exe.parent_path().string();
}

// The folder goes after the state has closed its files.
struct Session {
  PrivateWorkFolder work;
  RunState state;
  bool report_failed = false;
};

// "--report FILE" or "--report=FILE" at args[i]: true when taken.
bool TakeReportOption(const std::vector<std::string>& args, std::size_t& i, std::string& path, bool& missing) {
  const std::string& a = args[i];
  if (a.rfind("--report=", 0) == 0) {
    path = a.substr(9);
    missing = path.empty();
    return true;
  }
  if (a != "--report") return false;
  missing = i + 1 >= args.size() || args[i + 1].empty();
  if (!missing) path = args[++i];
  return true;
}

// Loads INPUT; a load that ends without a message of its own (a missing or
// unreadable file) gets one line saying why.
// The file an INPUT names: "-" is standard input.
std::string InputPath(const std::string& input) {
  if (input == "-") return "/dev/stdin";
  std::error_code ec;
  return fs::absolute(input, ec).string();
}

LoadOutcome Load(Session& s, batch::ConsoleWindowServices& ws, const std::string& input,
                 const std::string& report_path = {}, bool quiet = false) {
  const std::string path = InputPath(input);
  const int before = ws.messages_shown();
  const LoadOutcome outcome = LoadGedcom(s.state, ws);
  ws.EndProgress();
  if (outcome == LoadOutcome::kInterrupted) return outcome;
  // Entries are escaped where they are made: nothing here comes raw from the file.
  if (s.state.report.total() > 0 && !quiet) std::fprintf(stderr, "Kinsheet: %s\n", s.state.report.Summary().c_str());
  if (!report_path.empty()) {
    try {
      WriteReadingReportCsv(s.state.report, report_path);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "Kinsheet: %s%s\n", msg::kReportSaveFailed, text::EscapeForTerminal(e.what()).c_str());
      s.report_failed = true;
    }
  }
  if (outcome != LoadOutcome::kLoaded && ws.messages_shown() == before) {
    struct stat st {};
    std::string why;
    if (!s.state.load_failure.empty()) {
      why = s.state.load_failure;
    } else if (::stat(path.c_str(), &st) != 0) {
      why = std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
      why = "it is a folder";
    } else {
      why = "it cannot be read";
    }
    std::fprintf(stderr, "Kinsheet: Cannot load %s: %s\n", text::EscapeForTerminal(input).c_str(),
                 text::EscapeForTerminal(why).c_str());
  }
  return outcome;
}

// A console can take more "Problem ..." lines than a window can boxes.
constexpr std::int64_t kProblemLinesShown = 100;

bool PrepareSession(Session& s, const char* argv0, bool literal) {
  if (s.work.path().empty()) {
    std::fprintf(stderr, "Kinsheet: %s%s\n", msg::kNoWorkFolder, s.work.problem().c_str());
    return false;
  }
  s.state.program_folder = ProgramFolderFrom(ExecutableFolder(argv0));
  UseWorkFolder(s.state, s.work);
  s.state.problem_limit = kProblemLinesShown;
  s.state.literal_reading = literal;
  return true;
}


int CountersCommand(const std::vector<std::string>& args, const char* argv0) {
  bool literal = false;
  std::string report_path;
  bool report_missing = false;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) {
      std::fputs(kCountersHelp, stdout);
      return kExitOk;
    } else if (TakeReportOption(args, i, report_path, report_missing)) {
      if (report_missing) return Usage("--report needs a file name", kCountersHelp);
    } else if (a == "--literal") {
      literal = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option " + a, kCountersHelp);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 1) return Usage("counters takes exactly one INPUT", kCountersHelp);
  if (positional[0].empty()) return Usage("INPUT is empty", kCountersHelp);
  Session s;
  if (!PrepareSession(s, argv0, literal)) return kExitRefused;
  batch::ConsoleWindowServices ws({InputPath(positional[0]), "", false}, false, true);
  const LoadOutcome outcome = Load(s, ws, positional[0], report_path);
  if (outcome == LoadOutcome::kInterrupted) return Interrupted(msg::kLoadCancelled);
  const auto& c = s.state.counters;
  std::printf("{\"counters\":[%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld],\"IndividualCount\":%d,"
              "\"FamilyCount\":%d,\"MaxIndividualIdLength\":%d,\"MaxFamilyIdLength\":%d}\n",
              static_cast<long long>(c[0]), static_cast<long long>(c[1]), static_cast<long long>(c[2]),
              static_cast<long long>(c[3]), static_cast<long long>(c[4]), static_cast<long long>(c[5]),
              static_cast<long long>(c[6]), static_cast<long long>(c[7]), s.state.work.individual_count,
              s.state.work.family_count, s.state.work.max_individual_id_length,
              s.state.work.max_family_id_length);
  return outcome == LoadOutcome::kLoaded && !s.report_failed ? kExitOk : kExitRefused;
}

struct FormatChoice {
  const char* name;
  const char* extension;
  std::int16_t index;
};
constexpr FormatChoice kFormatChoices[] = {
    {"xls", ".xls", 0}, {"mdb", ".mdb", 1},   {"mdb95", ".mdb", 2},      {"csv", ".csv", 3},
    {"txt", ".txt", 4}, {"xlsx", ".xlsx", 5}, {"sqlite", ".sqlite", 6},
};

const FormatChoice* FormatByName(const std::string& name) {
  for (const FormatChoice& f : kFormatChoices) {
    if (name == f.name) return &f;
  }
  return nullptr;
}

const FormatChoice* FormatByExtension(const std::string& output) {
  std::string ext = fs::path(output).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return std::tolower(ch); });
  if (ext == ".mdb") return FormatByName("mdb");
  if (ext == ".sqlite" || ext == ".sqlite3" || ext == ".db") return FormatByName("sqlite");
  if (ext.size() > 1) return FormatByName(ext.substr(1));
  return nullptr;
}

// Comma-separated box numbers and the words "all" (the 28) and "more"
// (the "More fields"); an empty list ticks nothing.
bool ParseFields(const std::string& text, std::vector<int>& boxes) {
  boxes.clear();
  if (text.empty()) return true;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (item == "all") {
      for (int i = 0; i < kFieldCount; ++i) boxes.push_back(i);
    } else if (item == "more") {
      for (int i = kFieldCount; i < kAllFieldCount; ++i) boxes.push_back(i);
    } else {
      if (item.empty() || item.size() > 2 ||
          !std::all_of(item.begin(), item.end(), [](unsigned char ch) { return std::isdigit(ch); })) {
        return false;
      }
      const int box = std::stoi(item);
      if (box >= kAllFieldCount) return false;
      boxes.push_back(box);
    }
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

// A whole number 1 to 999, nothing else.
bool ParseLivingYears(const std::string& text, int& years) {
  if (text.empty() || text.size() > 3 ||
      !std::all_of(text.begin(), text.end(), [](unsigned char ch) { return std::isdigit(ch); })) {
    return false;
  }
  years = std::stoi(text);
  return years >= 1;
}

int ExportCommand(const std::vector<std::string>& args, const char* argv0) {
  std::string format_name, fields = "all", living_name = "include", living_years, root;
  bool force = false, quiet = false, literal = false, timings = false, csv_bom = false, csv_guard = false;
  std::string report_path;
  bool report_missing = false;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) {
      std::fputs(kExportHelp, stdout);
      return kExitOk;
    } else if (TakeReportOption(args, i, report_path, report_missing)) {
      if (report_missing) return Usage("--report needs a file name", kExportHelp);
    } else if (a == "--format" || a == "--fields" || a == "--living" || a == "--living-years" || a == "--root") {
      if (i + 1 >= args.size()) return Usage(a + " needs a value", kExportHelp);
      (a == "--format"   ? format_name
       : a == "--fields" ? fields
       : a == "--living" ? living_name
       : a == "--root"   ? root
                         : living_years) = args[++i];
    } else if (a.rfind("--root=", 0) == 0) {
      root = a.substr(7);
    } else if (a.rfind("--format=", 0) == 0) {
      format_name = a.substr(9);
    } else if (a.rfind("--fields=", 0) == 0) {
      fields = a.substr(9);
    } else if (a.rfind("--living=", 0) == 0) {
      living_name = a.substr(9);
    } else if (a.rfind("--living-years=", 0) == 0) {
      living_years = a.substr(15);
    } else if (a == "--force") {
      force = true;
    } else if (a == "--quiet") {
      quiet = true;
    } else if (a == "--literal") {
      literal = true;
    } else if (a == "--timings") {
      timings = true;
    } else if (a == "--csv-bom") {
      csv_bom = true;
    } else if (a == "--csv-guard") {
      csv_guard = true;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      return Usage("unknown option " + a, kExportHelp);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) return Usage("export takes INPUT and OUTPUT", kExportHelp);
  const std::string& input = positional[0];
  std::string output = positional[1];
  if (input.empty() || output.empty()) return Usage("INPUT and OUTPUT must not be empty", kExportHelp);
  const bool to_stdout = output == kStandardOutputName;
  const FormatChoice* format = nullptr;
  if (!format_name.empty()) {
    format = FormatByName(format_name);
    if (format == nullptr) return Usage("unknown format " + format_name, kExportHelp);
  } else if (to_stdout) {
    format = FormatByName("csv");
  } else {
    format = FormatByExtension(output);
    if (format == nullptr) {
      return Usage("cannot tell the format from " + output + "; use --format", kExportHelp);
    }
  }
  const bool csv = format->index == kCsvFormat;
  if (to_stdout && !csv && format->index != kTextFormat) {
    return Usage("OUTPUT '-' (standard output) takes csv or txt; " + std::string(format->name) + " needs a file",
                 kExportHelp);
  }
  if ((csv_bom || csv_guard) && !csv) return Usage("--csv-bom and --csv-guard are for CSV only", kExportHelp);
  std::vector<int> boxes;
  if (!ParseFields(fields, boxes)) {
    return Usage("--fields takes 'all', 'more' or numbers 0 to 40", kExportHelp);
  }
  if (!root.empty() && RootIdFrom(root).empty()) return Usage("--root needs an id", kExportHelp);
  LivingOptions living;
  if (!LivingModeFromName(living_name, living.mode)) {
    return Usage("--living takes include, private or exclude", kExportHelp);
  }
  if (!living_years.empty() && !ParseLivingYears(living_years, living.years)) {
    return Usage("--living-years takes a whole number from 1 to 999", kExportHelp);
  }

  // The extension rule looks at OUTPUT as given, before it becomes absolute.
  if (NeedsExtension(output)) output += format->extension;
  if (!to_stdout) {
    std::error_code ec;
    output = fs::absolute(output, ec).string();
  }

  Session s;
  if (!PrepareSession(s, argv0, literal)) return kExitRefused;
  const bool tty = ::isatty(STDERR_FILENO) == 1;
  batch::ConsoleWindowServices ws({InputPath(input), output, force}, tty, quiet);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point started = Clock::now();
  const LoadOutcome outcome = Load(s, ws, input, report_path, quiet);
  if (outcome == LoadOutcome::kInterrupted) return Interrupted(msg::kLoadCancelled);
  const Clock::time_point loaded = Clock::now();
  if (outcome != LoadOutcome::kLoaded && s.state.work.individual_count > 0) return kExitRefused;
  // Its message said it all: an export of nothing would only add a second.
  if (outcome == LoadOutcome::kWorkFolderFull || outcome == LoadOutcome::kNotGedcom) return kExitRefused;
  for (int box : boxes) SetFieldBox(s.state, ws, box, true);
  s.state.living = living;
  s.state.csv_bom = csv_bom;
  s.state.csv_guard = csv_guard;
  s.state.root_id = RootIdFrom(root);
  if (!s.state.root_id.empty() && !FindRoot(s.state)) {
    std::fprintf(stderr, "Kinsheet: %s%s%s\n", msg::kUnknownRootStart,
                 text::EscapeForTerminal(s.state.root_id).c_str(), msg::kUnknownRootEnd);
    return kExitRefused;
  }

  ws.set_counting_rows(true);
  const int before = ws.messages_shown();
  const bool written = mnuSheetifyItem_Click(s.state, ws, format->index);
  ws.EndProgress();
  if (timings) {
    const Clock::time_point ended = Clock::now();
    const Clock::time_point rows_done = ws.last_row_at().value_or(ended);
    const auto secs = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    std::fprintf(stderr, "Kinsheet: timings: load %.3f s, rows %.3f s, finish %.3f s\n", secs(loaded - started),
                 secs(rows_done - loaded), secs(ended - rows_done));
  }
  if (!written) {
    if (ws.CancelRequested()) return Interrupted(msg::kExportCancelled);
    if (ws.messages_shown() == before) {
      std::fprintf(stderr, "Kinsheet: %s was not written\n", output.c_str());
    }
    return kExitRefused;
  }
  return outcome == LoadOutcome::kLoaded && !s.report_failed ? kExitOk : kExitRefused;
}

int BrowseCommand(const std::vector<std::string>& args, const char* argv0) {
  std::vector<std::string> positional;
  long long from = 1;
  bool literal = false;
  std::string report_path;
  bool report_missing = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) {
      std::fputs(kBrowseHelp, stdout);
      return kExitOk;
    } else if (TakeReportOption(args, i, report_path, report_missing)) {
      if (report_missing) return Usage("--report needs a file name", kBrowseHelp);
    } else if (a == "--from" || a.rfind("--from=", 0) == 0) {
      std::string value;
      if (a == "--from") {
        if (i + 1 >= args.size()) return Usage("--from needs a number", kBrowseHelp);
        value = args[++i];
      } else {
        value = a.substr(7);
      }
      char* end = nullptr;
      errno = 0;
      from = std::strtoll(value.c_str(), &end, 10);
      if (value.empty() || *end != 0 || errno == ERANGE) return Usage("--from needs a number", kBrowseHelp);
    } else if (a == "--literal") {
      literal = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option " + a, kBrowseHelp);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 1) return Usage("browse takes one INPUT", kBrowseHelp);
  if (positional[0].empty()) return Usage("INPUT is empty", kBrowseHelp);
  Session s;
  if (!PrepareSession(s, argv0, literal)) return kExitRefused;
  batch::ConsoleWindowServices ws({InputPath(positional[0]), "", false}, false, true);
  const LoadOutcome outcome = Load(s, ws, positional[0], report_path);
  if (outcome == LoadOutcome::kInterrupted) return Interrupted(msg::kLoadCancelled);
  if (outcome != LoadOutcome::kLoaded || s.report_failed) return kExitRefused;
  const ScrollBarState& bar = s.state.scroll;
  const auto value = static_cast<std::int32_t>(
      std::clamp<long long>(from, std::max<std::int32_t>(bar.min, 1), std::max<std::int32_t>(bar.max, 1)));
  if (value != bar.value) SetScrollValue(s.state, ws, value);
  // Names and dates come from the file: no control byte reaches the terminal.
  for (const std::string& row : ws.list_rows()) std::printf("%s\n", text::EscapeForTerminal(row).c_str());
  return kExitOk;
}

int DateYearCommand(const std::vector<std::string>& args) {
  if (!args.empty() && IsHelp(args[0])) {
    std::fputs(kDateYearHelp, stdout);
    return kExitOk;
  }
  if (args.size() != 1) return Usage("dateyear takes one TEXT", kDateYearHelp);
  std::printf("%d\n", DateYear(args[0]));
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file-size limit a write then fails and is reported like any
  // other failed write, instead of killing the tool.
  std::signal(SIGXFSZ, SIG_IGN);
  // A reader of standard output that goes away ("| head") makes the write
  // fail like any other, so that the work folder goes too.
  std::signal(SIGPIPE, SIG_IGN);
  InstallSignalCleanup(SignalStop::kAskTheWork);
  if (argc < 2) return Usage("no command given", kToolHelp);
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (IsHelp(command)) {
      std::fputs(kToolHelp, stdout);
      return kExitOk;
    }
    if (command == "--version") {
      std::printf("kinsheet-batch %s\n", VersionText().c_str());
      return kExitOk;
    }
    if (command == "counters") return EndAfterStop(CountersCommand(args, argv[0]));
    if (command == "export") return EndAfterStop(ExportCommand(args, argv[0]));
    if (command == "browse") return EndAfterStop(BrowseCommand(args, argv[0]));
    if (command == "dateyear") return DateYearCommand(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Kinsheet: %s\n", e.what());
    return kExitRefused;
  }
  return Usage("unknown command " + command, kToolHelp);
}
