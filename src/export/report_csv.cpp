// Reading report to CSV: quoted only where a field holds a comma, a quote
// or a line end, quotes doubled.
#include "export/report_csv.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "ui/messages.h"

namespace kinsheet {
namespace {

void AppendField(std::string& out, std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(value);
    return;
  }
  out.push_back('"');
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

}  // namespace

std::string ReadingReportCsv(const ReadingReport& report) {
  std::string out = msg::kReportCsvHeader;
  out += "\r\n";
  for (const ReportEntry& e : report.entries()) {
    out += std::to_string(e.line);
    out.push_back(',');
    AppendField(out, e.record_id);
    out.push_back(',');
    AppendField(out, e.ProblemLine());
    out.push_back(',');
    AppendField(out, ActionText(e.problem));
    out += "\r\n";
  }
  return out;
}

void WriteReadingReportCsv(const ReadingReport& report, const std::string& path) {
  const std::string text = ReadingReportCsv(report);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) throw std::runtime_error(path + ": " + std::strerror(errno));
  if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
    throw std::runtime_error(path + ": " + std::strerror(errno));
  }
  std::FILE* raw = file.release();
  if (std::fclose(raw) != 0) throw std::runtime_error(path + ": " + std::strerror(errno));
}

}  // namespace kinsheet
