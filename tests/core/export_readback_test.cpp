// The .xlsx and SQLite exports read back in-process: the package through
// minizip and the database through SQLite, checked cell by cell, living
// people kept private included; and an .xlsx whose rows cannot all reach
// the disk is refused, not saved short.
#include <gtest/gtest.h>
#include <signal.h>
#include <minizip/zip.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "export/writers.h"
#include "export/xlsx_package.h"
#include "formats/xls/workbook.h"
#include "support/fixtures.h"
#include "text/encoding.h"

namespace kinsheet::testing {
namespace {

// Bob, born in 2000, is presumed living; Ann and Cy are not.
const std::vector<std::string> kFamily = {
    "0 HEAD", "1 CHAR UTF-8", "0 @I1@ INDI", "1 NAME Ann /Old & <Grey>/", "1 SEX F", "1 BIRT", "2 DATE 1 JAN 1800",
    "2 PLAC K\xC3\xB6ln", "0 @I2@ INDI", "1 NAME Bob /Young/", "1 SEX M", "1 BIRT", "2 DATE 2000", "2 PLAC Berlin",
    "0 @I3@ INDI", "1 NAME Cy /Dead/", "1 DEAT Y", "0 TRLR"};

void LoadFamily(Session& s) {
  ASSERT_EQ(s.Load(Ged(kFamily)), LoadOutcome::kLoaded);
  s.Tick({16, 0, 1, 17, 6, 7});  // INDI_ID, Surname, Given, Sex, Birth, Birth place
  s.state.living.mode = LivingMode::kPrivate;
}

// The inline-string cells of a worksheet part by reference ("B2").
std::map<std::string, std::string> Cells(const std::string& xml) {
  std::map<std::string, std::string> cells;
  for (std::size_t at = xml.find("<c r=\""); at != std::string::npos; at = xml.find("<c r=\"", at + 1)) {
    const std::size_t ref_end = xml.find('"', at + 6);
    const std::size_t open = xml.find('>', xml.find("<t", ref_end)) + 1;
    std::string text = xml.substr(open, xml.find("</t>", open) - open);
    for (const auto& [entity, c] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
      for (std::size_t e = text.find(entity); e != std::string::npos; e = text.find(entity, e + 1)) {
        text.replace(e, entity.size(), c);
      }
    }
    cells[xml.substr(at + 6, ref_end - at - 6)] = text;
  }
  return cells;
}

TEST(XlsxReadBack, CaptionsCellsRowsAndPrivacy) {
  Session s;
  LoadFamily(s);
  ASSERT_TRUE(s.Export(5, "family.xlsx"));
  XlsxPackage package(s.dir.File("family.xlsx"));
  const std::vector<std::string> parts = package.PartNames();
  EXPECT_NE(std::find(parts.begin(), parts.end(), "xl/worksheets/sheet1.xml"), parts.end());
  EXPECT_EQ(std::find(parts.begin(), parts.end(), "xl/worksheets/sheet2.xml"), parts.end());
  EXPECT_NE(package.Read("xl/workbook.xml").find("<sheet name=\"test\""), std::string::npos);
  EXPECT_NE(package.Read("docProps/core.xml").find("<dc:title>test.ged</dc:title>"), std::string::npos);

  const std::string sheet = package.Read("xl/worksheets/sheet1.xml");
  EXPECT_EQ(LastRowNumber(package, "xl/worksheets/sheet1.xml"), 4);
  EXPECT_NE(sheet.find("<autoFilter ref=\"A1:F4\"/>"), std::string::npos);
  const std::map<std::string, std::string> expected = {
      {"A1", "INDI_ID"}, {"B1", "Surname"}, {"C1", "Given"}, {"D1", "Sex"}, {"E1", "Birth"}, {"F1", "Birth place"},
      {"A2", "I1"}, {"B2", "Old & <Grey>"}, {"C2", "Ann"}, {"D2", "F"}, {"E2", "1 JAN 1800"},
      {"F2", "K\xC3\xB6ln"},
      // Kept private: ids, surname and sex, the given name "Living".
      {"A3", "I2"}, {"B3", "Young"}, {"C3", "Living"}, {"D3", "M"},
      // A recorded death: shown whole; empty values are no cells.
      {"A4", "I3"}, {"B4", "Dead"}, {"C4", "Cy"}};
  EXPECT_EQ(Cells(sheet), expected);

  // Only Ann has a birth place shown: the sheet ends with her row, which
  // is complete all the same.
  DeselectAll(s.state, s.ws);
  s.Tick({7});
  ASSERT_TRUE(s.Export(5, "place.xlsx")) << s.ws.MessageTexts().back();
  XlsxPackage places(s.dir.File("place.xlsx"));
  EXPECT_EQ(LastRowNumber(places, "xl/worksheets/sheet1.xml"), 2);
}

struct Database {
  sqlite3* db = nullptr;
  explicit Database(const std::string& path) { sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr); }
  ~Database() { sqlite3_close(db); }
  // Every row of `sql`, each value as text ("NULL" for none).
  std::vector<std::vector<std::string>> Rows(const std::string& sql) const {
    std::vector<std::vector<std::string>> rows;
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
      std::vector<std::string>& row = rows.emplace_back();
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const auto* text = sqlite3_column_text(stmt, i);
        row.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "NULL");
      }
    }
    sqlite3_finalize(stmt);
    return rows;
  }
};

