// What the writers share around their rows: the progress bar past a
// threshold, the failure text, and the end of a finished export.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "fileio/replacement.h"
#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// Shows the progress bar when `count` exceeds `threshold`; the writer moves
// it with Step, and EndExport hides it on every path out.
class RowProgress {
 public:
  RowProgress(WindowServices& ws, std::int32_t count, std::int32_t threshold)
      : ws_(ws), shown_(count > threshold) {
    if (shown_) {
      ws_.SetProgressVisible(true);
      ws_.SetProgressMax(count);
      ws_.SetProgressValue(0);
    }
  }
  void Step(std::int32_t n) {
    if (shown_) ws_.SetProgressValue(n);
  }
  bool shown() const { return shown_; }

 private:
  WindowServices& ws_;
  bool shown_;
};

// A field of the database tables, in the table's order.
struct TableField {
  int position;  // catalogue position
  std::string name;
};
// The selected columns as database fields: the Access field names, in
// catalogue order except that Nick, Prefix, Suffix and Title follow Given.
std::vector<TableField> TableFields(const FieldSelection& selection);

// The description of a failure as the user reads it.
std::string DescribeFailure(const std::exception& e);

// The end of every writer, once its files are closed: the progress bar
// hidden and the pointer restored; a finished file then gets its status
// text and the question whether to view it. Returns `written`.
bool EndExport(RunState& state, WindowServices& ws, bool written);

// The failure message of a writer: the heading, a line feed and the
// description, with an exclamation icon and an OK button. A description
// that mentions the replacement's temporary names the target instead.
void ReportWriterFailure(WindowServices& ws, const char* heading, const std::exception& e,
                         const FileReplacement* replacement = nullptr);

}  // namespace kinsheet
