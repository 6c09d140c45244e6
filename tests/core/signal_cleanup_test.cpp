// The one clean-up on SIGINT, SIGTERM and SIGHUP, each case in a child
// process of its own (a signal's effects last for the whole process): what
// goes at once, what waits for a writer, and a read that a signal must
// break however long its pipe stays silent.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "fileio/file_open.h"
#include "fileio/replacement.h"
#include "fileio/signal_cleanup.h"
#include "fileio/work_folder.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

namespace fs = std::filesystem;

// Runs `body` in a child and returns its wait status; `meanwhile` runs in
// this process first. A child still running after a minute is killed
// (status -1): the blocking this guards against never ends by itself.
int InChild(const std::function<void()>& body, const std::function<void(pid_t)>& meanwhile = {}) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(0);
  }
  if (child < 0) return -1;
  if (meanwhile) meanwhile(child);
  int status = 0;
  for (int waited = 0; waited < 6000; ++waited) {
    if (waitpid(child, &status, WNOHANG) == child) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return -1;
}

bool EndedBy(int status, int sig) { return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == sig; }
bool ExitedWith(int status, int code) { return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == code; }

std::size_t Entries(const std::string& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// With no writer at work, the window ends at once: its work folder goes
// and the signal ends it as it would have.
TEST(SignalCleanup, WithNoWriterTheWindowEndsAtOnce) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    TempDir dir;
    const int status = InChild([&] {
      InstallSignalCleanup(SignalStop::kEndAtOnce);
      PrivateWorkFolder work(dir.path());
      if (work.path().empty()) _exit(2);
      WriteBytes(work.path() + "/Kinsheet.Ind", "records");
      raise(sig);
      _exit(3);
    });
    EXPECT_TRUE(EndedBy(status, sig)) << sig << " " << status;
    EXPECT_EQ(Entries(dir.path()), 0u) << sig;
  }
  // A signal ignored when the program starts (nohup) stays ignored.
  TempDir dir;
  const int status = InChild([&] {
    signal(SIGHUP, SIG_IGN);
    InstallSignalCleanup(SignalStop::kEndAtOnce);
    PrivateWorkFolder work(dir.path());
    raise(SIGHUP);
    _exit(StopRequested() ? 4 : 5);
  });
  EXPECT_TRUE(ExitedWith(status, 5)) << status;
}

// While a writer uses its temporary the signal never pulls it away: the
// writer is asked to stop, its commit refuses, and once the temporary's
// owner has removed it the program ends as the signal asked, old file
// whole, work folder gone.
TEST(SignalCleanup, AWriterStopsFirstAndItsTemporaryGoesWithIt) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    TempDir dir;
    const std::string target = dir.File("old.xlsx");
    WriteBytes(target, "old");
    fs::create_directory(dir.File("work"));
    // The child says how far it got: "w" the writer outlived the signal
    // with its temporary, "c" the commit refused.
    int said[2];
    ASSERT_EQ(pipe(said), 0);
    const int status = InChild([&] {
      close(said[0]);
      InstallSignalCleanup(SignalStop::kEndAtOnce);
      PrivateWorkFolder work(dir.File("work"));
      {
        FileReplacement replacement(target);
        WriteBytes(replacement.temporary(), "half");
        raise(sig);
        if (StopSignal() != sig || ReadBytes(replacement.temporary()) != "half") _exit(4);
        (void)!write(said[1], "w", 1);
        try {
          replacement.Commit();
          _exit(5);
        } catch (const Cancelled&) {
          (void)!write(said[1], "c", 1);
        }
      }
      _exit(6);  // the replacement's end should have ended the program
    });
    close(said[1]);
    char got[4] = {};
    EXPECT_EQ(read(said[0], got, sizeof got), 2);
    close(said[0]);
    EXPECT_STREQ(got, "wc") << sig;
    EXPECT_TRUE(EndedBy(status, sig)) << sig << " " << status;
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_TRUE(LeftTemporaries(dir.path()).empty()) << sig;
    EXPECT_EQ(Entries(dir.File("work")), 0u) << sig;
  }
}

// The batch tool's work watches for the stop itself: a first signal only
// asks; a second ends the program at once and takes everything with it,
// the temporary in use included, since nothing will write to it again.
TEST(SignalCleanup, TheToolsFirstSignalAsksAndTheSecondEnds) {
  TempDir dir;
  const std::string target = dir.File("old.csv");
  WriteBytes(target, "old");
  fs::create_directory(dir.File("work"));
  const int status = InChild([&] {
    InstallSignalCleanup(SignalStop::kAskTheWork);
    PrivateWorkFolder work(dir.File("work"));
    FileReplacement replacement(target);
    WriteBytes(replacement.temporary(), "half");
    raise(SIGINT);
    if (StopSignal() != SIGINT || !fs::exists(replacement.temporary())) _exit(4);
    raise(SIGTERM);
    _exit(5);
  });
  EXPECT_TRUE(EndedBy(status, SIGTERM)) << status;
  EXPECT_EQ(ReadBytes(target), "old");
  EXPECT_TRUE(LeftTemporaries(dir.path()).empty());
  EXPECT_EQ(Entries(dir.File("work")), 0u);
}

// A GEDCOM file that is a FIFO whose writer stays silent, or that no
// writer ever opens: the read (or the open) waits, and Ctrl+C must still
// stop it at once rather than when data comes.
TEST(SignalCleanup, CtrlCBreaksAReadOrAnOpenThatWaitsOnASilentPipe) {
  TempDir dir;
  for (bool writer : {true, false}) {
    const std::string fifo = dir.File(writer ? "silent.ged" : "unopened.ged");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int write_end = -1;
    const int status = InChild(
        [&] {
          InstallSignalCleanup(SignalStop::kAskTheWork);
          try {
            File in = OpenFileRaw(fifo, kModeInput, 0);
            char buffer[64];
            in.ReadBytes(buffer, sizeof buffer);
            _exit(2);
          } catch (const Cancelled&) {
            _exit(7);
          } catch (...) {
            _exit(8);
          }
        },
        [&](pid_t child) {
          // Some bytes, then silence: the reader waits for the rest.
          if (writer) {
            write_end = open(fifo.c_str(), O_WRONLY);
            ASSERT_EQ(write(write_end, "0 HEAD\n", 7), 7);
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          kill(child, SIGINT);
        });
    if (write_end >= 0) close(write_end);
    EXPECT_TRUE(ExitedWith(status, 7)) << (writer ? "read " : "open ") << status;
  }
}

}  // namespace
}  // namespace kinsheet::testing
