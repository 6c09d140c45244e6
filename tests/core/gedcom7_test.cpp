#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "export/report_csv.h"
#include "records/reading_report.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

std::string Forms70() { return ReadBytes(std::string(KINSHEET_SOURCE_DIR) + "/tests/core/gedcom7/forms70.ged"); }

// (line, record id, problem) of every entry, in the report's order.
using Row = std::tuple<std::int64_t, std::string, ReadingProblem>;
std::vector<Row> Rows(const ReadingReport& report, bool with_cuts = true) {
  std::vector<Row> rows;
  for (const ReportEntry& e : report.entries()) {
    if (!with_cuts && e.problem == ReadingProblem::kValueCut) continue;
    rows.emplace_back(e.line, e.record_id, e.problem);
  }
  return rows;
}

// The CSV export of every field, one string a row.
std::vector<std::string> CsvRows(Session& s) {
  s.TickAll();
  EXPECT_TRUE(s.Export(3, "out.csv"));
  return CrLfLines(ReadBytes(s.dir.File("out.csv")));
}

// A ZIP archive made with minizip: entries in the order given.
void MakeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  ASSERT_NE(zip, nullptr);
  for (const auto& [name, bytes] : entries) {
    ASSERT_EQ(zipOpenNewFileInZip64(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    Z_DEFAULT_COMPRESSION, 1),
              ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size())), ZIP_OK);
    ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
  }
  ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

// A small PNG-like picture: its bytes only have to travel.
std::string Picture() {
  std::string png("\x89PNG\r\n\x1A\n", 8);
  for (int i = 0; i < 5000; ++i) png += static_cast<char>((i * 7919) & 0xFF);
  return png;
}

TEST(Gedcom7, EveryFormOfTheTestFileGivesItsRowsCountersAndReport) {
  Session s;
  ASSERT_EQ(s.Load(Forms70(), "forms70.ged"), LoadOutcome::kLoaded);
  // The shared note whose text ends in INDI is no person; the record
  // without an id is.
  EXPECT_EQ(s.state.work.individual_count, 16);
  EXPECT_EQ(s.state.work.family_count, 2);
  // Births with a date: the second BIRT of I1 is not counted; deaths: the
  // second DEAT of I1 neither; one marriage date (the second MARR left).
  EXPECT_EQ(s.state.counters, (std::array<std::int64_t, 8>{16, 10, 1, 10, 2, 2, 3, 1}));
  EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{});

  // Years read from each date form, person by person (birth, death).
  const std::vector<std::vector<std::string>> years = {
      {"1817", "1881"}, {"", ""},         {"1700", "1739"}, {"1750", ""},     {"1900", ""},    {"1850", "1851"},
      {"1852", "1900"}, {"1648", "1817"}, {"1817", "1817"}, {"1817", "1817"}, {"1830", "1890"}, {"", ""},
  };
  ASSERT_GE(s.ws.list.size(), years.size());
  for (std::size_t i = 0; i < years.size(); ++i) {
    EXPECT_EQ(s.ws.list[i][0], years[i][0]) << "person " << i + 1;
    EXPECT_EQ(s.ws.list[i][1], years[i][1]) << "person " << i + 1;
  }

  const std::vector<std::string> rows = CsvRows(s);
  ASSERT_EQ(rows.size(), 17u);
  // The first BIRT, DEAT and MARR whole: the first BIRT's date with no
  // place, though the second has one; the first NAME's parts, a later
  // NAME filling only the blank nickname; the void FAMS takes no slot.
  EXPECT_EQ(rows[1],
            "\"I1\",\"Anna Maria  Berg\",\"Berg\",\"Anna Maria\",\"\",\"\",\"\",\"Nan\",\"F\",\"12 AUG 1817\",\"\","
            "\"\",\"\",\"BET 1 JAN 1880 AND 31 DEC 1881\",\"Uppsala\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"F1\",\"I2\","
            "\"Bo  Lind\",\"6 JUN 1840\",\"Uppsala\",\"2\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"");
  // SEX X kept; a NO DEAT is no death.
  EXPECT_EQ(rows[2].rfind("\"I2\",\"Bo  Lind\",\"Lind\",\"Bo\",\"\",\"\",\"\",\"\",\"X\",\"\",\"\",\"\",\"\",", 0), 0u);
  EXPECT_NE(rows[2].find("\"AFT 1890\""), std::string::npos);
  // A void HUSB and WIFE name no parent.
  EXPECT_NE(rows[4].find("\"F2\",\"\",\"\",\"\",\"\""), std::string::npos) << rows[4];
  EXPECT_EQ(rows[12].substr(0, 4), "\"\",\"");

  // Void pointers are never reported; everything else is, with its line.
  EXPECT_EQ(Rows(s.state.report, false),
            (std::vector<Row>{{60, "F1", ReadingProblem::kChildWithoutFamc},
                              {94, "I5", ReadingProblem::kFamcWithoutChild},
                              {135, "", ReadingProblem::kRecordWithoutId},
                              {144, "I1", ReadingProblem::kDuplicateId},
                              {146, "I1", ReadingProblem::kUndefinedPointer}}));
}

