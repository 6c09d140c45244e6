// A load over a loaded file, as the window runs it: cancelled in its dialog
// or while reading, the file before stays loaded, shown and exportable.
#include <gtest/gtest.h>

#include <filesystem>

#include "gedcom/reload.h"
#include "support/fixtures.h"
#include "ui/messages.h"

namespace kinsheet::testing {
namespace {

namespace fs = std::filesystem;

TEST(ReloadGedcom, ACancelledLoadKeepsTheFileBefore) {
  Session s;
  ASSERT_EQ(s.Load(People(45, "First"), "first.ged"), LoadOutcome::kLoaded);
  s.TickAll();
  SetScrollValue(s.state, s.ws, 11);
  ASSERT_TRUE(s.Export(3, "before.csv"));
  const std::string csv = ReadBytes(s.dir.File("before.csv"));
  const auto counters = s.ws.counters;
  const auto list = s.ws.list;
  const std::string caption = s.ws.caption;
  const std::string gedcom = s.state.gedcom_path;
  const std::string second = s.dir.File("second.ged");
  WriteBytes(second, People(20000, "Second"));

  struct Case {
    const char* name;
    bool answer;        // the dialog gives the second file
    int cancel_at_poll; // 0: never
    LoadOutcome outcome;
  };
  for (const Case& c : {Case{"dialog cancelled", false, 0, LoadOutcome::kCancelled},
                        Case{"cancelled while reading", true, 3, LoadOutcome::kInterrupted}}) {
    SCOPED_TRACE(c.name);
    s.ws = ScriptedWindowServices();
    if (c.answer) s.ws.AnswerOpen(second);
    s.ws.cancel_at_poll = c.cancel_at_poll;
    ASSERT_EQ(ReloadGedcom(s.state, s.ws), c.outcome);
    EXPECT_EQ(s.state.work.individual_count, 45);
    EXPECT_EQ(s.state.gedcom_path, gedcom);
    if (c.cancel_at_poll > 0) {
      // The window, cleared by the stop, shows the old file again.
      EXPECT_EQ(s.ws.counters, counters);
      EXPECT_EQ(s.ws.list, list);
      EXPECT_EQ(s.ws.caption, caption);
      EXPECT_EQ(s.ws.status, msg::kLoadCancelledKept + gedcom);
    }
    EXPECT_FALSE(fs::exists(s.state.IndividualWorkFile() + ".previous"));
    s.ws.cancelled = false;
    s.ws.cancel_at_poll = 0;
    ASSERT_TRUE(s.Export(3, "after.csv"));
    EXPECT_EQ(ReadBytes(s.dir.File("after.csv")), csv);
  }

  // A load that goes through replaces the file and leaves nothing aside.
  s.ws = ScriptedWindowServices();
  s.ws.AnswerOpen(s.dir.File("third.ged"));
  WriteBytes(s.dir.File("third.ged"), People(25, "Third"));
  ASSERT_EQ(ReloadGedcom(s.state, s.ws), LoadOutcome::kLoaded);
  EXPECT_EQ(s.state.work.individual_count, 25);
  EXPECT_FALSE(fs::exists(s.state.IndividualWorkFile() + ".previous"));
  EXPECT_FALSE(fs::exists(s.state.FamilyWorkFile() + ".previous"));
}

}  // namespace
}  // namespace kinsheet::testing
