// The window's commands beneath the window: the field boxes, the record
// browser, and the export command's dialogs, names and refusals.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

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
  // Select all means the 28; the "More fields" are chosen one by one.
  for (int i = 0; i < kAllFieldCount; ++i) EXPECT_EQ(s.state.selection.ticked[i], i < kFieldCount) << i;
  EXPECT_EQ(s.ws.calls.front(), "Box0:1");
  DeselectAll(s.state, s.ws);
  EXPECT_FALSE(s.state.selection.Any());
  EXPECT_FALSE(s.state.selection.incl_spouse_enabled);
  EXPECT_FALSE(s.state.selection.incl_spouse);
}

TEST(Browser, PagesAndScrollRange) {
  Session s;
  ASSERT_EQ(s.Load(People(45)), LoadOutcome::kLoaded);
  EXPECT_EQ(s.state.scroll.min, 1);
  EXPECT_EQ(s.state.scroll.max, 26);
  EXPECT_TRUE(s.state.scroll.enabled);
  ASSERT_EQ(s.ws.list.size(), 20u);
  EXPECT_EQ(s.ws.list[0][2], "Sur, Given1");
  SetScrollValue(s.state, s.ws, 26);
  ASSERT_EQ(s.ws.list.size(), 20u);
  EXPECT_EQ(s.ws.list.front()[2], "Sur, Given26");
  EXPECT_EQ(s.ws.list.back()[2], "Sur, Given45");

  // A page holds 20 people: the bar appears with the 21st.
  for (const int count : {7, 20, 21}) {
    Session few;
    ASSERT_EQ(few.Load(People(count)), LoadOutcome::kLoaded);
    EXPECT_EQ(few.ws.list.size(), static_cast<std::size_t>(std::min(count, 20))) << count;
    EXPECT_EQ(few.state.scroll.enabled, count > 20) << count;
    if (count > 20) {
      EXPECT_EQ(few.state.scroll.max, 2);
      SetScrollValue(few.state, few.ws, 2);
      EXPECT_EQ(few.ws.list.back()[2], "Sur, Given21");
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
  ASSERT_EQ(s.Load(People(40000)), LoadOutcome::kLoaded);
  EXPECT_EQ(s.state.scroll.max, 40000 - 19);
  SetScrollValue(s.state, s.ws, s.state.scroll.max);
  ASSERT_EQ(s.ws.list.size(), 20u);
  EXPECT_EQ(s.ws.list.back()[2], "Sur, Given40000");
}

TEST(ExportCommand, RefusesWithoutPeopleOrFields) {
  Session s;
  s.TickAll();
  EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, 3));
  EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{"Workfile contains no records. Cannot create"});
  EXPECT_EQ(s.ws.messages[0].icon, MsgIcon::kInformation);

  Session t;
  ASSERT_EQ(t.Load(People(2)), LoadOutcome::kLoaded);
  EXPECT_FALSE(mnuSheetifyItem_Click(t.state, t.ws, 4));
  EXPECT_EQ(t.ws.MessageTexts(), std::vector<std::string>{"Please select fields to be included in Sheetify"});
  EXPECT_EQ(t.ws.dialogs.size(), 1u);  // only the open dialog: no save dialog
}

TEST(ExportCommand, SaveDialogPerFormat) {
  Session s;
  // The second load's open dialog starts in the first file's folder, and the
  // save dialog keeps that folder.
  ASSERT_EQ(s.Load(People(2), "first.ged"), LoadOutcome::kLoaded);
  ASSERT_EQ(s.Load(People(2), "my.tree.ged"), LoadOutcome::kLoaded);
  s.Tick({0});
  const char* filters[] = {"All Files (*.*)|*.*|MS Excel Files (*.xls)|*.xls",
                           "All Files (*.*)|*.*|MS Access Files (*.mdb)|*.mdb",
                           "All Files (*.*)|*.*|MS Access Files (*.mdb)|*.mdb",
                           "All Files (*.*)|*.*|Comma Delimited Files (*.csv)|*.csv|CSV UTF-8 for Excel (*.csv)|*.csv",
                           "All Files (*.*)|*.*|Text Files (*.txt)|*.txt"};
  const char* names[] = {"my.xls", "my.mdb", "my.mdb", "my.csv", "my.txt"};
  for (std::int16_t i = 0; i < 5; ++i) {
    s.ws.dialogs.clear();
    EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, i));  // cancelled
    ASSERT_EQ(s.ws.dialogs.size(), 1u);
    const FileDialogRequest& d = s.ws.dialogs[0];
    EXPECT_TRUE(d.save);
    EXPECT_EQ(d.title, "Save Sheetified file as...");
    EXPECT_EQ(d.filter, filters[i]);
    EXPECT_EQ(d.filter_index, 2);
    EXPECT_EQ(d.file_name, names[i]);  // "my.tree.ged" proposes "my" every time
    EXPECT_EQ(d.initial_folder, s.dir.path());
    EXPECT_EQ(s.state.name_part, names[i]);
  }
}

TEST(ExportCommand, ExtensionRulesNextProposalAndReplacing) {
  Session s;
  ASSERT_EQ(s.Load(People(2), "family.ged"), LoadOutcome::kLoaded);
  s.Tick({0});
  ASSERT_TRUE(s.Export(3, "plain"));  // no "." at all: extension added
  EXPECT_FALSE(ReadBytes(s.dir.File("plain.csv")).empty());
  EXPECT_EQ(s.state.name_part, "plain.csv");
  EXPECT_EQ(s.state.folder_part, s.dir.path());
  ASSERT_TRUE(s.Export(3, "out.dat"));  // used as chosen
  EXPECT_FALSE(ReadBytes(s.dir.File("out.dat")).empty());
  std::filesystem::create_directory(s.dir.File("my.docs"));
  ASSERT_TRUE(s.Export(4, "my.docs/out"));  // a "." in a folder name counts
  EXPECT_FALSE(ReadBytes(s.dir.File("my.docs/out")).empty());
  s.ws.dialogs.clear();
  mnuSheetifyItem_Click(s.state, s.ws, 0);
  EXPECT_EQ(s.ws.dialogs.at(0).file_name, "out.xls");

  // Replacing an existing file.
  WriteBytes(s.dir.File("keep.csv"), "old");
  s.ws.Answer(MsgResult::kNo);
  EXPECT_FALSE(s.Export(3, "keep.csv"));
  EXPECT_EQ(ReadBytes(s.dir.File("keep.csv")), "old");
  const MessageBoxRequest& q = s.ws.messages.back();
  EXPECT_EQ(q.text, "Overwrite existing file?");
  EXPECT_EQ(q.buttons, MsgButtons::kYesNo);
  EXPECT_EQ(q.icon, MsgIcon::kQuestion);
  EXPECT_EQ(s.state.current_file_name, s.dir.File("keep.csv"));

  s.ws.Answer(MsgResult::kYes);
  EXPECT_TRUE(s.Export(3, "keep.csv"));
  EXPECT_EQ(ReadBytes(s.dir.File("keep.csv")).substr(0, 9), "\"Surname\"");

  // A refused name is refused before the question and never costs the old file.
  WriteBytes(s.dir.File("odd;name.csv"), "old");
  s.ws.messages.clear();
  s.ws.Answer(MsgResult::kYes);
  EXPECT_FALSE(s.Export(3, "odd;name.csv"));
  EXPECT_EQ(ReadBytes(s.dir.File("odd;name.csv")), "old");
  ASSERT_EQ(s.ws.messages.size(), 1u);
  EXPECT_EQ(s.ws.messages[0].title, "File Error");
}

}  // namespace
}  // namespace kinsheet::testing