TEST(Gedcom7, TheReportTakesLineNumbersWhateverTheLineEnds) {
  // Blank lines count; CR LF and LF CR are one line end each.
  const struct {
    const char* eol;
  } kEnds[] = {{"\n"}, {"\r\n"}, {"\r"}, {"\n\r"}};
  for (const auto& e : kEnds) {
    Session s;
    const std::string eol = e.eol;
    const std::string text = "0 HEAD" + eol + "1 GEDC" + eol + "2 VERS 7.0" + eol + eol + "0 @I1@ INDI" + eol +
                             "1 FAMS @F7@" + eol + "x broken" + eol + "0 @I1@ INDI" + eol + "0 TRLR";
    ASSERT_EQ(s.Load(text), LoadOutcome::kLoaded);
    EXPECT_EQ(Rows(s.state.report), (std::vector<Row>{{6, "I1", ReadingProblem::kUndefinedPointer},
                                                      {7, "I1", ReadingProblem::kUnreadableLine},
                                                      {8, "I1", ReadingProblem::kDuplicateId}}))
        << static_cast<int>(eol[0]);
  }
}

TEST(Gedcom7, ConcIsReportedOnceInGedcom7AndNeverIn551) {
  const struct {
    const char* version;
    std::vector<Row> report;
  } kCases[] = {
      {"7.0", {{6, "I1", ReadingProblem::kConcInGedcom7}}},
      {"7.1", {{6, "I1", ReadingProblem::kConcInGedcom7}}},
      {"5.5.1", {}},
  };
  for (const auto& c : kCases) {
    Session s;
    ASSERT_EQ(s.Load(Ged({"0 HEAD", "1 GEDC", std::string("2 VERS ") + c.version, "0 @I1@ INDI",
                          "1 NOTE A long no", "2 CONC te", "2 CONC  continued", "1 NAME Al /Bo/", "0 TRLR"})),
              LoadOutcome::kLoaded);
    EXPECT_EQ(Rows(s.state.report), c.report) << c.version;
  }
}

TEST(Gedcom7, LaterStructuresOfAKindNeverReplaceTheFirst) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 HEAD", "0 @I1@ INDI", "1 NAME A /B/", "1 CHR", "2 PLAC Here", "1 CHR", "2 DATE 1800",
                        "2 PLAC There", "1 BURI", "2 DATE 1900", "1 BURI", "2 PLAC Yard", "1 BIRT",
                        "2 DATE 1799", "0 @I2@ INDI", "1 NAME C /D/", "1 CHR", "2 DATE 1801", "0 TRLR"})),
            LoadOutcome::kLoaded);
  const std::vector<std::string> rows = CsvRows(s);
  ASSERT_EQ(rows.size(), 3u);
  // The first CHR has a place and no date; the second's date stays out.
  EXPECT_NE(rows[1].find("\"1799\",\"\",\"\",\"Here\",\"\",\"\",\"1900\",\"\""), std::string::npos) << rows[1];
  // The next person starts afresh.
  EXPECT_NE(rows[2].find("\"1801\""), std::string::npos) << rows[2];
  EXPECT_EQ(s.state.counters[2], 1);
}

TEST(Gedcom7, AValueLongerThanItsFieldIsReported) {
  Session s;
  const std::string place(300, 'p');
  ASSERT_EQ(s.Load(Ged({"0 HEAD", "0 @I1@ INDI", "1 BIRT", "2 PLAC " + place, "2 DATE 1800", "0 TRLR"})),
            LoadOutcome::kLoaded);
  ASSERT_EQ(Rows(s.state.report), (std::vector<Row>{{4, "I1", ReadingProblem::kValueCut}}));
  EXPECT_EQ(s.state.report.entries()[0].detail, "INDI:BIRT:PLAC");
}

