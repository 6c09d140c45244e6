// Replacing a file only by a complete new one: the temporary beside the
// target, its rename, its removal on failure, exception and signal, and the
// export command's refusals of outputs it must never replace.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

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

// A child writes a replacement and is told to end: the temporary goes, the
// old file stays, and the signal still ends the child.
TEST(FileReplacement, ATerminationSignalRemovesTheTemporary) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    TempDir dir;
    const std::string target = dir.File("old.sqlite");
    WriteBytes(target, "old");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FileReplacement r(target);
      WriteBytes(r.temporary(), "half");
      raise(sig);
      _exit(3);  // not reached
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status)) << sig;
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), sig);
    }
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_TRUE(LeftTemporaries(dir.path()).empty()) << sig;
  }
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
            "Error occurred while creating worksheet: \nThe file holds 65535 people, but an Excel worksheet holds "
            "at most 65534 (65536 rows with the caption row and an empty row). Please export to the .xlsx, CSV or "
            "Access format instead.");
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
            "Error occurred while creating worksheet: \nThe file holds 1048576 people, but an Excel 2007+ worksheet "
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

}  // namespace
}  // namespace kinsheet::testing
