// The file layer: opening with the user's questions and messages, lines and
// records, and what it does when the system says no (failing, short and
// interrupted calls through the scripted system calls).
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "fileio/file_open.h"
#include "support/fake_system_calls.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

TEST(FileOpen, NameCheckAndReplaceQuestion) {
  for (const char* bad : {"a[1].txt", "a]b", "a*b", "a?b", "a=b", "a<b", "a>b", "a;b"}) {
    EXPECT_TRUE(IsRefusedFileName(bad)) << bad;
  }
  for (const char* good : {"a(1).txt", "a-b", "a&b", "my file.ged"}) {
    EXPECT_FALSE(IsRefusedFileName(good)) << good;
  }
  TempDir d;
  WriteBytes(d.File("x=1.txt"), "kept");
  ScriptedWindowServices ws;
  File f = FileOpen(ws, d.File("x=1.txt"), kModeOutput, 0, true);
  EXPECT_FALSE(f.is_open());
  EXPECT_EQ(f.handle(), 0);
  ASSERT_EQ(ws.messages.size(), 1u);
  EXPECT_EQ(ws.messages[0].text, "That filename is illegal.64");
  EXPECT_EQ(ws.messages[0].title, "File Error");
  EXPECT_EQ(ReadBytes(d.File("x=1.txt")), "kept");

  // The replace question comes for output only.
  const std::string path = d.File("old.txt");
  WriteBytes(path, "old");
  ws.Answer(MsgResult::kCancel);
  EXPECT_FALSE(FileOpen(ws, path, kModeOutput, 0, true).is_open());
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_EQ(ws.messages.at(1).text, "Replace contents of " + path + "?");
  EXPECT_EQ(ws.messages.at(1).title, "Replace File?");
  EXPECT_EQ(ws.messages.at(1).buttons, MsgButtons::kOkCancel);
  ws.Answer(MsgResult::kOk);
  f = FileOpen(ws, path, kModeOutput, 0, true);
  EXPECT_TRUE(f.is_open());
  EXPECT_GT(f.handle(), 0);
  f.Close();
  EXPECT_EQ(ReadBytes(path), "");
  const std::size_t asked = ws.messages.size();
  EXPECT_TRUE(FileOpen(ws, path, kModeRandom, 10, true).is_open());
  EXPECT_EQ(ws.messages.size(), asked);  // random access asks nothing
  EXPECT_FALSE(FileOpen(ws, path, 6, 0, false).is_open());
}

TEST(FileErrors, KnownCodesShowTheirText) {
  ScriptedWindowServices ws;
  EXPECT_EQ(FileErrors(ws, 53), 3);
  EXPECT_EQ(FileErrors(ws, 70), 3);
  EXPECT_TRUE(ws.messages.empty());
  EXPECT_EQ(FileErrors(ws, 52), 2);
  EXPECT_EQ(ws.messages.back().text, "That filename is illegal.52");
  EXPECT_EQ(FileErrors(ws, 62), 2);
  EXPECT_EQ(ws.messages.back().text,
            "This file has a nonstandard end-of-file marker,or an attempt was made to read beyond "
            "the end-of-file marker.");
  ws.Answer(MsgResult::kRetry);
  EXPECT_EQ(FileErrors(ws, 68), 0);
  EXPECT_EQ(ws.messages.back().buttons, MsgButtons::kRetryCancel);
  ws.Answer(MsgResult::kCancel);
  EXPECT_EQ(FileErrors(ws, 68), 2);
}

TEST(File, LinesAndTheirLimit) {
  TempDir d;
  const std::string path = d.File("lines.txt");
  WriteBytes(path, "one\r\ntwo\rthree\nstill three\r" + std::string(100, 'x') + "TAIL");
  File in = OpenFileRaw(path, kModeInput, 0);
  std::string line;
  std::vector<std::string> lines;
  while (in.ReadLine(line, 40)) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "one");
  EXPECT_EQ(lines[1], "two");
  EXPECT_EQ(lines[2], "three\nstill three");  // a lone LF stays in the line
  EXPECT_LE(lines[3].size(), 40u + 16u);      // clipped, head and tail kept
  EXPECT_EQ(lines[3].substr(lines[3].size() - 4), "TAIL");
}