TEST(SqliteReadBack, FieldsRowsIndexAndPrivacy) {
  Session s;
  LoadFamily(s);
  ASSERT_TRUE(s.Export(6, "family.sqlite"));
  const Database db(s.dir.File("family.sqlite"));
  using Rows = std::vector<std::vector<std::string>>;
  EXPECT_EQ(db.Rows("SELECT name, type FROM pragma_table_info('tblKinsheet')"),
            (Rows{{"INDI_ID", "TEXT"}, {"Surname", "TEXT"}, {"Given", "TEXT"}, {"Sex", "TEXT"},
                  {"Bir_Date", "TEXT"}, {"Bir_Place", "TEXT"}}));
  EXPECT_EQ(db.Rows("SELECT * FROM tblKinsheet ORDER BY rowid"),
            (Rows{{"I1", "Old & <Grey>", "Ann", "F", "1 JAN 1800", "K\xC3\xB6ln"},
                  {"I2", "Young", "Living", "M", "", ""},
                  {"I3", "Dead", "Cy", "", "", ""}}));
  EXPECT_EQ(db.Rows("SELECT name, tbl_name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"),
            (Rows{{"idx_tblKinsheet_INDI_ID", "tblKinsheet"}}));
  EXPECT_EQ(db.Rows("SELECT value FROM kinsheet_info WHERE key IN ('living', 'fields', 'program') ORDER BY key"),
            (Rows{{"INDI_ID,Surname,Given,Sex,Bir_Date,Bir_Place"}, {"private"}, {"Kinsheet"}}));

  // Leaving the living out drops Bob's row.
  s.state.living.mode = LivingMode::kExclude;
  s.ws.Answer(MsgResult::kYes);  // overwrite
  ASSERT_TRUE(s.Export(6, "family.sqlite"));
  const Database again(s.dir.File("family.sqlite"));
  EXPECT_EQ(again.Rows("SELECT INDI_ID FROM tblKinsheet ORDER BY rowid"), (Rows{{"I1"}, {"I3"}}));
}

std::string Times(const std::string& unit, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += unit;
  return out;
}

// Places of 99 to 101 characters of 1- to 4-byte UTF-8, and an accent at
// the cut: every format keeps the same characters, at most 100, and never
// a letter without its accent.
TEST(LongValues, CutByCharactersAlikeInEveryFormat) {
  std::vector<std::string> lines = {"0 HEAD", "1 CHAR UTF-8"};
  std::vector<std::string> kept;
  auto person = [&](const std::string& place, const std::string& expected) {
    lines.push_back("0 @I" + std::to_string(kept.size() + 1) + "@ INDI");
    lines.push_back("1 BIRT");
    lines.push_back("2 PLAC " + place);
    kept.push_back(expected);
  };
  for (const std::string unit : {"a", "\xC5\x99", "\xE6\x9D\xB1", "\xF0\xA0\x80\x8B"}) {
    for (int n : {99, 100, 101}) person(Times(unit, n), Times(unit, std::min(n, 100)));
  }
  person(Times("a", 99) + "e\xCC\x81" + "x", Times("a", 99));
  person(Times("a", 98) + "e\xCC\x81" + "x", Times("a", 98) + "e\xCC\x81");
  lines.push_back("0 TRLR");
  Session s;
  ASSERT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
  s.Tick({16, 7});  // INDI_ID, Birth place

  ASSERT_TRUE(s.Export(3, "long.csv"));
  const std::vector<std::string> csv = CrLfLines(ReadBytes(s.dir.File("long.csv")));
  ASSERT_EQ(csv.size(), kept.size() + 1);
  for (std::size_t i = 0; i < kept.size(); ++i) {
    EXPECT_EQ(csv[i + 1], "\"I" + std::to_string(i + 1) + "\",\"" + kept[i] + "\"") << i;
  }

  ASSERT_TRUE(s.Export(6, "long.sqlite"));
  const Database db(s.dir.File("long.sqlite"));
  const auto rows = db.Rows("SELECT Bir_Place FROM tblKinsheet ORDER BY rowid");
  ASSERT_EQ(rows.size(), kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(rows[i][0], kept[i]) << i;

  ASSERT_TRUE(s.Export(5, "long.xlsx"));
  const auto cells = Cells(XlsxPackage(s.dir.File("long.xlsx")).Read("xl/worksheets/sheet1.xml"));
  for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(cells.at("B" + std::to_string(i + 2)), kept[i]) << i;

  ASSERT_TRUE(s.Export(0, "long.xls"));
  const xls::Workbook book = xls::Workbook::Open(s.dir.File("long.xls"));
  for (std::size_t i = 0; i < kept.size(); ++i) {
    EXPECT_EQ(book.sheet(0).Text(static_cast<int>(i) + 2, 1), text::DecodeText(kept[i])) << i;
  }

  // The text report's place column is narrower: every line still has the
  // same number of characters, and the accent stays with its letter.
  ASSERT_TRUE(s.Export(4, "long.txt"));
  const std::vector<std::string> report = CrLfLines(ReadBytes(s.dir.File("long.txt")));
  ASSERT_GE(report.size(), kept.size() + 2);
  for (const std::string& line : report) {
    if (line.empty() || line.rfind("INDI_ID", 0) == 0) continue;
    EXPECT_EQ(text::CodePointCount(line), text::CodePointCount(report[0])) << line;
    if (line[0] == 'I') {
      EXPECT_EQ(line.find("e "), std::string::npos) << line;
    }
  }
}

// Ids are never cut: two that share their first 40 characters stay two
// people with their own parents, and Access, whose id fields hold 30
// characters, refuses before asking for a file.
TEST(LongIds, WholeInEveryRowAndRefusedByAccess) {
  const std::string stem(40, 'P');
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @" + stem + "1@ INDI", "1 NAME Ann /A/", "1 FAMS @F1@", "0 @" + stem + "2@ INDI",
                        "1 NAME Bob /B/", "1 FAMC @F1@", "0 @F1@ FAM", "1 WIFE @" + stem + "1@",
                        "1 CHIL @" + stem + "2@"})),
            LoadOutcome::kLoaded);
  s.Tick({16, 23, 19});  // INDI_ID, Mother_ID, Mother
  ASSERT_TRUE(s.Export(3, "ids.csv"));
  EXPECT_EQ(CrLfLines(ReadBytes(s.dir.File("ids.csv"))),
            (std::vector<std::string>{"\"INDI_ID\",\"Mother_ID\",\"Mother\"", "\"" + stem + "1\",\"\",\"\"",
                                      "\"" + stem + "2\",\"" + stem + "1\",\"Ann  A\""}));
  const std::size_t dialogs = s.ws.dialogs.size();
  s.ws.messages.clear();
  for (std::int16_t access : {1, 2}) EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, access));
  EXPECT_EQ(s.ws.dialogs.size(), dialogs);
  ASSERT_EQ(s.ws.MessageTexts().size(), 2u);
  EXPECT_EQ(AccessIdRefusal(30), "");
  EXPECT_NE(AccessIdRefusal(31), "");
  EXPECT_EQ(s.ws.MessageTexts()[0].rfind("This file has an id of 41 characters, but an Access id field holds at most 30.", 0), 0u);
}

