// Our files read by independent readers: mdbtools (mdb-ver, mdb-tables,
// mdb-schema, mdb-count, mdb-export, mdb-prop) and the npm package
// mdb-reader, which also tells empty text from NULL. A missing reader skips
// the check with the reason.
#include <gtest/gtest.h>

#include <sstream>

#include "jet_test_support.h"

namespace kinsheet::jet {
namespace {

using testing::HaveMdbReader;
using testing::HaveMdbtools;
using testing::RunCommand;
using testing::ShellQuote;
using testing::TestField;
using testing::TestRow;

class JetOracle : public ::testing::TestWithParam<int> {
 protected:
  const JetFormat& format() const { return GetParam() == 3 ? JetFormat::Jet3() : JetFormat::Jet4(); }

  std::u16string Stored(const std::u16string& s) const {
    return format().version == 3 ? testing::StoredInJet3(s) : s;
  }

  // mdb-reader's view of `db` against `fields` and `rows`; "" when it agrees.
  std::string ReaderDiffers(const std::string& db, const std::vector<TestField>& fields,
                            const std::vector<TestRow>& rows) const {
    testing::ReaderExpectation e;
    for (const TestField& f : fields) e.columns.push_back({f.name, f.size * static_cast<int>(format().text_unit_bytes)});
    for (const TestRow& row : rows) {
      TestRow stored;
      for (const auto& v : row) stored.push_back(v ? std::optional(Stored(*v)) : std::nullopt);
      e.rows.push_back(stored);
    }
    return testing::CheckWithMdbReader(db, e, dir_.File("expected.jsonl"));
  }

  // Values free of quotes, commas and characters outside the BMP, which
  // mdb-export shows differently.
  std::vector<TestRow> SampleRows(const std::vector<TestField>& fields, int count) const {
    const std::u16string words[] = {u"Smith", u"M\u00fcller", u"\u0141\u00f3d\u017a Gda\u0144sk", u"\u6771\u4eac\u90fd",
                                    u"", u"van der Berg", u"1 JAN 1900", u"\u00c9lise"};
    std::vector<TestRow> rows;
    for (int r = 0; r < count; ++r) {
      TestRow row;
      for (std::size_t c = 0; c < fields.size(); ++c) {
        const int pick = (r * 5 + static_cast<int>(c)) % 9;
        std::u16string v = pick == 8 ? std::u16string(fields[c].size, u'w') : words[pick];
        if (v.size() > static_cast<std::size_t>(fields[c].size)) v.resize(fields[c].size);
        row.push_back(v);
      }
      rows.push_back(row);
    }
    return rows;
  }

  void CheckWithMdbtools(const std::string& db, const std::vector<TestField>& fields,
                         const std::vector<TestRow>& rows) const {
    const std::string q = ShellQuote(db);
    EXPECT_EQ(RunCommand("mdb-ver " + q).output, format().version == 3 ? "JET3\n" : "JET4\n");
    EXPECT_EQ(RunCommand("mdb-tables -1 " + q).output, "tblKinsheet\n");
    EXPECT_EQ(RunCommand("mdb-tables -1 -S " + q).output,
              "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\ntblKinsheet\n");
    const auto schema = RunCommand("mdb-schema -T tblKinsheet " + q + " 2>&1");
    std::size_t at = 0;
    for (const TestField& f : fields) {
      const std::string line = "[" + f.name + "]\t\t\tText (" + std::to_string(f.size) + ")";
      const std::size_t found = schema.output.find(line, at);
      ASSERT_NE(found, std::string::npos) << line << " not in order in:\n" << schema.output;
      at = found;
    }
    EXPECT_EQ(schema.output.find("arning"), std::string::npos) << schema.output;
    EXPECT_EQ(RunCommand("mdb-count " + q + " tblKinsheet").output, std::to_string(rows.size()) + "\n");

    std::ostringstream expected;
    for (std::size_t i = 0; i < fields.size(); ++i) expected << (i ? "," : "") << fields[i].name;
    expected << "\n";
    for (const TestRow& row : rows) {
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i) expected << ",";
        if (row[i] && !row[i]->empty()) expected << "\"" << testing::GlibcUtf8(Stored(*row[i])) << "\"";
      }
      expected << "\n";
    }
    const auto exported = RunCommand("mdb-export " + q + " tblKinsheet 2>&1");
    EXPECT_EQ(exported.exit_code, 0);
    EXPECT_TRUE(exported.output == expected.str()) << "mdb-export differs; first bytes:\n"
                                                   << exported.output.substr(0, 600);

    const auto props = RunCommand("mdb-prop " + q + " tblKinsheet");
    for (const TestField& f : fields) {
      EXPECT_NE(props.output.find("name: " + f.name + "\n\tAllowZeroLength: yes\n"), std::string::npos)
          << f.name << " in:\n" << props.output.substr(0, 400);
    }
  }

  testing::TempDir dir_;
};

TEST_P(JetOracle, TemplatesAreEmptyDatabasesOfTheirVersion) {
  const std::string tmpl = testing::TemplatePath(format());
  if (HaveMdbtools()) {
    EXPECT_EQ(RunCommand("mdb-ver " + ShellQuote(tmpl)).output, format().version == 3 ? "JET3\n" : "JET4\n");
    EXPECT_EQ(RunCommand("mdb-tables -1 " + ShellQuote(tmpl)).output, "");
    EXPECT_EQ(RunCommand("mdb-tables -1 -S " + ShellQuote(tmpl)).output,
              "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n");
  }
  if (HaveMdbReader()) {
    testing::ReaderExpectation none;
    none.has_table = false;
    EXPECT_EQ(testing::CheckWithMdbReader(tmpl, none, dir_.File("expected.jsonl")), "");
  }
  if (!HaveMdbtools() || !HaveMdbReader()) {
    GTEST_SKIP() << "mdbtools or mdb-reader missing: install mdbtools and run the jet_oracle_setup test";
  }
}

