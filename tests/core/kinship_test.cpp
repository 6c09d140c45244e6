// The "More fields": relationship words at their edges, every new column
// of a family built for the purpose, the private rule, and the direct line
// of a public file against a walk of its own up the FAMC links.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "export/columns.h"
#include "export/kinship.h"
#include "export/more_columns.h"
#include "export/xlsx_package.h"
#include "formats/jet/database_reader.h"
#include "formats/xls/workbook.h"
#include "support/fixtures.h"

#include <sqlite3.h>

namespace kinsheet::testing {
namespace {

TEST(RelationshipWords, LinesByDistanceAndSex) {
  struct Case {
    KinKind kind;
    int up, down;
    bool half;
    char sex;
    const char* words;
  };
  const Case cases[] = {
      {KinKind::kBlood, 0, 0, false, 'M', "self"},
      {KinKind::kBlood, 1, 0, false, 'M', "father"},
      {KinKind::kBlood, 1, 0, false, 'F', "mother"},
      {KinKind::kBlood, 1, 0, false, 'U', "parent"},
      {KinKind::kBlood, 2, 0, false, 'F', "grandmother"},
      {KinKind::kBlood, 3, 0, false, 'M', "great-grandfather"},
      {KinKind::kBlood, 4, 0, false, 'M', "2nd great-grandfather"},
      {KinKind::kBlood, 5, 0, false, ' ', "3rd great-grandparent"},
      {KinKind::kBlood, 0, 1, false, 'f', "daughter"},
      {KinKind::kBlood, 0, 2, false, 'M', "grandson"},
      {KinKind::kBlood, 0, 4, false, 'F', "2nd great-granddaughter"},
      {KinKind::kBlood, 0, 3, false, ' ', "great-grandchild"},
      {KinKind::kBlood, 1, 1, false, 'M', "brother"},
      {KinKind::kBlood, 1, 1, true, 'F', "half-sister"},
      {KinKind::kBlood, 1, 1, true, ' ', "half-sibling"},
      {KinKind::kBlood, 2, 1, false, 'M', "uncle"},
      {KinKind::kBlood, 3, 1, false, 'F', "great-aunt"},
      {KinKind::kBlood, 4, 1, false, 'F', "2nd great-aunt"},
      {KinKind::kBlood, 2, 1, false, ' ', "uncle or aunt"},
      {KinKind::kBlood, 2, 1, true, 'M', "half-uncle"},
      {KinKind::kBlood, 3, 1, true, 'F', "half-great-aunt"},
      {KinKind::kBlood, 1, 2, true, ' ', "half-nephew or half-niece"},
      {KinKind::kBlood, 2, 2, true, 'M', "1st cousin"},
      {KinKind::kBlood, 1, 2, false, 'F', "niece"},
      {KinKind::kBlood, 1, 3, false, 'M', "great-nephew"},
      {KinKind::kBlood, 1, 4, false, ' ', "2nd great-nephew or 2nd great-niece"},
      {KinKind::kBlood, 2, 2, false, 'M', "1st cousin"},
      {KinKind::kBlood, 2, 3, false, 'M', "1st cousin once removed"},
      {KinKind::kBlood, 4, 2, false, 'M', "1st cousin twice removed"},
      {KinKind::kBlood, 2, 5, false, 'F', "1st cousin 3 times removed"},
      {KinKind::kBlood, 3, 3, false, 'F', "2nd cousin"},
      {KinKind::kBlood, 13, 14, false, 'F', "12th cousin once removed"},
      {KinKind::kSpouse, 0, 0, false, 'M', "husband"},
      {KinKind::kSpouse, 0, 0, false, 'F', "wife"},
      {KinKind::kSpouse, 0, 0, false, ' ', "spouse"},
      {KinKind::kParentInLaw, 0, 0, false, 'F', "mother-in-law"},
      {KinKind::kChildInLaw, 0, 0, false, 'M', "son-in-law"},
      {KinKind::kSiblingInLaw, 0, 0, false, 'F', "sister-in-law"},
      {KinKind::kStepParent, 0, 0, false, 'M', "stepfather"},
      {KinKind::kStepChild, 0, 0, false, 'F', "stepdaughter"},
      {KinKind::kByMarriage, 0, 0, false, 'F', "relative by marriage"},
      {KinKind::kNone, 0, 0, false, 'F', ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RelationshipWords(c.kind, c.up, c.down, c.half, c.sex), c.words)
        << "up " << c.up << " down " << c.down << " sex " << c.sex;
  }
  const std::pair<int, const char*> ordinals[] = {{1, "1st"},    {2, "2nd"},    {3, "3rd"},   {4, "4th"},
                                                  {11, "11th"},  {12, "12th"},  {13, "13th"}, {21, "21st"},
                                                  {102, "102nd"}, {111, "111th"}, {113, "113th"}};
  for (const auto& [n, words] : ordinals) EXPECT_EQ(Ordinal(n), words);
}

TEST(AgeAtDeath, ExactOnlyToTheDay) {
  const struct {
    const char* birth;
    const char* death;
    const char* age;
  } cases[] = {
      {"23 MAY 1950", "22 MAY 2020", "69"},
      {"23 MAY 1950", "23 MAY 2020", "70"},
      {"23/05/1817", "1 JAN 1900", "82"},
      {"1817-05-23", "1900-05-22", "82"},
      {"ABT 1920", "1990", "~70"},
      {"1920", "12 MAR 1990", "~70"},
      {"3/4/1901", "5 APR 1950", "~49"},  // day and month cannot be told apart
      {"BET 1900 AND 1910", "1950", "~40"},
      {"EST 1800", "AFT 1850", "~50"},
      {"", "1950", ""},
      {"1900", "", ""},
      {"1950", "1900", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(AgeAtDeath(c.birth, c.death), c.age) << c.birth << " / " << c.death;
}

TEST(RootId, TypedWithOrWithoutAts) {
  EXPECT_EQ(RootIdFrom("@I1@"), "I1");
  EXPECT_EQ(RootIdFrom(" I1 "), "I1");
  EXPECT_EQ(RootIdFrom("@ I7 @"), "I7");
  EXPECT_EQ(RootIdFrom("@@"), "");
}

// Three generations each way from I1; a half-brother (I5) through the
// mother, whose second husband (I14) is a stepfather; I1 married his first
// cousin I15; I21 is their adopted daughter, a child of two families; a
// niece (I28) named only by her FAMC, and a stranger.
const std::vector<std::string> kFamily = {
    "0 HEAD", "1 GEDC", "2 VERS 5.5.1", "1 CHAR UTF-8",
    "0 @I1@ INDI", "1 NAME Root /Hill/", "1 SEX M", "1 BIRT", "2 DATE 23 MAY 1950", "1 DEAT",
    "2 DATE 22 MAY 2020", "1 OCCU Farmer", "1 OCCU Miller", "1 RELI Methodist", "1 RESI", "2 PLAC York",
    "1 RESI", "2 PLAC Leeds", "1 FAMC @F1@", "1 FAMS @F4@",
    "0 @I2@ INDI", "1 NAME Frank /Hill/", "1 SEX M", "1 BIRT", "2 DATE ABT 1920", "1 DEAT", "2 DATE 1990",
    "1 RESI Farm cottage", "1 RESI", "2 PLAC Hull", "1 RESI Mill house", "1 FAMC @F8@", "1 FAMS @F1@",
    "0 @I3@ INDI", "1 NAME Mary /Dale/", "1 SEX F", "1 BIRT", "2 DATE 1925", "1 DEAT", "1 FAMC @F2@",
    "1 FAMS @F1@", "1 FAMS @F3@",
    "0 @I4@ INDI", "1 NAME Sue /Hill/", "1 SEX F", "1 DEAT Y", "1 FAMC @F1@", "1 FAMS @F13@",
    "0 @I5@ INDI", "1 NAME Hal /Pike/", "1 SEX M", "1 DEAT Y", "1 FAMC @F3@",
    "0 @I6@ INDI", "1 NAME Mat /Dale/", "1 SEX M", "1 DEAT Y", "1 FAMS @F2@",
    "0 @I7@ INDI", "1 NAME Meg /Rowe/", "1 SEX F", "1 DEAT Y", "1 FAMC @F11@", "1 FAMS @F2@",
    "0 @I8@ INDI", "1 NAME Pat /Hill/", "1 SEX M", "1 CHR", "2 DATE 1890", "1 BURI", "2 DATE 1960",
    "1 FAMC @F10@", "1 FAMS @F8@",
    "0 @I9@ INDI", "1 NAME Peg /Vane/", "1 SEX F", "1 DEAT Y", "1 FAMS @F8@",
    "0 @I10@ INDI", "1 NAME Old /Hill/", "1 SEX M", "1 DEAT Y", "1 FAMS @F10@",
    "0 @I11@ INDI", "1 NAME Ola /Cobb/", "1 SEX F", "1 DEAT Y", "1 FAMS @F10@",
    "0 @I12@ INDI", "1 NAME Ann /Hill/", "1 SEX F", "1 DEAT Y", "1 FAMC @F8@", "1 FAMS @F9@",
    "0 @I13@ INDI", "1 NAME Ned /Ford/", "1 SEX M", "1 DEAT Y", "1 FAMS @F9@",
    "0 @I14@ INDI", "1 NAME Stan /Pike/", "1 SEX M", "1 DEAT Y", "1 FAMS @F3@",
    "0 @I15@ INDI", "1 NAME Cora /Ford/", "1 SEX F", "1 DEAT Y", "1 FAMC @F9@", "1 FAMS @F4@",
    "0 @I16@ INDI", "1 NAME Gus /Rowe/", "1 SEX M", "1 DEAT Y", "1 FAMS @F11@",
    "0 @I17@ INDI", "1 NAME Gwen /Lee/", "1 SEX F", "1 DEAT Y", "1 FAMS @F11@",
    "0 @I20@ INDI", "1 NAME Sam /Hill/", "1 SEX M", "1 BIRT", "2 DATE 23/05/1975", "1 DEAT",
    "2 DATE 1 JAN 2000", "1 FAMC @F4@", "1 FAMS @F5@",
    "0 @I21@ INDI", "1 NAME Ada /Hill/", "1 SEX F", "1 DEAT Y", "1 FAMC @F4@", "2 PEDI adopted",
    "1 FAMC @F12@", "2 PEDI birth",
    "0 @I22@ INDI", "1 NAME Dot /Moss/", "1 SEX F", "1 DEAT Y", "1 FAMS @F5@",
    "0 @I23@ INDI", "1 NAME Tim /Hill/", "1 SEX M", "1 BIRT", "2 DATE 2001", "1 FAMC @F5@", "1 FAMS @F6@",
    "0 @I24@ INDI", "1 NAME Kit /Hill/", "1 DEAT Y", "1 FAMC @F6@",
    "0 @I25@ INDI", "1 NAME Bob /Kerr/", "1 SEX M", "1 DEAT Y", "1 FAMS @F12@",
    "0 @I26@ INDI", "1 NAME Bea /Kerr/", "1 SEX F", "1 DEAT Y", "1 FAMS @F12@",
    "0 @I27@ INDI", "1 NAME Ben /Birch/", "1 SEX M", "1 DEAT Y", "1 FAMS @F13@",
    "0 @I28@ INDI", "1 NAME Nan /Birch/", "1 SEX F", "1 DEAT Y", "1 FAMC @F13@",
    "0 @I30@ INDI", "1 NAME Zed /Stray/", "1 SEX M", "1 DEAT Y",
    "0 @F1@ FAM", "1 HUSB @I2@", "1 WIFE @I3@", "1 CHIL @I1@", "1 CHIL @I4@",
    "0 @F2@ FAM", "1 HUSB @I6@", "1 WIFE @I7@", "1 CHIL @I3@",
    "0 @F3@ FAM", "1 HUSB @I14@", "1 WIFE @I3@", "1 CHIL @I5@",
    "0 @F4@ FAM", "1 HUSB @I1@", "1 WIFE @I15@", "1 CHIL @I20@", "1 CHIL @I21@",
    "0 @F5@ FAM", "1 HUSB @I20@", "1 WIFE @I22@", "1 CHIL @I23@",
    "0 @F6@ FAM", "1 HUSB @I23@", "1 CHIL @I24@",
    "0 @F8@ FAM", "1 HUSB @I8@", "1 WIFE @I9@", "1 CHIL @I2@", "1 CHIL @I12@",
    "0 @F9@ FAM", "1 HUSB @I13@", "1 WIFE @I12@", "1 CHIL @I15@",
    "0 @F10@ FAM", "1 HUSB @I10@", "1 WIFE @I11@", "1 CHIL @I8@",
    "0 @F11@ FAM", "1 HUSB @I16@", "1 WIFE @I17@", "1 CHIL @I7@",
    "0 @F12@ FAM", "1 HUSB @I25@", "1 WIFE @I26@", "1 CHIL @I21@",
    "0 @F13@ FAM", "1 HUSB @I27@", "1 WIFE @I4@",
    "0 TRLR",
};

// The values of one CSV line, quotes taken off.
std::vector<std::string> CsvValues(const std::string& line) {
  std::vector<std::string> out;
  std::string value;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      out.push_back(value);
      value.clear();
    } else if (c != '\r') {
      value.push_back(c);
    }
  }
  out.push_back(value);
  return out;
}

// Rows of a CSV export by INDI_ID (its first column), with the captions.
struct CsvTable {
  std::vector<std::string> captions;
  std::map<std::string, std::vector<std::string>> rows;
};

CsvTable ReadCsv(const std::string& path) {
  CsvTable t;
  std::istringstream in(ReadBytes(path));
  std::string line;
  std::getline(in, line);
  t.captions = CsvValues(line);
  while (std::getline(in, line)) {
    if (line.empty() || line == "\r") continue;
    const std::vector<std::string> v = CsvValues(line);
    t.rows[v[0]] = v;
  }
  return t;
}

class KinshipFamily : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(s.Load(Ged(kFamily)), LoadOutcome::kLoaded); }
  CsvTable ExportWith(const std::string& root) {
    s.Tick({16});
    for (int box = kFieldCount; box < kAllFieldCount; ++box) s.Tick({box});
    s.state.root_id = root;
    EXPECT_TRUE(s.Export(3, "kin.csv"));
    return ReadCsv(s.dir.File("kin.csv"));
  }
  Session s;
};

