// Figures for the workbook engine on a full-size export: 65,000 people x 40
// columns, half the values filled, written the way the Excel export does
// (header file saved, opened again, 70 x 40 blocks, saved). Prints the time
// of each step and the peak memory of the process.
//   kinsheet_xls_bench [PEOPLE] [OUTPUT.xls]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "formats/xls/excel_application.h"
#include "text/encoding.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

long PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// A value like the GEDCOM fields: names, dates and places, some repeating
// from person to person and some unique, a few with non-ASCII letters.
std::string Value(int person, int col) {
  static const char* const kPlaces[] = {"Uppsala, Sweden", "K\xC3\xB6ln, Deutschland", "\xC5\x81\xC3\xB3\x64\xC5\xBA, Polska",
                                        "Minneapolis, Minnesota, USA", "\xE5\xA4\xA7\xE9\x98\xAA, \xE6\x97\xA5\xE6\x9C\xAC"};
  switch (col % 4) {
    case 0: return "I" + std::to_string(person * 40 + col);
    case 1: return "Given" + std::to_string(person % 997) + " /Surname" + std::to_string(person % 4001) + "/";
    case 2: return std::to_string(1 + person % 28) + " MAR " + std::to_string(1700 + person % 300);
    default: return kPlaces[(person + col) % 5];
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int people = argc > 1 ? std::atoi(argv[1]) : 65000;
  const std::filesystem::path path =
      argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path() / "kinsheet_xls_bench.xls";
  namespace xls = kinsheet::xls;
  const auto start = Clock::now();

  xls::ExcelApplication header;
  header.Workbooks().Add();
  for (int k = 0; k < 40; ++k) {
    const std::string letters = k < 26 ? std::string(1, char('A' + k)) : "A" + std::string(1, char('A' + k - 26));
    header.Range(letters + "1").Select();
    header.ActiveCell().SetFormulaR1C1(u"Caption");
    header.Columns(letters + ":" + letters).SetColumnWidth(10);
    header.Columns(letters + ":" + letters).SetNumberFormat(u"@");
    header.Selection().Font().SetFontStyle(u"Bold");
  }
  header.ActiveWorkbook().SaveAs(path.string());
  header.Quit();
  const double header_seconds = Seconds(start);

  auto step = Clock::now();
  xls::ExcelApplication app;
  xls::ExcelWorksheet& sheet = app.Workbooks().Open(path.string()).ActiveSheet();
  xls::CellBlock block(71, 41);
  int rows = 0, start_row = 3;
  for (int n = 0; n < people; ++n) {
    for (int c = 0; c < 40; ++c) {
      // Half the columns empty, as with marriages two and three unused.
      block.at(rows, c) = (c % 8 < 4) ? kinsheet::text::DecodeText(Value(n, c)) : std::u16string();
    }
    if (++rows == 70) {
      sheet.Range("A" + std::to_string(start_row)).Resize(70, 40).SetValue(block);
      start_row += 70;
      rows = 0;
      for (auto& cell : block.cells) cell.clear();
    }
  }
  sheet.Range("A" + std::to_string(start_row)).Resize(70, 40).SetValue(block);
  const double fill_seconds = Seconds(step);
  step = Clock::now();
  app.ActiveWorkbook().Save();
  const double save_seconds = Seconds(step);
  app.Quit();

  std::printf("people            %d x 40 columns (%d values)\n", people, people * 20);
  std::printf("header pass       %.3f s\n", header_seconds);
  std::printf("fill (70x40)      %.3f s\n", fill_seconds);
  std::printf("save              %.3f s\n", save_seconds);
  std::printf("total             %.3f s\n", Seconds(start));
  std::printf("file              %.1f MB\n", std::filesystem::file_size(path) / 1e6);
  std::printf("peak memory       %ld MB\n", PeakMegabytes());
  if (argc <= 2) std::filesystem::remove(path);
  return 0;
}
