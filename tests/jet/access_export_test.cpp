// The Access export end to end through kinsheet-batch: each database is
// compared field by field and value by value with the CSV export of the
// same file and fields. The engine's own tests check its files with the
// independent readers; this checks what the export puts in them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "formats/jet/database_reader.h"
#include "formats/jet/text_codec.h"
#include "jet_test_support.h"

namespace kinsheet::jet {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::RunCommand;
using testing::ShellQuote;

struct ColumnFacts {
  const char* csv;
  const char* access;
  int size;
};

// The 40 export columns by catalogue position: CSV caption, Access field
// name and size.
const ColumnFacts kColumns[40] = {
    {"INDI_ID", "INDI_ID", 30},         {"FullName", "FullName", 180},       {"Surname", "Surname", 120},
    {"Given", "Given", 120},            {"Suffix", "Suffix", 60},            {"Prefix", "Prefix", 60},
    {"Title", "Title", 120},            {"Nick", "Nick", 60},                {"Sex", "Sex", 1},
    {"Bir_Date", "Bir_Date", 60},       {"Bir_Place", "Bir_Place", 120},     {"Chr_Date", "Chr_Date", 60},
    {"Chr_Place", "Chr_Place", 120},    {"Dea_Date", "Dea_Date", 60},        {"Dea_Place", "Dea_Place", 120},
    {"Brl_Date", "Brl_Date", 60},       {"Brl_Place", "Brl_Place", 120},     {"FAMC_ID", "FAMC_ID", 30},
    {"Father_ID", "Father_ID", 30},     {"Father", "Father", 120},           {"Mother_ID", "Mother_ID", 30},
    {"Mother", "Mother", 120},          {"FAMS_ID", "FAMS_ID_1", 30},        {"Spouse_ID", "Spouse_ID_1", 30},
    {"Spouse", "Spouse_1", 120},        {"Mar_Date", "Mar_Date_1", 60},      {"Mar_Place", "Mar_Place_1", 120},
    {"#Ch", "Ch_1", 2},                 {"FAMS_ID 2", "FAMS_ID_2", 30},      {"Spouse_ID 2", "Spouse_ID_2", 30},
    {"Spouse 2", "Spouse_2", 120},      {"Mar_Date 2", "Mar_Date_2", 60},    {"Mar_Place 2", "Mar_Place_2", 120},
    {"#Ch 2", "Ch_2", 2},               {"FAMS_ID 3", "FAMS_ID_3", 30},      {"Spouse_ID 3", "Spouse_ID_3", 30},
    {"Spouse 3", "Spouse_3", 120},      {"Mar_Date 3", "Mar_Date_3", 60},    {"Mar_Place 3", "Mar_Place_3", 120},
    {"#Ch 3", "Ch_3", 2}};

// Table order by catalogue position: Nick, Prefix, Suffix, Title follow Given.
const int kTableOrder[40] = {1,  2,  3,  4,  8,  6,  5,  7,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                             21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40};

struct Csv {
  std::vector<int> positions;  // catalogue position of each column
  std::vector<std::vector<std::string>> rows;
};

// Every CSV value is quoted and never holds a double quote.
std::vector<std::string> SplitCsvLine(const std::string& line) {
  std::vector<std::string> values;
  std::size_t pos = 0;
  while (pos < line.size()) {
    const std::size_t end = line.find("\",\"", pos + 1);
    if (end == std::string::npos) {
      values.push_back(line.substr(pos + 1, line.size() - pos - 2));
      break;
    }
    values.push_back(line.substr(pos + 1, end - pos - 1));
    pos = end + 2;
  }
  return values;
}

Csv ReadCsv(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Csv csv;
  std::size_t pos = 0;
  bool header = true;
  while (pos < all.size()) {
    std::size_t end = all.find("\r\n", pos);
    if (end == std::string::npos) end = all.size();
    const std::vector<std::string> values = SplitCsvLine(all.substr(pos, end - pos));
    pos = end + 2;
    if (header) {
      for (const std::string& caption : values) {
        int found = 0;
        for (int p = 1; p <= 40; ++p) {
          if (caption == kColumns[p - 1].csv) found = p;
        }
        csv.positions.push_back(found);
      }
      header = false;
    } else {
      csv.rows.push_back(values);
    }
  }
  return csv;
}

class AccessExport : public ::testing::TestWithParam<const char*> {
 protected:
  bool jet3() const { return std::string(GetParam()) == "mdb95"; }
  const JetFormat& format() const { return jet3() ? JetFormat::Jet3() : JetFormat::Jet4(); }

  CommandResult Export(const std::string& format_name, const std::string& input, const std::string& output,
                       const std::string& fields) const {
    return RunCommand(ShellQuote(std::string(KINSHEET_BIN_DIR) + "/kinsheet-batch") + " export --format " +
                      format_name + " --force --fields " + fields + " " + ShellQuote(input) + " " +
                      ShellQuote(output) + " 2>&1");
  }

  // What a CSV value becomes in the database (the CSV export writes a
  // double quote in a value as an apostrophe).
  std::u16string Expected(const std::string& csv_value) const {
    const std::u16string text = testing::GlibcDecode(csv_value);
    return jet3() ? testing::StoredInJet3(text) : text;
  }
  static std::u16string AsInCsv(std::u16string value) {
    std::replace(value.begin(), value.end(), u'"', u'\'');
    return value;
  }