TEST_F(KinshipFamily, EveryNewColumnOfEveryRow) {
  const CsvTable t = ExportWith("@I1@");
  ASSERT_EQ(t.captions,
            (std::vector<std::string>{"INDI_ID", "Relationship", "Generation", "Ahnentafel", "Direct_Line",
                                      "Common_Ancestor", "Birth_Year", "Death_Year", "Age_At_Death", "Occupation",
                                      "Religion", "Residence", "Spouses", "Children"}));
  // INDI_ID, then the 13 columns in order.
  const std::vector<std::vector<std::string>> expected = {
      {"I1", "self", "0", "1", "R", "", "1950", "2020", "69", "Farmer; Miller", "Methodist", "Leeds", "1", "2"},
      {"I2", "father", "1", "2", "A", "", "1920", "1990", "~70", "", "", "Mill house", "1", "2"},
      {"I3", "mother", "1", "3", "A", "", "1925", "", "", "", "", "", "2", "3"},
      {"I4", "sister", "0", "", "", "I2+I3", "", "", "", "", "", "", "1", "1"},
      {"I5", "half-brother", "0", "", "", "I3", "", "", "", "", "", "", "0", "0"},
      {"I6", "grandfather", "2", "6", "A", "", "", "", "", "", "", "", "1", "1"},
      {"I7", "grandmother", "2", "7", "A", "", "", "", "", "", "", "", "1", "1"},
      {"I8", "grandfather", "2", "4", "A", "", "1890", "1960", "~70", "", "", "", "1", "2"},
      {"I9", "grandmother", "2", "5", "A", "", "", "", "", "", "", "", "1", "2"},
      {"I10", "great-grandfather", "3", "8", "A", "", "", "", "", "", "", "", "1", "1"},
      {"I11", "great-grandmother", "3", "9", "A", "", "", "", "", "", "", "", "1", "1"},
      {"I12", "aunt", "1", "", "", "I8+I9", "", "", "", "", "", "", "1", "1"},
      {"I13", "father-in-law", "", "", "", "", "", "", "", "", "", "", "1", "1"},
      {"I14", "stepfather", "", "", "", "", "", "", "", "", "", "", "1", "1"},
      {"I15", "1st cousin", "0", "", "", "I8+I9", "", "", "", "", "", "", "1", "2"},
      {"I16", "great-grandfather", "3", "14", "A", "", "", "", "", "", "", "", "1", "1"},
      {"I17", "great-grandmother", "3", "15", "A", "", "", "", "", "", "", "", "1", "1"},
      {"I20", "son", "-1", "", "D", "", "1975", "2000", "24", "", "", "", "1", "1"},
      {"I21", "adopted daughter", "", "", "", "", "", "", "", "", "", "", "0", "0"},
      {"I22", "daughter-in-law", "", "", "", "", "", "", "", "", "", "", "1", "1"},
      {"I23", "grandson", "-2", "", "D", "", "2001", "", "", "", "", "", "1", "1"},
      {"I24", "great-grandchild", "-3", "", "D", "", "", "", "", "", "", "", "0", "0"},
      {"I25", "relative by marriage", "", "", "", "", "", "", "", "", "", "", "1", "1"},
      {"I26", "relative by marriage", "", "", "", "", "", "", "", "", "", "", "1", "1"},
      {"I27", "brother-in-law", "", "", "", "", "", "", "", "", "", "", "1", "1"},
      {"I28", "niece", "-1", "", "", "I2+I3", "", "", "", "", "", "", "0", "0"},
      {"I30", "", "", "", "", "", "", "", "", "", "", "", "0", "0"},
  };
  ASSERT_EQ(t.rows.size(), expected.size());
  for (const auto& want : expected) {
    const auto it = t.rows.find(want[0]);
    ASSERT_NE(it, t.rows.end()) << want[0];
    for (std::size_t c = 1; c < want.size(); ++c) {
      EXPECT_EQ(it->second[c], want[c]) << want[0] << " " << t.captions[c];
    }
  }
}

