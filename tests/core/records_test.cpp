#include <gtest/gtest.h>

#include <unordered_map>

#include "records/work_records.h"
#include "support/fixtures.h"

namespace kinsheet {
namespace {

using testing::Ged;
using testing::ReadBytes;
using testing::Session;

// Offsets of the individual record as stored on disk.
TEST(WorkRecords, IndividualLayoutByteForByte) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I12@ INDI", "1 NAME John /Smith/", "1 SEX MALE", "1 TITL Sir",
                        "1 BIRT", "2 DATE 1 JAN 1900", "2 PLAC York", "1 BURI", "2 PLAC Hull",
                        "1 FAMC @F9@", "1 FAMS @F1@", "1 FAMS @F2@", "1 FAMS @F3@",
                        "1 FAMS @F4@"})),
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
}

TEST(WorkRecords, FamilyLayoutByteForByte) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I1@ INDI", "0 @F7@ FAM", "1 HUSB @I1@", "1 WIFE @I2@", "1 MARR",
                        "2 DATE 2 FEB 1920", "2 PLAC Rome", "1 CHIL @I3@", "1 CHIL @I4@"})),
            LoadOutcome::kLoaded);
  const std::string rec = ReadBytes(s.state.FamilyWorkFile());
  ASSERT_EQ(rec.size(), 274u);
  EXPECT_EQ(rec.substr(0, 24), "F7" + std::string(22, ' '));
  EXPECT_EQ(rec.substr(24, 24), "I1" + std::string(22, ' '));
  EXPECT_EQ(rec.substr(48, 24), "I2" + std::string(22, ' '));
  EXPECT_EQ(rec.substr(72, 100), "2 FEB 1920" + std::string(90, ' '));
  EXPECT_EQ(rec.substr(172, 100), "Rome" + std::string(96, ' '));
  EXPECT_EQ(rec.substr(272, 2), std::string("\x02\x00", 2));
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

// Ids, extras and first matches hold across the table's chunks and every
// growth of its index. A plain map that keeps the
// first entry of each id says what a scan from entry 1 would find.
TEST(IdTable, GrowsWithoutLosingOrReorderingEntries) {
  constexpr std::int32_t kEntries = 200002;
  // Every third entry repeats an id from a third of the way back.
  const auto id_of = [](std::int32_t n) { return "F" + std::to_string(n % 3 == 0 ? n / 3 : n); };
  IdTable t(2);
  std::unordered_map<std::string, std::int32_t> first;
  for (std::int32_t n = 1; n <= kEntries; ++n) {
    t.Append(id_of(n));
    first.emplace(id_of(n), n);
    t.SetExtra(n, 1, "H" + std::to_string(n));
    t.SetExtra(n, 2, "W" + std::to_string(n));
  }
  ASSERT_EQ(t.fill(), kEntries);
  for (std::int32_t n = 1; n <= kEntries; ++n) {
    ASSERT_EQ(t.Find(id_of(n), kEntries), first.at(id_of(n))) << n;
    ASSERT_EQ(TrimSpaces(t.Id(n)), id_of(n)) << n;
    ASSERT_EQ(TrimSpaces(t.Extra(n, 1)), "H" + std::to_string(n)) << n;
    ASSERT_EQ(TrimSpaces(t.Extra(n, 2)), "W" + std::to_string(n)) << n;
  }
  EXPECT_EQ(t.Find("F200002", 200001), std::nullopt);  // beyond the count
  EXPECT_EQ(t.Find("F200003", kEntries), std::nullopt);
}

}  // namespace
}  // namespace kinsheet
