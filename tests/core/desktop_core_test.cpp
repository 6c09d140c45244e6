// What the desktop program relies on beneath its window: each run's private,
// locked work folder and the sweeping of dead runs' folders, two window
// cores side by side, cancelling a load or an export at a progress point,
// and the desktop opener's failure told by name.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "fileio/navigate.h"
#include "fileio/work_folder.h"
#include "state/startup.h"
#include "support/fixtures.h"
#include "ui/messages.h"

namespace kinsheet::testing {
namespace {

namespace fs = std::filesystem;

bool LockIsFree(const std::string& lock) {
  const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

// A dead run's folder: its lock file there, locked by nobody.
std::string MakeOrphan(const TempDir& parent, const std::string& name) {
  const std::string folder = parent.File(name);
  fs::create_directory(folder);
  WriteBytes(folder + "/" + kWorkFolderLock, "");
  WriteBytes(folder + "/Kinsheet.Ind", std::string(1777, ' '));
  return folder;
}

void MakeOld(const std::string& path) {
  const struct utimbuf hour_ago = {std::time(nullptr) - 3600, std::time(nullptr) - 3600};
  ASSERT_EQ(::utime(path.c_str(), &hour_ago), 0);
}

TEST(WorkFolder, PrivateLockedAndGoneWhenTheRunEnds) {
  TempDir parent;
  std::string path;
  {
    PrivateWorkFolder folder(parent.path());
    path = folder.path();
    ASSERT_FALSE(path.empty()) << folder.problem();
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(parent.path()));
    EXPECT_EQ(fs::path(path).filename().string().rfind(kWorkFolderPrefix, 0), 0u);
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Held while the run lives, so no other run sweeps it away.
    EXPECT_FALSE(LockIsFree(path + "/" + kWorkFolderLock));
    EXPECT_EQ(RemoveOrphanedWorkFolders(parent.path()), 0);
    EXPECT_TRUE(fs::is_directory(path));
    // A second run has a folder of its own.
    PrivateWorkFolder other(parent.path());
    EXPECT_NE(other.path(), path);
    EXPECT_TRUE(fs::is_directory(path));
    // Work files and all go with the run.
    WriteBytes(path + "/Kinsheet.Ind", "x");
  }
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::is_empty(parent.path()));
}

TEST(WorkFolder, TheNextStartSweepsOnlyDeadRunsFolders) {
  TempDir parent;
  const std::string dead = MakeOrphan(parent, "kinsheet-dead01");
  const std::string held = MakeOrphan(parent, "kinsheet-held01");
  const int holder = ::open((held + "/" + kWorkFolderLock).c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  // A folder without a lock is not ours to judge (an older program's may be
  // in use). One left half made goes once it is a while old; a fresh one
  // may be a run starting.
  fs::create_directory(parent.File("kinsheet-oldrun"));
  MakeOld(parent.File("kinsheet-oldrun"));
  fs::create_directory(parent.File(".kinsheet-half01"));
  MakeOld(parent.File(".kinsheet-half01"));
  fs::create_directory(parent.File(".kinsheet-half02"));
  const std::string staged_dead = MakeOrphan(parent, ".kinsheet-half03");
  MakeOld(staged_dead);
  const std::string staged_new = MakeOrphan(parent, ".kinsheet-half04");
  // Not ours to touch: other names, links, plain files.
  fs::create_directory(parent.File("other-folder"));
  WriteBytes(parent.File("other-folder/" + std::string(kWorkFolderLock)), "");
  fs::create_directory(parent.File("target"));
  WriteBytes(parent.File("target/keep"), "x");
  fs::create_directory_symlink(parent.File("target"), parent.File("kinsheet-link01"));
  WriteBytes(parent.File("kinsheet-file01"), "x");

  {
    PrivateWorkFolder folder(parent.path());
    ASSERT_FALSE(folder.path().empty());
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(held + "/Kinsheet.Ind"));
    EXPECT_TRUE(fs::exists(parent.File("kinsheet-oldrun")));
    EXPECT_FALSE(fs::exists(parent.File(".kinsheet-half01")));
    EXPECT_TRUE(fs::exists(parent.File(".kinsheet-half02")));
    EXPECT_FALSE(fs::exists(staged_dead));
    EXPECT_TRUE(fs::exists(staged_new));
    EXPECT_TRUE(fs::exists(parent.File("other-folder/lock")));
    EXPECT_TRUE(fs::is_symlink(parent.File("kinsheet-link01")));
    EXPECT_TRUE(fs::exists(parent.File("target/keep")));
    EXPECT_TRUE(fs::exists(parent.File("kinsheet-file01")));
  }
  // Once its run ends, the held one is a dead run's too.
  ::close(holder);
  EXPECT_EQ(RemoveOrphanedWorkFolders(parent.path()), 1);
  EXPECT_FALSE(fs::exists(held));
}

TEST(WorkFolder, NoFolderTheLoadSaysWhy) {
  TempDir parent;
  const PrivateWorkFolder folder(parent.File("missing"));
  EXPECT_TRUE(folder.path().empty());
  EXPECT_NE(folder.problem().find(parent.File("missing")), std::string::npos) << folder.problem();

  Session s;
  UseWorkFolder(s.state, folder);
  EXPECT_EQ(s.Load(People(3, "Lone")), LoadOutcome::kFailed);
  ASSERT_EQ(s.ws.messages.size(), 1u);
  EXPECT_EQ(s.ws.messages[0].text, msg::kNoWorkFolder + folder.problem());
  EXPECT_EQ(s.ws.messages[0].icon, MsgIcon::kExclamation);
  EXPECT_EQ(s.state.work.individual_count, 0);
}

TEST(WorkFolder, WorkFilesAreNeverOpenedThroughALink) {
  Session s;
  WriteBytes(s.dir.File("elsewhere"), "keep");
  fs::create_symlink(s.dir.File("elsewhere"), s.state.IndividualWorkFile());
  // The loader removes what is there first; the link itself, not its target.
  ASSERT_EQ(s.Load(People(4, "Safe")), LoadOutcome::kLoaded);
  EXPECT_EQ(ReadBytes(s.dir.File("elsewhere")), "keep");
  // A link put there afterwards is refused at the next read.
  fs::remove(s.state.IndividualWorkFile());
  fs::create_symlink(s.dir.File("elsewhere"), s.state.IndividualWorkFile());
  EXPECT_FALSE(FileOpen(s.ws, s.state.IndividualWorkFile(), kModeRandom, kWorkFileUnit, false).is_open());
  EXPECT_EQ(ReadBytes(s.dir.File("elsewhere")), "keep");
}

// One of two windows in one process: its own state, window and private
// work folder under `parent`.
struct WindowCore : Session {
  explicit WindowCore(const std::string& parent) : folder(parent) { UseWorkFolder(state, folder); }
  PrivateWorkFolder folder;
};

// Data lines of a CSV export whose Surname column holds `surname`.
int RowsOf(const std::string& csv, const std::string& surname) {
  int rows = 0;
  for (const std::string& line : CrLfLines(csv)) {
    if (line.find("\"" + surname + "\"") != std::string::npos) ++rows;
  }
  return rows;
}

TEST(TwoWindows, EachExportsOnlyItsOwnPeopleAndOneEndingLeavesTheOther) {
  TempDir dir;
  auto a = std::make_unique<WindowCore>(dir.path());
  auto b = std::make_unique<WindowCore>(dir.path());
  ASSERT_NE(a->state.work_folder, b->state.work_folder);
  ASSERT_EQ(a->Load(People(30, "Small")), LoadOutcome::kLoaded);
  ASSERT_EQ(b->Load(People(250, "Large")), LoadOutcome::kLoaded);

  // A after B's load: still A's own thirty.
  a->TickAll();
  b->TickAll();
  ASSERT_TRUE(a->Export(3, "a.csv"));
  ASSERT_TRUE(b->Export(3, "b.csv"));
  const std::string a_csv = ReadBytes(a->dir.File("a.csv"));
  const std::string b_csv = ReadBytes(b->dir.File("b.csv"));
  EXPECT_EQ(RowsOf(a_csv, "Small"), 30);
  EXPECT_EQ(RowsOf(a_csv, "Large"), 0);
  EXPECT_EQ(CrLfLines(a_csv).size(), 31u);
  EXPECT_EQ(RowsOf(b_csv, "Large"), 250);
  EXPECT_EQ(RowsOf(b_csv, "Small"), 0);

  // B ends (its folder goes); A browses and exports as before.
  const std::string b_folder = b->state.work_folder;
  b.reset();
  EXPECT_FALSE(fs::exists(b_folder));
  SetScrollValue(a->state, a->ws, 11);
  ASSERT_EQ(a->ws.list.size(), 20u);
  EXPECT_EQ(a->ws.list[0][2], "Small, Given11");
  ASSERT_TRUE(a->Export(3, "a2.csv"));
  EXPECT_TRUE(a->ws.MessageTexts().back().find(msg::kCreatedAsk) != std::string::npos);
  EXPECT_EQ(ReadBytes(a->dir.File("a2.csv")), a_csv);
}

TEST(Cancel, AStoppedLoadLeavesNoPeople) {
  Session s;
  ASSERT_EQ(s.Load(People(40, "First")), LoadOutcome::kLoaded);
  for (const char* eol : {"\n", "\r\n"}) {
    SCOPED_TRACE(eol == std::string("\n") ? "LF" : "CR LF");
    s.ws = ScriptedWindowServices();
    s.ws.cancel_at_poll = 3;
    EXPECT_EQ(s.Load(People(20000, "Second", eol), "second.ged"), LoadOutcome::kInterrupted);
    EXPECT_EQ(s.ws.polls, 3);
    // As after a file with no people: nothing counted, listed or named.
    EXPECT_EQ(s.state.work.individual_count, 0);
    EXPECT_EQ(s.ws.counters, std::vector<std::string>(8, "0 "));
    EXPECT_TRUE(s.ws.list.empty());
    EXPECT_FALSE(s.state.scroll.enabled);
    EXPECT_EQ(s.state.scroll.value, 0);
    EXPECT_EQ(s.ws.caption, "Kinsheet");
    EXPECT_EQ(s.ws.status, msg::kLoadCancelled);
    EXPECT_FALSE(s.ws.busy);
    EXPECT_FALSE(s.ws.progress_visible);
    EXPECT_TRUE(s.ws.messages.empty());
    EXPECT_FALSE(fs::exists(s.state.IndividualWorkFile()));
    // Exports are refused as with no records.
    s.ws.cancelled = false;
    s.ws.cancel_at_poll = 0;
    s.TickAll();
    EXPECT_FALSE(s.Export(3, "none.csv"));
    EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{msg::kNoRecords});
  }
  // The next load starts afresh.
  s.ws = ScriptedWindowServices();
  ASSERT_EQ(s.Load(People(25, "Third"), "third.ged"), LoadOutcome::kLoaded);
  EXPECT_EQ(s.state.work.individual_count, 25);
}