  void CompareWithCsv(const std::string& mdb, const Csv& csv) const {
    DatabaseReader reader(mdb);
    EXPECT_EQ(reader.format().version, format().version);
    const auto entry = reader.FindObject(u"tblKinsheet");
    if (!entry) {
      ADD_FAILURE() << "no tblKinsheet in " << mdb;
      return;
    }
    // Field names, order, type and size.
    std::vector<int> order;
    for (int p : kTableOrder) {
      if (std::find(csv.positions.begin(), csv.positions.end(), p) != csv.positions.end()) order.push_back(p);
    }
    const TableShape shape = reader.Table(*entry);
    EXPECT_EQ(shape.columns.size(), order.size());
    for (std::size_t i = 0; i < order.size() && i < shape.columns.size(); ++i) {
      EXPECT_EQ(Narrow(shape.columns[i].name), kColumns[order[i] - 1].access);
      EXPECT_EQ(shape.columns[i].type, kTypeText);
      EXPECT_EQ(shape.columns[i].length, kColumns[order[i] - 1].size * format().text_unit_bytes);
    }
    // Every value, as text, never NULL.
    std::map<int, std::size_t> csv_index;
    for (std::size_t i = 0; i < csv.positions.size(); ++i) csv_index[csv.positions[i]] = i;
    std::size_t n = 0;
    int reported = 0;
    reader.ForEachRow(*entry, [&](const std::vector<Cell>& cells) {
      if (n >= csv.rows.size()) {
        ++n;
        return;
      }
      for (std::size_t i = 0; i < order.size() && i < cells.size(); ++i) {
        const std::string& want = csv.rows[n][csv_index[order[i]]];
        const bool ok = !cells[i].null && AsInCsv(DecodeText(format(), cells[i].bytes)) == Expected(want);
        if (!ok && reported++ < 5) {
          ADD_FAILURE() << "row " << n + 1 << " field " << kColumns[order[i] - 1].access << ": expected \"" << want
                        << "\", got " << (cells[i].null ? "NULL" : "\"" + Narrow(DecodeText(format(), cells[i].bytes)) + "\"");
        }
      }
      ++n;
    });
    EXPECT_EQ(n, csv.rows.size());
    EXPECT_EQ(reader.Table(*entry).row_count, n);
  }

  // Exports `ged` both ways and compares. A value the engine refuses stops
  // the export with the dB error and leaves no file, unless `must_finish`.
  // Returns false when nothing could be loaded.
  bool ExportAndCompare(const std::string& ged, const std::string& fields = "all", bool must_finish = false) const {
    const std::string csv_path = dir_.File("out.csv");
    const std::string mdb_path = dir_.File("out.mdb");
    if (Export("csv", ged, csv_path, fields).exit_code != 0) return false;
    const Csv csv = ReadCsv(csv_path);
    const auto mdb_run = Export(GetParam(), ged, mdb_path, fields);
    if (mdb_run.exit_code == 0) {
      CompareWithCsv(mdb_path, csv);
    } else {
      EXPECT_FALSE(must_finish) << mdb_run.output;
      EXPECT_EQ(mdb_run.exit_code, 1);
      EXPECT_NE(mdb_run.output.find("Error occurred while creating dB: "), std::string::npos) << mdb_run.output;
      EXPECT_FALSE(fs::exists(mdb_path));
      std::cout << "[   NOTE   ] " << fs::path(ged).filename().string() << ": stopped: " << mdb_run.output.substr(0, 200)
                << "\n";
    }
    return true;
  }

  testing::TempDir dir_;
};

TEST_P(AccessExport, SharedGedcomFilesMatchTheCsvExport) {
  const fs::path folder = fs::path(KINSHEET_TESTDATA) / "gedcom";
  if (!fs::exists(folder)) GTEST_SKIP() << "no shared GEDCOM files at " << folder;
  int files = 0;
  for (const auto& item : fs::directory_iterator(folder)) {
    const std::string ext = item.path().extension().string();
    if (ext != ".ged" && ext != ".GED") continue;
    SCOPED_TRACE(item.path().filename().string());
    files += ExportAndCompare(item.path().string()) ? 1 : 0;
  }
  EXPECT_GE(files, 10);
}

TEST_P(AccessExport, GedgenFilesMatchTheCsvExport) {
  const std::string gedgen = std::string(KINSHEET_BIN_DIR) + "/gedgen";
  if (!fs::exists(gedgen)) GTEST_SKIP() << "gedgen is not built (" << gedgen << ")";
  for (const char* options : {"--encoding utf8 --non-ascii", "--encoding cp1252 --non-ascii --line-ends crlf",
                              "--encoding ascii --line-ends cr"}) {
    SCOPED_TRACE(options);
    const std::string ged = dir_.File("gedgen.ged");
    ASSERT_EQ(RunCommand(ShellQuote(gedgen) + " --people 3000 --seed 11 " + options + " -o " + ShellQuote(ged)).exit_code,
              0);
    EXPECT_TRUE(ExportAndCompare(ged));
  }
}

TEST_P(AccessExport, SomeFieldsTicked) {
  const fs::path ged = fs::path(KINSHEET_TESTDATA) / "gedcom" / "royal92.ged";
  if (!fs::exists(ged)) GTEST_SKIP() << "no " << ged;
  for (const char* fields : {"0", "16,25,14,21"}) {
    SCOPED_TRACE(fields);
    EXPECT_TRUE(ExportAndCompare(ged.string(), fields, true));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, AccessExport, ::testing::Values("mdb", "mdb95"),
                         [](const auto& info) { return std::string(info.param) == "mdb" ? "Jet4" : "Jet3"; });

}  // namespace
}  // namespace kinsheet::jet
