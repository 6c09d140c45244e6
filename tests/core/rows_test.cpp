#include <gtest/gtest.h>

#include <map>

#include "export/columns.h"
#include "support/fixtures.h"

namespace kinsheet {
namespace {

using testing::Ged;
using testing::Session;

// A family tree built for the lookups' corner cases.
const std::vector<std::string> kTree = {
    "0 @I1@ INDI", "1 NAME Adam /Hill/", "1 FAMS @F1@",                      // 1 husband
    "0 @I2@ INDI", "1 NAME Beth /Hill/", "1 FAMS @F1@",                      // 2 wife
    "0 @I3@ INDI", "1 NAME Cara /Hill/", "1 FAMC @F1@",                      // 3 child
    "0 @I5@ INDI", "1 NAME Ed /Lone/", "1 FAMS @F2@",                        // 4 no wife
    "0 @I6@ INDI", "1 NAME Fay /Gap/", "1 FAMC @F99@", "1 FAMS @F98@", "1 FAMS @F2@",  // 5
    "0 @I7@ INDI", "1 NAME First /Dup/", "1 FAMS @F3@",                      // 6
    "0 @I7@ INDI", "1 NAME Second /Dup/",                                    // 7 same id
    "0 @I8@ INDI", "1 NAME Gus /Many/", "1 FAMS @F4@", "1 FAMS @F5@", "1 FAMS @F6@",
    "1 FAMS @F3@",                                                           // 8 four links
    "0 @I9@ INDI", "1 NAME Ida /Odd/", "1 FAMS @F1@",                        // 9 neither partner
    "0 INDI", "1 NAME Nobody /Noid/",                                        // 10 no id
    "0 @I11@ INDI", "1 NAME Kid /Lone/", "1 FAMC @F2@",                      // 11 child of F2
    "0 @F1@ FAM", "1 HUSB @I1@", "1 WIFE @I2@", "1 MARR", "2 DATE 1 JAN 1900", "2 PLAC Bath",
    "1 CHIL @I3@",
    "0 @F2@ FAM", "1 HUSB @I5@", "1 MARR", "2 DATE 1910", "1 CHIL @I11@", "1 CHIL @I6@",
    "0 @F3@ FAM", "1 HUSB @I7@", "1 WIFE @I8@", "1 MARR", "2 DATE 1930",
    "0 @F3@ FAM", "1 HUSB @I9@", "1 MARR", "2 DATE 1999",                   // duplicate family id
    "0 @F4@ FAM", "1 WIFE @I8@", "1 MARR", "2 DATE 1904",
    "0 @F5@ FAM", "1 WIFE @I8@", "1 MARR", "2 DATE 1905",
};

class Rows : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(s.Load(Ged(kTree)), LoadOutcome::kLoaded); }

  // Values by catalogue position.
  std::map<int, std::string> Row(std::int32_t n, int marriages = 3) {
    WorkFiles files = OpenWorkFiles(s.state, s.ws);
    ExportRow row;
    AssembleRow(s.state, files, n, marriages, row);
    std::map<int, std::string> out;
    for (const auto& v : row) out[v.position] = v.value;
    return out;
  }

  Session s;
};

TEST_F(Rows, ParentsThroughTheChildFamily) {
  s.TickAll();
  auto r = Row(3);
  EXPECT_EQ(r[18], "F1");
  EXPECT_EQ(r[19], "I1");
  EXPECT_EQ(r[20], "Adam  Hill");
  EXPECT_EQ(r[21], "I2");
  EXPECT_EQ(r[22], "Beth  Hill");
  r = Row(11);  // a family without a wife: father only
  EXPECT_EQ(r[20], "Ed  Lone");
  EXPECT_EQ(r[21], "");
  EXPECT_EQ(r[22], "");
  r = Row(5);  // dangling FAMC
  EXPECT_EQ(r[18], "F99");
  EXPECT_EQ(r[19], "");
  EXPECT_EQ(r[20], "");
}

