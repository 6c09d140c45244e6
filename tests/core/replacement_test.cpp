// Replacing a file only by a complete new one: the temporary beside the
// target, the order of its flush and rename, its removal on failure and
// exception, the sweep of those a killed run left, the old file's
// permissions, and the export command's refusals of outputs it must never
// replace.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/writers.h"
#include "fileio/replacement.h"
#include "support/fake_system_calls.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

namespace fs = std::filesystem;

TEST(FileReplacement, TheTemporarySitsBesideTheTargetUntilCommitted) {
  TempDir dir;
  const std::string target = dir.File("out.csv");
  WriteBytes(target, "old");
  const int live_before = LiveTemporaryCount();
  {
    FileReplacement r(target);
    EXPECT_EQ(fs::path(r.temporary()).parent_path(), fs::path(dir.path()));
    const std::string name = fs::path(r.temporary()).filename().string();
    EXPECT_EQ(name.rfind(".out.csv.kinsheet-", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string(".out.csv.kinsheet-").size() + 6);
    EXPECT_TRUE(fs::exists(r.temporary()));
    EXPECT_EQ(LiveTemporaryCount(), live_before + 1);
    WriteBytes(r.temporary(), "new");
    EXPECT_EQ(ReadBytes(target), "old");
    r.Commit();
    EXPECT_TRUE(r.committed());
    EXPECT_EQ(LiveTemporaryCount(), live_before);
  }
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_TRUE(LeftTemporaries(dir.path()).empty());
  // A long name still fits in a name.
  const std::string name(250, 'n');
  FileReplacement r(dir.File(name));
  EXPECT_LE(fs::path(r.temporary()).filename().string().size(), 255u);
  r.Commit();
  EXPECT_TRUE(fs::exists(dir.File(name)));
}

TEST(FileReplacement, FailuresNameTheTarget) {
  TempDir dir;
  const std::string missing = dir.File("no/such/out.csv");
  try {
    FileReplacement r(missing);
    FAIL() << "created in a missing folder";
  } catch (const FileError& e) {
    EXPECT_EQ(e.code(), kErrPathNotFound);
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
  FileReplacement r(dir.File("a.db"));
  const std::string temp_name = fs::path(r.temporary()).filename().string();
  EXPECT_EQ(r.ForUser("Cannot write '" + r.temporary() + "': disk full; " + temp_name),
            "Cannot write '" + dir.File("a.db") + "': disk full; a.db");
  // A rename over a folder fails, names the target and keeps the temporary
  // for the destructor.
  fs::create_directory(dir.File("folder"));
  FileReplacement over_folder(dir.File("folder"));
  try {
    over_folder.Commit();
    FAIL() << "renamed over a folder";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find(dir.File("folder")), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).find(".kinsheet-"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(over_folder.committed());
}

// What the export command refuses before any question.
TEST(ExportTargets, NeitherTheLoadedGedcomFileUnderAnyNameNorWhatIsNotAFile) {
  Session s;
  ASSERT_EQ(s.Load(People(3), "tree.ged"), LoadOutcome::kLoaded);
  s.Tick({0});
  const std::string ged = s.dir.File("tree.ged");
  const std::string bytes = ReadBytes(ged);
  fs::create_hard_link(ged, s.dir.File("hard.csv"));
  fs::create_symlink(ged, s.dir.File("soft.csv"));
  for (const char* name : {"tree.ged", "hard.csv", "soft.csv"}) {
    s.ws.messages.clear();
    s.ws.Answer(MsgResult::kYes);  // would agree to replace, if asked
    EXPECT_FALSE(s.Export(3, name)) << name;
    ASSERT_EQ(s.ws.messages.size(), 1u) << name;
    EXPECT_EQ(s.ws.messages[0].text, s.dir.File(name) +
                                         " is the GEDCOM file that was loaded. Please choose another name for the "
                                         "export.");
    EXPECT_EQ(s.ws.messages[0].icon, MsgIcon::kExclamation);
    s.ws.message_answers.clear();
  }
  EXPECT_EQ(ReadBytes(ged), bytes);
  // A copy of it is just another file.
  fs::copy_file(ged, s.dir.File("copy.csv"));
  s.ws.Answer(MsgResult::kYes);
  EXPECT_TRUE(s.Export(3, "copy.csv"));

  // Nothing that is not a regular file.
  fs::create_directory(s.dir.File("folder.csv"));
  ASSERT_EQ(mkfifo(s.dir.File("pipe.csv").c_str(), 0600), 0);
  fs::create_symlink("/dev/null", s.dir.File("device.csv"));
  for (const std::string& path : {s.dir.File("folder.csv"), s.dir.File("pipe.csv"), s.dir.File("device.csv")}) {
    s.ws.messages.clear();
    s.ws.Answer(MsgResult::kYes);
    s.ws.AnswerSave(path);
    EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, 6)) << path;
    ASSERT_EQ(s.ws.messages.size(), 1u) << path;
    EXPECT_EQ(s.ws.messages[0].text,
              path + " is not a regular file (a folder or a device). Please choose another name for the export.");
    s.ws.message_answers.clear();
  }
  EXPECT_TRUE(fs::is_directory(s.dir.File("folder.csv")));
  EXPECT_TRUE(fs::is_fifo(s.dir.File("pipe.csv")));
}

TEST(ExportTargets, RowLimitsComeBeforeTheSaveDialog) {
  Session s;
  ASSERT_EQ(s.Load(People(3)), LoadOutcome::kLoaded);
  s.Tick({0});
  WriteBytes(s.dir.File("big.xls"), "old");
  // Only the count matters to the refusal.
  s.state.work.individual_count = 65535;
  s.ws.dialogs.clear();
  s.ws.AnswerSave(s.dir.File("big.xls"));
  s.ws.Answer(MsgResult::kYes);
  EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, 0));
  EXPECT_TRUE(s.ws.dialogs.empty());
  ASSERT_EQ(s.ws.messages.size(), 1u);
  EXPECT_EQ(s.ws.messages[0].text,
            "Too many people for .xls: the export holds 65535 people, but an .xls worksheet holds at most 65534 "
            "(65536 rows with the caption row and an empty row). Please export to an Excel Workbook (.xlsx) "
            "instead, or to CSV or Access.");
  EXPECT_EQ(ReadBytes(s.dir.File("big.xls")), "old");
  EXPECT_EQ(ExcelWorkbookRefusal(65534), "");
  s.state.work.individual_count = 1048576;
  s.ws.messages.clear();
  EXPECT_FALSE(mnuSheetifyItem_Click(s.state, s.ws, 5));
  EXPECT_TRUE(s.ws.dialogs.empty());
  ASSERT_EQ(s.ws.messages.size(), 1u);
  EXPECT_NE(s.ws.messages[0].text.find("holds at most 1048575"), std::string::npos) << s.ws.messages[0].text;
  s.state.work.individual_count = 3;

  // The .xlsx writer itself, told how many people there are: the last row
  // fits, one more is refused before any file exists.
  s.state.current_file_name = s.dir.File("limit.xlsx");
  s.ws.messages.clear();
  EXPECT_FALSE(WriteXlsxWorkbook(s.state, s.ws, 1048576));
  EXPECT_FALSE(fs::exists(s.state.current_file_name));
  EXPECT_TRUE(LeftTemporaries(s.dir.path()).empty());
  ASSERT_EQ(s.ws.messages.size(), 1u);
  EXPECT_EQ(s.ws.messages[0].text,
            // A limit, not a failure: said on its own.
            "The file holds 1048576 people, but an Excel 2007+ worksheet "
            "holds at most 1048575 (1048576 rows with the caption row). Please export to the CSV or SQLite format "
            "instead.");
  EXPECT_FALSE(s.ws.busy);
  EXPECT_TRUE(WriteXlsxWorkbook(s.state, s.ws, 1048575));
  EXPECT_EQ(ReadBytes(s.state.current_file_name).substr(0, 4), std::string("PK\x03\x04", 4));
}

