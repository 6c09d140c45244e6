// Who is presumed living, and what the private and leave-out options make
// of a small family, down to every column of every row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/columns.h"
#include "export/living.h"
#include "export/writers.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

constexpr int kThisYear = 2026;

std::string LivingData(const std::string& name) {
  return std::string(KINSHEET_SOURCE_DIR) + "/tests/living/" + name;
}

TEST(LivingRuleYear, ClosedRangesGiveTheirLaterYearOpenOnesAndCenturylessYearsNone) {
  const std::pair<const char*, int> cases[] = {
      {"AFT 1900", 0}, {"aft. 1900", 0}, {"AFTER 3 MAR 1900", 0}, {"FROM 1900", 0}, {"BET 1900", 0},
      {"JUN 95", 0},  // 1995 or 1895: unknown
      {"12 JUN 95", 0}, {"UNKNOWN", 0}, {"", 0}, {"FROM 1900 TO 1950", 1950}, {"BET 1900 AND 1950", 1950},
      {"bet. 1 JAN 1900 and 2 FEB 1950", 1950}, {"TO 1950", 1950}, {"BEF 1900", 1900}, {"ABT 1900", 1900},
      {"1750/51", 1750}, {"850", 850}};
  for (const auto& [date, year] : cases) EXPECT_EQ(LivingRuleYear(date), year) << date;
}

// One person per case, presumed living or not as the comment says.
const std::vector<std::string> kRuleCases = {
    "0 @A@ INDI", "1 DEAT", "2 DATE 1990",                      // 1 death date only: dead
    "0 @B@ INDI", "1 BURI", "2 PLAC Leeds",                     // 2 burial place only: dead
    "0 @C@ INDI", "1 DEAT Y",                                   // 3 the bare event: dead
    "0 @D@ INDI", "1 BURI",                                     // 4 a burial without details: dead
    "0 @E@ INDI", "1 BIRT", "2 DATE 1915",                      // 5 born 111 years ago: dead
    "0 @F@ INDI", "1 BIRT", "2 DATE 1917",                      // 6 born 109 years ago: living
    "0 @G@ INDI", "1 BIRT", "2 DATE 1916",                      // 7 exactly 110: dead
    "0 @H@ INDI", "1 CHR", "2 DATE 1 MAY 1900",                 // 8 christened only: dead
    "0 @J@ INDI", "1 NAME No /Dates/",                          // 9 no dates: living
    "0 @K@ INDI", "1 BIRT", "2 DATE 12 JUN 95",                 // 10 no year: living
    "0 @L@ INDI", "1 BIRT", "2 DATE AFT 1800",                  // 11 living
    "0 @M@ INDI", "1 BIRT", "2 DATE FROM 1800",                 // 12 living
    "0 @N@ INDI", "1 BIRT", "2 DATE BET 1800 AND 1850",         // 13 dead
    "0 @O@ INDI", "1 BIRT", "2 DATE BET 1800 AND 1990",         // 14 living
    "0 @P@ INDI", "1 BIRT", "2 DATE 1990", "1 CHR", "2 DATE 1900",  // 15 either year: dead
    "0 @Q@ INDI", "1 BIRT", "2 DATE 1970", "2 PLAC Hull",        // 16 living at 110
    "0 @R@ INDI", "1 DEAT", "2 PLAC York",                      // 17 death place only: dead
    "0 @S@ INDI", "1 BIRT", "2 DATE 2030",                      // 18 a year to come: living
};
const std::vector<bool> kLivingAt110 = {false, false, false, false, false, true,  false, false, true,
                                        true,  true,  true,  false, true,  false, true,  false, true};

class LivingRule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(s.Load(Ged(kRuleCases)), LoadOutcome::kLoaded);
    s.state.living = {LivingMode::kPrivate, 110, kThisYear};
  }
  std::vector<bool> Settled() {
    const LivingPlan& plan = SettleLiving(s.state, s.ws);
    std::vector<bool> out;
    for (std::int32_t n = 1; n <= s.state.work.individual_count; ++n) out.push_back(IsLiving(plan, n));
    return out;
  }
  Session s;
};

TEST_F(LivingRule, EachCaseAsTheYearsAndCurrentYearMove) {
  EXPECT_EQ(Settled(), kLivingAt110);
  s.state.living.years = 50;  // born 1970 is 56 years ago
  std::vector<bool> expected = kLivingAt110;
  expected[5] = false;   // 1917
  expected[15] = false;  // 1970; BET ... AND 1990 (36 years) stays living
  EXPECT_EQ(Settled(), expected);

  s.state.living.years = 110;
  s.state.living.current_year = 2027;  // 1917 turns 110
  expected = kLivingAt110;
  expected[5] = false;
  EXPECT_EQ(Settled(), expected);
}

TEST_F(LivingRule, IncludeSettlesNothingLeaveOutCountsTheRowsLeft) {
  s.state.living.mode = LivingMode::kInclude;
  const LivingPlan& plan = SettleLiving(s.state, s.ws);
  EXPECT_TRUE(plan.living.empty());
  EXPECT_EQ(plan.rows, 18);
  s.state.living.mode = LivingMode::kExclude;
  EXPECT_EQ(SettleLiving(s.state, s.ws).rows, 10);  // 8 of 18 living
}