TEST_F(Rows, SpouseIsTheOtherPartner) {
  s.TickAll();
  auto r = Row(1);
  EXPECT_EQ(r[24], "I2");
  EXPECT_EQ(r[25], "Beth  Hill");
  EXPECT_EQ(r[26], "1 JAN 1900");
  EXPECT_EQ(r[27], "Bath");
  EXPECT_EQ(r[28], "1");
  r = Row(2);  // the wife gets the husband
  EXPECT_EQ(r[24], "I1");
  EXPECT_EQ(r[25], "Adam  Hill");
  r = Row(9);  // neither partner: the husband
  EXPECT_EQ(r[24], "I1");
  EXPECT_EQ(r[25], "Adam  Hill");
}

TEST_F(Rows, AMissingPartnerNeverBorrowsTheNameOfSomeoneWithoutAnId) {
  s.TickAll();
  auto r = Row(4);
  EXPECT_EQ(r[23], "F2");
  EXPECT_EQ(r[24], "");
  EXPECT_EQ(r[25], "");  // not "Nobody Noid", whose id is empty too
  EXPECT_EQ(r[26], "1910");
  EXPECT_EQ(r[28], "2");
}

TEST_F(Rows, DanglingFirstMarriageAndFilledSecond) {
  s.TickAll();
  auto r = Row(5);
  EXPECT_EQ(r[23], "F98");
  EXPECT_EQ(r[24], "");
  EXPECT_EQ(r[28], "");  // family not found: no count at all
  EXPECT_EQ(r[29], "F2");
  EXPECT_EQ(r[30], "I5");
  EXPECT_EQ(r[31], "Ed  Lone");
  EXPECT_EQ(r[32], "1910");
}

TEST_F(Rows, DuplicateIdsAndFourLinks) {
  s.TickAll();
  auto r = Row(8);
  EXPECT_EQ(r[23], "F4");
  EXPECT_EQ(r[29], "F5");
  EXPECT_EQ(r[35], "F3");  // the fourth link replaced the third
  EXPECT_EQ(r[38], "1930");  // the first F3 wins
  EXPECT_EQ(r[36], "I7");
  EXPECT_EQ(r[37], "First  Dup");  // the first I7 wins
  EXPECT_EQ(r[24], "");  // F4 has no husband
  EXPECT_EQ(r[34], "0");  // F5 has no children
}

TEST_F(Rows, PackedToTheTickedColumns) {
  s.Tick({14});  // marriage date only
  auto r = Row(8);
  EXPECT_EQ(r.size(), 3u);
  EXPECT_EQ(r[26], "1904");
  EXPECT_EQ(r[32], "1905");
  EXPECT_EQ(r[38], "1930");
  EXPECT_EQ(Row(8, 1).size(), 1u);  // the text report asks for one marriage

  // A row reused after a wider one keeps nothing of it.
  WorkFiles files = OpenWorkFiles(s.state, s.ws);
  ExportRow row;
  AssembleRow(s.state, files, 8, 3, row);
  ASSERT_EQ(row.size(), 3u);
  DeselectAll(s.state, s.ws);
  s.Tick({0});
  AssembleRow(s.state, files, 1, 3, row);
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].position, 3);
  EXPECT_EQ(row[0].value, "Hill");
}

TEST(ExportColumns, CaptionsOfEveryWriter) {
  EXPECT_STREQ(kExportColumns[9].Caption(CaptionSet::kText), "Birth");
  EXPECT_STREQ(kExportColumns[9].Caption(CaptionSet::kCsv), "Bir_Date");
  EXPECT_STREQ(kExportColumns[22].Caption(CaptionSet::kExcel), "FAMS_ID 1");
  EXPECT_STREQ(kExportColumns[27].Caption(CaptionSet::kAccess), "Ch_1");
  EXPECT_EQ(kExportColumns[28].text, nullptr);
  for (int i = 0; i < kColumnCount; ++i) EXPECT_EQ(kExportColumns[i].position, i + 1);
}

}  // namespace
}  // namespace kinsheet
