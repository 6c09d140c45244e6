#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "gedcom/processors.h"
#include "records/work_records.h"
#include "support/fake_system_calls.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

const std::vector<std::string> kSmallFamily = {
    "0 HEAD", "1 CHAR UTF-8", "0 @I1@ INDI", "1 NAME John /Smith/", "1 SEX M", "1 BIRT",
    "2 DATE 1 JAN 1900", "2 PLAC Leeds", "1 FAMS @F1@", "0 @I2@ INDI", "1 NAME Mary /Jones/",
    "1 SEX F", "1 DEAT", "2 DATE 1970", "1 BURI", "2 DATE 1971", "1 FAMS @F1@", "0 @F1@ FAM", "1 HUSB @I1@", "1 WIFE @I2@",
    "1 MARR", "2 DATE 5 MAY 1925", "1 CHIL @I3@", "0 @I3@ INDI", "1 NAME Ann /Smith/",
    "1 FAMC @F1@", "0 TRLR"};

std::string Counters(const RunState& s) {
  std::string out;
  for (auto c : s.counters) out += std::to_string(c) + " ";
  return out + "| " + std::to_string(s.work.individual_count) + " " +
         std::to_string(s.work.family_count);
}

TEST(Loader, SameResultForEveryLineEndWithOrWithoutAByteOrderMark) {
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    for (const std::string eol : {"\n", "\r\n", "\r"}) {
      const std::string what = (bom.empty() ? "" : "BOM, ") +
                               std::string(eol == "\n" ? "LF" : eol == "\r" ? "CR" : "CRLF");
      Session s;
      ASSERT_EQ(s.Load(bom + Ged(kSmallFamily, eol)), LoadOutcome::kLoaded) << what;
      EXPECT_TRUE(s.ws.messages.empty()) << what;
      // People, births, christenings, deaths, burials, families, links, marriages.
      EXPECT_EQ(Counters(s.state), "3 1 0 1 1 1 2 1 | 3 1") << what;
      EXPECT_EQ(s.ws.counters[4], "1 ") << what;
      EXPECT_EQ(s.state.work.individual_records.fill(), 3) << what;
      EXPECT_EQ(s.state.work.family_records.fill(), 1) << what;
    }
  }
}

TEST(Loader, WindowSequenceOfAGoodLoadAndTheNext) {
  Session s;
  ASSERT_EQ(s.Load(Ged(kSmallFamily), "family.ged"), LoadOutcome::kLoaded);
  EXPECT_EQ(s.ws.dialogs.at(0).title, "Select GEDCOM file to Sheetify...");
  EXPECT_EQ(s.ws.dialogs.at(0).filter_index, 2);
  EXPECT_EQ(s.ws.caption, "Kinsheet (family.ged)");
  EXPECT_EQ(s.ws.status, "Select fields to be included in Sheetified file...");
  EXPECT_EQ(s.state.name_part, "family.ged");
  EXPECT_EQ(s.state.folder_part, s.dir.path());
  EXPECT_EQ(s.state.last_gedcom_folder, s.dir.path());
  EXPECT_EQ(s.ws.counters[0], "3 ");
  EXPECT_FALSE(s.ws.busy);
  EXPECT_EQ(s.ws.list.size(), 3u);  // the first page is shown
  EXPECT_EQ(s.ws.list[0], (std::vector<std::string>{"1900", "", "Smith, John"}));

  // A second load starts afresh.
  ASSERT_EQ(s.Load(Ged({"0 @X9@ INDI", "1 NAME Solo /One/"}), "b.ged"), LoadOutcome::kLoaded);
  EXPECT_EQ(s.state.work.individual_count, 1);
  EXPECT_EQ(s.state.work.family_count, 0);
  EXPECT_EQ(s.state.work.individual_records.fill(), 1);
  EXPECT_EQ(static_cast<std::int64_t>(ReadBytes(s.state.IndividualWorkFile()).size()),
            s.state.work.individual_records.end());
  EXPECT_EQ(ReadBytes(s.state.FamilyWorkFile()).size(), 0u);
  EXPECT_EQ(s.state.work.individual_index.Find("I1", 1), std::nullopt);
  EXPECT_EQ(s.state.counters[0], 1);
}

TEST(Loader, EndsWithTheRightMessage) {
  {
    Session s;
    EXPECT_EQ(s.Load(""), LoadOutcome::kEmpty);
    EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{"File is empty!"});
  }
  // No people: a family alone, or a byte-order mark alone.
  for (const std::string& text : {Ged({"0 HEAD", "0 @F1@ FAM", "1 HUSB @I1@", "0 TRLR"}),
                                 std::string("\xEF\xBB\xBF"), std::string("\xFF\xFE"), std::string("\xFE\xFF")}) {
    Session s;
    EXPECT_EQ(s.Load(text), LoadOutcome::kNoData);
    EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{"No GED data in file!"});
    EXPECT_EQ(s.state.work.family_count, text.size() > 3 ? 1 : 0);
  }
  {
    Session s;
    EXPECT_EQ(s.LoadFile(s.dir.File("missing.ged")), LoadOutcome::kNotFound);
    EXPECT_TRUE(s.ws.messages.empty());
    EXPECT_EQ(s.state.current_file_name, s.dir.File("missing.ged"));
  }
  {
    Session s;
    EXPECT_EQ(s.LoadFile(""), LoadOutcome::kCancelled);
  }
}