TEST_F(KinshipFamily, FromTheChildOfTheCousinMarriage) {
  // I20's parents are first cousins: I8 and I9 are his great-grandparents
  // twice over, numbered by the smaller way (through the father).
  const CsvTable t = ExportWith("I20");
  const std::vector<std::vector<std::string>> expected = {
      // INDI_ID, Relationship, Generation, Ahnentafel, Direct_Line, Common_Ancestor
      {"I20", "self", "0", "1", "R", ""},
      {"I1", "father", "1", "2", "A", ""},
      {"I15", "mother", "1", "3", "A", ""},
      {"I2", "grandfather", "2", "4", "A", ""},
      {"I13", "grandfather", "2", "6", "A", ""},
      {"I12", "grandmother", "2", "7", "A", ""},
      {"I8", "great-grandfather", "3", "8", "A", ""},
      {"I9", "great-grandmother", "3", "9", "A", ""},
      {"I10", "2nd great-grandfather", "4", "16", "A", ""},
      {"I16", "2nd great-grandfather", "4", "22", "A", ""},
      // Adopted by the parents: no blood tie, and none of the named ones.
      {"I21", "relative by marriage", "", "", "", ""},
      {"I4", "aunt", "1", "", "", "I2+I3"},
      {"I5", "half-uncle", "1", "", "", "I3"},
      {"I22", "wife", "", "", "", ""},
      {"I23", "son", "-1", "", "D", ""},
      {"I28", "1st cousin", "0", "", "", "I2+I3"},
  };
  for (const auto& want : expected) {
    const auto& row = t.rows.at(want[0]);
    for (std::size_t c = 1; c < want.size(); ++c) {
      EXPECT_EQ(row[c], want[c]) << want[0] << " " << t.captions[c];
    }
  }
}

