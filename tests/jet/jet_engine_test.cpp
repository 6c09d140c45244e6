// The engine end to end, over both formats: templates, tables written and
// read back through our own reader, the refusals and what a failure leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "formats/jet/catalog.h"
#include "formats/jet/dao.h"
#include "formats/jet/data_page.h"
#include "formats/jet/database_reader.h"
#include "formats/jet/text_codec.h"
#include "jet_test_support.h"

namespace kinsheet::jet {
namespace {

using testing::TestField;
using testing::TestRow;
using testing::TestValue;

class JetEngine : public ::testing::TestWithParam<int> {
 protected:
  const JetFormat& format() const { return GetParam() == 3 ? JetFormat::Jet3() : JetFormat::Jet4(); }
  std::u16string Stored(const std::u16string& s) const {
    return format().version == 3 ? DecodeText(format(), EncodeText(format(), s, false)) : s;
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
    const std::vector<CatalogEntry> catalog = reader.Catalog();
    EXPECT_EQ(ReadTableDef(f, reader.Pages(), kCatalogTdefPage).row_count, catalog.size());
    // The global map marks no page of the file as free.
    const std::string global(RowOfPage(f, reader.ReadPage(1), 0));
    const std::vector<std::uint32_t> free = PagesOfMap(f, global, reader.Pages());
    ASSERT_FALSE(free.empty());
    EXPECT_EQ(free.front(), reader.page_count());
  }

  testing::TempDir dir_;
};

TEST_P(JetEngine, TemplateIsAnEmptyDatabase) {
  DatabaseReader reader(testing::TemplatePath(format()));
  EXPECT_EQ(reader.format().version, format().version);
  EXPECT_TRUE(reader.header().password_empty);
  EXPECT_EQ(reader.page_count(), format().version == 3 ? 9u : 8u);
  const std::vector<CatalogEntry> catalog = reader.Catalog();
  ASSERT_EQ(catalog.size(), 8u);
  std::vector<std::u16string> tables;
  for (const CatalogEntry& e : catalog) {
    if (e.IsTable()) {
      EXPECT_TRUE(e.IsSystem());
      tables.push_back(e.name);
      EXPECT_EQ(reader.Table(e).row_count, e.name == u"MSysObjects" ? 8u : 0u);
    }
  }
  EXPECT_EQ(tables, (std::vector<std::u16string>{u"MSysObjects", u"MSysACEs", u"MSysQueries", u"MSysRelationships"}));
  const TableShape objects = ReadTableDef(format(), reader.Pages(), kCatalogTdefPage);
  EXPECT_EQ(objects.long_value_maps.size(), 7u);  // every memo and OLE column
  const std::string global(RowOfPage(format(), reader.ReadPage(1), 0));
  EXPECT_EQ(PagesOfMap(format(), global, {}).front(), reader.page_count());
  // Built from fixed inputs: every build makes the same bytes.
  const std::string again = BuildEmptyDatabase(format(), kTemplateDate);
  std::string file(again.size(), '\0');
  for (std::uint32_t p = 0; p < reader.page_count(); ++p) file.replace(p * format().page_size, format().page_size, reader.ReadPage(p));
  EXPECT_EQ(file, again);
}

TEST_P(JetEngine, FortyFieldsReadBackWithEmptyTextAndNull) {
  const std::vector<TestField> fields = testing::KinsheetFields();
  std::vector<TestRow> rows;
  const std::u16string words[] = {u"Smith", u"M\u00fcller", u"\u0141\u00f3d\u017a", u"\u6771\u4eac\u90fd",
                                  u"x\U0001F46A", u"", u"O'Brien-Mac", u"\u20ac 5"};
  for (int r = 0; r < 700; ++r) {
    TestRow row;
    for (std::size_t c = 0; c < fields.size(); ++c) {
      const int pick = (r * 7 + static_cast<int>(c) * 3) % 11;
      if (pick == 10) {
        row.push_back(std::nullopt);
      } else if (pick == 9) {
        row.push_back(std::u16string(fields[c].size, u'z'));  // exactly the field size
      } else {
        std::u16string v = words[pick % 8];
        if (v.size() > static_cast<std::size_t>(fields[c].size)) v.resize(fields[c].size);
        row.push_back(v);
      }
    }
    rows.push_back(row);
  }
  const std::string path = dir_.File("forty.mdb");
  testing::WriteTestTable(format(), path, fields, rows);
  const std::vector<TestRow> back = ReadBack(path);
  ASSERT_EQ(back.size(), rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < fields.size(); ++c) {
      const TestValue want = rows[r][c] ? std::optional(Stored(*rows[r][c])) : std::nullopt;
      ASSERT_EQ(back[r][c], want) << "row " << r << " field " << fields[c].name;
    }
  }
  CheckConsistent(path, rows.size());