TEST(XlsxSheetName, ExcelsRulesForSheetNames) {
  EXPECT_EQ(XlsxSheetName("/home/ann/family.ged"), "family");
  EXPECT_EQ(XlsxSheetName("my.tree.GED"), "my.tree");
  EXPECT_EQ(XlsxSheetName("/x/a[b]c:d*e?f\\g.ged"), "a_b_c_d_e_f_g");
  EXPECT_EQ(XlsxSheetName("'quoted'.ged"), "_quoted_");
  EXPECT_EQ(XlsxSheetName("history.ged"), "history_");
  EXPECT_EQ(XlsxSheetName(".ged"), ".ged");  // a leading dot is no extension
  EXPECT_EQ(XlsxSheetName(""), "Sheet1");
  // 31 characters at most, counted as Excel counts them (UTF-16 units),
  // never half a character.
  EXPECT_EQ(XlsxSheetName(std::string(40, 'a') + ".ged"), std::string(31, 'a'));
  EXPECT_EQ(XlsxSheetName(std::string(30, 'a') + "\xF0\x9F\x8C\xB3.ged"), std::string(30, 'a'));
  EXPECT_EQ(XlsxSheetName("M\xFCller.ged"), "M\xC3\xBCller");  // Windows-1252 becomes UTF-8
  EXPECT_EQ(XlsxSheetName("\xC5\x9Aliwa.ged"), "\xC5\x9Aliwa");
}