TEST_F(KinshipFamily, NoRootLeavesTheKinshipColumnsEmpty) {
  const CsvTable t = ExportWith("");
  for (const auto& [id, row] : t.rows) {
    for (std::size_t c = 1; c <= 5; ++c) EXPECT_EQ(row[c], "") << id << " " << t.captions[c];
  }
  EXPECT_EQ(t.rows.at("I1")[9], "Farmer; Miller");
  EXPECT_EQ(t.rows.at("I3")[12], "2");
}

TEST(KinshipPrivate, PrivateRowKeepsOnlyWhereThePersonStands) {
  // The niece I28 without her death: presumed living, like I23 (born 2001).
  std::vector<std::string> lines = kFamily;
  const auto niece = std::find(lines.begin(), lines.end(), "0 @I28@ INDI");
  ASSERT_NE(niece, lines.end());
  lines.erase(std::find(niece, lines.end(), "1 DEAT Y"));
  Session s;
  ASSERT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
  s.state.living.mode = LivingMode::kPrivate;
  s.state.living.current_year = 2026;
  s.Tick({16});
  for (int box = kFieldCount; box < kAllFieldCount; ++box) s.Tick({box});
  s.state.root_id = "I1";
  ASSERT_TRUE(s.Export(3, "kin.csv"));
  const CsvTable t = ReadCsv(s.dir.File("kin.csv"));
  EXPECT_EQ(t.rows.at("I23"),
            (std::vector<std::string>{"I23", "grandson", "-2", "", "D", "", "", "", "", "", "", "", "", ""}));
  // Her common ancestors are her grandparents' ids: private too.
  EXPECT_EQ(t.rows.at("I28"),
            (std::vector<std::string>{"I28", "niece", "-1", "", "", "", "", "", "", "", "", "", "", ""}));
  // I3's bare DEAT is a death: all of her row stays.
  EXPECT_EQ(t.rows.at("I3")[1], "mother");
  EXPECT_EQ(t.rows.at("I3")[6], "1925");
  EXPECT_EQ(t.rows.at("I3")[12], "2");
}

