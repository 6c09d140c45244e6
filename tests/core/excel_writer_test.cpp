// The Excel export end to end through the scripted window: what the user
// sees (status texts, progress, messages), the sheet it leaves behind at
// the 70-row block edges, and its failure paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "export/writers.h"
#include "formats/xls/workbook.h"
#include "support/fixtures.h"

namespace kinsheet {
namespace {

using testing::Ged;
using testing::Session;
using xls::Workbook;

std::vector<std::string> People(int count) {
  std::vector<std::string> lines = {"0 HEAD", "1 CHAR UTF-8"};
  for (int i = 1; i <= count; ++i) {
    lines.push_back("0 @I" + std::to_string(i) + "@ INDI");
    lines.push_back("1 NAME Person" + std::to_string(i) + " /Family" + std::to_string(i) + "/");
  }
  lines.push_back("0 TRLR");
  return lines;
}

// Loads `count` people, ticks `boxes` and exports to out.xls.
Workbook ExportPeople(Session& s, int count, std::initializer_list<int> boxes) {
  EXPECT_EQ(s.Load(Ged(People(count))), LoadOutcome::kLoaded);
  s.Tick(boxes);
  EXPECT_TRUE(s.Export(0, "out.xls"));
  return Workbook::Open(s.dir.File("out.xls"));
}

std::vector<std::string> CallsFrom(const std::vector<std::string>& calls, const std::string& first) {
  auto it = std::find(calls.begin(), calls.end(), first);
  return {it, calls.end()};
}

TEST(ExcelWriter, WhatTheUserSees) {
  for (int count : {20, 21}) {
    Session s;
    ASSERT_EQ(s.Load(Ged(People(count))), LoadOutcome::kLoaded);
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
  ASSERT_EQ(all.Load(Ged(People(2))), LoadOutcome::kLoaded);
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
  EXPECT_EQ(sheet.Text(2, 2), u"Family1");
  EXPECT_EQ(sheet.Text(3, 3), u"Person2");
  EXPECT_FALSE(sheet.Format(2, 0).bold);
  EXPECT_EQ(sheet.Format(2, 0).number_format, u"@");
}

TEST(ExcelWriter, BlockEdges) {
  // Rows 1 and 2 are the captions and the empty row; person n is in row n + 2.
  for (int count : {1, 69, 70, 71, 141}) {
    Session s;
    const Workbook book = ExportPeople(s, count, {0});
    const xls::Worksheet& sheet = book.sheet(0);
    EXPECT_EQ(sheet.RowCount(), static_cast<std::uint32_t>(count + 2)) << count;
    EXPECT_EQ(sheet.Text(0, 0), u"Surname") << count;
    EXPECT_EQ(sheet.ColumnWidth(0), 16.0) << count;
    EXPECT_FALSE(sheet.HasCell(1, 0)) << count;
    for (int n = 1; n <= count; ++n) {
      const std::string number = std::to_string(n);
      ASSERT_EQ(sheet.Text(n + 1, 0), u"Family" + std::u16string(number.begin(), number.end()))
          << count << "/" << n;
      ASSERT_FALSE(sheet.HasCell(n + 1, 1)) << count << "/" << n;
    }
  }
}

TEST(ExcelWriter, UnicodeFromUtf8AndWindows1252) {
  Session utf8;
  ASSERT_EQ(utf8.Load(Ged({"0 HEAD", "1 CHAR UTF-8", "0 @I1@ INDI", "1 NAME J\xC3\xBCrgen /M\xC3\xBCller/",
                           "1 BIRT", "2 PLAC \xC5\x81\xC3\xB3\x64\xC5\xBA, Polska", "0 @I2@ INDI",
                           "1 NAME \xE5\xA4\xAA\xE9\x83\x8E /\xE5\xB1\xB1\xE7\x94\xB0/", "0 @I3@ INDI",
                           "1 NAME Smile \xF0\x9F\x98\x80 /  Spaced  /", "0 TRLR"})),
            LoadOutcome::kLoaded);
  utf8.Tick({0, 1, 7});
  ASSERT_TRUE(utf8.Export(0, "u.xls"));
  const Workbook u = Workbook::Open(utf8.dir.File("u.xls"));
  EXPECT_EQ(u.sheet(0).Text(2, 0), u"M\u00FCller");
  EXPECT_EQ(u.sheet(0).Text(2, 1), u"J\u00FCrgen");
  EXPECT_EQ(u.sheet(0).Text(2, 2), u"\u0141\u00F3d\u017A, Polska");
  EXPECT_EQ(u.sheet(0).Text(3, 0), u"\u5C71\u7530");
  EXPECT_EQ(u.sheet(0).Text(4, 1), u"Smile \U0001F600");
  EXPECT_EQ(u.sheet(0).Text(4, 0), u"Spaced");

  Session ansi;
  ASSERT_EQ(ansi.Load(Ged({"0 HEAD", "1 CHAR ANSI", "0 @I1@ INDI", "1 NAME Ren\xE9 /M\xFCller/", "1 BIRT",
                           "2 PLAC K\xF6ln \x80 \x8C", "0 TRLR"})),
            LoadOutcome::kLoaded);
  ansi.Tick({0, 1, 7});
  ASSERT_TRUE(ansi.Export(0, "a.xls"));
  const Workbook a = Workbook::Open(ansi.dir.File("a.xls"));
  EXPECT_EQ(a.sheet(0).Text(2, 0), u"M\u00FCller");
  EXPECT_EQ(a.sheet(0).Text(2, 1), u"Ren\u00E9");
  EXPECT_EQ(a.sheet(0).Text(2, 2), u"K\u00F6ln \u20AC \u0152");
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
  const std::string& text = s.ws.messages[0].text;
  EXPECT_EQ(text.rfind("Error occurred while creating worksheet: \n", 0), 0u) << text;
  EXPECT_NE(text.find("65535"), std::string::npos) << text;
  EXPECT_NE(text.find("65534"), std::string::npos) << text;
  EXPECT_NE(text.find("CSV"), std::string::npos) << text;
  EXPECT_NE(text.find("Access"), std::string::npos) << text;
  EXPECT_EQ(s.ws.messages[0].icon, MsgIcon::kExclamation);
  EXPECT_EQ(s.ws.status, "One moment please...");
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
  {
    // The header pass cannot save: no file, no completion question.
    Session s;
    ASSERT_EQ(s.Load(Ged(People(3))), LoadOutcome::kLoaded);
    s.Tick({0});
    s.state.current_file_name = s.dir.File("missing/out.xls");
    EXPECT_FALSE(WriteExcelWorkbook(s.state, s.ws));
    ASSERT_EQ(s.ws.messages.size(), 1u);
    EXPECT_EQ(s.ws.messages[0].text.rfind("Error occurred while creating worksheet: \n", 0), 0u);
    EXPECT_EQ(s.ws.status, "One moment please...");
    EXPECT_FALSE(s.ws.busy);
  }
  {
    // The work file is gone by the data pass: the header pass's file was a
    // temporary, which goes; an old file of the same name stays.
    Session s;
    ASSERT_EQ(s.Load(Ged(People(30))), LoadOutcome::kLoaded);
    s.Tick({0});
    std::filesystem::remove(s.state.IndividualWorkFile());
    const std::string path = s.dir.File("partial.xls");
    testing::WriteBytes(path, "old workbook");
    s.state.current_file_name = path;
    EXPECT_FALSE(WriteExcelWorkbook(s.state, s.ws));
    ASSERT_FALSE(s.ws.messages.empty());
    EXPECT_EQ(s.ws.messages.back().text.rfind("Error occurred while creating worksheet: \n", 0), 0u);
    EXPECT_EQ(s.ws.status, "Creating " + path + "...");
    EXPECT_FALSE(s.ws.progress_visible);
    EXPECT_FALSE(s.ws.busy);
    EXPECT_EQ(testing::ReadBytes(path), "old workbook");
    EXPECT_TRUE(testing::LeftTemporaries(s.dir.path()).empty());
    EXPECT_EQ(s.ws.messages.back().text.find(".kinsheet-"), std::string::npos);
  }
}

}  // namespace
}  // namespace kinsheet
