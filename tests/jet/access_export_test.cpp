// The Access export end to end through kinsheet-batch: each database is
// compared field by field and value by value with the CSV export of the
// same file and fields, read back by our reader and by mdb-reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "formats/jet/database_reader.h"
#include "formats/jet/text_codec.h"
#include "jet_test_support.h"
#include "support/fixtures.h"

namespace kinsheet::jet {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::TestRow;
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
  static std::string Batch() { return std::string(KINSHEET_BIN_DIR) + "/kinsheet-batch"; }

  CommandResult Export(const std::string& format_name, const std::string& input, const std::string& output,
                       const std::string& fields = "all") const {
    return RunCommand(ShellQuote(Batch()) + " export --format " + format_name + " --force --fields " + fields + " " +
                      ShellQuote(input) + " " + ShellQuote(output) + " 2>&1");
  }

  // What a CSV value becomes in the database.
  std::u16string Expected(const std::string& csv_value) const {
    const std::u16string text = testing::GlibcDecode(csv_value);
    return jet3() ? testing::StoredInJet3(text) : text;
  }

  // The CSV export writes a double quote in a value as an apostrophe.
  static std::u16string AsInCsv(std::u16string value) {
    std::replace(value.begin(), value.end(), u'"', u'\'');
    return value;
  }