TEST(KinshipTwoBirthFamilies, OnlyTheFirstNumbers) {
  // Two families both claim to be R's by birth (the second only by its
  // CHIL line): the parents of each are ancestors, but Ahnentafel numbers
  // follow the first family alone.
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @R@ INDI", "1 SEX M", "1 FAMC @F1@", "0 @A@ INDI", "1 SEX M",
                        "1 FAMS @F1@", "0 @B@ INDI", "1 SEX F", "1 FAMS @F1@", "0 @C@ INDI", "1 SEX M",
                        "1 FAMS @F2@", "0 @D@ INDI", "1 SEX F", "1 FAMS @F2@", "0 @F1@ FAM", "1 HUSB @A@",
                        "1 WIFE @B@", "1 CHIL @R@", "0 @F2@ FAM", "1 HUSB @C@", "1 WIFE @D@", "1 CHIL @R@"})),
            LoadOutcome::kLoaded);
  s.Tick({16, 28, 29, 30, 31});
  s.state.root_id = "R";
  ASSERT_TRUE(s.Export(3, "two.csv"));
  const CsvTable t = ReadCsv(s.dir.File("two.csv"));
  EXPECT_EQ(t.rows.at("A"), (std::vector<std::string>{"A", "father", "1", "2", "A"}));
  EXPECT_EQ(t.rows.at("B"), (std::vector<std::string>{"B", "mother", "1", "3", "A"}));
  EXPECT_EQ(t.rows.at("C"), (std::vector<std::string>{"C", "father", "1", "", "A"}));
  EXPECT_EQ(t.rows.at("D"), (std::vector<std::string>{"D", "mother", "1", "", "A"}));
}

