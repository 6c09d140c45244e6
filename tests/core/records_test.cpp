#include <gtest/gtest.h>

#include <cstring>

#include "records/dates.h"
#include "records/work_records.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

std::string Le32(std::uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>((v >> 16) & 0xFF),
          static_cast<char>(v >> 24)};
}

// The packed records as they lie on disk: the count, the end of each field,
// then the fields' bytes.
TEST(WorkRecords, LayoutByteForByte) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I12@ INDI", "1 NAME John /Smith/", "1 SEX MALE", "1 TITL Sir",
                        "1 BIRT", "2 DATE 1 JAN 1900", "2 PLAC York", "1 BURI", "2 PLAC Hull",
                        "1 FAMC @F9@", "1 FAMS @F1@", "1 FAMS @F2@", "1 FAMS @F3@",
                        "1 FAMS @F4@", "0 @F7@ FAM", "1 HUSB @I1@", "1 WIFE @I2@", "1 MARR", "2 DATE 2 FEB 1920",
                        "2 PLAC Rome", "1 CHIL @I3@", "1 CHIL @I4@"})),
            LoadOutcome::kLoaded);
  // IndiId, Afn, FullName, Surname, GivenName, Title, Nickname, NamePrefix,
  // NameSuffix, Sex, then four dates and places, Famc, Fams1..3.
  const std::vector<std::string> fields = {"I12", "", "John  Smith", "Smith", "John", "Sir", "", "", "",
                                           "M", "1 JAN 1900", "York", "", "", "", "", "", "Hull",
                                           "F9", "F1", "F2", "F4"};  // the fourth FAMS replaces the third
  std::string expected("\x04\x00", 2);  // the FAMS count, little-endian
  std::string text;
  for (const std::string& f : fields) {
    text += f;
    expected += Le32(static_cast<std::uint32_t>(text.size()));
  }
  EXPECT_EQ(ReadBytes(s.state.IndividualWorkFile()), expected + text);
  EXPECT_EQ(s.state.counters[6], 4);

  std::string fam("\x02\x00", 2);
  for (std::uint32_t end : {2u, 4u, 6u, 16u, 20u}) fam += Le32(end);
  EXPECT_EQ(ReadBytes(s.state.FamilyWorkFile()), fam + "F7I1I22 FEB 1920Rome");
  EXPECT_EQ(s.state.work.family_index.Extra(1, 1), "I1");
}

// Every field comes back from the packed bytes as it was set, the empty
// ones between others included.
TEST(WorkRecords, EveryFieldBackFromItsPackedBytes) {
  IndividualRecord rec;
  for (int f = 0; f < kIndiFieldCount; ++f) {
    if (f % 3 != 1) rec.Set(static_cast<IndiField>(f), "v" + std::to_string(f));
  }
  rec.SetCount(-2);
  const std::string packed(rec.Pack());
  const IndividualView view(packed.data(), packed.size());
  for (int f = 0; f < kIndiFieldCount; ++f) {
    const auto field = static_cast<IndiField>(f);
    EXPECT_EQ(view.Trimmed(field), rec.Trimmed(field)) << f;
  }
  EXPECT_EQ(view.Count(), -2);
  // Cut short, a record gives empty fields, never bytes beyond it.
  const IndividualView cut(packed.data(), packed.size() - 3);
  EXPECT_EQ(cut.Trimmed(IndiField::kFams3), "");
  EXPECT_EQ(cut.Trimmed(IndiField::kIndiId), "v0");
}

