// Where the programs find their data (a build folder, an installed tree),
// and the outputs that are streams or exist already.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "export/export_command.h"
#include "fileio/replacement.h"
#include "state/run_state.h"
#include "support/fixtures.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

using testing::TempDir;
using testing::WriteBytes;
namespace fs = std::filesystem;

TEST(ProgramFolder, BesideTheProgramElseTheInstalledDataFolder) {
  TempDir root;
  const std::string build = root.File("build/bin");
  const std::string usr = root.File("usr");
  fs::create_directories(build);
  fs::create_directories(usr + "/bin");
  fs::create_directories(usr + "/share/kinsheet");
  fs::create_directories(root.File("empty/bin"));
  fs::create_directories(root.File("emptyshare/bin"));
  fs::create_directories(root.File("emptyshare/share/kinsheet"));
  WriteBytes(build + "/" + kAccess2000Template, "x");
  WriteBytes(usr + "/share/kinsheet/" + kHelpPageName, "x");
  struct Case {
    std::string executable_folder;
    std::string want;
  };
  const Case cases[] = {
      {build, build},                                         // a build folder
      {build + "//", build},                                  // separators dropped
      {usr + "/bin", usr + "/share/kinsheet"},                // installed, anywhere
      {usr + "/bin/", usr + "/share/kinsheet"},
      {root.File("empty/bin"), root.File("empty/bin")},       // no data anywhere
      {root.File("emptyshare/bin"), root.File("emptyshare/bin")},  // an empty data folder is no data
      {"/", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgramFolderFrom(c.executable_folder), c.want) << c.executable_folder;
}

TEST(Outputs, ExtensionOnlyForANewNameWithoutADot) {
  TempDir dir;
  WriteBytes(dir.File("old"), "x");
  ASSERT_EQ(::symlink("nowhere", dir.File("dangling").c_str()), 0);
  fs::create_directories(dir.File("folder"));
  struct Case {
    std::string output;
    bool extended;
  };
  const Case cases[] = {
      {dir.File("new"), true},       {dir.File("old"), false},    {dir.File("dangling"), false},
      {dir.File("folder"), false},   {dir.File("new.csv"), false}, {dir.File("a.b/new"), false},
      {"/dev/null", false},          {"-", false},
  };
  for (const Case& c : cases) EXPECT_EQ(NeedsExtension(c.output), c.extended) << c.output;
}

TEST(Outputs, StreamsAreStandardOutputDevicesAndPipes) {
  TempDir dir;
  WriteBytes(dir.File("file"), "x");
  ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("/dev/null", dir.File("null-link").c_str()), 0);
  struct Case {
    std::string output;
    bool stream;
  };
  const Case cases[] = {
      {"-", true},           {"/dev/null", true},     {dir.File("pipe"), true}, {dir.File("null-link"), true},
      {dir.File("file"), false}, {dir.File("missing"), false}, {dir.path(), false}, {"", false},
      {"/dev/zero", false},  {"/dev/tty", false},     {"/dev/full", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsStreamOutput(c.output), c.stream) << c.output;
}

// A text export goes into /dev/null; the formats that need a file refuse
// the device, and nothing is created beside it.
TEST(Outputs, DevNullTakesTextAndRefusesTheRest) {
  testing::Session s;
  ASSERT_EQ(s.Load(testing::People(3)), LoadOutcome::kLoaded);
  s.TickAll();
  for (std::int16_t index = 0; index < kExportFormatCount; ++index) {
    s.ws.dialog_answers.push_back({false, "/dev/null"});
    s.ws.message_answers.push_back(MsgResult::kNo);
    const bool text = index == kCsvFormat || index == 4;
    EXPECT_EQ(mnuSheetifyItem_Click(s.state, s.ws, index), text) << index;
    EXPECT_EQ(s.state.current_file_name, "/dev/null") << index;
    s.ws.message_answers.clear();
  }
  // "-" is standard output, which only the text formats can take.
  for (std::int16_t index : {0, 1, 2, 5, 6}) {
    s.ws.dialog_answers.push_back({false, "-"});
    EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, index)) << index;
    EXPECT_EQ(s.ws.MessageTexts().back(), msg::kStandardOutputNeedsText) << index;
  }
  for (const auto& entry : fs::directory_iterator("/dev")) {
    // A temporary beside /dev/null would be ".null.kinsheet-XXXXXX".
    EXPECT_NE(entry.path().filename().string().rfind(".null.kinsheet-", 0), 0u) << entry.path();
  }
}

}  // namespace
}  // namespace kinsheet
