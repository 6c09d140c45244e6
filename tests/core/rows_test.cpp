#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "export/columns.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

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
  std::map<int, std::string> Row(std::int32_t n) {
    WorkFiles files = OpenWorkFiles(s.state, s.ws);
    ExportRow row;
    AssembleRow(s.state, files, n, 3, row);
    std::map<int, std::string> out;
    for (const auto& v : row) out[v.position] = v.value;
    return out;
  }

  Session s;
};

TEST_F(Rows, LookupsThroughFamiliesAndIds) {
  // A person, then values by catalogue position with every box ticked.
  struct Case {
    std::int32_t person;
    std::map<int, std::string> values;
    const char* why;
  };
  const Case cases[] = {
      {3, {{18, "F1"}, {19, "I1"}, {20, "Adam  Hill"}, {21, "I2"}, {22, "Beth  Hill"}}, "parents through FAMC"},
      {11, {{20, "Ed  Lone"}, {21, ""}, {22, ""}}, "a family without a wife: father only"},
      {5, {{18, "F99"}, {19, ""}, {20, ""}}, "a dangling FAMC"},
      {1, {{24, "I2"}, {25, "Beth  Hill"}, {26, "1 JAN 1900"}, {27, "Bath"}, {28, "1"}}, "the other partner"},
      {2, {{24, "I1"}, {25, "Adam  Hill"}}, "the wife gets the husband"},
      {9, {{24, "I1"}, {25, "Adam  Hill"}}, "neither partner: the husband"},
      {4, {{23, "F2"}, {24, ""}, {25, ""}, {26, "1910"}, {28, "2"}},
       "a missing partner never borrows the name of Nobody Noid, whose id is empty too"},
      {5, {{23, "F98"}, {24, ""}, {28, ""}, {29, "F2"}, {30, "I5"}, {31, "Ed  Lone"}, {32, "1910"}},
       "a family not found has no count at all; the second marriage is filled"},
      {8, {{23, "F4"}, {24, ""}, {29, "F5"}, {34, "0"}, {35, "F3"}, {36, "I7"}, {37, "First  Dup"}, {38, "1930"}},
       "the fourth link replaced the third; the first F3 and the first I7 win"},
  };
  s.TickAll();
  for (const Case& c : cases) {
    auto row = Row(c.person);
    for (const auto& [position, value] : c.values) EXPECT_EQ(row[position], value) << c.why << ", column " << position;
  }
}

// GEDCOM 7's "@VOID@" says a link is known not to exist: it takes no
// marriage slot, counts as no child and never names a family or a spouse.
TEST(VoidLinks, AreNoLinksAnywhere) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 HEAD", "1 GEDC", "2 VERS 7.0", "0 @I1@ INDI", "1 NAME Al /Void/", "1 FAMC @VOID@",
                        "1 FAMS @VOID@", "1 FAMS @F1@", "0 @I2@ INDI", "1 NAME Bo /Void/", "1 FAMS @F1@",
                        "0 @F1@ FAM", "1 HUSB @I1@", "1 WIFE @VOID@", "1 CHIL @VOID@", "1 CHIL @I3@", "1 MARR",
                        "2 DATE 1900", "0 @F2@ FAM", "1 HUSB @VOID@", "1 WIFE @I2@", "0 TRLR"})),
            LoadOutcome::kLoaded);
  EXPECT_TRUE(s.ws.MessageTexts().empty());
  EXPECT_EQ(s.state.counters[6], 2);  // FAMS lines that are links
  s.TickAll();
  WorkFiles files = OpenWorkFiles(s.state, s.ws);
  ExportRow row;
  std::map<int, std::string> al, bo;
  AssembleRow(s.state, files, 1, 3, row);
  for (const auto& v : row) al[v.position] = v.value;
  AssembleRow(s.state, files, 2, 3, row);
  for (const auto& v : row) bo[v.position] = v.value;
  EXPECT_EQ(al[18], "");
  EXPECT_EQ(al[23], "F1");  // the first marriage, not VOID
  EXPECT_EQ(al[24], "");    // the wife is known not to exist
  EXPECT_EQ(al[26], "1900");
  EXPECT_EQ(al[28], "1");  // one child, not two
  EXPECT_EQ(al[29], "");
  EXPECT_EQ(bo[23], "F1");
  EXPECT_EQ(bo[24], "I1");
}

