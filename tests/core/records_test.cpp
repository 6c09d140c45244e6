#include <gtest/gtest.h>

#include <cstring>

#include "records/dates.h"
#include "records/work_records.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

// Offsets of the individual and family records as stored on disk.
TEST(WorkRecords, LayoutByteForByte) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I12@ INDI", "1 NAME John /Smith/", "1 SEX MALE", "1 TITL Sir",
                        "1 BIRT", "2 DATE 1 JAN 1900", "2 PLAC York", "1 BURI", "2 PLAC Hull",
                        "1 FAMC @F9@", "1 FAMS @F1@", "1 FAMS @F2@", "1 FAMS @F3@",
                        "1 FAMS @F4@", "0 @F7@ FAM", "1 HUSB @I1@", "1 WIFE @I2@", "1 MARR", "2 DATE 2 FEB 1920",
                        "2 PLAC Rome", "1 CHIL @I3@", "1 CHIL @I4@"})),
            LoadOutcome::kLoaded);
  const std::string rec = ReadBytes(s.state.IndividualWorkFile());
  ASSERT_EQ(rec.size(), 1777u);
  auto field = [&](int offset, int width) { return rec.substr(offset, width); };
  auto padded = [](std::string v, int width) { return v + std::string(width - v.size(), ' '); };
  EXPECT_EQ(field(0, 24), padded("I12", 24));
  EXPECT_EQ(field(24, 14), padded("", 14));                   // Afn
  EXPECT_EQ(field(38, 120), padded("John  Smith", 120));      // FullName
  EXPECT_EQ(field(158, 120), padded("Smith", 120));           // Surname
  EXPECT_EQ(field(278, 120), padded("John", 120));            // GivenName
  EXPECT_EQ(field(398, 120), padded("Sir", 120));             // Title
  EXPECT_EQ(field(878, 1), "M");                              // Sex: first character
  EXPECT_EQ(field(879, 100), padded("1 JAN 1900", 100));      // BirthDate
  EXPECT_EQ(field(979, 100), padded("York", 100));            // BirthPlace
  EXPECT_EQ(field(1579, 100), padded("Hull", 100));           // BurialPlace
  EXPECT_EQ(field(1679, 24), padded("F9", 24));               // Famc
  EXPECT_EQ(field(1703, 24), padded("F1", 24));
  EXPECT_EQ(field(1727, 24), padded("F2", 24));
  EXPECT_EQ(field(1751, 24), padded("F4", 24));               // the fourth replaces the third
  EXPECT_EQ(rec.substr(1775, 2), std::string("\x04\x00", 2));  // FamsCount, little-endian
  EXPECT_EQ(s.state.counters[6], 4);

  const std::string fam = ReadBytes(s.state.FamilyWorkFile());
  ASSERT_EQ(fam.size(), 274u);
  EXPECT_EQ(fam.substr(0, 24), "F7" + std::string(22, ' '));
  EXPECT_EQ(fam.substr(24, 24), "I1" + std::string(22, ' '));
  EXPECT_EQ(fam.substr(48, 24), "I2" + std::string(22, ' '));
  EXPECT_EQ(fam.substr(72, 100), "2 FEB 1920" + std::string(90, ' '));
  EXPECT_EQ(fam.substr(172, 100), "Rome" + std::string(96, ' '));
  EXPECT_EQ(fam.substr(272, 2), std::string("\x02\x00", 2));
  EXPECT_EQ(s.state.work.family_index.Extra(1, 1).substr(0, 2), "I1");
}

