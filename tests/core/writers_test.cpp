// The writers end to end through the scripted window: what the user sees
// (status texts, progress, messages), the CSV, text and Excel output they
// leave behind (the sheet at the 70-row block edges and the row limit), and
// their failure paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "export/writers.h"
#include "formats/xls/workbook.h"
#include "support/fixtures.h"
#include "text/encoding.h"

namespace kinsheet::testing {
namespace {

using xls::Workbook;

TEST(CsvWriter, QuotingAndColumns) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I12@ INDI", "1 NAME Bob \"the Boss\" /Smith, Jr/", "1 SEX M",
                        "1 BIRT", "2 DATE 1 JAN 1900", "2 PLAC O'Hare, Chicago",
                        "0 @I13@ INDI"})),
            LoadOutcome::kLoaded);
  s.Tick({16, 0, 6, 7});
  ASSERT_TRUE(s.Export(3, "out"));
  const auto lines = CrLfLines(ReadBytes(s.dir.File("out.csv")));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "\"INDI_ID\",\"Surname\",\"Bir_Date\",\"Bir_Place\"");
  EXPECT_EQ(lines[1], "\"I12\",\"Smith, Jr\",\"1 JAN 1900\",\"O'Hare, Chicago\"");
  EXPECT_EQ(lines[2], "\"I13\",\"\",\"\",\"\"");
  EXPECT_EQ(ReadBytes(s.dir.File("out.csv")).substr(ReadBytes(s.dir.File("out.csv")).size() - 2), "\r\n");

  DeselectAll(s.state, s.ws);
  s.Tick({1});
  s.ws.Answer(MsgResult::kYes);  // overwrite
  ASSERT_TRUE(s.Export(3, "out.csv"));
  EXPECT_EQ(CrLfLines(ReadBytes(s.dir.File("out.csv")))[1], "\"Bob 'the Boss'\"");
}

TEST(Writers, ProgressShownAbove300People) {
  for (const int count : {300, 301}) {
    for (const std::int16_t format : {3, 4}) {
      Session s;
      ASSERT_EQ(s.Load(People(count)), LoadOutcome::kLoaded);
      s.Tick({0});
      s.ws.calls.clear();
      s.ws.progress_steps = 0;
      ASSERT_TRUE(s.Export(format, "p"));
      const bool shown = std::count(s.ws.calls.begin(), s.ws.calls.end(), "ProgressShown") > 0;
      EXPECT_EQ(shown, count > 300);
      EXPECT_EQ(s.ws.progress_steps, count > 300 ? count + 1 : 0);  // 0, then 1..count
      EXPECT_FALSE(s.ws.progress_visible);
    }
  }
}

TEST(TextWriter, SlotsAndStops) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I1@ INDI", "1 NAME Al /Abcdefghijklmnopqrstu/", "1 SEX M"})),
            LoadOutcome::kLoaded);
  s.Tick({0, 17});
  ASSERT_TRUE(s.Export(4, "t"));
  const auto lines = CrLfLines(ReadBytes(s.dir.File("t.txt")));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Surname" + std::string(11, ' ') + "Sex" + std::string(27, ' '));
  EXPECT_EQ(lines[1], std::string(16, '-') + "  ---" + std::string(27, ' '));
  EXPECT_EQ(lines[2], "Abcdefghijklmnop  M" + std::string(29, ' '));
}

TEST(TextWriter, IdWidthsAndAllColumns) {
  Session s;
  std::vector<std::string> ged = {"0 @I1@ INDI", "1 NAME Person1 /Family/", "0 @I2@ INDI", "1 NAME Person2 /Family/",
                                  "0 @ID_OF_TWELVE@ INDI", "1 NAME " + std::string(50, 'n'), "1 FAMS @F1@",
                                  "0 @F1@ FAM", "1 HUSB @ID_OF_TWELVE@"};
  for (int i = 0; i < 12; ++i) ged.push_back("1 CHIL @I1@");
  ASSERT_EQ(s.Load(Ged(ged)), LoadOutcome::kLoaded);
  s.TickAll();
  ASSERT_TRUE(s.Export(4, "all"));
  const auto lines = CrLfLines(ReadBytes(s.dir.File("all.txt")));
  ASSERT_EQ(lines.size(), 5u);
  // Widths: ids 12, family ids 7; all 28 columns: the last is unpadded.
  EXPECT_EQ(lines[0].substr(0, 14), "INDI_ID       ");
  EXPECT_EQ(lines[0].substr(lines[0].size() - 5), "  #Ch");
  EXPECT_EQ(lines[4].substr(0, 14), "ID_OF_TWELVE  ");
  EXPECT_EQ(lines[4].substr(14, 42), std::string(40, 'n') + "  ");
  EXPECT_EQ(lines[4].substr(lines[4].size() - 4), "  12");
  EXPECT_EQ(lines[1].size(), lines[0].size());
  // Only rows without a children count end in the padding of slot 27.
  for (const std::size_t i : {0u, 1u, 4u}) EXPECT_NE(lines[i].back(), ' ') << lines[i];
  EXPECT_EQ(lines[2].size(), lines[0].size() - 3);
}

