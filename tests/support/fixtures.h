// A private folder per test, GEDCOM text loaded through the real loader,
// and the folder of the public GEDCOM files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "export/export_command.h"
#include "gedcom/loader.h"
#include "state/commands.h"
#include "state/run_state.h"
#include "support/scripted_window_services.h"

namespace kinsheet::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
// Splits at CR LF; the text after the last CR LF is dropped when empty.
std::vector<std::string> CrLfLines(const std::string& bytes);

// GEDCOM lines joined with LF (or `eol`).
std::string Ged(const std::vector<std::string>& lines, const std::string& eol = "\n");
// A file of `count` people @I<i>@ "Given<i> /<surname>/", born in 1800 + i % 150,
// with a family for each pair.
std::string People(int count, const std::string& surname = "Sur", const std::string& eol = "\n");

// Everything one test run needs: state with its work folder, the scripted
// window, and the folder for inputs and outputs.
struct Session {
  TempDir dir;
  RunState state;
  ScriptedWindowServices ws;
  Session();
  // Writes `bytes` to a file and loads it; the scripted window's record
  // of the load stays for the test to inspect.
  LoadOutcome Load(const std::string& bytes, const std::string& name = "test.ged");
  LoadOutcome LoadFile(const std::string& path);
  void Tick(std::initializer_list<int> boxes);
  void TickAll();
  // Runs the export command for format `index` into `name` in the folder,
  // answering the completion question No; returns the command's result.
  bool Export(std::int16_t index, const std::string& name);
};

// Temporary files an export left in `folder` (".NAME.kinsheet-XXXXXX").
std::vector<std::string> LeftTemporaries(const std::string& folder);

// A file of the public GEDCOM folder (the KINSHEET_TESTDATA setting).
std::string PublicGedcom(const std::string& name);
// Empty while that folder is there; else the line a test that needs it
// stops with: a skip, or a failure where the run requires the files.
std::string PublicGedcomMissing();
bool PublicGedcomRequired();

#define KINSHEET_NEED_PUBLIC_GEDCOM()                                                   \
  do {                                                                                  \
    const std::string kinsheet_missing = ::kinsheet::testing::PublicGedcomMissing();    \
    if (!kinsheet_missing.empty()) {                                                    \
      if (::kinsheet::testing::PublicGedcomRequired()) FAIL() << kinsheet_missing;      \
      GTEST_SKIP() << kinsheet_missing;                                                 \
    }                                                                                   \
  } while (0)

}  // namespace kinsheet::testing