// The years are numbers where the format has them; every format takes the
// new columns after the others.
TEST_F(KinshipFamily, YearsAreNumbersInXlsxXlsAndSqlite) {
  s.Tick({16, 28, 33, 34});
  s.state.root_id = "I1";
  ASSERT_TRUE(s.Export(6, "kin.sqlite"));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(s.dir.File("kin.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  std::vector<std::string> got;
  sqlite3_exec(
      db,
      "SELECT name || ' ' || type FROM pragma_table_info('tblKinsheet') UNION ALL "
      "SELECT INDI_ID || ' ' || Relationship || ' ' || typeof(Birth_Year) || ' ' || IFNULL(Birth_Year, '-') || "
      "' ' || typeof(Death_Year) FROM tblKinsheet WHERE INDI_ID IN ('I1', 'I3')",
      [](void* out, int, char** values, char**) {
        static_cast<std::vector<std::string>*>(out)->push_back(values[0]);
        return 0;
      },
      &got, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(got, (std::vector<std::string>{"INDI_ID TEXT", "Relationship TEXT", "Birth_Year INTEGER",
                                           "Death_Year INTEGER", "I1 self integer 1950 integer",
                                           "I3 mother integer 1925 null"}));

  ASSERT_TRUE(s.Export(5, "kin.xlsx"));
  XlsxPackage book(s.dir.File("kin.xlsx"));
  const std::string sheet = book.Read("xl/worksheets/sheet1.xml");
  // Row 2 is I1: text cells for the id and the relationship, numbers for
  // the years (a plain <v>, no string type).
  EXPECT_NE(sheet.find("<c r=\"C2\"><v>1950</v></c>"), std::string::npos) << sheet.substr(0, 2000);
  EXPECT_NE(sheet.find("<c r=\"D2\"><v>2020</v></c>"), std::string::npos);
  EXPECT_EQ(sheet.find("<c r=\"D4\""), std::string::npos) << "I3 has no death year: no cell";

  ASSERT_TRUE(s.Export(0, "kin.xls"));
  const xls::Workbook xls_book = xls::Workbook::Open(s.dir.File("kin.xls"));
  const xls::Worksheet& xls_sheet = xls_book.sheet(0);
  // Captions in row 1, an empty row 2, I1 from row 3 (index 2).
  EXPECT_EQ(xls_sheet.Text(0, 2), u"Birth_Year");
  EXPECT_EQ(xls_sheet.Text(2, 0), u"I1");
  EXPECT_EQ(xls_sheet.Text(2, 1), u"self");
  EXPECT_EQ(xls_sheet.Number(2, 2), 1950.0);
  EXPECT_EQ(xls_sheet.Number(2, 3), 2020.0);
  EXPECT_EQ(xls_sheet.Text(2, 2), u"");
  EXPECT_EQ(xls_sheet.Number(4, 2), 1925.0);  // I3
  EXPECT_EQ(xls_sheet.Number(4, 3), std::nullopt);
  EXPECT_EQ(xls_sheet.Number(2, 1), std::nullopt);

  ASSERT_TRUE(s.Export(4, "kin.txt"));
  const std::string text = ReadBytes(s.dir.File("kin.txt"));
  // The report pads the slots it does not use, as with any short choice.
  std::string caption = text.substr(0, text.find("\r\n"));
  caption.erase(caption.find_last_not_of(' ') + 1);
  EXPECT_EQ(caption, "INDI_ID  Relationship                    Birth_Year  Death_Year");
}

// Access: the years are Long Integer fields, a missing one NULL; in both
// database versions.
TEST_F(KinshipFamily, YearsAreLongIntegersInAccess) {
  s.Tick({16, 28, 33, 34});
  s.state.root_id = "I1";
  s.state.program_folder = KINSHEET_BIN_DIR;  // the Access templates
  for (const auto& [format, name] : {std::pair{std::int16_t{1}, "kin.mdb"}, std::pair{std::int16_t{2}, "kin95.mdb"}}) {
    ASSERT_TRUE(s.Export(format, name)) << s.ws.MessageTexts().back();
    const jet::DatabaseReader reader(s.dir.File(name));
    const auto table = reader.FindObject(u"tblKinsheet");
    ASSERT_TRUE(table) << name;
    const jet::TableShape shape = reader.Table(*table);
    ASSERT_EQ(shape.columns.size(), 4u);
    EXPECT_EQ(shape.columns[1].type, jet::kTypeText);
    EXPECT_EQ(shape.columns[2].type, jet::kTypeLong);
    EXPECT_EQ(shape.columns[3].type, jet::kTypeLong);
    std::vector<std::string> rows;
    reader.ForEachRow(*table, [&](const std::vector<jet::Cell>& cells) {
      const auto number = [](const jet::Cell& c) -> std::string {
        if (c.null) return "NULL";
        std::int32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v * 256 + static_cast<unsigned char>(c.bytes[static_cast<std::size_t>(i)]);
        return std::to_string(v);
      };
      if (rows.size() < 3) rows.push_back(number(cells[2]) + " " + number(cells[3]));
    });
    EXPECT_EQ(rows, (std::vector<std::string>{"1950 2020", "1920 1990", "1925 NULL"})) << name;
  }
}

TEST(KinshipTies, EqualStepsGoToFewerGenerationsUp) {
  // X is the child of R's sister S and of R's grandfather G: a nephew and
  // an uncle, three steps either way; the nephew counts.
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @R@ INDI", "1 SEX M", "1 FAMC @F1@", "0 @S@ INDI", "1 SEX F", "1 FAMC @F1@",
                        "1 FAMS @F3@", "0 @F@ INDI", "1 SEX M", "1 FAMC @F2@", "1 FAMS @F1@", "0 @G@ INDI",
                        "1 SEX M", "1 FAMS @F2@", "1 FAMS @F3@", "0 @X@ INDI", "1 SEX M", "1 FAMC @F3@",
                        "0 @F1@ FAM", "1 HUSB @F@", "1 CHIL @R@", "1 CHIL @S@", "0 @F2@ FAM", "1 HUSB @G@",
                        "1 CHIL @F@", "0 @F3@ FAM", "1 HUSB @G@", "1 WIFE @S@", "1 CHIL @X@"})),
            LoadOutcome::kLoaded);
  s.Tick({16, 28, 29, 32});
  s.state.root_id = "R";
  ASSERT_TRUE(s.Export(3, "tie.csv"));
  EXPECT_EQ(ReadCsv(s.dir.File("tie.csv")).rows.at("X"), (std::vector<std::string>{"X", "nephew", "-1", "F"}));
}

