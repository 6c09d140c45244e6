// The one export loop every format goes through. The driver settles who is
// living, opens the safe replacement of the output, feeds the writer its
// tables row by row with the progress bar and the cancel checks, commits
// the finished file and reports a failure once; a writer only writes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "export/columns.h"
#include "fileio/file_open.h"
#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// A table as a writer receives it: its name, its columns in the order of
// the values of each row, and how many rows will follow.
struct TableLayout {
  std::string name;
  std::vector<const ExportColumn*> columns;
  std::int32_t rows = 0;
};

// Where a writer's bytes go until the file is complete.
struct ExportOutput {
  const std::string& target;     // the file the user chose
  const std::string& temporary;  // its replacement, empty when none could be made
  File* lines;                   // open on the temporary when the writer asked for lines
};

// What the driver needs to know of a format.
struct WriterTraits {
  const char* failure_heading;      // the first line of the failure message
  std::int32_t progress_threshold;  // the bar shows for more rows than this
  bool announces;                   // "One moment please..." and "Creating ..." in the status bar
  bool writes_lines;                // the driver opens the output as a text file for it
  int marriages;                    // marriages in a person's row, 1 to 3
};

// One output format. The driver calls Begin once, then BeginTable, Row for
// each row and EndTable for every table, then Finish; any of them may
// throw, after which only Abandon is called.
class TableWriter {
 public:
  explicit TableWriter(const WriterTraits& traits) : traits_(traits) {}
  virtual ~TableWriter() = default;
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  const WriterTraits& traits() const { return traits_; }

  // Why this format cannot hold `table`, or the empty text: asked for every
  // table before any file exists.
  virtual std::string Refusal(const TableLayout& table) const;
  virtual void Begin(const ExportOutput& output) = 0;
  virtual void BeginTable(const TableLayout& table) = 0;
  virtual void Row(const ExportRow& row) = 0;
  virtual void EndTable() {}
  // Completes and closes everything written; the driver then commits.
  virtual void Finish() = 0;
  // Closes whatever is still open after a failure, quietly: the driver
  // removes the temporary only once the writer has let go of it.
  virtual void Abandon() noexcept {}

 private:
  WriterTraits traits_;
};

// The rows of one table, produced on demand.
class TableSource {
 public:
  virtual ~TableSource() = default;
  // Called once who is living is settled.
  virtual TableLayout Layout() const = 0;
  virtual void Open() = 0;
  // The next row into `row`; false after the last.
  virtual bool Next(ExportRow& row) = 0;
  virtual void Close() = 0;
  // Lets go of what Open took after a failure, quietly.
  virtual void Abandon() noexcept = 0;
};

// The people table, "tblKinsheet": one row per person the living option
// writes, with `marriages` marriages; or, when `order` is given, one row
// per record of `order`, in that order (none of them a person the living
// option leaves out). The order must outlive the table.
std::unique_ptr<TableSource> PeopleTable(RunState& state, WindowServices& ws, int marriages,
                                         const std::vector<std::int32_t>* order = nullptr);

// The rows the next people export writes: state.export_rows' count when
// set, else the settled living plan's.
std::int32_t PeopleRowCount(const RunState& state);

// Writes `tables` in order through `writer` to state.current_file_name,
// replacing the old file only with a complete new one. Reports success and
// failure to the user; true when the file was written.
bool RunExport(RunState& state, WindowServices& ws, TableWriter& writer,
               std::vector<std::unique_ptr<TableSource>> tables);
// The same with the people table alone, in state.export_rows' order when
// that is set.
bool RunExport(RunState& state, WindowServices& ws, TableWriter& writer);

}  // namespace kinsheet