// Records follow one another; each is found again by number through the
// index, mapped or read into the scratch alike.
TEST(WorkRecords, EveryRecordFoundByNumber) {
  Session s;
  std::vector<std::string> lines;
  for (int i = 1; i <= 300; ++i) {
    lines.push_back("0 @I" + std::to_string(i) + "@ INDI");
    lines.push_back("1 NAME " + std::string(static_cast<std::size_t>(i % 7), 'g') + " /S" + std::to_string(i) + "/");
    if (i % 3 == 0) lines.push_back("1 FAMS @F" + std::to_string(i) + "@");
  }
  ASSERT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
  File f = OpenFileRaw(s.state.IndividualWorkFile(), kModeRandom, kWorkFileUnit);
  std::string scratch;
  for (std::int32_t n = 1; n <= 300; ++n) {
    const IndividualView rec = ViewIndividual(f, s.state.work.individual_records, n, scratch);
    ASSERT_EQ(rec.Trimmed(IndiField::kIndiId), "I" + std::to_string(n));
    EXPECT_EQ(rec.Trimmed(IndiField::kSurname), "S" + std::to_string(n));
    EXPECT_EQ(rec.Trimmed(IndiField::kGivenName), std::string(static_cast<std::size_t>(n % 7), 'g'));
    EXPECT_EQ(rec.Count(), n % 3 == 0 ? 1 : 0);
  }
  // Outside the records: empty, never bytes of a neighbour.
  EXPECT_EQ(ViewIndividual(f, s.state.work.individual_records, 301, scratch).Trimmed(IndiField::kIndiId), "");
  EXPECT_EQ(ViewIndividual(f, s.state.work.individual_records, 0, scratch).Trimmed(IndiField::kIndiId), "");
}

TEST(RecordIndex, AppendsAndRewritesTheLast) {
  RecordIndex index;
  std::int64_t start = -1;
  std::size_t size = 0;
  EXPECT_FALSE(index.Find(1, start, size));
  index.Store(1, 10);
  index.Store(2, 5);
  index.Store(2, 7);  // the last again, in its own place
  index.Store(3, 0);
  EXPECT_THROW(index.Store(5, 1), std::out_of_range);  // a gap
  EXPECT_THROW(index.Store(2, 1), std::out_of_range);  // not the last
  ASSERT_TRUE(index.Find(2, start, size));
  EXPECT_EQ(start, 10);
  EXPECT_EQ(size, 7u);
  ASSERT_TRUE(index.Find(3, start, size));
  EXPECT_EQ(start, 17);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(index.end(), 17);
  EXPECT_FALSE(index.Find(4, start, size));
  // Past a chunk boundary.
  for (std::int32_t n = 4; n <= 70000; ++n) index.Store(n, 3);
  ASSERT_TRUE(index.Find(70000, start, size));
  EXPECT_EQ(start, 17 + 3 * (70000 - 4));
  index.Reset();
  EXPECT_FALSE(index.Find(1, start, size));
  EXPECT_EQ(index.end(), 0);
}

std::string Repeat(const std::string& unit, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += unit;
  return out;
}

// Limits count characters whatever their UTF-8 length, and a cut never
// parts a letter from its accents; ids are kept whole.
TEST(WorkRecords, LimitsCountCharacters) {
  const std::string acute = "e\xCC\x81";  // e and a combining acute: one letter
  struct Case {
    std::string value;
    std::string kept;
  };
  std::vector<Case> cases;
  for (const std::string unit : {"a", "\xC3\xA9", "\xE7\x94\xB0", "\xF0\x9F\x8C\xB3"}) {
    for (int n : {99, 100, 101}) cases.push_back({Repeat(unit, n), Repeat(unit, std::min(n, 100))});
  }
  cases.push_back({Repeat("a", 99) + acute, Repeat("a", 99)});                      // 101 code points: e would lose its accent
  cases.push_back({Repeat("a", 97) + acute + "b", Repeat("a", 97) + acute + "b"});  // exactly 100
  cases.push_back({Repeat("a", 98) + acute + "b", Repeat("a", 98) + acute});        // fits
  cases.push_back({Repeat("a", 100) + "\xCC\x81", Repeat("a", 99)});                // the accent after the 100th
  for (const Case& c : cases) {
    IndividualRecord rec;
    rec.Set(IndiField::kBirthPlace, c.value);
    EXPECT_EQ(rec.Trimmed(IndiField::kBirthPlace), c.kept) << c.value.size();
  }
  IndividualRecord rec;
  rec.Set(IndiField::kNickname, Repeat("\xC3\xA9", 121));
  EXPECT_EQ(rec.Trimmed(IndiField::kNickname), Repeat("\xC3\xA9", 120));
  rec.Set(IndiField::kSex, "\xC3\x89tranger");
  EXPECT_EQ(rec.Trimmed(IndiField::kSex), "\xC3\x89");  // one character, two bytes
  rec.Set(IndiField::kTitle, Repeat("\xFC", 130));       // not UTF-8: a byte a character
  EXPECT_EQ(rec.Trimmed(IndiField::kTitle), Repeat("\xFC", 120));
  rec.Set(IndiField::kIndiId, Repeat("X", 5000));
  EXPECT_EQ(rec.Trimmed(IndiField::kIndiId).size(), 5000u);
}