// The temporary cannot even be made: the failure names the chosen file and
// the old one stays.
TEST(SafeReplacement, ATemporaryThatCannotBeMadeNamesTheChosenFile) {
  Session s;
  ASSERT_EQ(s.Load(People(3)), LoadOutcome::kLoaded);
  s.Tick({0});
  const std::string path = s.dir.File("full.csv");
  WriteBytes(path, "old");
  s.ws.Answer(MsgResult::kYes);
  bool written = true;
  {
    FakeSystemCalls fake;
    fake.open.push_back(-ENOSPC);
    written = s.Export(3, "full.csv");
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadBytes(path), "old");
  ASSERT_FALSE(s.ws.messages.empty());
  EXPECT_EQ(s.ws.messages.back().text,
            "Error occurred while trying to save file: \nNo space left on device (" + path + ")");
  EXPECT_TRUE(LeftTemporaries(s.dir.path()).empty());
}

// Every format's writer meets a full disk (a file-size limit) half way:
// the old file's bytes survive, the message names the chosen file, and no
// temporary is left.
TEST(SafeReplacement, EveryFormatKeepsTheOldFileWhenTheDiskFills) {
  Session s;
  ASSERT_EQ(s.Load(People(3000)), LoadOutcome::kLoaded);
  s.TickAll();
  for (const char* name : {"Kinsheet2K.mdb", "Kinsheet95.mdb"}) {
    const std::string from = std::string(KINSHEET_BIN_DIR) + "/" + name;
    ASSERT_TRUE(fs::exists(from)) << from;
    fs::copy_file(from, s.dir.File(name));
  }
  const char* const names[kExportFormatCount] = {"o.xls", "o.mdb", "o95.mdb", "o.csv", "o.txt", "o.xlsx",
                                                 "o.sqlite"};
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  for (std::int16_t index = 0; index < kExportFormatCount; ++index) {
    const std::string path = s.dir.File(names[index]);
    const std::string old_bytes = "the old " + std::string(names[index]) + std::string(100000, '!');
    WriteBytes(path, old_bytes);
    s.ws.messages.clear();
    s.ws.Answer(MsgResult::kYes);
    rlimit small = saved;
    small.rlim_cur = 60000;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = s.Export(index, names[index]);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written) << names[index];
    EXPECT_TRUE(ReadBytes(path) == old_bytes) << names[index];
    EXPECT_TRUE(LeftTemporaries(s.dir.path()).empty()) << names[index];
    ASSERT_EQ(s.ws.messages.size(), 2u) << names[index];  // the question, the failure
    EXPECT_EQ(s.ws.messages[0].text, "Overwrite existing file?");
    const std::string& failure = s.ws.messages[1].text;
    EXPECT_EQ(failure.rfind("Error occurred while ", 0), 0u) << failure;
    EXPECT_EQ(s.ws.messages[1].icon, MsgIcon::kExclamation);
    EXPECT_EQ(failure.find(".kinsheet-"), std::string::npos) << failure;
    EXPECT_FALSE(s.ws.busy);
    EXPECT_FALSE(s.ws.progress_visible);
  }
  sigaction(SIGXFSZ, &old, nullptr);
  // Without the limit every format replaces its old file.
  for (std::int16_t index = 0; index < kExportFormatCount; ++index) {
    s.ws.Answer(MsgResult::kYes);
    EXPECT_TRUE(s.Export(index, names[index])) << names[index];
    EXPECT_NE(ReadBytes(s.dir.File(names[index])).substr(0, 8), "the old ") << names[index];
  }
  EXPECT_TRUE(LeftTemporaries(s.dir.path()).empty());
}

