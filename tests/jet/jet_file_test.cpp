// Whole database files over both formats, written through the engine and
// read back by our reader (values and structure) and by the independent
// readers mdbtools (mdb-ver, mdb-tables, mdb-schema, mdb-count, mdb-export,
// mdb-prop) and the npm package mdb-reader, which also tells empty text
// from NULL; then the refusals and what a failure leaves. A missing reader
// leaves its checks out and says so.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>

#include "formats/jet/catalog.h"
#include "formats/jet/dao.h"
#include "formats/jet/data_page.h"
#include "formats/jet/database_reader.h"
#include "formats/jet/text_codec.h"
#include "jet_test_support.h"

namespace kinsheet::jet {
namespace {

using testing::HaveMdbReader;
using testing::HaveMdbtools;
using testing::RunCommand;
using testing::ShellQuote;
using testing::TestField;
using testing::TestRow;

const char* const kSystemTables = "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n";

class JetFile : public ::testing::TestWithParam<int> {
 protected:
  const JetFormat& format() const { return GetParam() == 3 ? JetFormat::Jet3() : JetFormat::Jet4(); }
  bool jet3() const { return GetParam() == 3; }

  std::vector<TestRow> Stored(const std::vector<TestRow>& rows) const {
    std::vector<TestRow> out;
    for (const TestRow& row : rows) {
      TestRow stored;
      for (const auto& v : row) stored.push_back(v && jet3() ? std::optional(testing::StoredInJet3(*v)) : v);
      out.push_back(stored);
    }
    return out;
  }

  // Every row of tblKinsheet as text (nullopt for NULL).
  std::vector<TestRow> ReadBack(const std::string& path) const {
    DatabaseReader reader(path);
    const auto entry = reader.FindObject(u"tblKinsheet");
    EXPECT_TRUE(entry.has_value());
    std::vector<TestRow> rows;
    if (!entry) return rows;
    reader.ForEachRow(*entry, [&](const std::vector<Cell>& cells) {
      TestRow row;
      for (const Cell& c : cells) row.push_back(c.null ? std::nullopt : std::optional(DecodeText(format(), c.bytes)));
      rows.push_back(row);
    });
    return rows;
  }

  // Structural checks on a finished file: counts, free space, maps.
  void CheckConsistent(const std::string& path, std::size_t expected_rows) const {
    DatabaseReader reader(path);
    const JetFormat& f = reader.format();
    const auto entry = reader.FindObject(u"tblKinsheet");
    ASSERT_TRUE(entry.has_value());
    const TableShape shape = reader.Table(*entry);
    EXPECT_EQ(shape.row_count, expected_rows);
    const std::vector<std::uint32_t> pages = TableDataPages(f, reader.Pages(), shape, entry->TdefPage());
    EXPECT_EQ(std::set<std::uint32_t>(pages.begin(), pages.end()).size(), pages.size());
    std::size_t rows = 0;
    for (std::uint32_t p : pages) {
      const std::string page = reader.ReadPage(p);
      const std::vector<RowSlot> slots = RowsOfPage(f, page);
      ASSERT_FALSE(slots.empty());
      rows += slots.size();
      EXPECT_EQ(GetU16(page, 2), slots.back().offset - f.data_header_size - 2 * slots.size()) << "page " << p;
    }
    EXPECT_EQ(rows, expected_rows);
    EXPECT_EQ(ReadTableDef(f, reader.Pages(), kCatalogTdefPage).row_count, reader.Catalog().size());
    // The global map marks no page of the file as free.
    const std::string global(RowOfPage(f, reader.ReadPage(1), 0));
    const std::vector<std::uint32_t> free = PagesOfMap(f, global, reader.Pages());
    ASSERT_FALSE(free.empty());
    EXPECT_EQ(free.front(), reader.page_count());
  }