  // Compares the database with the CSV; returns the number of rows found.
  std::size_t CompareWithCsv(const std::string& mdb, const Csv& csv, bool complete) const {
    DatabaseReader reader(mdb);
    EXPECT_EQ(reader.format().version, format().version);
    const auto entry = reader.FindObject(u"tblKinsheet");
    if (!entry) {
      ADD_FAILURE() << "no tblKinsheet in " << mdb;
      return 0;
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
    // AllowZeroLength on every field.
    const std::vector<PropertyMap> props = reader.Properties(*entry);
    EXPECT_EQ(props.size(), order.size());
    for (const PropertyMap& m : props) {
      EXPECT_EQ(m.properties.size(), 1u);
      if (!m.properties.empty()) {
        EXPECT_EQ(m.properties[0].name, u"AllowZeroLength");
        EXPECT_EQ(m.properties[0].value, std::string(1, '\xFF'));
      }
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
    if (complete) {
      EXPECT_EQ(n, csv.rows.size());
    }
    EXPECT_EQ(reader.Table(*entry).row_count, n);
    return n;
  }

  // mdb-reader's view of the same rows, which keeps "" apart from NULL.
  void CheckWithMdbReader(const std::string& mdb, const Csv& csv, std::size_t rows) const {
    if (!testing::HaveMdbReader()) {
      std::cout << "[ SKIPPED  ] mdb-reader check: not installed (run the jet_oracle_setup test)\n";
      return;
    }
    testing::ReaderExpectation e;
    e.quotes_as_apostrophes = true;
    std::vector<std::size_t> source;
    for (int p : kTableOrder) {
      const auto at = std::find(csv.positions.begin(), csv.positions.end(), p);
      if (at == csv.positions.end()) continue;
      source.push_back(static_cast<std::size_t>(at - csv.positions.begin()));
      e.columns.push_back({kColumns[p - 1].access, kColumns[p - 1].size * static_cast<int>(format().text_unit_bytes)});
    }
    for (std::size_t r = 0; r < rows; ++r) {
      TestRow row;
      for (std::size_t i : source) row.push_back(Expected(csv.rows[r][i]));
      e.rows.push_back(row);
    }
    EXPECT_EQ(testing::CheckWithMdbReader(mdb, e, dir_.File("expected.jsonl")), "");
  }

  // mdbtools' view: version, field order and sizes, properties, row count.
  void CheckWithMdbtools(const std::string& mdb, const Csv& csv) const {
    if (!testing::HaveMdbtools()) {
      std::cout << "[ SKIPPED  ] mdbtools check: mdbtools is not installed\n";
      return;
    }
    const std::string q = ShellQuote(mdb);
    EXPECT_EQ(RunCommand("mdb-ver " + q).output, jet3() ? "JET3\n" : "JET4\n");
    const std::string schema = RunCommand("mdb-schema -T tblKinsheet " + q).output;
    const std::string props = RunCommand("mdb-prop " + q + " tblKinsheet").output;
    std::size_t at = 0;
    for (int p : kTableOrder) {
      if (std::find(csv.positions.begin(), csv.positions.end(), p) == csv.positions.end()) continue;
      const ColumnFacts& c = kColumns[p - 1];
      const std::string line = std::string("[") + c.access + "]\t\t\tText (" + std::to_string(c.size) + ")";
      const std::size_t found = schema.find(line, at);
      EXPECT_NE(found, std::string::npos) << line << " not in order in:\n" << schema;
      if (found != std::string::npos) at = found;
      EXPECT_NE(props.find(std::string("name: ") + c.access + "\n\tAllowZeroLength: yes\n"), std::string::npos)
          << c.access;
    }
    EXPECT_EQ(RunCommand("mdb-count " + q + " tblKinsheet").output, std::to_string(csv.rows.size()) + "\n");
  }

  // Exports `ged` both ways and compares; `fields` as for --fields.
  void ExportAndCompare(const std::string& ged, const std::string& fields = "all") const {
    const std::string csv_path = dir_.File("out.csv");
    const std::string mdb_path = dir_.File("out.mdb");
    const auto csv_run = Export("csv", ged, csv_path, fields);
    ASSERT_EQ(csv_run.exit_code, 0) << csv_run.output;
    const auto mdb_run = Export(GetParam(), ged, mdb_path, fields);
    ASSERT_EQ(mdb_run.exit_code, 0) << mdb_run.output;
    const Csv csv = ReadCsv(csv_path);
    const std::size_t rows = CompareWithCsv(mdb_path, csv, true);
    CheckWithMdbReader(mdb_path, csv, rows);
    CheckWithMdbtools(mdb_path, csv);
  }

  // Exports `ged` both ways and compares. A value the engine refuses stops
  // the export with the dB error; the records before it must be there.
  // Returns false when nothing could be loaded.
  bool ExportAndCompareAllowingStop(const std::string& ged) const {
    const std::string csv_path = dir_.File("any.csv");
    const std::string mdb_path = dir_.File("any.mdb");
    if (Export("csv", ged, csv_path).exit_code != 0) return false;
    const Csv csv = ReadCsv(csv_path);
    const auto mdb_run = Export(GetParam(), ged, mdb_path);
    if (mdb_run.exit_code == 0) {
      const std::size_t rows = CompareWithCsv(mdb_path, csv, true);
      CheckWithMdbReader(mdb_path, csv, rows);
      CheckWithMdbtools(mdb_path, csv);
    } else {
      EXPECT_EQ(mdb_run.exit_code, 1);
      EXPECT_NE(mdb_run.output.find("Error occurred while creating dB: "), std::string::npos) << mdb_run.output;
      const std::size_t rows = CompareWithCsv(mdb_path, csv, false);
      EXPECT_LT(rows, csv.rows.size());
      std::cout << "[   NOTE   ] " << fs::path(ged).filename().string() << ": stopped after " << rows << " of "
                << csv.rows.size() << " rows: " << mdb_run.output.substr(0, 200) << "\n";
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
    files += ExportAndCompareAllowingStop(item.path().string()) ? 1 : 0;
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
    EXPECT_TRUE(ExportAndCompareAllowingStop(ged));
  }
}

TEST_P(AccessExport, OneFieldTicked) {
  const fs::path ged = fs::path(KINSHEET_TESTDATA) / "gedcom" / "royal92.ged";
  if (!fs::exists(ged)) GTEST_SKIP() << "no " << ged;
  ExportAndCompare(ged.string(), "0");
  DatabaseReader reader(dir_.File("out.mdb"));
  const TableShape shape = reader.Table(*reader.FindObject(u"tblKinsheet"));
  ASSERT_EQ(shape.columns.size(), 1u);
  EXPECT_EQ(shape.columns[0].name, u"Surname");
  EXPECT_EQ(shape.columns[0].length, 120 * format().text_unit_bytes);
}

TEST_P(AccessExport, NonAsciiNamesFromUtf8AndWindows1252) {
  std::vector<testing::GedPerson> utf8;
  std::vector<testing::GedPerson> cp1252;
  for (int i = 0; i < 240; ++i) {
    testing::GedPerson p;
    p.given = i % 2 ? "J\xC3\xBCrgen" : "\xC5\x81ucja \xE6\x9D\xB1";  // Jürgen / Łucja 東
    p.surname = "M\xC3\xBCller-\xE2\x82\xAC";                          // Müller-€
    p.sex = i % 2 ? "M" : "F";
    p.birth_place = "Gda\xC5\x84sk";
    p.birth_date = std::to_string(1 + i % 28) + " MAR 1850";
    utf8.push_back(p);
    testing::GedPerson q;
    q.given = i % 2 ? "J\xFCrgen" : "\xC9lise";  // Jürgen / Élise
    q.surname = "M\xFCller-\x80";                 // Müller-€
    q.sex = p.sex;
    q.birth_place = "Z\xFCrich";
    q.nick = i % 3 ? "" : "\x8A\x9C";  // Šœ
    cp1252.push_back(q);
  }
  const std::string a = dir_.File("utf8.ged");
  const std::string b = dir_.File("cp1252.ged");
  testing::WriteGedcom(a, utf8, "UTF-8");
  testing::WriteGedcom(b, cp1252, "ANSI");
  ExportAndCompare(a);
  ExportAndCompare(b);
  DatabaseReader reader(dir_.File("out.mdb"));
  bool seen = false;
  reader.ForEachRow(*reader.FindObject(u"tblKinsheet"), [&](const std::vector<Cell>& cells) {
    if (!seen) {
      EXPECT_EQ(DecodeText(format(), cells[2].bytes), u"M\u00fcller-\u20ac");
    }
    seen = true;
  });
  EXPECT_TRUE(seen);
}

TEST_P(AccessExport, ValueTooLongStopsWithEveryEarlierRecord) {
  std::vector<testing::GedPerson> people(20);
  for (int i = 0; i < 20; ++i) {
    people[i].given = "Person" + std::to_string(i + 1);
    people[i].surname = "Long";
  }
  people[6].nick = std::string(70, 'n');  // Nick holds 60 characters
  const std::string ged = dir_.File("long.ged");
  testing::WriteGedcom(ged, people, "ASCII");
  const std::string mdb = dir_.File("long.mdb");
  const auto run = Export(GetParam(), ged, mdb);
  EXPECT_EQ(run.exit_code, 1);
  // The console shows a message's line feed as a space.
  EXPECT_NE(run.output.find("Error occurred while creating dB:  The field 'Nick'"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("'Nick'"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("60"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("70"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("created. Do you wish"), std::string::npos) << run.output;
  // An unfinished database never takes the output's name.
  EXPECT_FALSE(fs::exists(mdb));
  EXPECT_TRUE(kinsheet::testing::LeftTemporaries(dir_.File("")).empty());
}

TEST_P(AccessExport, RecordTooLargeStopsWithEveryEarlierRecord) {
  // Windows-1252 "\x80" (the euro sign) is one byte in Jet 3 and two in
  // Jet 4. The third person fills every field to its size, with parents and
  // three marriages: more than any page holds in either format.
  const std::string e = "\x80";
  auto fill = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += e;
    return s;
  };
  std::string g = "0 HEAD\r\n1 CHAR ANSI\r\n";
  g += "0 @I7@ INDI\r\n1 NAME Ann /Small/\r\n0 @I8@ INDI\r\n1 NAME Bob /Small/\r\n";
  g += "0 @I1@ INDI\r\n1 NAME " + fill(59) + " /" + fill(60) + "/\r\n2 GIVN " + fill(120) + "\r\n2 SURN " +
       fill(120) + "\r\n2 NPFX " + fill(60) + "\r\n2 NSFX " + fill(60) + "\r\n2 NICK " + fill(60) +
       "\r\n1 TITL " + fill(120) + "\r\n1 SEX M\r\n";
  for (const char* event : {"BIRT", "CHR", "DEAT", "BURI"}) {
    g += std::string("1 ") + event + "\r\n2 DATE " + fill(60) + "\r\n2 PLAC " + fill(100) + "\r\n";
  }
  g += "1 FAMC @F0@\r\n1 FAMS @F1@\r\n1 FAMS @F2@\r\n1 FAMS @F3@\r\n";
  for (int i = 2; i <= 6; ++i) {
    g += "0 @I" + std::to_string(i) + "@ INDI\r\n1 NAME " + fill(59) + " /" + fill(60) + "/\r\n";
  }
  g += "0 @F0@ FAM\r\n1 HUSB @I5@\r\n1 WIFE @I6@\r\n1 CHIL @I1@\r\n";
  for (int f = 1; f <= 3; ++f) {
    g += "0 @F" + std::to_string(f) + "@ FAM\r\n1 HUSB @I1@\r\n1 WIFE @I" + std::to_string(f + 1) +
         "@\r\n1 MARR\r\n2 DATE " + fill(60) + "\r\n2 PLAC " + fill(100) + "\r\n";
  }
  g += "0 TRLR\r\n";
  const std::string ged = dir_.File("large.ged");
  std::ofstream(ged, std::ios::binary) << g;
  const std::string mdb = dir_.File("large.mdb");
  const auto run = Export(GetParam(), ged, mdb);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.output.find("Error occurred while creating dB:  Record is too large."), std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(mdb));
  EXPECT_TRUE(kinsheet::testing::LeftTemporaries(dir_.File("")).empty());
}

TEST_P(AccessExport, MissingTemplateIsReportedAndNothingIsWritten) {
  const std::string bin = dir_.File("bin");
  fs::create_directories(bin);
  fs::copy_file(Batch(), bin + "/kinsheet-batch");
  fs::permissions(bin + "/kinsheet-batch", fs::perms::owner_all);
  std::vector<testing::GedPerson> people(4);
  for (auto& p : people) p.given = "X";
  const std::string ged = dir_.File("t.ged");
  testing::WriteGedcom(ged, people, "ASCII");
  const std::string mdb = dir_.File("t.mdb");
  const auto run = RunCommand(ShellQuote(bin + "/kinsheet-batch") + " export --format " + GetParam() + " " +
                              ShellQuote(ged) + " " + ShellQuote(mdb) + " 2>&1");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.output.find("MS Access workfile missing. Cannot create dB.  Please reinstall Kinsheet."),
            std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(mdb));
}

TEST_P(AccessExport, MoreThan1024PagesWithEmptyTextNotNull) {
  // 150,000 people: several thousand pages in both formats, a reference
  // map with 0x05 pages, and page 1 mapping the whole file.
  std::vector<testing::GedPerson> people(150000);
  for (std::size_t i = 0; i < people.size(); ++i) {
    people[i].given = "Given" + std::to_string(i);
    people[i].surname = i % 5 ? "Surname" + std::to_string(i % 997) : "";
    people[i].sex = i % 2 ? "M" : "F";
    if (i % 3 == 0) people[i].birth_date = std::to_string(1 + i % 28) + " JAN " + std::to_string(1700 + i % 300);
  }
  const std::string ged = dir_.File("many.ged");
  testing::WriteGedcom(ged, people, "ASCII");
  ExportAndCompare(ged, "0,1,6,16,17,25,26,27");
  DatabaseReader reader(dir_.File("out.mdb"));
  EXPECT_GT(reader.page_count(), 1024u);
  std::size_t empty = 0;
  reader.ForEachRow(*reader.FindObject(u"tblKinsheet"), [&](const std::vector<Cell>& cells) {
    for (const Cell& c : cells) {
      ASSERT_FALSE(c.null);
      empty += c.bytes.empty() ? 1 : 0;
    }
  });
  EXPECT_GT(empty, 150000u);
  if (testing::HaveCommand("mdb-count")) {
    EXPECT_EQ(RunCommand("mdb-count " + ShellQuote(dir_.File("out.mdb")) + " tblKinsheet").output, "150000\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, AccessExport, ::testing::Values("mdb", "mdb95"),
                         [](const auto& info) { return std::string(info.param) == "mdb" ? "Jet4" : "Jet3"; });

}  // namespace
}  // namespace kinsheet::jet