// The replacement's calls in the order a crash cannot spoil: every byte
// written and the writer's file closed, then the data flushed, then the
// rename, then the folder flushed so that the rename lasts.
TEST(SafeReplacement, FlushesTheDataBeforeTheRenameAndTheFolderAfter) {
  Session s;
  ASSERT_EQ(s.Load(People(400)), LoadOutcome::kLoaded);
  s.TickAll();
  WriteBytes(s.dir.File("out.csv"), "old");
  s.ws.Answer(MsgResult::kYes);
  std::vector<LoggedCall> log;
  {
    FakeSystemCalls fake;
    ASSERT_TRUE(s.Export(3, "out.csv"));
    log = fake.log;
  }
  // The descriptors that named the temporary while they were open.
  std::vector<int> temporary_fds, folder_fds;
  std::vector<std::size_t> writes, closes, syncs, folder_syncs, renames;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const LoggedCall& c = log[i];
    const auto has = [&](const std::vector<int>& fds) { return std::count(fds.begin(), fds.end(), c.fd) > 0; };
    if (c.name == "open" && c.path.find("/.out.csv.kinsheet-") != std::string::npos) temporary_fds.push_back(c.fd);
    if (c.name == "open" && c.path == s.dir.path()) folder_fds.push_back(c.fd);
    if (c.name == "write" && has(temporary_fds)) writes.push_back(i);
    if (c.name == "close" && has(temporary_fds)) closes.push_back(i);
    if (c.name == "fsync" && has(temporary_fds)) syncs.push_back(i);
    if (c.name == "fsync" && has(folder_fds)) folder_syncs.push_back(i);
    if (c.name == "rename") renames.push_back(i);
    // A descriptor's number is free again once closed.
    if (c.name == "close") std::erase(temporary_fds, c.fd), std::erase(folder_fds, c.fd);
  }
  ASSERT_FALSE(writes.empty());
  ASSERT_EQ(syncs.size(), 1u);
  ASSERT_EQ(renames.size(), 1u);
  ASSERT_EQ(folder_syncs.size(), 1u);
  EXPECT_LT(writes.back(), syncs[0]);
  EXPECT_LT(syncs[0], renames[0]);
  EXPECT_LT(renames[0], folder_syncs[0]);
  // The writer's descriptor is closed before the rename; only the lock's
  // (which wrote nothing) stays open across it.
  ASSERT_EQ(closes.size(), 2u);
  EXPECT_LT(closes[0], renames[0]);
  EXPECT_GT(closes[1], renames[0]);
  EXPECT_EQ(ReadBytes(s.dir.File("out.csv")).substr(0, 9), "\"INDI_ID\"");
}