TEST(TextWriter, Utf8ValuesLineUpByCharacters) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I1@ INDI", "1 NAME Zofia /Wi\xC5\x9Bniewska-Kowalczyk\xC3\xB3w/",
                        "0 @I2@ INDI", "1 NAME Jo /M\xC3\xBCller/", "0 @I3@ INDI",
                        "1 NAME X /\xE6\x97\xA5\xE6\x9C\xAC/", "0 @I4@ INDI", "1 NAME Y /M\xFCller/"})),
            LoadOutcome::kLoaded);
  s.Tick({0, 1});
  ASSERT_TRUE(s.Export(4, "u"));
  const auto lines = CrLfLines(ReadBytes(s.dir.File("u.txt")));
  ASSERT_EQ(lines.size(), 6u);
  // The given-name column starts at character 19 on every line.
  for (std::size_t i = 0; i < 5; ++i) {
    ASSERT_TRUE(text::IsValidUtf8(lines[i])) << i;
    const std::size_t at = text::CodePointPrefixBytes(lines[i], 18);
    EXPECT_NE(lines[i][at], ' ') << lines[i];
    EXPECT_EQ(text::CodePointCount(lines[i]), text::CodePointCount(lines[0])) << lines[i];
  }
  EXPECT_EQ(lines[2].substr(0, 19), "Wi\xC5\x9Bniewska-Kowal  ");  // 16 characters
  EXPECT_EQ(lines[5].substr(0, 18), "M\xFCller" + std::string(12, ' '));  // bytes
}

TEST(Writers, AnOutputFolderThatDoesNotExist) {
  Session s;
  ASSERT_EQ(s.Load(People(2)), LoadOutcome::kLoaded);
  s.Tick({0});
  s.ws.Answer(MsgResult::kCancel);  // the file layer's own message
  s.ws.AnswerSave(s.dir.File("no/such/folder/out.csv"));
  EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, 3));
  ASSERT_GE(s.ws.messages.size(), 2u);
  EXPECT_EQ(s.ws.messages[0].title, "File Error");
  EXPECT_EQ(s.ws.messages[0].text, "That path doesn't exist.");
  // The failure names the real cause, not a bad file number.
  EXPECT_EQ(s.ws.messages.back().text.rfind("Error occurred while trying to save file: \nNo such file", 0), 0u);
}

std::vector<std::string> CallsFrom(const std::vector<std::string>& calls, const std::string& first) {
  auto it = std::find(calls.begin(), calls.end(), first);
  return {it, calls.end()};
}

TEST(ExcelWriter, WhatTheUserSees) {
  for (int count : {20, 21}) {
    Session s;
    ASSERT_EQ(s.Load(People(count)), LoadOutcome::kLoaded);
    s.Tick({0});
    s.ws.calls.clear();
    s.ws.progress_steps = 0;
    ASSERT_TRUE(s.Export(0, "out.xls"));
    const std::string path = s.dir.File("out.xls");
    std::vector<std::string> expected = {"Busy", "Status:One moment please...", "Status:Creating " + path + "...",
                                         "DoEvents"};
    if (count > 20) {
      expected.insert(expected.end(), {"ProgressMax:21", "ProgressShown"});
    }
    expected.insert(expected.end(), {"ProgressHidden", "NotBusy", "Status:" + path,
                                     "Message:" + path + " created. Do you wish to view it now?"});
    EXPECT_EQ(CallsFrom(s.ws.calls, "Busy"), expected) << count;
    EXPECT_EQ(s.ws.progress_steps, count > 20 ? count + 1 : 0) << count;
    ASSERT_FALSE(s.ws.messages.empty());
    EXPECT_EQ(s.ws.messages.back().icon, MsgIcon::kQuestion);
    EXPECT_EQ(s.ws.messages.back().buttons, MsgButtons::kYesNo);
    EXPECT_EQ(s.ws.messages.back().default_button, 2);
    EXPECT_FALSE(s.ws.busy);
  }
}

