// The reading report as a CSV file: a header and one line per entry,
// Line, Record_ID, Problem, Action.
#pragma once

#include <string>

#include "records/reading_report.h"

namespace kinsheet {

// The whole CSV text, CR LF line ends, fields quoted where they must be.
std::string ReadingReportCsv(const ReadingReport& report);

// Writes the CSV text to `path`; throws std::runtime_error saying why when
// it cannot.
void WriteReadingReportCsv(const ReadingReport& report, const std::string& path);

}  // namespace kinsheet