// Writers hand the same row to every call: a row after a wider one keeps
// nothing of it.
TEST_F(Rows, AReusedRowKeepsNothingOfAWiderOne) {
  s.Tick({14});  // marriage date only
  WorkFiles files = OpenWorkFiles(s.state, s.ws);
  ExportRow row;
  AssembleRow(s.state, files, 8, 3, row);
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[2].value, "1930");
  DeselectAll(s.state, s.ws);
  s.Tick({0});
  AssembleRow(s.state, files, 1, 3, row);
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].position, 3);
  EXPECT_EQ(row[0].value, "Hill");
}

// One person with every field filled, her parents and one marriage.
const std::vector<std::string> kEveryField = {
    "0 @I1@ INDI", "1 NAME Ann /Bee/", "2 NPFX Dr", "2 NSFX III", "2 NICK Nan", "1 TITL Lady",
    "1 SEX F", "1 BIRT", "2 DATE 1 JAN 1900", "2 PLAC Leeds", "1 CHR", "2 DATE 7 JAN 1900",
    "2 PLAC York", "1 DEAT", "2 DATE 1980", "2 PLAC Hull", "1 BURI", "2 DATE 1981", "2 PLAC Ripon",
    "1 FAMC @F1@", "1 FAMS @F2@",
    "0 @I2@ INDI", "1 NAME Carl /Bee/", "1 FAMS @F1@",
    "0 @I3@ INDI", "1 NAME Dora /Cole/", "1 FAMS @F1@",
    "0 @I4@ INDI", "1 NAME Eli /Fox/", "1 FAMS @F2@",
    "0 @F1@ FAM", "1 HUSB @I2@", "1 WIFE @I3@", "1 CHIL @I1@",
    "0 @F2@ FAM", "1 HUSB @I4@", "1 WIFE @I1@", "1 MARR", "2 DATE 1925", "2 PLAC Selby",
    "1 CHIL @I5@", "1 CHIL @I6@"};

TEST(FieldBoxes, EachBoxAloneGivesItsOwnColumns) {
  // Box, then the CSV caption line and Ann's line with only that box ticked.
  const std::tuple<int, const char*, const char*> kBoxes[] = {
      {0, R"("Surname")", R"("Bee")"},
      {1, R"("Given")", R"("Ann")"},
      {2, R"("Prefix")", R"("Dr")"},
      {3, R"("Suffix")", R"("III")"},
      {4, R"("Title")", R"("Lady")"},
      {5, R"("Nick")", R"("Nan")"},
      {6, R"("Bir_Date")", R"("1 JAN 1900")"},
      {7, R"("Bir_Place")", R"("Leeds")"},
      {8, R"("Chr_Date")", R"("7 JAN 1900")"},
      {9, R"("Chr_Place")", R"("York")"},
      {10, R"("Dea_Date")", R"("1980")"},
      {11, R"("Dea_Place")", R"("Hull")"},
      {12, R"("Brl_Date")", R"("1981")"},
      {13, R"("Brl_Place")", R"("Ripon")"},
      {14, R"("Mar_Date","Mar_Date 2","Mar_Date 3")", R"("1925","","")"},
      {15, R"("Mar_Place","Mar_Place 2","Mar_Place 3")", R"("Selby","","")"},
      {16, R"("INDI_ID")", R"("I1")"},
      {17, R"("Sex")", R"("F")"},
      {18, R"("Father")", R"("Carl  Bee")"},
      {19, R"("Mother")", R"("Dora  Cole")"},
      {20, R"("Spouse","Spouse 2","Spouse 3")", R"("Eli  Fox","","")"},
      {21, R"("#Ch","#Ch 2","#Ch 3")", R"("2","","")"},
      {22, R"("Father_ID")", R"("I2")"},
      {23, R"("Mother_ID")", R"("I3")"},
      {24, R"("Spouse_ID","Spouse_ID 2","Spouse_ID 3")", R"("I4","","")"},
      {25, R"("FullName")", R"("Ann  Bee")"},
      {26, R"("FAMC_ID")", R"("F1")"},
      {27, R"("FAMS_ID","FAMS_ID 2","FAMS_ID 3")", R"("F2","","")"},
  };
  Session s;
  ASSERT_EQ(s.Load(Ged(kEveryField)), LoadOutcome::kLoaded);
  for (const auto& [box, captions, values] : kBoxes) {
    DeselectAll(s.state, s.ws);
    s.Tick({box});
    const std::string name = "box" + std::to_string(box) + ".csv";
    ASSERT_TRUE(s.Export(3, name)) << box;
    const auto lines = CrLfLines(ReadBytes(s.dir.File(name)));
    ASSERT_EQ(lines.size(), 5u) << box;
    EXPECT_EQ(lines[0], captions) << "box " << box;
    EXPECT_EQ(lines[1], values) << "box " << box;
  }
}

}  // namespace
}  // namespace kinsheet::testing