TEST(Loader, PublicFilesTheOldReadingLost) {
  KINSHEET_NEED_PUBLIC_GEDCOM();
  {
    // UTF-16 with a mark: read whole, without a message, saying how.
    Session s;
    EXPECT_EQ(s.LoadFile(PublicGedcom("sample55516le.ged")), LoadOutcome::kLoaded);
    EXPECT_TRUE(s.ws.messages.empty());
    EXPECT_EQ(s.state.work.individual_count, 3);
    EXPECT_EQ(s.state.work.family_count, 2);
    EXPECT_NE(std::find(s.ws.calls.begin(), s.ws.calls.end(),
                        "Status:Reading as UTF-16 (little-endian), converted to UTF-8"),
              s.ws.calls.end());
  }
  {
    // Stray LFs in a CR LF file no longer glue a person onto the line before.
    Session s;
    EXPECT_EQ(s.LoadFile(PublicGedcom("5.5.1 sample 3.ged")), LoadOutcome::kLoaded);
    EXPECT_EQ(s.state.work.individual_count, 4578);
    EXPECT_TRUE(s.ws.messages.empty());
  }
}

TEST(Loader, ProblemMessagesStopAtTheLimitAndAreCounted) {
  std::vector<std::string> lines = {"0 HEAD"};
  for (int i = 0; i < 25; ++i) lines.push_back("not GEDCOM " + std::to_string(i));
  {
    Session s;
    EXPECT_EQ(s.Load(Ged(lines)), LoadOutcome::kNoData);
    const std::vector<std::string> texts = s.ws.MessageTexts();
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts[0], "Problem parsing GedRec: not GEDCOM 0");
    EXPECT_EQ(texts[9], "Problem parsing GedRec: not GEDCOM 9");
    EXPECT_EQ(texts[10], "15 more lines could not be read. Is this a GEDCOM file?");
    EXPECT_EQ(texts[11], "No GED data in file!");
  }
  {
    // The loading goes on as before: people after the bad lines count.
    Session s;
    s.state.problem_limit = 3;
    lines.push_back("0 @I1@ INDI");
    EXPECT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
    EXPECT_EQ(s.state.work.individual_count, 1);
    const std::vector<std::string> texts = s.ws.MessageTexts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[3], "22 more lines could not be read. Is this a GEDCOM file?");
    // Exactly at the limit: no count box; the next load counts afresh.
    lines.resize(4);
    lines.push_back("0 @I1@ INDI");
    s.ws.messages.clear();
    EXPECT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
    EXPECT_EQ(s.ws.MessageTexts().size(), 3u);
  }
}

TEST(Loader, DeclaredSetIsShownAndConvertsValues) {
  const std::string ansel =
      Ged({"0 HEAD", "1 CHAR ANSEL", "0 @I1@ INDI", "1 NAME Jos\xE2" "e /M\xE8" "uller/"}, "\r\n");
  Session s;
  ASSERT_EQ(s.Load(ansel), LoadOutcome::kLoaded);
  EXPECT_TRUE(s.ws.messages.empty());
  EXPECT_EQ(s.state.work.individual.Trimmed(IndiField::kSurname), "M\xC3\xBCller");
  EXPECT_NE(std::find(s.ws.calls.begin(), s.ws.calls.end(),
                      "Status:Reading as ANSEL (declared in the file), converted to UTF-8"),
            s.ws.calls.end());
  // The literal reading leaves the bytes alone and says nothing of them.
  Session l;
  l.state.literal_reading = true;
  ASSERT_EQ(l.Load(ansel), LoadOutcome::kLoaded);
  EXPECT_EQ(l.state.work.individual.Trimmed(IndiField::kSurname), "M\xE8" "uller");
  EXPECT_EQ(std::count_if(l.ws.calls.begin(), l.ws.calls.end(),
                          [](const std::string& c) { return c.find("Reading as") != std::string::npos; }),
            0);
}