// Two ids that share their first 40 characters stay two people, whole in
// the records, the index and the counters.
TEST(WorkRecords, LongIdsStayWholeAndApart) {
  Session s;
  const std::string stem(40, 'P');
  const std::string a = stem + std::string(60, 'a');
  const std::string b = stem + "b";
  ASSERT_EQ(s.Load(Ged({"0 @" + a + "@ INDI", "1 NAME Ann /A/", "1 FAMS @" + stem + "F@", "0 @" + b + "@ INDI",
                        "1 NAME Bob /B/", "0 @" + stem + "F@ FAM", "1 HUSB @" + b + "@", "1 WIFE @" + a + "@"})),
            LoadOutcome::kLoaded);
  EXPECT_EQ(s.state.work.individual_index.Find(a, 2), 1);
  EXPECT_EQ(s.state.work.individual_index.Find(b, 2), 2);
  EXPECT_EQ(s.state.work.individual_index.Find(stem, 2), std::nullopt);
  EXPECT_EQ(s.state.work.max_individual_id_length, 100);
  EXPECT_EQ(s.state.work.family_index.Extra(1, 2), a);
  File f = OpenFileRaw(s.state.IndividualWorkFile(), kModeRandom, kWorkFileUnit);
  std::string scratch;
  EXPECT_EQ(ViewIndividual(f, s.state.work.individual_records, 1, scratch).Trimmed(IndiField::kIndiId), a);
}

TEST(NameLines, FirstNameLineFillsTheNameFields) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I1@ INDI", "1 NAME John /Smith/", "2 GIVN Johann", "1 NAME Jack /Jones/",
                        "0 @I2@ INDI", "1 NAME John Smith", "0 @I3@ INDI", "1 NAME /Smith/",
                        "0 @I4@ INDI", "1 BAPM", "2 DATE 1800", "1 EVEN", "2 DATE 1801", "1 BIRT"})),
            LoadOutcome::kLoaded);
  File f = OpenFileRaw(s.state.IndividualWorkFile(), kModeRandom, kWorkFileUnit);
  std::string scratch;
  IndividualView r = ViewIndividual(f, s.state.work.individual_records, 1, scratch);
  EXPECT_EQ(r.Trimmed(IndiField::kGivenName), "Johann");
  EXPECT_EQ(r.Trimmed(IndiField::kSurname), "Smith");
  EXPECT_EQ(r.Trimmed(IndiField::kFullName), "John  Smith");
  r = ViewIndividual(f, s.state.work.individual_records, 2, scratch);
  EXPECT_EQ(r.Trimmed(IndiField::kGivenName), "John Smith");
  EXPECT_EQ(r.Trimmed(IndiField::kSurname), "");
  r = ViewIndividual(f, s.state.work.individual_records, 3, scratch);
  EXPECT_EQ(r.Trimmed(IndiField::kGivenName), "");
  EXPECT_EQ(r.Trimmed(IndiField::kFullName), "Smith");
  r = ViewIndividual(f, s.state.work.individual_records, 4, scratch);
  EXPECT_EQ(r.Trimmed(IndiField::kChrDate), "");
  EXPECT_EQ(r.Trimmed(IndiField::kBirthDate), "");
  EXPECT_EQ(s.state.counters[1], 0);
}