TEST(WorkRecords, CutsAtTheWidthWithoutSplittingCharacters) {
  Session s;
  const std::string long_id(30, 'X');
  const std::string umlauts(70, 'a');  // then 30 two-byte characters: 130 bytes
  std::string name = umlauts;
  for (int i = 0; i < 30; ++i) name += "\xC3\xBC";
  ASSERT_EQ(s.Load(Ged({"0 @" + long_id + "@ INDI", "1 TITL " + name})), LoadOutcome::kLoaded);
  const std::string rec = ReadBytes(s.state.IndividualWorkFile());
  EXPECT_EQ(rec.substr(0, 24), std::string(24, 'X'));
  EXPECT_EQ(s.state.work.max_individual_id_length, 30);
  // 70 bytes and 25 two-byte characters fill the 120 bytes exactly.
  EXPECT_EQ(rec.substr(398, 120), umlauts + [] {
              std::string u;
              for (int i = 0; i < 25; ++i) u += "\xC3\xBC";
              return u;
            }());
  Session odd;
  ASSERT_EQ(odd.Load(Ged({"0 @I1@ INDI", "1 TITL " + std::string(119, 'a') + "\xC3\xBC"})),
            LoadOutcome::kLoaded);
  EXPECT_EQ(ReadBytes(odd.state.IndividualWorkFile()).substr(398, 120), std::string(119, 'a') + " ");
}

// The field ends a record keeps let readers skip the padding: they must
// give exactly what a scan of it gives, at every field width, for values
// cut at the width (inside a character too), values ending in spaces and
// a field set twice.
TEST(FieldEnds, GiveWhatAScanOfThePaddingGives) {
  const std::string u = "\xC3\xBC";
  const std::string values[] = {"", " ", "   ", "a", " a", "a ", "a b  ", std::string(13, 'a') + " x",
                                std::string(23, 'I'), std::string(24, 'I'), std::string(25, 'I'),
                                std::string(23, 'I') + " ", std::string(23, 'I') + u,
                                std::string(99, 'd') + " ", std::string(101, 'd'),
                                std::string(119, 'a'), std::string(120, 'a'), std::string(121, 'a'),
                                std::string(119, 'a') + " ", std::string(119, 'a') + u,
                                std::string(118, 'a') + u, std::string(120, ' ') + "x"};
  const IndiField fields[] = {IndiField::kIndiId, IndiField::kAfn, IndiField::kFullName,
                              IndiField::kSex, IndiField::kBirthPlace, IndiField::kFams3};
  const std::string full(130, 'z');  // every other field full: an end past the width shows
  for (const IndiField field : fields) {
    for (const std::string& before : {std::string(), full}) {
      for (const std::string& value : values) {
        IndividualRecord rec;
        for (int other = 0; other <= static_cast<int>(IndiField::kFams3); ++other) {
          rec.Set(static_cast<IndiField>(other), full);
        }
        rec.Set(field, before);
        rec.Set(field, value);
        ASSERT_NE(rec.Ends(), nullptr);
        const std::string_view scanned = TrimSpaces(rec.Raw(field));
        ASSERT_EQ(rec.Trimmed(field), scanned) << static_cast<int>(field) << " '" << value << "'";
        EXPECT_EQ(rec.IsBlank(field), scanned.empty());
        EXPECT_EQ(rec.Trimmed(IndiField::kTitle), rec.Raw(IndiField::kTitle));  // a neighbour
      }
    }
  }
}

// Bytes that come from outside (a record read from its file) are not
// described by the ends of what was there before.
TEST(FieldEnds, ForgottenWhenBytesAreWrittenFromOutside) {
  IndividualRecord rec;
  rec.Set(IndiField::kTitle, "Sir");
  ASSERT_NE(rec.Ends(), nullptr);
  const std::string longer = "Sir Walter";
  std::memcpy(rec.data() + SlotOf(IndiField::kTitle).offset, longer.data(), longer.size());
  EXPECT_EQ(rec.Ends(), nullptr);
  EXPECT_EQ(rec.Trimmed(IndiField::kTitle), longer);
  rec.Clear();
  EXPECT_NE(rec.Ends(), nullptr);
  EXPECT_EQ(rec.Trimmed(IndiField::kTitle), "");
}