// Record numbers are 32-bit: the record after the last number refuses the
// whole file, with one message and nothing left loaded.
TEST(Loader, RefusesAFileBeyondTheRecordNumbers) {
  {
    Session s;
    // As if 2147483647 of each had been loaded.
    s.state.work.individual_count = kMaxRecordNumber;
    s.state.work.family_count = kMaxRecordNumber;
    EXPECT_THROW(StartIndividualRecord(s.state, s.ws), RecordLimitError);
    EXPECT_THROW(StartFamilyRecord(s.state, s.ws), RecordLimitError);
    EXPECT_EQ(s.state.work.individual_count, kMaxRecordNumber);
    EXPECT_TRUE(s.ws.messages.empty());
  }
  const std::string people = Ged({"0 @I1@ INDI", "0 @I2@ INDI", "0 @I3@ INDI", "0 @F1@ FAM", "0 @F2@ FAM"});
  Session fits;
  fits.state.work.record_limit = 3;
  EXPECT_EQ(fits.Load(people), LoadOutcome::kLoaded);
  EXPECT_EQ(fits.state.work.individual_count, 3);
  EXPECT_TRUE(fits.ws.MessageTexts().empty());
  {
    Session s;
    s.state.work.record_limit = 2;
    EXPECT_EQ(s.Load(people), LoadOutcome::kTooLarge);
    ASSERT_EQ(s.ws.MessageTexts(), std::vector<std::string>{
        "File is too large! Kinsheet holds at most 2147483647 people and 2147483647 families."});
    EXPECT_EQ(s.ws.messages[0].icon, MsgIcon::kExclamation);
    EXPECT_EQ(s.state.work.individual_count, 0);
    EXPECT_EQ(s.state.work.individual_index.fill(), 0);
    EXPECT_EQ(s.ws.counters[0], "0 ");
    EXPECT_FALSE(s.ws.busy);
    EXPECT_FALSE(s.Export(3, "out.csv"));  // nothing to export
  }
  // Families reach the limit on their own.
  Session s;
  s.state.work.record_limit = 1;
  EXPECT_EQ(s.Load(Ged({"0 @I1@ INDI", "0 @F1@ FAM", "0 @F2@ FAM"})), LoadOutcome::kTooLarge);
  EXPECT_EQ(s.ws.MessageTexts().size(), 1u);
}

// A full disk under the work folder fails every later record the same way:
// one message that names the folder and the space, not a hundred problems
// and a question whether this is GEDCOM at all.
TEST(Loader, AFullWorkFolderStopsTheLoadWithOneMessage) {
  std::vector<std::string> lines = {"0 HEAD"};
  // Enough people that their records are written while the file is read.
  for (int i = 1; i <= 4000; ++i) {
    lines.push_back("0 @I" + std::to_string(i) + "@ INDI");
    lines.push_back("1 NAME Person " + std::to_string(i) + " /Doe/");
  }
  lines.push_back("0 TRLR");
  Session s;
  FakeSystemCalls fake;
  fake.pwrite = {-ENOSPC, -ENOSPC, -ENOSPC, -ENOSPC};
  EXPECT_EQ(s.Load(Ged(lines)), LoadOutcome::kWorkFolderFull);
  const std::vector<std::string> texts = s.ws.MessageTexts();
  ASSERT_EQ(texts.size(), 1u) << texts.back();
  const std::string start = "The work folder " + s.state.work_folder + " ran out of space. Loading this file needs about ";
  ASSERT_EQ(texts[0].substr(0, start.size()), start);
  // 4000 people of about 120 bytes: under a megabyte, so one.
  EXPECT_EQ(texts[0].substr(start.size(), 3), "1 M");
  EXPECT_EQ(s.state.work.individual_count, 0);
  EXPECT_EQ(s.ws.counters[0], "0 ");
  EXPECT_FALSE(s.ws.busy);
  EXPECT_FALSE(std::filesystem::exists(s.state.IndividualWorkFile()));
  EXPECT_FALSE(std::filesystem::exists(s.state.FamilyWorkFile()));

  // Quota exhaustion is the same fault in other words; any other failure of
  // a record stays a problem of that record.
  fake.pwrite = {-EDQUOT};
  s.ws.messages.clear();
  EXPECT_EQ(s.Load(Ged(lines)), LoadOutcome::kWorkFolderFull);
  EXPECT_EQ(s.ws.MessageTexts(), texts);
  fake.pwrite = {-EIO};
  s.ws.messages.clear();
  EXPECT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
  ASSERT_FALSE(s.ws.MessageTexts().empty());
  EXPECT_EQ(s.ws.MessageTexts()[0].rfind("Problem adding Indiv: ", 0), 0u);
}

// The FAMS and CHIL counts are 16-bit: past 32767 lines the rest are left
// out with one message per record, and the load is no failure.
TEST(Loader, CountsBeyondSixteenBitsAreSaidOncePerRecord) {
  std::vector<std::string> lines = {"0 HEAD", "0 @I1@ INDI"};
  for (int i = 0; i < 32769; ++i) lines.push_back("1 FAMS @F1@");
  lines.push_back("0 @I2@ INDI");
  for (int i = 0; i < 32767; ++i) lines.push_back("1 FAMS @F1@");
  lines.push_back("0 @F1@ FAM");
  for (int i = 0; i < 32770; ++i) lines.push_back("1 CHIL @I2@");
  lines.push_back("0 TRLR");
  Session s;
  ASSERT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
  EXPECT_EQ(s.ws.MessageTexts(),
            (std::vector<std::string>{
                "Person @I1@ has more than 32767 FAMS lines: only the first 32767 are counted.",
                "Family @F1@ has more than 32767 CHIL lines: only the first 32767 children are counted."}));
  EXPECT_EQ(s.state.problem_count, 0);
  EXPECT_EQ(s.state.counters[6], 2 * 32767);
  EXPECT_EQ(s.state.work.family.Count(), 32767);
}

}  // namespace
}  // namespace kinsheet::testing