  // What every reader finds in `db` against `fields` and `rows`. mdb-export
  // shows quotes, commas and characters outside the BMP its own way, so
  // rows holding them leave mdbtools out.
  void CheckFile(const std::string& db, const std::vector<TestField>& fields, const std::vector<TestRow>& rows,
                 bool mdbtools = true) const {
    const std::vector<TestRow> stored = Stored(rows);
    const std::vector<TestRow> back = ReadBack(db);
    ASSERT_EQ(back.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) ASSERT_EQ(back[r], stored[r]) << "row " << r;
    CheckConsistent(db, rows.size());
    // Names, sizes and properties are the independent readers' to check.
    if (HaveMdbReader()) {
      testing::ReaderExpectation e;
      for (const TestField& f : fields) e.columns.push_back({f.name, f.size * static_cast<int>(format().text_unit_bytes)});
      e.rows = stored;
      EXPECT_EQ(testing::CheckWithMdbReader(db, e, dir_.File("expected.jsonl")), "");
    } else {
      std::cout << "[ SKIPPED  ] mdb-reader is not installed (run the jet_oracle_setup test)\n";
    }
    if (!mdbtools) return;
    if (!HaveMdbtools()) {
      std::cout << "[ SKIPPED  ] mdbtools is not installed\n";
      return;
    }
    const std::string q = ShellQuote(db);
    EXPECT_EQ(RunCommand("mdb-ver " + q).output, jet3() ? "JET3\n" : "JET4\n");
    EXPECT_EQ(RunCommand("mdb-tables -1 " + q).output, "tblKinsheet\n");
    EXPECT_EQ(RunCommand("mdb-tables -1 -S " + q).output, std::string(kSystemTables) + "tblKinsheet\n");
    const auto schema = RunCommand("mdb-schema -T tblKinsheet " + q + " 2>&1");
    const std::string mdb_props = RunCommand("mdb-prop " + q + " tblKinsheet").output;
    std::size_t at = 0;
    for (const TestField& f : fields) {
      const std::string line = "[" + f.name + "]\t\t\tText (" + std::to_string(f.size) + ")";
      const std::size_t found = schema.output.find(line, at);
      ASSERT_NE(found, std::string::npos) << line << " not in order in:\n" << schema.output;
      at = found;
      EXPECT_NE(mdb_props.find("name: " + f.name + "\n\tAllowZeroLength: yes\n"), std::string::npos) << f.name;
    }
    EXPECT_EQ(schema.output.find("arning"), std::string::npos) << schema.output;
    EXPECT_EQ(RunCommand("mdb-count " + q + " tblKinsheet").output, std::to_string(rows.size()) + "\n");
    std::ostringstream expected;
    for (std::size_t i = 0; i < fields.size(); ++i) expected << (i ? "," : "") << fields[i].name;
    expected << "\n";
    for (const TestRow& row : stored) {
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i) expected << ",";
        if (row[i] && !row[i]->empty()) expected << "\"" << testing::GlibcUtf8(*row[i]) << "\"";
      }
      expected << "\n";
    }
    const auto exported = RunCommand("mdb-export " + q + " tblKinsheet 2>&1");
    EXPECT_EQ(exported.exit_code, 0);
    EXPECT_TRUE(exported.output == expected.str()) << "mdb-export differs; first bytes:\n"
                                                   << exported.output.substr(0, 600);
  }

  // Values every reader shows alike, NULL and field-filling ones among them.
  std::vector<TestRow> SampleRows(const std::vector<TestField>& fields, int count) const {
    const std::u16string words[] = {u"Smith", u"M\u00fcller", u"\u0141\u00f3d\u017a Gda\u0144sk", u"\u6771\u4eac\u90fd",
                                    u"", u"van der Berg", u"O'Brien \u20ac 5", u"\u00c9lise"};
    std::vector<TestRow> rows;
    for (int r = 0; r < count; ++r) {
      TestRow row;
      for (std::size_t c = 0; c < fields.size(); ++c) {
        const int pick = (r * 5 + static_cast<int>(c)) % 10;
        std::u16string v = pick >= 8 ? std::u16string(fields[c].size, u'w') : words[pick];
        if (v.size() > static_cast<std::size_t>(fields[c].size)) v.resize(fields[c].size);
        row.push_back(pick == 9 ? std::nullopt : std::optional(v));
      }
      rows.push_back(row);
    }
    return rows;
  }

  // A copy of the template with an empty tblKinsheet of `fields`, open for
  // adding records.
  struct OpenTable {
    std::unique_ptr<Database> db;
    std::unique_ptr<Recordset> rs;
    void Close() {
      rs->Close();
      db->Close();
    }
  };
  OpenTable Open(const std::string& path, const std::vector<TestField>& fields, EngineOptions options = {}) const {
    std::filesystem::copy_file(testing::TemplatePath(format()), path);
    OpenTable t{DBEngine(options).OpenDatabase(path), nullptr};
    testing::AppendTestTable(*t.db, fields);
    t.rs = t.db->OpenRecordset("tblKinsheet", dbOpenDynaset);
    return t;
  }