TEST(File, RecordRunsAndViewsAgreeWithTheDisk) {
  TempDir d;
  const std::string path = d.File("runs.bin");
  File f = OpenFileRaw(path, kModeRandom, 100);
  std::string rec(100, ' ');
  for (int n = 1; n <= 5000; ++n) {  // several runs of consecutive records
    rec.replace(0, 6, std::to_string(100000 + n));
    f.PutRecord(n, rec.data());
  }
  EXPECT_EQ(f.Length(), 500000);
  char buf[100];
  f.GetRecord(4321, buf);  // pending records are written before a read
  EXPECT_EQ(std::string(buf, 6), "104321");
  rec.replace(0, 6, "CHANGE");
  f.PutRecord(10, rec.data());  // a rewrite, seen by the next read
  f.GetRecord(10, buf);
  EXPECT_EQ(std::string(buf, 6), "CHANGE");
  f.PutRecord(5001, rec.data());  // growth past the view
  f.GetRecord(5001, buf);
  EXPECT_EQ(std::string(buf, 6), "CHANGE");
  EXPECT_THROW(f.GetRecord(5002, buf), FileError);
  f.Close();
  const std::string disk = ReadBytes(path);
  ASSERT_EQ(disk.size(), 500100u);
  EXPECT_EQ(disk.substr(900, 6), "CHANGE");
  EXPECT_EQ(disk.substr(499900, 6), "105000");
}

using Why = std::pair<int, int>;

// The code and errno of the FileError `run` throws.
template <typename F>
Why Failure(F run) {
  try {
    run();
  } catch (const FileError& e) {
    return {e.code(), e.os_error()};
  }
  return {0, 0};
}

TEST(FileMove, AssignmentWritesWhatTheOldFileHeldAsTheDestructorDoes) {
  TempDir d;
  File f = OpenFileRaw(d.File("a.txt"), kModeOutput, 0);
  f.Write("7 bytes");
  f = OpenFileRaw(d.File("b.txt"), kModeOutput, 0);
  EXPECT_EQ(ReadBytes(d.File("a.txt")), "7 bytes");
  f.Write("second");
  f = File();
  EXPECT_EQ(ReadBytes(d.File("b.txt")), "second");

  File records = OpenFileRaw(d.File("r.bin"), kModeRandom, 2);
  records.PutRecord(1, "ab");
  records.PutRecord(2, "cd");
  records = File();
  EXPECT_EQ(ReadBytes(d.File("r.bin")), "abcd");
}

TEST(FileFailures, ShortAndInterruptedWritesLoseNothing) {
  TempDir d;
  FakeSystemCalls fake;
  fake.write = {3, -EINTR, 2, 1};
  File f = OpenFileRaw(d.File("out.txt"), kModeOutput, 0);
  f.WriteLine("hello world");
  f.Close();
  EXPECT_EQ(ReadBytes(d.File("out.txt")), "hello world\r\n");
  EXPECT_EQ(fake.write_calls, 5);

  fake.pwrite = {5, -EINTR, 1};
  File r = OpenFileRaw(d.File("rec.bin"), kModeRandom, 4);
  const char* records[] = {"AAAA", "BBBB", "CCCC"};
  for (int n = 1; n <= 3; ++n) r.PutRecord(n, records[n - 1]);
  r.Close();
  EXPECT_EQ(ReadBytes(d.File("rec.bin")), "AAAABBBBCCCC");
}

TEST(FileFailures, AFailedWriteIsReportedOnceAndItsBytesDropped) {
  TempDir d;
  FakeSystemCalls fake;
  File f = OpenFileRaw(d.File("full.txt"), kModeOutput, 0);
  f.Write("lost");
  fake.write = {-ENOSPC};
  EXPECT_EQ(Failure([&] { f.Flush(); }), Why(kErrDiskFull, ENOSPC));
  f.Write("kept");
  f.Close();
  EXPECT_EQ(ReadBytes(d.File("full.txt")), "kept");

  // Close closes even when its flush fails.
  File g = OpenFileRaw(d.File("g.txt"), kModeOutput, 0);
  g.Write("x");
  fake.write = {-EIO};
  EXPECT_EQ(Failure([&] { g.Close(); }), Why(kErrDeviceIo, EIO));
  EXPECT_FALSE(g.is_open());

  // The destructor and a move close quietly.
  fake.write = {-ENOSPC, -ENOSPC};
  {
    File h = OpenFileRaw(d.File("h.txt"), kModeOutput, 0);
    h.Write("x");
    File i = OpenFileRaw(d.File("i.txt"), kModeOutput, 0);
    i.Write("y");
    i = File();
  }
  EXPECT_TRUE(fake.write.empty());
}

