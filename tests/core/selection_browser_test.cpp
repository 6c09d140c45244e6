#include <gtest/gtest.h>

#include "records/dates.h"
#include "support/fixtures.h"

namespace kinsheet {
namespace {

using testing::Ged;
using testing::Session;

TEST(FieldBoxes, SpouseOptionFollowsBoxTwenty) {
  Session s;
  SetFieldBox(s.state, s.ws, 3, true);
  EXPECT_FALSE(s.state.selection.incl_spouse_enabled);
  SetFieldBox(s.state, s.ws, 20, true);
  EXPECT_TRUE(s.state.selection.incl_spouse_enabled);
  s.state.selection.incl_spouse = true;
  SetFieldBox(s.state, s.ws, 20, false);
  EXPECT_FALSE(s.state.selection.incl_spouse);
  EXPECT_FALSE(s.state.selection.incl_spouse_enabled);

  s.ws.calls.clear();
  SelectAll(s.state, s.ws);
  EXPECT_TRUE(s.state.selection.incl_spouse_enabled);
  for (bool t : s.state.selection.ticked) EXPECT_TRUE(t);
  EXPECT_EQ(s.ws.calls.front(), "Box0:1");
  DeselectAll(s.state, s.ws);
  EXPECT_FALSE(s.state.selection.Any());
  EXPECT_FALSE(s.state.selection.incl_spouse_enabled);
  EXPECT_FALSE(s.state.selection.incl_spouse);
}

TEST(DateYear, ExamplesAndRealForms) {
  const std::pair<const char*, int> cases[] = {
      {"ABT 1850", 1850}, {"Abt. 1850", 1850}, {"EST 1850", 1850}, {"(1850)", 1850},
      {"c1850", 1850}, {"BEF. 3 MAR 1850", 1850}, {"1 JAN 1850", 1850}, {"1750/51", 1750},
      {"BET 1850 AND 1860", 1860}, {"FROM 1850 TO 1860", 1860}, {"1850-1860", 1860},
      {"12 JUN 95", 0}, {"JUN 95", 95}, {"850", 850}, {"18500", 0}, {"", 0}, {"   ", 0},
      {"DECEASED", 0}, {"1 2", 0}, {"AFT 1900", 1900}, {"ABOUT 1701", 1701},
      {"INT 1850 (about then)", 1850}, {"CAL 1845", 1845}, {"12/03/1850", 12}, {"5 MAR 850", 850},
      {"@#DJULIAN@ 11 FEB 1731/32", 1731}, {"/1850", 1850}};
  for (const auto& [text, year] : cases) EXPECT_EQ(DateYear(text), year) << text;
}

TEST(ReplaceAll, TrimsAndNeverLoops) {
  EXPECT_EQ(ReplaceAll(" ABT. 1850 ", ".", ""), "ABT 1850");
  EXPECT_EQ(ReplaceAll("say \"hi\"", "\"", "'"), "say 'hi'");
  EXPECT_EQ(ReplaceAll("  x  ", "", "y"), "x");
  EXPECT_EQ(ReplaceAll("a.b", ".", ".."), "a..b");
}

std::vector<std::string> NumberedPeople(int count) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) {
    lines.push_back("0 @I" + std::to_string(i) + "@ INDI");
    lines.push_back("1 NAME Given" + std::to_string(i) + " /Sur" + std::to_string(i) + "/");
  }
  return lines;
}

TEST(Browser, PagesAndScrollRange) {
  Session s;
  ASSERT_EQ(s.Load(Ged(NumberedPeople(45))), LoadOutcome::kLoaded);
  EXPECT_EQ(s.state.scroll.min, 1);
  EXPECT_EQ(s.state.scroll.max, 26);
  EXPECT_TRUE(s.state.scroll.enabled);
  ASSERT_EQ(s.ws.list.size(), 20u);
  EXPECT_EQ(s.ws.list[0][2], "Sur1, Given1");
  SetScrollValue(s.state, s.ws, 26);
  ASSERT_EQ(s.ws.list.size(), 20u);
  EXPECT_EQ(s.ws.list.front()[2], "Sur26, Given26");
  EXPECT_EQ(s.ws.list.back()[2], "Sur45, Given45");

  // A page holds 20 people: the bar appears with the 21st.
  for (const int count : {7, 20, 21}) {
    Session few;
    ASSERT_EQ(few.Load(Ged(NumberedPeople(count))), LoadOutcome::kLoaded);
    EXPECT_EQ(few.ws.list.size(), static_cast<std::size_t>(std::min(count, 20))) << count;
    EXPECT_EQ(few.state.scroll.enabled, count > 20) << count;
    if (count > 20) {
      EXPECT_EQ(few.state.scroll.max, 2);
      SetScrollValue(few.state, few.ws, 2);
      EXPECT_EQ(few.ws.list.back()[2], "Sur21, Given21");
    }
  }
}

TEST(Browser, NamesAndYears) {
  Session s;
  ASSERT_EQ(s.Load(Ged({"0 @I1@ INDI", "1 NAME John /Smith/", "2 NSFX Jr", "1 BIRT", "2 DATE ABT 1850",
                        "1 DEAT", "2 DATE DECEASED", "0 @I2@ INDI", "0 @I3@ INDI", "1 NAME Mary"})),
            LoadOutcome::kLoaded);
  ASSERT_EQ(s.ws.list.size(), 3u);
  EXPECT_EQ(s.ws.list[0], (std::vector<std::string>{"1850", "", "Smith, John Jr"}));
  EXPECT_EQ(s.ws.list[1][2], ",");
  EXPECT_EQ(s.ws.list[2][2], ", Mary");
}

TEST(Browser, EveryPageReachableBeyond32767People) {
  Session s;
  ASSERT_EQ(s.Load(Ged(NumberedPeople(40000))), LoadOutcome::kLoaded);
  EXPECT_EQ(s.state.scroll.max, 40000 - 19);
  SetScrollValue(s.state, s.ws, s.state.scroll.max);
  ASSERT_EQ(s.ws.list.size(), 20u);
  EXPECT_EQ(s.ws.list.back()[2], "Sur40000, Given40000");
}

}  // namespace
}  // namespace kinsheet
