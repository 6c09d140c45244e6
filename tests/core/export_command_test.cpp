#include <gtest/gtest.h>

#include "support/fixtures.h"

namespace kinsheet {
namespace {

using testing::Ged;
using testing::ReadBytes;
using testing::Session;
using testing::WriteBytes;

const std::string kTwo = Ged({"0 @I1@ INDI", "1 NAME A /B/", "0 @I2@ INDI", "1 NAME C /D/"});

TEST(ExportCommand, RefusesWithoutPeopleOrFields) {
  Session s;
  s.TickAll();
  EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, 3));
  EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{"Workfile contains no records. Cannot create"});
  EXPECT_EQ(s.ws.messages[0].icon, MsgIcon::kInformation);

  Session t;
  ASSERT_EQ(t.Load(kTwo), LoadOutcome::kLoaded);
  EXPECT_FALSE(mnuSheetifyItem_Click(t.state, t.ws, 4));
  EXPECT_EQ(t.ws.MessageTexts(), std::vector<std::string>{"Please select fields to be included in Sheetify"});
  EXPECT_EQ(t.ws.dialogs.size(), 1u);  // only the open dialog: no save dialog
}

TEST(ExportCommand, SaveDialogPerFormat) {
  Session s;
  // The second load's open dialog starts in the first file's folder, and the
  // save dialog keeps that folder.
  ASSERT_EQ(s.Load(kTwo, "first.ged"), LoadOutcome::kLoaded);
  ASSERT_EQ(s.Load(kTwo, "my.tree.ged"), LoadOutcome::kLoaded);
  s.Tick({0});
  const char* filters[] = {"All Files (*.*)|*.*|MS Excel Files (*.xls)|*.xls",
                           "All Files (*.*)|*.*|MS Access Files (*.mdb)|*.mdb",
                           "All Files (*.*)|*.*|MS Access Files (*.mdb)|*.mdb",
                           "All Files (*.*)|*.*|Comma Delimited Files (*.csv)|*.csv",
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

TEST(ExportCommand, ExtensionRulesAndNextProposal) {
  Session s;
  ASSERT_EQ(s.Load(kTwo, "family.ged"), LoadOutcome::kLoaded);
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
}

TEST(ExportCommand, ReplacingAnExistingFile) {
  Session s;
  ASSERT_EQ(s.Load(kTwo), LoadOutcome::kLoaded);
  s.Tick({0});
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
}

TEST(ExportCommand, ARefusedNameNeverCostsTheExistingFile) {
  Session s;
  ASSERT_EQ(s.Load(kTwo), LoadOutcome::kLoaded);
  s.Tick({0});
  WriteBytes(s.dir.File("odd;name.csv"), "old");
  s.ws.Answer(MsgResult::kYes);  // would agree to replace, if asked
  EXPECT_FALSE(s.Export(3, "odd;name.csv"));
  EXPECT_EQ(ReadBytes(s.dir.File("odd;name.csv")), "old");
  ASSERT_EQ(s.ws.messages.size(), 1u);
  EXPECT_EQ(s.ws.messages[0].title, "File Error");
}

TEST(ExportCommand, PendingFormatsRefuseClearly) {
  Session s;
  ASSERT_EQ(s.Load(kTwo), LoadOutcome::kLoaded);
  s.Tick({0});
  const bool written = s.Export(0, "x.xls");
  if (!written) {
    ASSERT_FALSE(s.ws.messages.empty());
    EXPECT_EQ(s.ws.messages.back().text.rfind("Error occurred while creating worksheet: \n", 0), 0u);
  }
}

}  // namespace
}  // namespace kinsheet