TEST(ExcelWriter, AllColumnsFromAToAn) {
  Session all;
  ASSERT_EQ(all.Load(People(2)), LoadOutcome::kLoaded);
  all.TickAll();
  ASSERT_TRUE(all.Export(0, "all.xls"));
  const Workbook full = Workbook::Open(all.dir.File("all.xls"));
  const xls::Worksheet& sheet = full.sheet(0);
  EXPECT_EQ(sheet.Text(0, 0), u"INDI_ID");
  EXPECT_EQ(sheet.Text(0, 22), u"FAMS_ID 1");
  EXPECT_EQ(sheet.Text(0, 26), u"Marriage place 1");  // column AA
  EXPECT_EQ(sheet.Text(0, 39), u"#Ch 3");             // column AN
  EXPECT_FALSE(sheet.HasCell(0, 40));
  const double widths[] = {10, 40, 16, 20, 10, 10, 12, 12, 3, 11, 30, 11, 30, 11, 30, 11, 30, 10, 10, 30,
                           10, 30, 10, 10, 30, 11, 30, 3, 10, 10, 30, 11, 30, 3, 10, 10, 30, 11, 30, 3};
  for (std::uint32_t c = 0; c < 40; ++c) {
    EXPECT_EQ(sheet.ColumnWidth(c), widths[c]) << c;
    EXPECT_EQ(sheet.ColumnFormat(c).number_format, u"@") << c;
    EXPECT_TRUE(sheet.Format(0, c).bold) << c;
    EXPECT_EQ(sheet.Format(0, c).font_name, u"Arial") << c;
    EXPECT_EQ(sheet.Format(0, c).font_height, 200) << c;
  }
  EXPECT_EQ(sheet.ColumnWidth(40), std::nullopt);
  EXPECT_EQ(sheet.Text(2, 0), u"I1");
  EXPECT_EQ(sheet.Text(2, 2), u"Sur");
  EXPECT_EQ(sheet.Text(3, 3), u"Given2");
  EXPECT_FALSE(sheet.Format(2, 0).bold);
  EXPECT_EQ(sheet.Format(2, 0).number_format, u"@");
}

TEST(ExcelWriter, BlockEdges) {
  // Rows 1 and 2 are the captions and the empty row; person n is in row n + 2.
  for (int count : {1, 69, 70, 71, 141}) {
    Session s;
    ASSERT_EQ(s.Load(People(count)), LoadOutcome::kLoaded);
    s.Tick({1});
    ASSERT_TRUE(s.Export(0, "out.xls"));
    const Workbook book = Workbook::Open(s.dir.File("out.xls"));
    const xls::Worksheet& sheet = book.sheet(0);
    EXPECT_EQ(sheet.RowCount(), static_cast<std::uint32_t>(count + 2)) << count;
    EXPECT_EQ(sheet.Text(0, 0), u"Given") << count;
    EXPECT_EQ(sheet.ColumnWidth(0), 20.0) << count;
    EXPECT_FALSE(sheet.HasCell(1, 0)) << count;
    for (int n = 1; n <= count; ++n) {
      const std::string number = std::to_string(n);
      ASSERT_EQ(sheet.Text(n + 1, 0), u"Given" + std::u16string(number.begin(), number.end()))
          << count << "/" << n;
      ASSERT_FALSE(sheet.HasCell(n + 1, 1)) << count << "/" << n;
    }
  }
}

TEST(ExcelWriter, UnicodeFromUtf8AndWindows1252) {
  // Each value is UTF-8 when it is valid UTF-8, else Windows-1252.
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 HEAD", "1 CHAR UTF-8", "0 @I1@ INDI", "1 NAME J\xC3\xBCrgen /M\xC3\xBCller/", "1 BIRT",
                        "2 PLAC \xC5\x81\xC3\xB3\x64\xC5\xBA, Polska", "0 @I2@ INDI",
                        "1 NAME \xE5\xA4\xAA\xE9\x83\x8E /\xE5\xB1\xB1\xE7\x94\xB0/", "0 @I3@ INDI",
                        "1 NAME Smile \xF0\x9F\x98\x80 /  Spaced  /", "0 @I4@ INDI", "1 NAME Ren\xE9 /M\xFCller/",
                        "1 BIRT", "2 PLAC K\xF6ln \x80 \x8C", "0 TRLR"})),
            LoadOutcome::kLoaded);
  s.Tick({0, 1, 7});
  ASSERT_TRUE(s.Export(0, "u.xls"));
  const Workbook book = Workbook::Open(s.dir.File("u.xls"));
  const xls::Worksheet& sheet = book.sheet(0);
  EXPECT_EQ(sheet.Text(2, 0), u"M\u00FCller");
  EXPECT_EQ(sheet.Text(2, 1), u"J\u00FCrgen");
  EXPECT_EQ(sheet.Text(2, 2), u"\u0141\u00F3d\u017A, Polska");
  EXPECT_EQ(sheet.Text(3, 0), u"\u5C71\u7530");
  EXPECT_EQ(sheet.Text(4, 1), u"Smile \U0001F600");
  EXPECT_EQ(sheet.Text(4, 0), u"Spaced");
  EXPECT_EQ(sheet.Text(5, 0), u"M\u00FCller");
  EXPECT_EQ(sheet.Text(5, 1), u"Ren\u00E9");
  EXPECT_EQ(sheet.Text(5, 2), u"K\u00F6ln \u20AC \u0152");
}