// The load keeps each written record's ends under its own number: record
// n read with the kept ends reads as it does by scanning, for every field.
TEST(FieldEnds, KeptByRecordNumberForEveryWrittenRecord) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I1@ INDI", "1 NAME Ann /Bee /", "1 SEX F", "1 FAMS @F1@",
                        "0 @I2@ INDI", "1 NAME  Long " + std::string(130, 'L') + " /X/", "1 TITL Dr ",
                        "0 @I3@ INDI", "1 BIRT", "2 PLAC " + std::string(100, 'p'),
                        "0 @I4@ INDI", "1 NAME Dee /Bee/", "1 FAMC @F1@", "1 FAMS @F2@", "1 FAMS @F3@"})),
            LoadOutcome::kLoaded);
  File f = OpenFileRaw(s.state.IndividualWorkFile(), kModeRandom, kIndividualRecordLength);
  IndividualRecord scratch;
  for (std::int32_t n = 1; n <= 4; ++n) {
    ASSERT_NE(s.state.work.individual_ends.Find(n), nullptr) << n;
    const IndividualView kept = ViewIndividual(f, n, scratch.data(), s.state.work.individual_ends);
    const IndividualView scanned = ViewIndividual(f, n, scratch.data());
    for (int field = 0; field <= static_cast<int>(IndiField::kFams3); ++field) {
      const auto which = static_cast<IndiField>(field);
      EXPECT_EQ(kept.Trimmed(which), scanned.Trimmed(which)) << n << " " << field;
    }
  }
  EXPECT_EQ(s.state.work.individual_ends.Find(5), nullptr);
  EXPECT_EQ(s.state.work.individual_ends.Find(0), nullptr);
}

TEST(NameLines, FirstNameLineFillsTheNameFields) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I1@ INDI", "1 NAME John /Smith/", "2 GIVN Johann", "1 NAME Jack /Jones/",
                        "0 @I2@ INDI", "1 NAME John Smith", "0 @I3@ INDI", "1 NAME /Smith/",
                        "0 @I4@ INDI", "1 BAPM", "2 DATE 1800", "1 EVEN", "2 DATE 1801", "1 BIRT"})),
            LoadOutcome::kLoaded);
  IndividualRecord r;
  File f = OpenFileRaw(s.state.IndividualWorkFile(), kModeRandom, kIndividualRecordLength);
  f.GetRecord(1, r.data());
  EXPECT_EQ(r.Trimmed(IndiField::kGivenName), "Johann");
  EXPECT_EQ(r.Trimmed(IndiField::kSurname), "Smith");
  EXPECT_EQ(r.Trimmed(IndiField::kFullName), "John  Smith");
  f.GetRecord(2, r.data());
  EXPECT_EQ(r.Trimmed(IndiField::kGivenName), "John Smith");
  EXPECT_TRUE(r.IsBlank(IndiField::kSurname));
  f.GetRecord(3, r.data());
  EXPECT_TRUE(r.IsBlank(IndiField::kGivenName));
  EXPECT_EQ(r.Raw(IndiField::kFullName).substr(0, 6), " Smith");
  f.GetRecord(4, r.data());
  EXPECT_TRUE(r.IsBlank(IndiField::kChrDate));
  EXPECT_TRUE(r.IsBlank(IndiField::kBirthDate));
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
  EXPECT_EQ(t.Find("A1" + std::string(30, 'x'), 4), std::nullopt);  // longer than any stored id
  t.SetExtra(2, 1, "H");
  EXPECT_EQ(TrimSpaces(t.Extra(2, 1)), "H");
  EXPECT_EQ(t.Extra(2, 2), std::string(24, ' '));
  EXPECT_EQ(t.Id(7), std::string(24, ' '));  // never stored
  EXPECT_THROW(t.SetExtra(5, 1, "X"), std::out_of_range);
  t.Reset();
  EXPECT_EQ(t.fill(), 0);
  EXPECT_EQ(t.Find("A1", 4), std::nullopt);
  t.Append("Z9");  // the next load starts at entry 1 with blank extras
  EXPECT_EQ(t.Find("Z9", 1), 1);
  EXPECT_EQ(t.Extra(1, 1), std::string(24, ' '));
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