// The last flush fails (the disk could not take the data): the old file
// stays, the temporary goes, and the user reads why, naming the file.
TEST(SafeReplacement, AFailedLastFlushKeepsTheOldFile) {
  Session s;
  ASSERT_EQ(s.Load(People(3)), LoadOutcome::kLoaded);
  s.Tick({0, 16});
  struct Case {
    std::int16_t index;
    const char* name;
    bool write_fails;  // else the fsync before the rename
    const char* why;
  };
  // A small CSV file reaches the disk only when it is closed: that one
  // write failing must fail the export as a failed flush does.
  for (const Case& c : {Case{3, "out.csv", true, "No space left on device ("}, Case{3, "out.csv", false, "Input/output error ("},
                        Case{5, "out.xlsx", false, "Input/output error ("},
                        Case{6, "out.sqlite", false, "Input/output error ("}}) {
    const std::string name = c.name;
    WriteBytes(s.dir.File(name), "old");
    s.ws.messages.clear();
    s.ws.Answer(MsgResult::kYes);
    bool written = true;
    {
      FakeSystemCalls fake;
      if (c.write_fails) {
        fake.write.push_back(-ENOSPC);
      } else {
        fake.fsync.push_back(-EIO);
      }
      written = s.Export(c.index, name);
      EXPECT_EQ(std::count_if(fake.log.begin(), fake.log.end(), [](const LoggedCall& l) { return l.name == "rename"; }),
                0) << name;
    }
    EXPECT_FALSE(written) << name;
    EXPECT_EQ(ReadBytes(s.dir.File(name)), "old") << name;
    EXPECT_TRUE(LeftTemporaries(s.dir.path()).empty()) << name;
    ASSERT_EQ(s.ws.messages.size(), 2u) << name;  // the overwrite question, the failure
    EXPECT_NE(s.ws.messages[1].text.find(c.why + s.dir.File(name) + ")"), std::string::npos) << s.ws.messages[1].text;
    EXPECT_EQ(s.ws.status, "Not saved: " + s.dir.File(name));
  }
}

// A temporary beside the target whose program was killed goes with the
// next export into its folder; a temporary some program still holds, a
// fresh empty one and names of another form stay.
TEST(SafeReplacement, TheNextExportSweepsTheTemporariesAKilledRunLeft) {
  TempDir dir;
  const auto made = [&](const std::string& name, const std::string& bytes) {
    WriteBytes(dir.File(name), bytes);
    return dir.File(name);
  };
  made(".out.csv.kinsheet-a1B2c3", "half of an old export");
  made(".other.db.kinsheet-zzzzzz", "another target's");
  const std::string fresh = made(".out.csv.kinsheet-000000", "");
  const std::string held = made(".out.csv.kinsheet-H0LD3N", "still being written");
  const int holder = open(held.c_str(), O_RDONLY);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  for (const char* kept : {"out.csv.kinsheet-a1B2c3", ".out.csv.kinsheet-a1B2", ".out.csv.kinsheet-a1B2c!",
                           ".out.csv.kinsheet-a1B2c3d"}) {
    made(kept, "not ours");
  }
  fs::create_directory(dir.File(".dir.kinsheet-abcdef"));
  fs::create_symlink(held, dir.File(".link.kinsheet-abcdef"));
  {
    FileReplacement live(dir.File("out.csv"));
    FileReplacement other(dir.File("out2.csv"));
    WriteBytes(live.temporary(), "being written");
    // A second export into the folder meanwhile leaves the live ones alone.
    FileReplacement third(dir.File("out3.csv"));
    EXPECT_TRUE(fs::exists(live.temporary()));
    EXPECT_TRUE(fs::exists(other.temporary()));
  }
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.path())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  const std::vector<std::string> kept = {".dir.kinsheet-abcdef",      ".link.kinsheet-abcdef",
                                         ".out.csv.kinsheet-000000",  ".out.csv.kinsheet-H0LD3N",
                                         ".out.csv.kinsheet-a1B2",    ".out.csv.kinsheet-a1B2c!",
                                         ".out.csv.kinsheet-a1B2c3d", "out.csv.kinsheet-a1B2c3"};
  EXPECT_EQ(left, kept);
  close(holder);
  // Once its holder is gone, the written one goes too; an empty one only
  // once it is old.
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
  fs::last_write_time(fresh, old);
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 2);
  EXPECT_FALSE(fs::exists(held));
  EXPECT_FALSE(fs::exists(fresh));
}

