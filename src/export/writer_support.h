// What the writers and the export command share: the database fields, the
// failure text, and the end of an export.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "export/columns.h"
#include "fileio/replacement.h"
#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// A field of the database tables, in the table's order.
struct TableField {
  int position;  // catalogue position
  std::string name;
};
// The selected columns as database fields: the Access field names, in
// catalogue order except that Nick, Prefix, Suffix and Title follow Given.
std::vector<TableField> TableFields(const FieldSelection& selection);
// The same for the columns of a table, in any order.
std::vector<TableField> TableFields(const std::vector<const ExportColumn*>& columns);

// The description of a failure as the user reads it.
std::string DescribeFailure(const std::exception& e);

// The end of every writer, once its files are closed: the progress bar
// hidden and the pointer restored; a finished file then gets its status
// text and the question whether to view it, an unfinished one a status
// text saying it was cancelled or not saved. Returns `written`.
bool EndExport(RunState& state, WindowServices& ws, bool written);

// The failure message of a writer: the heading, a line feed and the
// description, with an exclamation icon and an OK button. A description
// that mentions the replacement's temporary names the target instead.
// Nothing is shown when the user cancelled.
void ReportWriterFailure(WindowServices& ws, const char* heading, const std::exception& e,
                         const FileReplacement* replacement = nullptr);

}  // namespace kinsheet
