// The export as the window previews it: the rows and columns the next
// people export writes, assembled on demand from the work files by the
// export's own people table (a sort reads its one column through the
// same row assembly), in an
// order of the user's (a sort by one column, a search over every column)
// that an export can take as it is. Only record numbers are kept for every
// row; cells come a block of rows at a time.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/columns.h"
#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

class PreviewTable {
 public:
  PreviewTable(RunState& state, WindowServices& ws) : state_(state), ws_(ws) {}
  PreviewTable(const PreviewTable&) = delete;
  PreviewTable& operator=(const PreviewTable&) = delete;

  // Takes the load, the living option and the boxes afresh, then applies
  // the search and sort again. Throws FileError, or Cancelled when the user
  // stops the search or sort (the rows are then the unsorted, unsearched
  // ones).
  void Reload();
  // The boxes changed: new columns for the same people. A search runs
  // again over the columns now shown; a sort by a column no longer shown
  // ends. Throws as Reload does.
  void ColumnsChanged();
  // Lets go of the work files and every row (a load is about to replace
  // them); Reload starts again.
  void Release();

  // The columns, in the export's order, and their captions.
  const std::vector<const ExportColumn*>& columns() const { return columns_; }
  static const char* Caption(const ExportColumn& column) { return column.Caption(CaptionSet::kCsv); }
  // The rows shown, and the rows the export would write without a search.
  std::int32_t RowCount() const { return static_cast<std::int32_t>(shown_.size()); }
  std::int32_t TotalRows() const { return static_cast<std::int32_t>(all_.size()); }
  // Record numbers of the shown rows, in their order: what "Export shown
  // rows only" writes.
  const std::vector<std::int32_t>& shown() const { return shown_; }
  // Cell `column` of shown row `row` (both from 0), as the export writes
  // it. Valid until the next call. Throws FileError.
  const std::string& Cell(std::int32_t row, int column);

  // Sorts the shown rows by the column at catalogue position `position`
  // (0: record order), as shown, numbers and years as numbers; ties keep
  // their order. False when cancelled: the rows stay as they were.
  bool Sort(int position, bool ascending);
  // Keeps the rows holding `needle` in any shown column, case and accents
  // aside, sorted as before. False when cancelled: the rows stay as they
  // were.
  bool Search(std::string_view needle);
  int sort_position() const { return sort_position_; }
  bool ascending() const { return ascending_; }
  const std::string& search() const { return search_; }

 private:
  static constexpr std::int32_t kBlockRows = 64;
  static constexpr std::size_t kCachedBlocks = 32;
  void EnsureOpen();
  std::vector<const ExportColumn*> ExportColumns();
  void ForgetCells() { blocks_.clear(); }
  const std::vector<ExportRow>& Block(std::int32_t block);
  std::vector<std::int32_t> Filtered(const std::string& folded_needle);
  std::vector<std::int32_t> Sorted(const std::vector<std::int32_t>& rows, int position, bool ascending);

  RunState& state_;
  WindowServices& ws_;
  WorkFiles files_;
  bool open_ = false;
  std::vector<const ExportColumn*> columns_;
  std::vector<std::int32_t> all_;    // every record the export writes, in record order
  std::vector<std::int32_t> shown_;  // after the search and the sort
  int sort_position_ = 0;
  bool ascending_ = true;
  std::string search_;
  // Recently assembled blocks of shown rows, the most recent first.
  std::list<std::pair<std::int32_t, std::vector<ExportRow>>> blocks_;
  std::string empty_;
};

// How the preview compares two cells of a column when sorting: empty
// first, then numbers (and a date column's years) as numbers, then text
// with case and accents aside. Exposed for the tests.
struct PreviewSortKey {
  int kind = 0;  // 0 empty, 1 number, 2 text
  std::int64_t number = 0;
  std::string text;
  friend bool operator<(const PreviewSortKey& a, const PreviewSortKey& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    if (a.number != b.number) return a.number < b.number;
    return a.text < b.text;
  }
};
PreviewSortKey MakePreviewSortKey(int position, std::string_view value);

}  // namespace kinsheet