TEST(IdTable, FirstMatchWinsAndEmptyFindsNothing) {
  IdTable t(2);
  t.Append("A1");
  t.Append("B2");
  t.Append("A1");
  t.Append("");
  EXPECT_EQ(t.Find("A1", 4), 1);
  EXPECT_EQ(t.Find(" B2 ", 4), 2);
  EXPECT_EQ(t.Find("b2", 4), std::nullopt);  // case-sensitive
  EXPECT_EQ(t.Find("", 4), std::nullopt);
  EXPECT_EQ(t.Find("B2", 1), std::nullopt);  // only entries up to the count
  EXPECT_EQ(t.Find("A1" + std::string(30, 'x'), 4), std::nullopt);
  t.SetExtra(2, 1, " H ");
  EXPECT_EQ(t.Extra(2, 1), "H");
  t.SetExtra(2, 1, "H2");  // set again
  EXPECT_EQ(t.Extra(2, 1), "H2");
  EXPECT_EQ(t.Extra(2, 2), "");
  EXPECT_EQ(t.Id(7), "");  // never stored
  EXPECT_THROW(t.SetExtra(5, 1, "X"), std::out_of_range);
  t.Reset();
  EXPECT_EQ(t.fill(), 0);
  EXPECT_EQ(t.Find("A1", 4), std::nullopt);
  t.Append("Z9");  // the next load starts at entry 1 with blank extras
  EXPECT_EQ(t.Find("Z9", 1), 1);
  EXPECT_EQ(t.Extra(1, 1), "");
}

using YearCases = std::initializer_list<std::pair<const char*, int>>;

void ExpectYears(YearCases cases) {
  for (const auto& [text, year] : cases) EXPECT_EQ(DateYear(text), year) << text;
}

// The free forms keep the years they always gave.
TEST(DateYear, LooseForms) {
  ExpectYears({{"ABT 1850", 1850}, {"Abt. 1850", 1850}, {"EST 1850", 1850}, {"(1850)", 1850},
               {"c1850", 1850}, {"BEF. 3 MAR 1850", 1850}, {"1 JAN 1850", 1850}, {"1750/51", 1750},
               {"1850-1860", 1860}, {"12 JUN 95", 0}, {"JUN 95", 95}, {"850", 850}, {"18500", 0},
               {"", 0}, {"   ", 0}, {"DECEASED", 0}, {"1 2", 0}, {"AFT 1900", 1900},
               {"ABOUT 1701", 1701}, {"CAL 1845", 1845}, {"5 MAR 850", 850}, {"/1850", 1850},
               {"ABT     686", 686}, {"   AUG  996", 996}, {"17 November 2007", 2007},
               {"1 Jan 1850", 1850}, {"from 1900 to 1905", 1905}});
}

// Day-first, month-first and ISO dates give their 4-digit year, whatever
// the separator; a bare year ends free text.
TEST(DateYear, NumericDates) {
  ExpectYears({{"23/05/1817", 1817}, {"05/23/1817", 1817}, {"1817-05-23", 1817},
               {"23.05.1817", 1817}, {"9-10-2015", 2015}, {"ABT 23/05/1817", 1817},
               {"BET 1/2/1850 AND 3/4/1860", 1860}, {"23/05/17", 0}, {"23-05-1817", 1817},
               {"Machine operator at Ford, 1850", 1850}, {"married in the spring 1817", 1817}});
}

// A range gives its later end, as it always did; an open one its one end.
TEST(DateYear, Ranges) {
  ExpectYears({{"BET 1850 AND 1860", 1860}, {"FROM 1850 TO 1860", 1860}, {"BET 1850", 1850},
               {"FROM 31 DEC 1997", 1997}, {"TO 31 DEC 1997", 1997},
               {"BET 5 APR 1712/13 AND 28 SEP 1714/15", 1714}, {"FROM Jan 1820 TO DEC 1825", 1825},
               {"BETWEEN 1850 AND 1860", 1860}});
}

// DateYear's years are positive: a year before Christ gives none.
TEST(DateYear, BeforeChrist) {
  ExpectYears({{"12 AUG 1401 BCE", 0}, {"5 AUG 1100 B.C.", 0}, {"5 MAY 0005 B.C.", 0},
               {"1100 BC", 0}, {"JULIAN 44 BCE", 0}, {"ABT 1401 bce", 0}, {"1401", 1401}});
}