TEST(FileFailures, AFailedRecordWriteSurfacesAtTheNextRead) {
  TempDir d;
  FakeSystemCalls fake;
  File r = OpenFileRaw(d.File("rec.bin"), kModeRandom, 4);
  r.PutRecord(1, "AAAA");
  fake.pwrite = {-EIO};
  char buf[4];
  EXPECT_EQ(Failure([&] { r.GetRecord(1, buf); }), Why(kErrDeviceIo, EIO));
  r.PutRecord(2, "BBBB");  // the failed run is gone, the file still works
  r.GetRecord(2, buf);
  EXPECT_EQ(std::string(buf, 4), "BBBB");
  r.Close();
  EXPECT_EQ(ReadBytes(d.File("rec.bin")), std::string(4, '\0') + "BBBB");

  // A record the file only half holds is read by pread, not the view.
  WriteBytes(d.File("half.bin"), "AAAABB");
  File half = OpenFileRaw(d.File("half.bin"), kModeRandom, 4);
  fake.pread = {-EINTR, 1};
  EXPECT_EQ(Failure([&] { half.GetRecord(2, buf); }), Why(kErrInputPastEnd, 0));
  EXPECT_TRUE(fake.pread.empty());
  fake.pread = {-EIO};
  EXPECT_EQ(Failure([&] { half.GetRecord(2, buf); }), Why(kErrDeviceIo, EIO));
}

TEST(FileFailures, ReadsAcrossShortAndInterruptedReads) {
  TempDir d;
  WriteBytes(d.File("in.txt"), "one\r\ntwo\r\nthree");
  FakeSystemCalls fake;
  // The CR and the LF of the first line end arrive in different reads.
  fake.read = {4, -EINTR, 1, 2, -EINTR, 3};
  File in = OpenFileRaw(d.File("in.txt"), kModeInput, 0);
  std::string line;
  std::vector<std::string> lines;
  while (in.ReadLine(line, 100)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three"}));

  File bad = OpenFileRaw(d.File("in.txt"), kModeInput, 0);
  fake.read = {-EIO};
  EXPECT_EQ(Failure([&] { bad.ReadByte(); }), Why(kErrDeviceIo, EIO));
}

TEST(FileFailures, OpenAndClose) {
  TempDir d;
  FakeSystemCalls fake;
  fake.open = {-EINTR, -EINTR};
  EXPECT_TRUE(OpenFileRaw(d.File("retried.txt"), kModeOutput, 0).is_open());
  fake.open = {-EACCES};
  EXPECT_EQ(Failure([&] { OpenFileRaw(d.File("no.txt"), kModeOutput, 0); }),
            Why(kErrPermissionDenied, EACCES));
  EXPECT_EQ(Failure([&] { OpenFileRaw(d.File("none/x.txt"), kModeOutput, 0); }),
            Why(kErrPathNotFound, ENOENT));
  EXPECT_EQ(Failure([&] { OpenFileRaw(d.File("absent.txt"), kModeInput, 0); }),
            Why(kErrFileNotFound, ENOENT));

  File f = OpenFileRaw(d.File("c.txt"), kModeOutput, 0);
  fake.close = {-EINTR};  // the descriptor is gone either way
  EXPECT_NO_THROW(f.Close());
  File g = OpenFileRaw(d.File("c.txt"), kModeOutput, 0);
  fake.close = {-EIO};
  EXPECT_EQ(Failure([&] { g.Close(); }), Why(kErrDeviceIo, EIO));
  EXPECT_FALSE(g.is_open());

  // Through FileOpen the user sees the file layer's words, and the first
  // use of the unopened file tells why.
  ScriptedWindowServices ws;
  fake.open = {-EIO};
  File shown = FileOpen(ws, d.File("shown.txt"), kModeOutput, 0, false);
  EXPECT_FALSE(shown.is_open());
  EXPECT_EQ(ws.MessageTexts(), std::vector<std::string>{"The disk is full."});
  EXPECT_EQ(Failure([&] { shown.Write("x"); }), Why(kErrDeviceIo, EIO));
}

TEST(FileFailures, ALoadThatCannotReadFailsWithTheReason) {
  Session s;
  FakeSystemCalls fake;
  // The first read sees that the file is not empty; the second pass fails.
  fake.read = {0, -EIO};
  EXPECT_EQ(s.Load("0 @I1@ INDI\n1 NAME A /B/\n"), LoadOutcome::kFailed);
  EXPECT_NE(s.state.load_failure.find("Input/output error"), std::string::npos) << s.state.load_failure;
  EXPECT_FALSE(s.ws.busy);
}

}  // namespace
}  // namespace kinsheet::testing