TEST(Gedcom7, ArchiveGivesTheRowsOfTheBareFile) {
  Session bare;
  ASSERT_EQ(bare.Load(Forms70(), "forms70.ged"), LoadOutcome::kLoaded);
  const std::vector<std::string> expected = CsvRows(bare);
  const std::string expected_report = ReadingReportCsv(bare.state.report);
  // The picture before the tree and after it.
  for (bool picture_first : {true, false}) {
    Session s;
    const std::string gdz = s.dir.File("tree.gdz");
    std::vector<std::pair<std::string, std::string>> entries = {{"gedcom.ged", Forms70()},
                                                                {"photos/anna.png", Picture()}};
    if (picture_first) std::swap(entries[0], entries[1]);
    MakeZip(gdz, entries);
    ASSERT_EQ(s.LoadFile(gdz), LoadOutcome::kLoaded) << picture_first;
    EXPECT_EQ(CsvRows(s), expected);
    EXPECT_EQ(ReadingReportCsv(s.state.report), expected_report);
    EXPECT_EQ(s.state.counters, bare.state.counters);
  }
}

TEST(Gedcom7, ArchivesThatHoldNoTreeGetOneMessageEach) {
  const std::string damaged = " is a damaged ZIP archive: its gedcom.ged cannot be read. Make the archive again, or "
                              "unpack what can be saved with an archive program.";
  const std::string no_tree =
      " is a GEDCOM archive (.gdz) without the gedcom.ged it must hold: there is no family tree in it to read.";
  const std::string not_gedcom = " is a ZIP archive, not a GEDCOM file. A GEDCOM file is a text file (usually "
                                 ".ged) that a family tree program exports.";
  Session maker;
  const std::string good = maker.dir.File("good.gdz");
  MakeZip(good, {{"gedcom.ged", Forms70()}, {"photos/anna.png", Picture()}});
  const std::string whole = ReadBytes(good);
  // gedcom.ged's compressed data altered in its middle: the checksum fails.
  std::string altered = whole;
  altered[30 + 10 + 400] = static_cast<char>(altered[30 + 10 + 400] ^ 0x5A);
  const std::string empty = maker.dir.File("empty.gdz");
  MakeZip(empty, {});
  const std::string pictures = maker.dir.File("pictures.gdz");
  MakeZip(pictures, {{"photos/anna.png", Picture()}, {"sub/gedcom.ged", Forms70()}});
  const std::string other = maker.dir.File("other.zip");
  MakeZip(other, {{"readme.txt", "Hello\x1b]0;title\x07"}});

  const struct {
    std::string name, bytes, said;
  } kCases[] = {
      {"cut.gdz", whole.substr(0, whole.size() / 2), damaged},
      {"altered.gdz", altered, damaged},
      {"empty.gdz", ReadBytes(empty), no_tree},
      {"pictures.gdz", ReadBytes(pictures), no_tree},
      {"other.zip", ReadBytes(other), not_gedcom},
      {"x\xC2\x9B" "2J.gdz", whole.substr(0, 100), damaged},
  };
  for (const auto& c : kCases) {
    Session s;
    EXPECT_EQ(s.Load(c.bytes, c.name), LoadOutcome::kNotGedcom) << c.name;
    const std::string shown = c.name[1] == '\xC2' ? "x\\u009b2J.gdz" : c.name;
    EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{shown + c.said}) << c.name;
    EXPECT_EQ(s.state.work.individual_count, 0) << c.name;
    for (const std::string& m : s.ws.MessageTexts()) {
      EXPECT_TRUE(std::none_of(m.begin(), m.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x20; }))
          << c.name;
    }
  }
}

TEST(ReadingReport, KeepsABoundedListAndTrueCounts) {
  ReadingReport report;
  const std::int64_t n = static_cast<std::int64_t>(ReadingReport::kKeptEntries) + 5;
  for (std::int64_t i = n; i >= 1; --i) report.Add(i, "I\x1b", ReadingProblem::kUndefinedPointer, "@X@");
  EXPECT_EQ(report.total(), n);
  EXPECT_EQ(report.count(ReadingProblem::kUndefinedPointer), n);
  EXPECT_EQ(report.entries().size(), ReadingReport::kKeptEntries);
  EXPECT_FALSE(report.complete());
  EXPECT_EQ(report.entries().front().record_id, "I\\x1b");
  report.SortByLine();
  EXPECT_EQ(report.entries().front().line, 6);
  report.Clear();
  EXPECT_EQ(report.total(), 0);
  EXPECT_TRUE(report.entries().empty());
  EXPECT_EQ(report.Summary(), "Reading report: nothing to report");
}