// The new file has the old one's permissions in every format (a private
// file stays private); a file the user may not write is not replaced, even
// when the question was answered yes.
TEST(SafeReplacement, TheOldFilesPermissionsStayAndAReadOnlyFileIsRefused) {
  Session s;
  ASSERT_EQ(s.Load(People(30)), LoadOutcome::kLoaded);
  s.Tick({0, 1, 16});
  for (const char* name : {"Kinsheet2K.mdb", "Kinsheet95.mdb"}) {
    fs::copy_file(std::string(KINSHEET_BIN_DIR) + "/" + name, s.dir.File(name));
  }
  const mode_t saved_umask = umask(022);
  const char* const names[kExportFormatCount] = {"p.xls", "p.mdb", "p95.mdb", "p.csv", "p.txt", "p.xlsx", "p.sqlite"};
  for (std::int16_t index = 0; index < kExportFormatCount; ++index) {
    const std::string path = s.dir.File(names[index]);
    WriteBytes(path, "old");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    s.ws.Answer(MsgResult::kYes);
    ASSERT_TRUE(s.Export(index, names[index])) << names[index];
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << names[index];
    EXPECT_EQ(st.st_uid, geteuid());
  }
  // A new file gets the usual mode.
  s.ws.Answer(MsgResult::kYes);
  ASSERT_TRUE(s.Export(3, "new.csv"));
  struct stat fresh {};
  ASSERT_EQ(stat(s.dir.File("new.csv").c_str(), &fresh), 0);
  EXPECT_EQ(fresh.st_mode & 0777, 0644u);
  umask(saved_umask);

  // Read-only: told by the system as the user's own write would be (root
  // may write anything, so the refusal is also scripted).
  const std::string locked = s.dir.File("locked.csv");
  WriteBytes(locked, "old");
  ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
  for (bool scripted : {true, false}) {
    if (!scripted && geteuid() == 0) continue;
    s.ws.messages.clear();
    s.ws.Answer(MsgResult::kYes);
    bool written = true;
    {
      FakeSystemCalls fake;
      if (scripted) fake.access.push_back(-EACCES);
      written = s.Export(3, "locked.csv");
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(locked), "old");
    EXPECT_TRUE(LeftTemporaries(s.dir.path()).empty());
    ASSERT_EQ(s.ws.messages.size(), 2u);  // the question, the refusal
    EXPECT_EQ(s.ws.messages[1].text, "Error occurred while trying to save file: \nPermission denied (" + locked + ")");
  }
}

// A symbolic link that leads nowhere is something the export would
// replace: the question comes, and No leaves the link.
TEST(ExportTargets, ADanglingLinkIsAnExistingFile) {
  Session s;
  ASSERT_EQ(s.Load(People(3)), LoadOutcome::kLoaded);
  s.Tick({0});
  const std::string link = s.dir.File("gone.csv");
  fs::create_symlink(s.dir.File("nowhere.csv"), link);
  s.ws.Answer(MsgResult::kNo);
  EXPECT_FALSE(s.Export(3, "gone.csv"));
  ASSERT_EQ(s.ws.messages.size(), 1u);
  EXPECT_EQ(s.ws.messages[0].text, "Overwrite existing file?");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_FALSE(fs::exists(s.dir.File("nowhere.csv")));
  s.ws.messages.clear();
  s.ws.Answer(MsgResult::kYes);
  EXPECT_TRUE(s.Export(3, "gone.csv"));
  EXPECT_EQ(s.ws.messages[0].text, "Overwrite existing file?");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(link)));
}

}  // namespace
}  // namespace kinsheet::testing