// The part is read in pieces of 64 KiB: the last row's mark may begin in
// one piece and end in the next, at any byte.
TEST(XlsxPackageReader, TheLastRowMarkAcrossTwoPieces) {
  TempDir dir;
  for (std::size_t before = 1; before <= 16; ++before) {
    std::string xml = "<sheetData><row r=\"6\"><c/></row>";
    xml.append(65536 - before - xml.size(), ' ');
    xml += "<row r=\"1048576\"><c/></row></sheetData>";
    const std::string path = dir.File("split" + std::to_string(before) + ".xlsx");
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    zip_fileinfo info{};
    ASSERT_EQ(zipOpenNewFileInZip64(zip, "sheet.xml", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    Z_DEFAULT_COMPRESSION, 0),
              ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(zip, xml.data(), static_cast<unsigned>(xml.size())), ZIP_OK);
    zipCloseFileInZip(zip);
    zipClose(zip, nullptr);
    XlsxPackage package(path);
    EXPECT_EQ(LastRowNumber(package, "sheet.xml"), 1048576) << before;
  }
}

// The library writes the rows to a scratch file beside the output without
// checking those writes. Under a file size limit the scratch file is cut
// while the compressed package still fits: the export must fail, not save
// a workbook that lacks rows.
TEST(XlsxReadBack, RowsThatNeverReachedThePackageFailTheExport) {
  Session s;
  std::vector<std::string> ged;
  for (int i = 1; i <= 2000; ++i) {
    ged.insert(ged.end(), {"0 @I" + std::to_string(i) + "@ INDI", "1 NAME Same /" + std::string(200, 'x') + "/"});
  }
  ASSERT_EQ(s.Load(Ged(ged)), LoadOutcome::kLoaded);
  s.Tick({0});
  const std::string path = s.dir.File("cut.xlsx");
  WriteBytes(path, "old");
  s.ws.Answer(MsgResult::kYes);
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 200000;  // about 450 KB of rows, a package of a few KB
  setrlimit(RLIMIT_FSIZE, &small);
  const bool written = s.Export(5, "cut.xlsx");
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old, nullptr);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_TRUE(LeftTemporaries(s.dir.path()).empty());
  ASSERT_EQ(s.ws.messages.size(), 2u);  // the overwrite question, the failure
  EXPECT_EQ(s.ws.messages[1].text, "Error occurred while creating worksheet: \nCannot write " + path +
                                       ": the disk is full or the file is too large");
}

}  // namespace
}  // namespace kinsheet::testing