// Numbers survive the 70-row blocks of the .xls writer.
TEST(KinshipXls, NumbersInEveryBlock) {
  Session s;
  ASSERT_EQ(s.Load(People(150)), LoadOutcome::kLoaded);
  s.Tick({16, 33});
  ASSERT_TRUE(s.Export(0, "many.xls"));
  const xls::Workbook book = xls::Workbook::Open(s.dir.File("many.xls"));
  for (int person : {1, 70, 71, 140, 150}) {
    EXPECT_EQ(book.sheet(0).Number(static_cast<std::uint32_t>(person + 1), 1), 1800.0 + person % 150) << person;
  }
}

// The direct line of a deep public tree, checked against a walk of this
// test's own: every ancestor's shortest path up the FAMC links, and the
// smallest Sosa number among paths of that length, kept as bits.
struct Walked {
  std::map<std::string, int> generation;
  std::map<std::string, std::string> number;  // decimal
};

std::string BitsToDecimal(const std::string& bits) {
  std::string dec = "0";
  for (char b : bits) {
    int carry = b - '0';
    for (auto it = dec.rbegin(); it != dec.rend(); ++it) {
      const int v = (*it - '0') * 2 + carry;
      *it = static_cast<char>('0' + v % 10);
      carry = v / 10;
    }
    if (carry) dec.insert(dec.begin(), static_cast<char>('0' + carry));
  }
  return dec;
}