TEST_P(JetOracle, FortyFieldTable) {
  if (!HaveMdbtools() && !HaveMdbReader()) GTEST_SKIP() << "neither mdbtools nor mdb-reader is installed";
  const std::vector<TestField> fields = testing::KinsheetFields();
  std::vector<TestRow> rows = SampleRows(fields, 2500);
  const std::string db = dir_.File("forty.mdb");
  testing::WriteTestTable(format(), db, fields, rows);
  if (HaveMdbtools()) {
    CheckWithMdbtools(db, fields, rows);
  }
  if (HaveMdbReader()) {
    EXPECT_EQ(ReaderDiffers(db, fields, rows), "");
  }
  if (!HaveMdbtools()) GTEST_SKIP() << "mdbtools missing: only mdb-reader checked the file";
  if (!HaveMdbReader()) GTEST_SKIP() << "mdb-reader missing: only mdbtools checked the file";
}

TEST_P(JetOracle, NullsSurrogatesAndByteOrderMarks) {
  if (!HaveMdbReader()) GTEST_SKIP() << "mdb-reader is not installed (run the jet_oracle_setup test)";
  const std::vector<TestField> fields = {{"Given", 120}, {"Nick", 60}, {"Sex", 1}};
  std::vector<TestRow> rows;
  for (int r = 0; r < 300; ++r) {
    rows.push_back({r % 3 == 0 ? std::nullopt : std::optional<std::u16string>(u"\U0001F46A family"),
                    r % 4 == 0 ? std::optional<std::u16string>(u"\uFEFFabc") : std::optional<std::u16string>(u""),
                    r % 5 == 0 ? std::nullopt : std::optional<std::u16string>(u"F")});
  }
  const std::string db = dir_.File("nulls.mdb");
  testing::WriteTestTable(format(), db, fields, rows);
  EXPECT_EQ(ReaderDiffers(db, fields, rows), "");
}

TEST_P(JetOracle, WideAndEmptyTables) {
  if (!HaveMdbtools() || !HaveMdbReader()) GTEST_SKIP() << "needs both mdbtools and mdb-reader";
  // 120 fields: a definition over three pages and properties on a chain of
  // long-value pages.
  std::vector<TestField> wide;
  for (int i = 0; i < 120; ++i) wide.push_back({"Field_with_a_long_name_" + std::to_string(1000 + i), 20});
  const std::vector<TestRow> wide_rows = SampleRows(wide, 300);
  const std::string db2 = dir_.File("wide.mdb");
  testing::WriteTestTable(format(), db2, wide, wide_rows);
  CheckWithMdbtools(db2, wide, wide_rows);
  EXPECT_EQ(ReaderDiffers(db2, wide, wide_rows), "");

  const std::vector<TestField> forty = testing::KinsheetFields();
  const std::string db3 = dir_.File("empty.mdb");
  testing::WriteTestTable(format(), db3, forty, {});
  CheckWithMdbtools(db3, forty, {});
  EXPECT_EQ(ReaderDiffers(db3, forty, {}), "");
}

TEST_P(JetOracle, TableAcrossTwoBitmapStretches) {
  if (!HaveMdbtools() || !HaveMdbReader()) GTEST_SKIP() << "needs both mdbtools and mdb-reader";
  // One row a page carries the table into the second 0x05 stretch and the
  // global map into its reference form.
  const std::vector<TestField> fields = {{"A", 255}, {"B", 255}, {"C", 255}, {"D", 255}, {"E", 255}};
  const bool jet3 = format().version == 3;
  const std::u16string big(jet3 ? 250 : 255, jet3 ? u'a' : u'\u0416');
  const TestRow row = jet3 ? TestRow{big, big, big, big, big} : TestRow{big, big, big, big, std::nullopt};
  const std::size_t rows = format().bitmap_page_pages() + 20;
  const std::string db = dir_.File("stretch.mdb");
  testing::WriteTestTable(format(), db, fields, std::vector<TestRow>(rows, row));
  EXPECT_EQ(RunCommand("mdb-count " + ShellQuote(db) + " tblKinsheet").output, std::to_string(rows) + "\n");
  const auto lines = RunCommand("mdb-export " + ShellQuote(db) + " tblKinsheet 2>&1 | wc -l");
  EXPECT_EQ(lines.output, std::to_string(rows + 1) + "\n");
  testing::ReaderExpectation e;
  for (const TestField& f : fields) e.columns.push_back({f.name, 255 * static_cast<int>(format().text_unit_bytes)});
  e.rows = {row};
  e.row_count = rows;
  EXPECT_EQ(testing::CheckWithMdbReader(db, e, dir_.File("expected.jsonl")), "");
}

INSTANTIATE_TEST_SUITE_P(BothFormats, JetOracle, ::testing::Values(3, 4),
                         [](const auto& info) { return "Jet" + std::to_string(info.param); });

}  // namespace
}  // namespace kinsheet::jet
