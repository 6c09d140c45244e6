#include <gtest/gtest.h>

#include <filesystem>
#include <signal.h>
#include <sys/resource.h>

#include "export/writers.h"
#include "records/dates.h"
#include "support/fixtures.h"
#include "text/encoding.h"

namespace kinsheet {
namespace {

using testing::CrLfLines;
using testing::Ged;
using testing::LeftTemporaries;
using testing::ReadBytes;
using testing::Session;

std::vector<std::string> People(int count, const std::string& extra_line = "") {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) {
    lines.push_back("0 @I" + std::to_string(i) + "@ INDI");
    lines.push_back("1 NAME Person" + std::to_string(i) + " /Family/");
    if (!extra_line.empty()) lines.push_back(extra_line);
  }
  return lines;
}

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

TEST(CsvWriter, AllFieldsGiveFortyColumnsEverywhere) {
  Session s;
  ASSERT_EQ(s.Load(Ged(People(3))), LoadOutcome::kLoaded);
  s.TickAll();
  ASSERT_TRUE(s.Export(3, "all.csv"));
  const auto lines = CrLfLines(ReadBytes(s.dir.File("all.csv")));
  EXPECT_EQ(lines[0].rfind("\"INDI_ID\",\"FullName\",\"Surname\",\"Given\",\"Suffix\",\"Prefix\",", 0), 0u);
  EXPECT_NE(lines[0].find("\"#Ch\",\"FAMS_ID 2\""), std::string::npos);
  for (const auto& l : lines) EXPECT_EQ(std::count(l.begin(), l.end(), '"'), 80) << l;
}

TEST(Writers, CompletionStatusAndQuestion) {
  Session s;
  ASSERT_EQ(s.Load(Ged(People(2))), LoadOutcome::kLoaded);
  s.Tick({0});
  ASSERT_TRUE(s.Export(3, "done.csv"));
  const std::string path = s.dir.File("done.csv");
  EXPECT_EQ(s.ws.status, path);
  const MessageBoxRequest& q = s.ws.messages.back();
  EXPECT_EQ(q.text, path + " created. Do you wish to view it now?");
  EXPECT_EQ(q.buttons, MsgButtons::kYesNo);
  EXPECT_EQ(q.default_button, 2);
  EXPECT_EQ(q.icon, MsgIcon::kQuestion);
  EXPECT_FALSE(s.ws.busy);
  EXPECT_FALSE(s.ws.progress_visible);
}

TEST(Writers, ProgressShownAbove300People) {
  for (const int count : {300, 301}) {
    for (const std::int16_t format : {3, 4}) {
      Session s;
      ASSERT_EQ(s.Load(Ged(People(count))), LoadOutcome::kLoaded);
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
  EXPECT_EQ(lines[0].size(), 48u);
  EXPECT_EQ(lines[1], std::string(16, '-') + "  ---" + std::string(27, ' '));
  EXPECT_EQ(lines[2], "Abcdefghijklmnop  M" + std::string(29, ' '));
}

TEST(TextWriter, IdWidthsAndAllColumns) {
  Session s;
  std::vector<std::string> ged = People(2);
  ged.push_back("0 @ID_OF_TWELVE@ INDI");
  ged.push_back("1 NAME " + std::string(50, 'n'));
  ged.push_back("1 FAMS @F1@");
  ged.push_back("0 @F1@ FAM");
  ged.push_back("1 HUSB @ID_OF_TWELVE@");
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

TEST(Writers, AWriteThatFailsHalfWayIsReported) {
  Session s;
  ASSERT_EQ(s.Load(Ged(People(2000))), LoadOutcome::kLoaded);
  s.TickAll();
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 100000;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool csv = s.Export(3, "big.csv");
  const bool txt = s.Export(4, "big.txt");
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old, nullptr);

  EXPECT_FALSE(csv);
  EXPECT_FALSE(txt);
  int failures = 0;
  for (const auto& m : s.ws.messages) {
    if (m.text.rfind("Error occurred while trying to save file: \n", 0) == 0) {
      ++failures;
      EXPECT_EQ(m.icon, MsgIcon::kExclamation);
    }
    EXPECT_EQ(m.text.find("created."), std::string::npos);
  }
  EXPECT_EQ(failures, 2);
  EXPECT_FALSE(s.ws.busy);
  EXPECT_FALSE(s.ws.progress_visible);
  // Nothing half-written takes the output's name, and nothing is left over.
  EXPECT_FALSE(std::filesystem::exists(s.dir.File("big.csv")));
  EXPECT_FALSE(std::filesystem::exists(s.dir.File("big.txt")));
  EXPECT_TRUE(LeftTemporaries(s.dir.path()).empty());
}

TEST(Writers, AnOutputFolderThatDoesNotExist) {
  Session s;
  ASSERT_EQ(s.Load(Ged(People(2))), LoadOutcome::kLoaded);
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

}  // namespace
}  // namespace kinsheet
