#include <stdexcept>

#include "export/writer_support.h"
#include "export/writers.h"
#include "shell/messages.h"

namespace kinsheet {

// Until the database engine lands the format is refused in plain words.
bool WriteAccessDatabase(RunState&, WindowServices& ws, const std::string&) {
  ReportWriterFailure(ws, msg::kDbError,
                      std::runtime_error("Access databases cannot be written by this build yet."));
  return false;
}

}  // namespace kinsheet