  testing::TempDir dir_;
};

TEST_P(JetFile, TemplateIsAnEmptyDatabase) {
  const std::string tmpl = testing::TemplatePath(format());
  DatabaseReader reader(tmpl);
  EXPECT_EQ(reader.page_count(), jet3() ? 9u : 8u);
  EXPECT_EQ(reader.Catalog().size(), 8u);
  EXPECT_EQ(ReadTableDef(format(), reader.Pages(), kCatalogTdefPage).long_value_maps.size(), 7u);  // memo, OLE
  const std::string global(RowOfPage(format(), reader.ReadPage(1), 0));
  EXPECT_EQ(PagesOfMap(format(), global, {}).front(), reader.page_count());
  // Built from fixed inputs: every build makes the same bytes.
  const std::string again = BuildEmptyDatabase(format(), kTemplateDate);
  std::string file(again.size(), '\0');
  for (std::uint32_t p = 0; p < reader.page_count(); ++p) file.replace(p * format().page_size, format().page_size, reader.ReadPage(p));
  EXPECT_EQ(file, again);

  if (HaveMdbtools()) {
    EXPECT_EQ(RunCommand("mdb-ver " + ShellQuote(tmpl)).output, jet3() ? "JET3\n" : "JET4\n");
    EXPECT_EQ(RunCommand("mdb-tables -1 " + ShellQuote(tmpl)).output, "");
    EXPECT_EQ(RunCommand("mdb-tables -1 -S " + ShellQuote(tmpl)).output, kSystemTables);
  }
  if (HaveMdbReader()) {
    testing::ReaderExpectation none;
    none.has_table = false;
    EXPECT_EQ(testing::CheckWithMdbReader(tmpl, none, dir_.File("expected.jsonl")), "");
  }
  if (!HaveMdbtools() || !HaveMdbReader()) GTEST_SKIP() << "mdbtools or mdb-reader missing";
}