Walked WalkUp(const std::string& path, const std::string& root) {
  std::map<std::string, std::string> first_famc;  // person -> first FAMC
  std::map<std::string, std::pair<std::string, std::string>> parents;  // family -> husband, wife
  std::ifstream in(path);
  std::string line, person, family;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string level, a, b;
    words >> level >> a >> b;
    if (level == "0") {
      person = b == "INDI" ? a : "";
      family = b == "FAM" ? a : "";
    } else if (level == "1" && a == "FAMC" && !person.empty() && !first_famc.count(person)) {
      first_famc[person] = b;
    } else if (level == "1" && a == "HUSB" && !family.empty()) {
      parents[family].first = b;
    } else if (level == "1" && a == "WIFE" && !family.empty()) {
      parents[family].second = b;
    }
  }
  Walked w;
  std::map<std::string, std::string> level_bits = {{root, "1"}};
  for (int g = 0; !level_bits.empty(); ++g) {
    std::map<std::string, std::string> next;
    for (const auto& [who, bits] : level_bits) {
      w.generation[who] = g;
      w.number[who] = BitsToDecimal(bits);
      const auto famc = first_famc.find(who);
      if (famc == first_famc.end()) continue;
      const auto& [husband, wife] = parents[famc->second];
      for (const auto& [parent, bit] : {std::pair{husband, '0'}, std::pair{wife, '1'}}) {
        if (parent.empty() || w.generation.count(parent)) continue;
        const std::string candidate = bits + bit;
        auto it = next.find(parent);
        if (it == next.end() || candidate < it->second) next[parent] = candidate;
      }
    }
    for (auto it = next.begin(); it != next.end();) {
      it = (w.generation.count(it->first) || level_bits.count(it->first)) ? next.erase(it) : std::next(it);
    }
    level_bits.swap(next);
  }
  return w;
}

TEST(KinshipPublicFile, DirectLineMatchesAWalkUpTheFamcLinks) {
  KINSHEET_NEED_PUBLIC_GEDCOM();
  // Each file with the depth its first person's line reaches at least.
  for (const auto& [name, depth] : {std::pair{"royal92.ged", 20}, std::pair{"pres2020.ged", 5}}) {
    Session s;
    ASSERT_EQ(s.LoadFile(PublicGedcom(name)), LoadOutcome::kLoaded) << name;
    s.Tick({16, 29, 30, 31});
    s.state.root_id = "@I1@";
    ASSERT_TRUE(s.Export(3, "line.csv"));
    const CsvTable t = ReadCsv(s.dir.File("line.csv"));
    const Walked w = WalkUp(PublicGedcom(name), "@I1@");
    std::size_t ancestors = 0;
    int deepest = 0;
    for (const auto& [id, row] : t.rows) {
      if (row[3] != "A" && row[3] != "R") continue;
      ++ancestors;
      const std::string at = "@" + id + "@";
      ASSERT_TRUE(w.generation.count(at)) << name << " " << id;
      EXPECT_EQ(row[1], std::to_string(w.generation.at(at))) << name << " " << id;
      EXPECT_EQ(row[2], w.number.at(at)) << name << " " << id;
      deepest = std::max(deepest, w.generation.at(at));
    }
    EXPECT_EQ(ancestors, w.generation.size()) << name;
    EXPECT_GE(deepest, depth) << name << ": the root should have a deep line";
  }
}

}  // namespace
}  // namespace kinsheet::testing