TEST(LivingLoads, ANewLoadForgetsTheDeathsOfTheLastAndTheRecordsKeepTheirBytes) {
  Session s;
  s.state.living = {LivingMode::kPrivate, 110, kThisYear};
  ASSERT_EQ(s.Load(Ged({"0 @A@ INDI", "1 DEAT Y", "0 @B@ INDI", "1 BURI"})), LoadOutcome::kLoaded);
  EXPECT_FALSE(IsLiving(SettleLiving(s.state, s.ws), 1));
  ASSERT_EQ(s.Load(Ged({"0 @A@ INDI", "0 @B@ INDI"}), "second.ged"), LoadOutcome::kLoaded);
  const LivingPlan& plan = SettleLiving(s.state, s.ws);
  EXPECT_TRUE(IsLiving(plan, 1));
  EXPECT_TRUE(IsLiving(plan, 2));
  // The bare event is kept beside the record, never in it.
  Session a, b;
  ASSERT_EQ(a.Load(Ged({"0 @A@ INDI", "1 NAME A /B/", "1 DEAT Y"})), LoadOutcome::kLoaded);
  ASSERT_EQ(b.Load(Ged({"0 @A@ INDI", "1 NAME A /B/"})), LoadOutcome::kLoaded);
  EXPECT_EQ(ReadBytes(a.state.IndividualWorkFile()), ReadBytes(b.state.IndividualWorkFile()));
}

// The three-generation family: dead grandparents, a dead father married to
// a living mother, living grandchildren, one married to a living wife.
class LivingFamily : public ::testing::TestWithParam<LivingMode> {
 protected:
  void SetUp() override {
    ASSERT_EQ(s.LoadFile(LivingData("three_generations.ged")), LoadOutcome::kLoaded);
    s.TickAll();
    s.state.living = {GetParam(), 110, kThisYear};
  }
  std::string Expected() const {
    return ReadBytes(LivingData(std::string("expected_") + LivingModeName(GetParam()) + ".csv"));
  }
  Session s;
};

TEST_P(LivingFamily, EveryColumnOfEveryCsvRow) {
  ASSERT_TRUE(s.Export(3, "family.csv"));
  EXPECT_EQ(ReadBytes(s.dir.File("family.csv")), Expected());
}

TEST_P(LivingFamily, SettledBeforeTheFileIsChosen) {
  // Cancelling the save dialog still leaves the plan settled.
  s.ws.dialog_answers.push_back({true, ""});
  EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, 3));
  EXPECT_TRUE(s.state.living_plan.settled);
  EXPECT_EQ(s.state.living_plan.rows, GetParam() == LivingMode::kExclude ? 5 : 9);
}

INSTANTIATE_TEST_SUITE_P(Modes, LivingFamily,
                         ::testing::Values(LivingMode::kInclude, LivingMode::kPrivate, LivingMode::kExclude),
                         [](const auto& info) { return std::string(LivingModeName(info.param)); });

TEST(LivingPlanReuse, ChangingTheOptionSettlesAgain) {
  Session s;
  ASSERT_EQ(s.LoadFile(LivingData("three_generations.ged")), LoadOutcome::kLoaded);
  s.TickAll();
  s.state.living = {LivingMode::kInclude, 110, kThisYear};
  ASSERT_TRUE(s.Export(3, "include.csv"));
  s.state.living.mode = LivingMode::kPrivate;
  ASSERT_TRUE(s.Export(3, "private.csv"));
  EXPECT_EQ(ReadBytes(s.dir.File("private.csv")), ReadBytes(LivingData("expected_private.csv")));
  s.state.living.mode = LivingMode::kInclude;
  ASSERT_TRUE(s.Export(3, "include.csv"));
  EXPECT_EQ(ReadBytes(s.dir.File("include.csv")), ReadBytes(LivingData("expected_include.csv")));
  s.state.living.mode = LivingMode::kExclude;
  s.state.living.years = 20;  // everyone born before 2006 now counts as dead
  ASSERT_TRUE(s.Export(3, "exclude.csv"));
  EXPECT_EQ(CrLfLines(ReadBytes(s.dir.File("exclude.csv"))).size(), 8u);  // Ivy, Anna left out
  s.state.living.years = 110;
  ASSERT_TRUE(s.Export(3, "again.csv"));
  EXPECT_EQ(ReadBytes(s.dir.File("again.csv")), ReadBytes(LivingData("expected_exclude.csv")));
  s.state.living.current_year = 2100;  // Alice and Thomas past 110 by then
  ASSERT_TRUE(s.Export(3, "later.csv"));
  EXPECT_EQ(CrLfLines(ReadBytes(s.dir.File("later.csv"))).size(), 8u);
}

TEST(LivingProgress, CountsTheRowsWritten) {
  // Every third person has no dates: 450 people, 150 of them living. The
  // CSV writer shows its bar past 300 rows, so leaving out the living
  // brings this export under it.
  std::vector<std::string> lines;
  for (int i = 1; i <= 450; ++i) {
    lines.push_back("0 @I" + std::to_string(i) + "@ INDI");
    if (i % 3 != 0) lines.push_back("1 DEAT Y");
  }
  for (LivingMode mode : {LivingMode::kPrivate, LivingMode::kExclude}) {
    Session s;
    ASSERT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
    s.Tick({16});
    s.state.living = {mode, 110, kThisYear};
    s.ws.progress_steps = 0;
    ASSERT_TRUE(s.Export(3, "out.csv"));
    const bool exclude = mode == LivingMode::kExclude;
    EXPECT_EQ(CrLfLines(ReadBytes(s.dir.File("out.csv"))).size(), exclude ? 301u : 451u);
    // No bar for 300 rows; for 450, the reset to 0, then one step per row.
    EXPECT_EQ(s.ws.progress_steps, exclude ? 0 : 451);
    if (!exclude) {
      EXPECT_EQ(s.ws.progress_max, 450);
    }
  }
}

}  // namespace
}  // namespace kinsheet::testing