// Julian and Gregorian years are taken as written; Hebrew and Republican
// dates give the Gregorian year they fall in, none when they straddle two.
TEST(DateYear, Calendars) {
  ExpectYears({{"@#DJULIAN@ 11 FEB 1731/32", 1731}, {"JULIAN 11 FEB 1731", 1731},
               {"@#DGREGORIAN@ 1 JAN 1850", 1850}, {"GREGORIAN 1850", 1850},
               {"@#DROMAN@ 2500", 0}, {"@#DUNKNOWN@ 1850", 0}, {"_MAYA 1850", 0}});
  // Tevet 5758 began on 30 December 1997; Adar II is only in leap years.
  ExpectYears({{"@#DHEBREW@ 2 TVT 5758", 1997}, {"HEBREW 3 TVT 5758", 1998}, {"2 TVT 5758", 1997},
               {"HEBREW TVT 5758", 0}, {"HEBREW SHV 5758", 1998}, {"HEBREW 5758", 0},
               {"HEBREW 1 TSH 5785", 2024}, {"HEBREW 1 ADR 5785", 2025}, {"HEBREW ADS 5784", 2024},
               {"HEBREW ADS 5785", 0}, {"HEBREW 30 TVT 5758", 0},
               {"FROM 25 SVN 5757 TO 26 IYR 5757", 1997}, {"HEBREW 1 JAN 5758", 0}});
  // Year I began on 22 September 1792; 1 January 1798 was 12 Nivose VI and
  // 1 January 1806, the calendar's last day, 11 Nivose XIV.
  ExpectYears({{"@#DFRENCH R@ 1 VEND 0001", 1792}, {"FRENCH_R 11 NIVO 0006", 1797},
               {"FRENCH_R 12 NIVO 0006", 1798}, {"11 NIVO 0006", 1797}, {"5 VEND 0010", 1801},
               {"FRENCH_R 18 BRUM 8", 1799}, {"FRENCH_R 10 NIVO 0014", 1805},
               {"FRENCH_R 11 NIVO 0014", 1806}, {"FRENCH_R NIVO 0006", 0}, {"FRENCH_R PLUV 0006", 1798},
               {"FRENCH_R 6 COMP 0003", 1795}, {"FRENCH_R 6 COMP 0004", 0}, {"FRENCH_R 0006", 0},
               {"FRENCH_R 1 VEND 0015", 0}});
}

// An interpreted date gives the year of its date; a phrase alone gives
// none from its words, unless it holds nothing but a date.
TEST(DateYear, PhrasesAndInterpretedDates) {
  ExpectYears({{"INT 1850 (about then)", 1850}, {"INT 31 DEC 1997 (a test)", 1997},
               {"INT 2 TVT 5758 (interpreted Hebrew date)", 1997}, {"(born about 1850)", 0},
               {"(No idea of the date)", 0}, {"(12 MAR 1850)", 1850}, {"1 JAN 1850 (baptised 1851)", 1850},
               {"ABT 1850 (perhaps 1851)", 1850}, {"((1850))", 0}});
  EXPECT_EQ(DateYear(std::string(100000, '(') + std::string(100000, ')')), 0);  // no deep recursion
}

// A day and a month without a year give no year, not the day.
TEST(DateYear, DayAndMonthAlone) {
  ExpectYears({{"26 Oct", 0}, {"10 JAN", 0}, {"Aug", 0}, {"ABT 6 MAY", 0}});
}

TEST(ReplaceAll, TrimsAndNeverLoops) {
  EXPECT_EQ(ReplaceAll(" ABT. 1850 ", ".", ""), "ABT 1850");
  EXPECT_EQ(ReplaceAll("say \"hi\"", "\"", "'"), "say 'hi'");
  EXPECT_EQ(ReplaceAll("  x  ", "", "y"), "x");
  EXPECT_EQ(ReplaceAll("a.b", ".", ".."), "a..b");
}

}  // namespace
}  // namespace kinsheet::testing
