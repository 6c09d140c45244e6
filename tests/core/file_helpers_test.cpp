#include <gtest/gtest.h>

#include "fileio/file_open.h"
#include "support/fixtures.h"

namespace kinsheet {
namespace {

using testing::ReadBytes;
using testing::ScriptedWindowServices;
using testing::TempDir;
using testing::WriteBytes;

TEST(FileOpen, NameCheck) {
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
}

TEST(FileOpen, ReplaceQuestionOnlyForOutput) {
  TempDir d;
  const std::string path = d.File("old.txt");
  WriteBytes(path, "old");
  ScriptedWindowServices ws;
  ws.Answer(MsgResult::kCancel);
  EXPECT_FALSE(FileOpen(ws, path, kModeOutput, 0, true).is_open());
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_EQ(ws.messages.at(0).text, "Replace contents of " + path + "?");
  EXPECT_EQ(ws.messages.at(0).title, "Replace File?");
  EXPECT_EQ(ws.messages.at(0).buttons, MsgButtons::kOkCancel);
  ws.Answer(MsgResult::kOk);
  File f = FileOpen(ws, path, kModeOutput, 0, true);
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

TEST(File, LinesRecordsAndLimits) {
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

  File r = OpenFileRaw(d.File("rec.bin"), kModeRandom, 4);
  r.PutRecord(2, "BBBB");
  r.PutRecord(1, "AAAA");
  char buf[4];
  r.GetRecord(2, buf);
  EXPECT_EQ(std::string(buf, 4), "BBBB");
  EXPECT_THROW(r.GetRecord(3, buf), FileError);
  r.Close();
  EXPECT_EQ(ReadBytes(d.File("rec.bin")), "AAAABBBB");
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

}  // namespace
}  // namespace kinsheet
