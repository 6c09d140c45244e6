// The 40 export columns and the assembly of one person's row: own fields,
// parents through the child family, up to three marriages.
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
  int position;   // 1..40, catalogue order
  int selection;  // field box 0..27 that includes it
  const char* text;  // nullptr past column 28
  const char* csv;
  const char* excel;
  const char* access;
  const char* Caption(CaptionSet set) const;
};

inline constexpr int kColumnCount = 40;
extern const std::array<ExportColumn, kColumnCount> kExportColumns;

struct ExportValue {
  int position;  // catalogue position 1..40
  std::string value;
};
// Packed: one value per selected column, in catalogue order.
using ExportRow = std::vector<ExportValue>;

// The selected columns of the catalogue's first `max_position` columns.
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
