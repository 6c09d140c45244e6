// The Access export end to end through kinsheet-batch: each database is
// compared field by field and value by value with the CSV export of the
// same file and fields. The engine's own tests check its files with the
// independent readers; this checks what the export puts in them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "formats/jet/database_reader.h"
#include "formats/jet/text_codec.h"
#include "jet_test_support.h"
#include "support/fixtures.h"

namespace kinsheet::jet {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::RunCommand;
using testing::ShellQuote;

struct Csv {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

// Every CSV value is quoted and never holds a double quote; lines end in
// CR LF.
Csv ReadCsv(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Csv csv;
  for (std::size_t pos = 0; pos < all.size();) {
    std::size_t end = all.find("\r\n", pos);
    if (end == std::string::npos) end = all.size();
    std::vector<std::string> values;
    for (std::size_t at = pos + 1; at < end;) {
      const std::size_t close = all.find('"', at);
      values.push_back(all.substr(at, close - at));
      at = close + 3;  // past "," to the next value
    }
    if (pos == 0) {
      csv.header = values;
    } else {
      csv.rows.push_back(values);
    }
    pos = end + 2;
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
    // The fields of the CSV's columns in table order: names, type, size.
    std::vector<testing::TestField> fields;
    std::vector<std::size_t> source;
    for (const testing::TestField& f : testing::KinsheetFields()) {
      const auto at = std::find(csv.header.begin(), csv.header.end(), f.csv.empty() ? f.name : f.csv);
      if (at == csv.header.end()) continue;
      fields.push_back(f);
      source.push_back(static_cast<std::size_t>(at - csv.header.begin()));
    }
    EXPECT_EQ(fields.size(), csv.header.size());
    const TableShape shape = reader.Table(*entry);
    EXPECT_EQ(shape.columns.size(), fields.size());
    for (std::size_t i = 0; i < fields.size() && i < shape.columns.size(); ++i) {
      EXPECT_EQ(Narrow(shape.columns[i].name), fields[i].name);
      EXPECT_EQ(shape.columns[i].type, kTypeText);
      EXPECT_EQ(shape.columns[i].length, fields[i].size * format().text_unit_bytes);
    }
    // Every value, as text, never NULL.
    std::size_t n = 0;
    int reported = 0;
    reader.ForEachRow(*entry, [&](const std::vector<Cell>& cells) {
      if (n >= csv.rows.size()) {
        ++n;
        return;
      }
      for (std::size_t i = 0; i < fields.size() && i < cells.size(); ++i) {
        const std::string& want = csv.rows[n][source[i]];
        const bool ok = !cells[i].null && AsInCsv(DecodeText(format(), cells[i].bytes)) == Expected(want);
        if (!ok && reported++ < 5) {
          ADD_FAILURE() << "row " << n + 1 << " field " << fields[i].name << ": expected \"" << want
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

TEST_P(AccessExport, PublicGedcomFilesMatchTheCsvExport) {
  KINSHEET_NEED_PUBLIC_GEDCOM();
  const fs::path folder = KINSHEET_TESTDATA;
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
  const std::string gedgen = std::string(KINSHEET_BIN_DIR) + "/gedgen";
  if (!fs::exists(gedgen)) GTEST_SKIP() << "gedgen is not built (" << gedgen << ")";
  const std::string ged = dir_.File("fields.ged");
  ASSERT_EQ(RunCommand(ShellQuote(gedgen) + " --people 3000 --seed 7 -o " + ShellQuote(ged)).exit_code, 0);
  for (const char* fields : {"0", "16,25,14,21"}) {
    SCOPED_TRACE(fields);
    EXPECT_TRUE(ExportAndCompare(ged, fields, true));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, AccessExport, ::testing::Values("mdb", "mdb95"),
                         [](const auto& info) { return std::string(info.param) == "mdb" ? "Jet4" : "Jet3"; });

}  // namespace
}  // namespace kinsheet::jet
