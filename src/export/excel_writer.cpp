#include <stdexcept>

#include "export/writer_support.h"
#include "export/writers.h"
#include "shell/messages.h"

namespace kinsheet {

// Until the workbook engine lands the format is refused in plain words.
bool WriteExcelWorkbook(RunState&, WindowServices& ws) {
  ReportWriterFailure(ws, msg::kWorksheetError,
                      std::runtime_error("Excel workbooks cannot be written by this build yet."));
  return false;
}

}  // namespace kinsheet