TEST(ReadingReport, LinkCheckGivesTheSameWhetherPointersWaitInMemoryOrOnDisk) {
  auto run = [](std::size_t spill_bytes) {
    LinkCheck links;
    links.spill_bytes = spill_bytes;
    ReadingReport report;
    for (int i = 0; i < 2000; ++i) {
      const std::string person = "I" + std::to_string(i);
      const std::string family = "F" + std::to_string(i / 3);
      links.Define(person);
      if (i % 3 == 0) links.Define(family);
      // Every seventh child lacks the CHIL, every eleventh the FAMC.
      if (i % 7 != 0) links.Pointer(LinkKind::kChil, 10 * i, family, person);
      if (i % 11 != 0) links.Pointer(LinkKind::kFamc, 10 * i + 1, person, family);
      if (i % 13 == 0) links.Pointer(LinkKind::kOther, 10 * i + 2, person, "S" + std::to_string(i));
    }
    links.Finish(report);
    return ReadingReportCsv(report);
  };
  const std::string in_memory = run(std::size_t{1} << 30);
  EXPECT_EQ(run(64), in_memory);
  EXPECT_EQ(run(1), in_memory);
  // 2000/7 + 1 CHIL without FAMC less those without either, and so on: the
  // counts come from the rule, not from the code.
  int chil_only = 0, famc_only = 0, undefined = 0;
  for (int i = 0; i < 2000; ++i) {
    chil_only += i % 7 != 0 && i % 11 == 0;
    famc_only += i % 7 == 0 && i % 11 != 0;
    undefined += i % 13 == 0;
  }
  EXPECT_EQ(static_cast<int>(CrLfLines(in_memory).size()), 1 + chil_only + famc_only + undefined);
}

TEST(ReadingReport, CsvQuotesWhatMustBeQuoted) {
  ReadingReport report;
  report.Add(3, "I,1", ReadingProblem::kUndefinedPointer, "@A\"B@");
  report.Add(4, "I2", ReadingProblem::kConcInGedcom7);
  EXPECT_EQ(ReadingReportCsv(report),
            "Line,Record_ID,Problem,Action\r\n"
            "3,\"I,1\",\"Pointer to an id that no record defines: @A\"\"B@\",Kept as written; it links to nobody\r\n"
            "4,I2,CONC line in a GEDCOM 7 file (7 has no CONC),Read as in GEDCOM 5.5.1; reported once\r\n");
}

TEST(Gedcom7, Maximal70FileGivesItsCountersRowsAndReport) {
  KINSHEET_NEED_PUBLIC_GEDCOM();
  Session s;
  ASSERT_EQ(s.LoadFile(PublicGedcom("maximal70.ged")), LoadOutcome::kLoaded);
  EXPECT_EQ(s.state.work.individual_count, 4);
  EXPECT_EQ(s.state.work.family_count, 2);
  EXPECT_EQ(s.state.counters, (std::array<std::int64_t, 8>{4, 1, 1, 1, 1, 2, 2, 2}));
  EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{});
  const std::vector<std::string> rows = CsvRows(s);
  // Every void link of the file (FAMC, FAMS, CHIL, ASSO, SOUR, OBJE, SNOTE,
  // SUBM, ALIA, ...) names nobody: no slot, no child, no report entry.
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 1, rows.end()), (std::vector<std::string>{
      "\"I1\",\"Lt. Cmndr. Joseph 'John'  de Allen  jr.\",\"Allen\",\"Joseph\",\"jr.\",\"Lt. Cmndr.\",\"titl\",\"John\",\"M\",\"1 JAN 2000\",\"\",\"9 JAN 2000\",\"\",\"28 MAR 2022\",\"Somewhere\",\"30 MAR 2022\",\"\",\"F2\",\"\",\"\",\"\",\"\",\"F1\",\"I2\",\"Maiden Name\",\"27 MAR 2022\",\"Place\",\"1\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"",
      "\"I2\",\"Maiden Name\",\"\",\"Maiden Name\",\"\",\"\",\"\",\"\",\"F\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"F1\",\"I1\",\"Lt. Cmndr. Joseph 'John'  de Allen  jr.\",\"27 MAR 2022\",\"Place\",\"1\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"",
      "\"I3\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"X\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"",
      "\"I4\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"U\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"F1\",\"I1\",\"Lt. Cmndr. Joseph 'John'  de Allen  jr.\",\"I2\",\"Maiden Name\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\""}));
  EXPECT_EQ(Rows(s.state.report), std::vector<Row>{});
}

}  // namespace
}  // namespace kinsheet::testing