class CancelExport : public ::testing::TestWithParam<int> {};

TEST_P(CancelExport, LeavesNoFileNoMessageAndTheOldFileAsItWas) {
  const auto format = static_cast<std::int16_t>(GetParam());
  Session s;
  s.state.program_folder = KINSHEET_BIN_DIR;  // the Access templates
  ASSERT_EQ(s.Load(People(400, "Many")), LoadOutcome::kLoaded);
  s.TickAll();
  s.ws.cancel_at_poll = 100;
  EXPECT_FALSE(s.Export(format, "out"));
  EXPECT_GE(s.ws.polls, 100);
  EXPECT_LT(s.ws.polls, 400);
  // No failure message, no completion question.
  EXPECT_TRUE(s.ws.messages.empty()) << s.ws.MessageTexts()[0];
  EXPECT_EQ(s.ws.status, msg::kExportCancelled);
  EXPECT_FALSE(s.ws.busy);
  EXPECT_FALSE(s.ws.progress_visible);

  WriteBytes(s.dir.File("old.out"), "the file from before");
  const auto before = fs::last_write_time(s.dir.File("old.out"));
  s.ws = ScriptedWindowServices();
  s.ws.Answer(MsgResult::kYes);  // "Overwrite existing file?"
  s.ws.cancel_at_poll = 100;
  EXPECT_FALSE(s.Export(format, "old.out"));
  EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{msg::kOverwrite});
  EXPECT_EQ(ReadBytes(s.dir.File("old.out")), "the file from before");
  EXPECT_EQ(fs::last_write_time(s.dir.File("old.out")), before);
  // Nothing else in the folder: no unfinished file, no temporary beside it.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(s.dir.path())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Kinsheet.Fam", "Kinsheet.Ind", "Kinsheet.Kin", "old.out", "test.ged"}));
  // Nothing else was touched: the next export goes through.
  s.ws = ScriptedWindowServices();
  EXPECT_TRUE(s.Export(format, "again"));
}