TEST_P(JetFile, TablesReadBackByEveryReader) {
  std::vector<TestRow> odd;  // NULLs, characters outside the BMP, byte order marks
  for (int r = 0; r < 300; ++r) {
    odd.push_back({r % 3 == 0 ? std::nullopt : std::optional<std::u16string>(u"\U0001F46A family"),
                   r % 4 == 0 ? std::optional<std::u16string>(u"\uFEFFabc") : std::optional<std::u16string>(u""),
                   r % 5 == 0 ? std::nullopt : std::optional<std::u16string>(u"F")});
  }
  const std::vector<TestField> forty = testing::KinsheetFields();
  const struct {
    const char* file;
    std::vector<TestField> fields;
    std::vector<TestRow> rows;
    bool mdbtools;
  } cases[] = {{"forty.mdb", forty, SampleRows(forty, 2500), true},
               {"empty.mdb", forty, {}, true},
               // Empty values of one short field fill pages to their 255-row limit.
               {"short.mdb", {{"Surname", 120}}, std::vector<TestRow>(600, TestRow{u""}), true},
               {"odd.mdb", {{"Given", 120}, {"Nick", 60}, {"Sex", 1}}, odd, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    testing::WriteTestTable(format(), dir_.File(c.file), c.fields, c.rows);
    CheckFile(dir_.File(c.file), c.fields, c.rows, c.mdbtools);
  }
}

TEST_P(JetFile, WideTableOverSeveralPages) {
  // 120 fields: a definition over three pages and properties on a chain of
  // long-value pages.
  std::vector<TestField> fields;
  for (int i = 0; i < 120; ++i) fields.push_back({"Field_with_a_long_name_" + std::to_string(1000 + i), 20});
  const std::vector<TestRow> rows = SampleRows(fields, 300);
  const std::string db = dir_.File("wide.mdb");
  testing::WriteTestTable(format(), db, fields, rows);
  DatabaseReader reader(db);
  EXPECT_EQ(GetU32(reader.FindObject(u"tblKinsheet")->lv_prop.bytes, 0) & 0xC0000000u, 0u);  // an LVAL chain
  CheckFile(db, fields, rows);
}

TEST_P(JetFile, TableAcrossTwoBitmapStretches) {
  // One row a page carries the table into a second 0x05 stretch and the
  // file past what page 1 can map inline.
  const std::vector<TestField> fields = {{"A", 255}, {"B", 255}, {"C", 255}, {"D", 255}, {"E", 255}};
  const std::u16string big(jet3() ? 250 : 255, jet3() ? u'a' : u'\u0416');
  const TestRow row = jet3() ? TestRow{big, big, big, big, big} : TestRow{big, big, big, big, std::nullopt};
  const std::size_t rows = format().bitmap_page_pages() + 20;
  const std::string db = dir_.File("stretch.mdb");
  testing::WriteTestTable(format(), db, fields, std::vector<TestRow>(rows, row));
  DatabaseReader reader(db);
  const auto entry = reader.FindObject(u"tblKinsheet");
  const std::string map = ReadPointedRow(format(), reader.Pages(), reader.Table(*entry).owned_map);
  EXPECT_EQ(GetU8(map, 0), kMapReference);
  EXPECT_NE(ReferenceSlot(map, 0), 0u);
  EXPECT_NE(ReferenceSlot(map, 1), 0u);
  EXPECT_EQ(ReferenceSlot(map, 2), 0u);
  EXPECT_EQ(GetU8(RowOfPage(format(), reader.ReadPage(1), 0), 0), kMapReference);
  CheckConsistent(db, rows);

  if (!HaveMdbtools() || !HaveMdbReader()) GTEST_SKIP() << "mdbtools or mdb-reader missing";
  EXPECT_EQ(RunCommand("mdb-count " + ShellQuote(db) + " tblKinsheet").output, std::to_string(rows) + "\n");
  const auto lines = RunCommand("mdb-export " + ShellQuote(db) + " tblKinsheet 2>&1 | wc -l");
  EXPECT_EQ(lines.output, std::to_string(rows + 1) + "\n");
  testing::ReaderExpectation e;
  for (const TestField& f : fields) e.columns.push_back({f.name, 255 * static_cast<int>(format().text_unit_bytes)});
  e.rows = {row};
  e.row_count = rows;
  EXPECT_EQ(testing::CheckWithMdbReader(db, e, dir_.File("expected.jsonl")), "");
}

TEST_P(JetFile, RecordTooLargeIsRefusedAndEarlierRecordsStay) {
  // Nine fields of 255: seven full, the eighth sized so that the row is
  // exactly the largest a page holds, the ninth empty.
  std::vector<TestField> fields;
  for (int i = 1; i <= 9; ++i) fields.push_back({"F" + std::to_string(i), 255});
  const std::u16string full(255, jet3() ? u'a' : u'\u0416');
  TestRow exact(9, full);
  exact[7] = std::u16string(jet3() ? 206 : 232, jet3() ? u'a' : u'\u0416');
  exact[8] = u"";
  TestRow larger = exact;
  larger[8] = jet3() ? u"a" : u"\u0416";

  const std::string path = dir_.File("large.mdb");
  OpenTable t = Open(path, fields);
  auto put = [&](const TestRow& row) {
    t.rs->AddNew();
    for (std::size_t i = 0; i < fields.size(); ++i) t.rs->Fields(fields[i].name).Value(*row[i]);
    t.rs->Update();
  };
  for (int i = 0; i < 5; ++i) put(exact);
  try {
    put(larger);
    FAIL() << "an oversized record was accepted";
  } catch (const JetError& e) {
    EXPECT_EQ(e.description().rfind("Record is too large.", 0), 0u) << e.description();
    EXPECT_NE(e.description().find(jet3() ? "2012" : "4060"), std::string::npos) << e.description();
  }
  t.Close();
  const std::vector<TestRow> back = ReadBack(path);
  ASSERT_EQ(back.size(), 5u);
  EXPECT_EQ(back[4][7], exact[7]);
  CheckConsistent(path, 5);
}

TEST_P(JetFile, StopWithAndWithoutClose) {
  const std::string path = dir_.File("stop.mdb");
  const std::string crashed = dir_.File("crashed.mdb");
  OpenTable t = Open(path, testing::KinsheetFields());
  int stored = 0;
  try {
    for (int r = 0; r < 1000; ++r) {
      t.rs->AddNew();
      t.rs->Fields("INDI_ID").Value(u"I" + Widen(std::to_string(r)));
      t.rs->Fields("FullName").Value(std::u16string(150, u'f'));
      t.rs->Fields("Ch_1").Value(r == 537 ? u"123" : u"2");  // three digits in a two-character field
      t.rs->Update();
      ++stored;
    }
  } catch (const JetError& e) {
    EXPECT_NE(e.description().find("'Ch_1'"), std::string::npos);
  }
  ASSERT_EQ(stored, 537);
  // What a crash at this point would leave: every full page, consistently.
  std::filesystem::copy_file(path, crashed);
  t.Close();
  EXPECT_EQ(ReadBack(path).size(), 537u);
  CheckConsistent(path, 537);

  DatabaseReader reader(crashed);
  const auto entry = reader.FindObject(u"tblKinsheet");
  ASSERT_TRUE(entry.has_value());
  const std::size_t rows = ReadBack(crashed).size();
  EXPECT_LT(rows, 537u);
  EXPECT_GT(rows, 500u);
  EXPECT_EQ(reader.Table(*entry).row_count, rows);
}

TEST_P(JetFile, RefusesToGrowPastTheSizeLimit) {
  EngineOptions options;
  options.max_file_size = 200ull * format().page_size;
  const std::string path = dir_.File("limit.mdb");
  OpenTable t = Open(path, {{"Big", 255}}, options);
  int stored = 0;
  try {
    for (int r = 0; r < 100000; ++r) {
      t.rs->AddNew();
      t.rs->Fields("Big").Value(std::u16string(255, u'\u0416'));
      t.rs->Update();
      ++stored;
    }
    FAIL() << "the file grew without limit";
  } catch (const JetError& e) {
    EXPECT_NE(e.description().find("cannot grow past"), std::string::npos) << e.description();
  }
  t.Close();
  EXPECT_GT(stored, 100);
  EXPECT_LE(std::filesystem::file_size(path), options.max_file_size);
  EXPECT_EQ(ReadBack(path).size(), static_cast<std::size_t>(stored));
  CheckConsistent(path, stored);
}

TEST_P(JetFile, RefusesWhatTheEngineRefuses) {
  const std::string path = dir_.File("refuse.mdb");
  std::filesystem::copy_file(testing::TemplatePath(format()), path);
  DBEngine engine;
  auto db = engine.OpenDatabase(path);
  TableDef def = db->CreateTableDef("tblKinsheet");
  EXPECT_THROW(def.CreateField("X", 7, 8), JetError);  // Double: text and Long Integer only
  EXPECT_EQ(def.CreateField("X", dbLong, 10).Size(), 4);
  EXPECT_THROW(def.CreateField("X", dbText, 0), JetError);
  EXPECT_THROW(def.CreateField("X", dbText, 256), JetError);
  EXPECT_THROW(db->TableDefs().Append(def), JetError);  // no fields
  def.Fields().Append(def.CreateField("Given", dbText, 120));
  EXPECT_THROW(def.Fields().Append(def.CreateField("Given", dbText, 10)), JetError);
  EXPECT_THROW(db->OpenRecordset("tblKinsheet"), JetError);
  db->TableDefs().Append(def);
  EXPECT_THROW(db->TableDefs().Append(def), JetError);  // exists now
  TableDef system = db->CreateTableDef("MSysObjects");
  system.Fields().Append(system.CreateField("A", dbText, 1));
  EXPECT_THROW(db->TableDefs().Append(system), JetError);
  auto rs = db->OpenRecordset("tblKinsheet");
  EXPECT_THROW(rs->Fields("Given").Value(u"x"), JetError);  // no AddNew
  rs->AddNew();
  EXPECT_THROW(rs->Fields("Surname"), JetError);
  EXPECT_THROW(rs->Fields("Given").Value(u""), JetError);  // AllowZeroLength is off
  try {
    rs->Fields("Given").Value(std::u16string(119, u'n') + u"\U0001F46A");  // 121 UTF-16 units
    FAIL() << "a 121-unit value was accepted";
  } catch (const JetError& e) {
    const std::string text = e.description();
    EXPECT_NE(text.find("'Given'"), std::string::npos) << text;
    EXPECT_NE(text.find("120"), std::string::npos) << text;
    EXPECT_NE(text.find("121"), std::string::npos) << text;
  }
  rs->Fields("Given").Value(std::u16string(119, u'n') + u"A");
  rs->Update();
  EXPECT_THROW(rs->Update(), JetError);
  rs->Close();
  db->Close();
  const std::vector<TestRow> back = ReadBack(path);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0][0], std::optional(std::u16string(119, u'n') + u"A"));
}

INSTANTIATE_TEST_SUITE_P(BothFormats, JetFile, ::testing::Values(3, 4),
                         [](const auto& info) { return "Jet" + std::to_string(info.param); });

}  // namespace
}  // namespace kinsheet::jet