  DatabaseReader reader(path);
  const auto entry = reader.FindObject(u"tblKinsheet");
  EXPECT_EQ(entry->flags, 0u);
  EXPECT_EQ(entry->parent_id, kTablesContainer);
  const TableShape shape = reader.Table(*entry);
  ASSERT_EQ(shape.columns.size(), fields.size());
  for (std::size_t c = 0; c < fields.size(); ++c) {
    EXPECT_EQ(Narrow(shape.columns[c].name), fields[c].name);
    EXPECT_EQ(shape.columns[c].type, kTypeText);
    EXPECT_EQ(shape.columns[c].length, fields[c].size * format().text_unit_bytes);
  }
  const std::vector<PropertyMap> props = reader.Properties(*entry);
  ASSERT_EQ(props.size(), fields.size());
  for (std::size_t c = 0; c < fields.size(); ++c) {
    EXPECT_EQ(Narrow(props[c].object), fields[c].name);
    ASSERT_EQ(props[c].properties.size(), 1u);
    EXPECT_EQ(props[c].properties[0].name, u"AllowZeroLength");
    EXPECT_EQ(props[c].properties[0].value, std::string(1, '\xFF'));
  }
}

TEST_P(JetEngine, TableWithoutRowsAndOneField) {
  const std::string empty = dir_.File("empty.mdb");
  testing::WriteTestTable(format(), empty, testing::KinsheetFields(), {});
  EXPECT_TRUE(ReadBack(empty).empty());
  CheckConsistent(empty, 0);

  // Empty values of one short field fill a page to its 255-row limit.
  const std::string one = dir_.File("one.mdb");
  testing::WriteTestTable(format(), one, {{"Surname", 120}}, std::vector<TestRow>(600, TestRow{u""}));
  DatabaseReader reader(one);
  const auto entry = reader.FindObject(u"tblKinsheet");
  const TableShape shape = reader.Table(*entry);
  const std::vector<std::uint32_t> pages = TableDataPages(format(), reader.Pages(), shape, entry->TdefPage());
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(RowsOfPage(format(), reader.ReadPage(pages[0])).size(), 255u);
  const std::vector<TestRow> back = ReadBack(one);
  ASSERT_EQ(back.size(), 600u);
  EXPECT_EQ(back[599][0], std::optional<std::u16string>(u""));
}

TEST_P(JetEngine, RefusesValuesLongerThanTheField) {
  const std::string path = dir_.File("long.mdb");
  std::filesystem::copy_file(testing::TemplatePath(format()), path);
  DBEngine engine;
  auto db = engine.OpenDatabase(path);
  TableDef def = db->CreateTableDef("tblKinsheet");
  Field nick = def.CreateField("Nick", dbText, 60);
  nick.AllowZeroLength(true);
  def.Fields().Append(nick);
  db->TableDefs().Append(def);
  auto rs = db->OpenRecordset("tblKinsheet", dbOpenDynaset);
  rs->AddNew();
  rs->Fields("Nick").Value(std::u16string(60, u'n'));
  rs->Update();
  rs->AddNew();
  try {
    rs->Fields("Nick").Value(std::u16string(59, u'n') + u"\U0001F46A");  // 61 UTF-16 units
    FAIL() << "a 61-unit value was accepted";
  } catch (const JetError& e) {
    const std::string text = e.description();
    EXPECT_NE(text.find("'Nick'"), std::string::npos) << text;
    EXPECT_NE(text.find("60"), std::string::npos) << text;
    EXPECT_NE(text.find("61"), std::string::npos) << text;
  }
  rs->Close();
  db->Close();
  EXPECT_EQ(ReadBack(path).size(), 1u);
}

TEST_P(JetEngine, RecordTooLargeIsRefusedAndEarlierRecordsStay) {
  // Nine fields of 255: seven full, the eighth sized so that the row is
  // exactly the largest a page holds, the ninth empty.
  std::vector<TestField> fields;
  for (int i = 1; i <= 9; ++i) fields.push_back({"F" + std::to_string(i), 255});
  const bool jet3 = format().version == 3;
  const std::u16string full(255, jet3 ? u'a' : u'\u0416');
  TestRow exact(9, full);
  exact[7] = std::u16string(jet3 ? 206 : 232, jet3 ? u'a' : u'\u0416');
  exact[8] = u"";
  TestRow larger = exact;
  larger[8] = jet3 ? u"a" : u"\u0416";

  const std::string path = dir_.File("large.mdb");
  std::filesystem::copy_file(testing::TemplatePath(format()), path);
  {
    DBEngine engine;
    auto db = engine.OpenDatabase(path);
    testing::AppendTestTable(*db, fields);
    auto rs = db->OpenRecordset("tblKinsheet", dbOpenDynaset);
    auto put = [&](const TestRow& row) {
      rs->AddNew();
      for (std::size_t i = 0; i < fields.size(); ++i) rs->Fields(fields[i].name).Value(*row[i]);
      rs->Update();
    };
    for (int i = 0; i < 5; ++i) put(exact);
    try {
      put(larger);
      FAIL() << "an oversized record was accepted";
    } catch (const JetError& e) {
      EXPECT_EQ(e.description().rfind("Record is too large.", 0), 0u) << e.description();
      EXPECT_NE(e.description().find(jet3 ? "2012" : "4060"), std::string::npos) << e.description();
    }
    rs->Close();
    db->Close();
  }
  const std::vector<TestRow> back = ReadBack(path);
  ASSERT_EQ(back.size(), 5u);
  EXPECT_EQ(back[4][7], exact[7]);
  CheckConsistent(path, 5);
}

TEST_P(JetEngine, StopWithAndWithoutClose) {
  const std::vector<TestField> fields = testing::KinsheetFields();
  const std::string path = dir_.File("stop.mdb");
  const std::string crashed = dir_.File("crashed.mdb");
  std::filesystem::copy_file(testing::TemplatePath(format()), path);
  DBEngine engine;
  auto db = engine.OpenDatabase(path);
  testing::AppendTestTable(*db, fields);
  auto rs = db->OpenRecordset("tblKinsheet", dbOpenDynaset);
  int stored = 0;
  try {
    for (int r = 0; r < 1000; ++r) {
      rs->AddNew();
      rs->Fields("INDI_ID").Value(u"I" + Widen(std::to_string(r)));
      rs->Fields("FullName").Value(std::u16string(150, u'f'));
      rs->Fields("Ch_1").Value(r == 537 ? u"123" : u"2");  // three digits in a two-character field
      rs->Update();
      ++stored;
    }
  } catch (const JetError& e) {
    EXPECT_NE(e.description().find("'Ch_1'"), std::string::npos);
  }
  ASSERT_EQ(stored, 537);
  // What a crash at this point would leave: every full page, consistently.
  std::filesystem::copy_file(path, crashed);
  rs->Close();
  db->Close();
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

TEST_P(JetEngine, RefusesToGrowPastTheSizeLimit) {
  EngineOptions options;
  options.max_file_size = 200ull * format().page_size;
  const std::string path = dir_.File("limit.mdb");
  std::filesystem::copy_file(testing::TemplatePath(format()), path);
  int stored = 0;
  {
    DBEngine engine(options);
    auto db = engine.OpenDatabase(path);
    TableDef def = db->CreateTableDef("tblKinsheet");
    Field field = def.CreateField("Big", dbText, 255);
    def.Fields().Append(field);
    db->TableDefs().Append(def);
    auto rs = db->OpenRecordset("tblKinsheet", dbOpenDynaset);
    try {
      for (int r = 0; r < 100000; ++r) {
        rs->AddNew();
        rs->Fields("Big").Value(std::u16string(255, u'\u0416'));
        rs->Update();
        ++stored;
      }
      FAIL() << "the file grew without limit";
    } catch (const JetError& e) {
      EXPECT_NE(e.description().find("cannot grow past"), std::string::npos) << e.description();
    }
    rs->Close();
    db->Close();
  }
  EXPECT_GT(stored, 100);
  EXPECT_LE(std::filesystem::file_size(path), options.max_file_size);
  EXPECT_EQ(ReadBack(path).size(), static_cast<std::size_t>(stored));
  CheckConsistent(path, stored);
}

TEST_P(JetEngine, ReferenceMapsAcrossTwoStretches) {
  // Rows that take a page each carry the table into a second 0x05 stretch
  // and the file past what page 1 can map inline.
  const std::uint32_t target = format().bitmap_page_pages() + 50;
  const std::string path = dir_.File("stretch.mdb");
  std::vector<TestField> fields;
  for (int i = 1; i <= 5; ++i) fields.push_back({"F" + std::to_string(i), 255});
  const std::u16string big(format().version == 3 ? 250 : 255, format().version == 3 ? u'a' : u'\u0416');
  std::filesystem::copy_file(testing::TemplatePath(format()), path);
  {
    DBEngine engine;
    auto db = engine.OpenDatabase(path);
    TableDef def = db->CreateTableDef("tblKinsheet");
    for (const TestField& f : fields) def.Fields().Append(def.CreateField(f.name, dbText, f.size));
    db->TableDefs().Append(def);
    auto rs = db->OpenRecordset("tblKinsheet", dbOpenDynaset);
    const int per_page = format().version == 3 ? 1 : 3;
    for (std::uint32_t r = 0; r < target * per_page; ++r) {
      rs->AddNew();
      for (int i = 0; i < (format().version == 3 ? 5 : 2); ++i) rs->Fields(fields[i].name).Value(big);
      rs->Update();
    }
    rs->Close();
    db->Close();
  }
  DatabaseReader reader(path);
  const auto entry = reader.FindObject(u"tblKinsheet");
  const TableShape shape = reader.Table(*entry);
  const std::string map = ReadPointedRow(format(), reader.Pages(), shape.owned_map);
  EXPECT_EQ(GetU8(map, 0), kMapReference);
  EXPECT_NE(ReferenceSlot(map, 0), 0u);
  EXPECT_NE(ReferenceSlot(map, 1), 0u);
  EXPECT_EQ(ReferenceSlot(map, 2), 0u);
  EXPECT_EQ(GetU8(RowOfPage(format(), reader.ReadPage(1), 0), 0), kMapReference);
  std::size_t rows = 0;
  reader.ForEachRow(*entry, [&](const std::vector<Cell>&) { ++rows; });
  EXPECT_EQ(rows, shape.row_count);
  CheckConsistent(path, rows);
}

TEST_P(JetEngine, WideTableKeepsItsPropertiesOnSeveralPages) {
  std::vector<TestField> fields;
  for (int i = 0; i < 120; ++i) fields.push_back({"Field_with_a_long_name_" + std::to_string(1000 + i), 10});
  const std::string path = dir_.File("wide.mdb");
  testing::WriteTestTable(format(), path, fields, std::vector<TestRow>(50, TestRow(120, u"v")));
  DatabaseReader reader(path);
  const auto entry = reader.FindObject(u"tblKinsheet");
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(GetU32(entry->lv_prop.bytes, 0) & 0xC0000000u, 0u);  // a chain of LVAL pages
  const std::vector<PropertyMap> props = reader.Properties(*entry);
  ASSERT_EQ(props.size(), 120u);
  EXPECT_EQ(Narrow(props[119].object), fields[119].name);
  EXPECT_EQ(reader.Table(*entry).columns.size(), 120u);
  EXPECT_EQ(ReadBack(path).size(), 50u);
}

TEST_P(JetEngine, RefusesWhatTheEngineRefuses) {
  const std::string path = dir_.File("refuse.mdb");
  std::filesystem::copy_file(testing::TemplatePath(format()), path);
  DBEngine engine;
  auto db = engine.OpenDatabase(path);
  TableDef def = db->CreateTableDef("tblKinsheet");
  EXPECT_THROW(def.CreateField("X", 4, 10), JetError);
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
  rs->Fields("Given").Value(u"Ann");
  rs->Update();
  EXPECT_THROW(rs->Update(), JetError);
  rs->Close();
  db->Close();
  const std::vector<TestRow> back = ReadBack(path);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0][0], std::optional<std::u16string>(u"Ann"));
}

INSTANTIATE_TEST_SUITE_P(BothFormats, JetEngine, ::testing::Values(3, 4),
                         [](const auto& info) { return "Jet" + std::to_string(info.param); });

}  // namespace
}  // namespace kinsheet::jet