TEST(ExcelWriter, ASheetTakes65534PeopleAndRefusesMoreBeforeAnyFile) {
  Session s;
  std::vector<std::string> ged;
  for (int i = 1; i <= 65535; ++i) ged.push_back("0 @I" + std::to_string(i) + "@ INDI");
  ASSERT_EQ(s.Load(Ged(ged)), LoadOutcome::kLoaded);
  s.Tick({16});
  s.state.current_file_name = s.dir.File("big.xls");
  EXPECT_FALSE(WriteExcelWorkbook(s.state, s.ws));
  EXPECT_FALSE(std::filesystem::exists(s.dir.File("big.xls")));
  ASSERT_EQ(s.ws.messages.size(), 1u);
  // Worded in full in ExportTargets.RowLimitsComeBeforeTheSaveDialog.
  EXPECT_EQ(s.ws.messages[0].text, ExcelWorkbookRefusal(65535));
  EXPECT_EQ(s.ws.messages[0].icon, MsgIcon::kExclamation);
  // Nothing under way is left in the status bar.
  EXPECT_EQ(s.ws.status, "Not saved: " + s.dir.File("big.xls"));
  EXPECT_FALSE(s.ws.busy);
  EXPECT_FALSE(s.ws.progress_visible);

  // One person fewer fills the sheet to its last row.
  s.state.work.individual_count = 65534;
  s.ws.messages.clear();
  ASSERT_TRUE(WriteExcelWorkbook(s.state, s.ws));
  const Workbook full = Workbook::Open(s.dir.File("big.xls"));
  EXPECT_EQ(full.sheet(0).RowCount(), 65536u);
  EXPECT_EQ(full.sheet(0).Text(0, 0), u"INDI_ID");
  EXPECT_EQ(full.sheet(0).Text(65535, 0), u"I65534");
}

TEST(ExcelWriter, FailuresReportAndLeaveNoFile) {
  Session s;
  ASSERT_EQ(s.Load(People(30)), LoadOutcome::kLoaded);
  s.Tick({0});
  // The header pass cannot save: no file, no completion question.
  s.state.current_file_name = s.dir.File("missing/out.xls");
  EXPECT_FALSE(WriteExcelWorkbook(s.state, s.ws));
  ASSERT_EQ(s.ws.messages.size(), 1u);
  EXPECT_EQ(s.ws.messages[0].text.rfind("Error occurred while creating worksheet: \n", 0), 0u);
  EXPECT_EQ(s.ws.status, "Not saved: " + s.dir.File("missing/out.xls"));
  EXPECT_FALSE(s.ws.busy);

  // The work file is gone by the data pass: the header pass's file was a
  // temporary, which goes; an old file of the same name stays.
  std::filesystem::remove(s.state.IndividualWorkFile());
  const std::string path = s.dir.File("partial.xls");
  WriteBytes(path, "old workbook");
  s.state.current_file_name = path;
  EXPECT_FALSE(WriteExcelWorkbook(s.state, s.ws));
  ASSERT_GT(s.ws.messages.size(), 1u);
  EXPECT_EQ(s.ws.messages.back().text.rfind("Error occurred while creating worksheet: \n", 0), 0u);
  EXPECT_EQ(s.ws.messages.back().text.find(".kinsheet-"), std::string::npos);
  EXPECT_EQ(s.ws.status, "Not saved: " + path);
  EXPECT_FALSE(s.ws.progress_visible);
  EXPECT_FALSE(s.ws.busy);
  EXPECT_EQ(ReadBytes(path), "old workbook");
  EXPECT_TRUE(LeftTemporaries(s.dir.path()).empty());
}

}  // namespace
}  // namespace kinsheet::testing
