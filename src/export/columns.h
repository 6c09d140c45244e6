// The export columns and the assembly of one person's row: own fields,
// parents through the child family, up to three marriages (columns 1 to
// 40), then the "More fields" (41 to 53), which more_columns.h fills.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fileio/file_open.h"
#include "state/run_state.h"

namespace kinsheet {

enum class CaptionSet { kText, kCsv, kExcel, kAccess };

struct ExportColumn {
  int position;   // 1..53, catalogue order
  int selection;  // field box 0..40 that includes it
  const char* text;  // nullptr past column 28
  const char* csv;
  const char* excel;
  const char* access;
  // Written as a number where the format has numbers (.xlsx, SQLite).
  bool numeric = false;
  const char* Caption(CaptionSet set) const;
};

// The seed's columns, and all of them.
inline constexpr int kSeedColumnCount = 40;
inline constexpr int kColumnCount = 53;
extern const std::array<ExportColumn, kColumnCount> kExportColumns;

struct ExportValue {
  int position;  // catalogue position 1..53
  std::string value;
};
// Packed: one value per selected column, in catalogue order.
using ExportRow = std::vector<ExportValue>;

// The selected columns of the catalogue's first `max_position` columns,
// then the selected "More fields" columns.
std::vector<const ExportColumn*> SelectedColumns(const FieldSelection& selection,
                                                 int max_position = kColumnCount);

// The two work files, open for reading during one export.
struct WorkFiles {
  File individuals;
  File families;
};

// Opens both work files in random-access mode through FileOpen.
WorkFiles OpenWorkFiles(RunState& state, WindowServices& ws);

// Row of individual n with 1 (text report) or 3 marriages. Throws
// FileError on a read failure. Under the private or leave-out option people
// presumed living are shown as the plan of SettleLiving says, which must be
// settled before.
void AssembleRow(RunState& state, WorkFiles& files, std::int32_t n, int marriages,
                 ExportRow& row);
// The same with the columns of `selection` rather than the field boxes'
// (the preview sorts and searches a column or two of every row).
void AssembleRow(RunState& state, WorkFiles& files, std::int32_t n, int marriages,
                 const FieldSelection& selection, ExportRow& row);

}  // namespace kinsheet