INSTANTIATE_TEST_SUITE_P(Formats, CancelExport, ::testing::Values(0, 1, 2, 3, 4, 5, 6));

// Polls until the opener has ended and been told about.
std::vector<std::string> WaitForOpeners(ScriptedWindowServices& ws, std::vector<OpenerRun>& runs) {
  std::vector<std::string> failed;
  for (int i = 0; i < 500 && !runs.empty(); ++i) {
    const std::vector<std::string> now = TellOpenerFailures(ws, runs);
    failed.insert(failed.end(), now.begin(), now.end());
    if (!runs.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return failed;
}

TEST(Opener, AFailedOpenIsToldByName) {
  ScriptedWindowServices ws;
  std::vector<OpenerRun> runs;
  // xdg-open's "no program for this type" is a failing exit.
  ASSERT_TRUE(NavigateTo(ws, "/data/out.mdb", "false", &runs));
  ASSERT_TRUE(NavigateTo(ws, "/data/fine.csv", "true", &runs));
  EXPECT_EQ(runs.size(), 2u);
  EXPECT_EQ(WaitForOpeners(ws, runs), std::vector<std::string>{"/data/out.mdb"});
  EXPECT_TRUE(runs.empty());
  ASSERT_EQ(ws.messages.size(), 1u);
  EXPECT_EQ(ws.messages[0].text, "No program is set up to open /data/out.mdb");
  EXPECT_EQ(ws.messages[0].icon, MsgIcon::kExclamation);
  // No opener at all: the request itself fails, at once.
  EXPECT_FALSE(NavigateTo(ws, "/data/x.txt", "/nonexistent/opener", &runs));
  EXPECT_TRUE(runs.empty());
  EXPECT_EQ(ws.messages.back().text, std::string(msg::kNavigationProblem) + "/data/x.txt");
}

TEST(Opener, TheViewQuestionAfterAnExportWatchesTheOpener) {
  Session s;
  s.state.opener = "false";
  ASSERT_EQ(s.Load(People(5, "View")), LoadOutcome::kLoaded);
  s.TickAll();
  s.ws.AnswerSave(s.dir.File("view.txt"));
  s.ws.Answer(MsgResult::kYes);
  ASSERT_TRUE(mnuSheetifyItem_Click(s.state, s.ws, 4));
  ASSERT_EQ(s.state.openers.size(), 1u);
  EXPECT_EQ(WaitForOpeners(s.ws, s.state.openers), std::vector<std::string>{s.dir.File("view.txt")});
  EXPECT_EQ(s.ws.MessageTexts().back(), msg::kNoOpener + s.dir.File("view.txt"));
}

}  // namespace
}  // namespace kinsheet::testing
