// The export driver with a writer and tables made up here: the order in
// which a writer hears of its tables and rows, progress across tables, and
// what a failure at each step or a cancel leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/export_driver.h"
#include "support/fake_system_calls.h"
#include "support/fixtures.h"
#include "ui/messages.h"

namespace kinsheet::testing {
namespace {

class FakeTable : public TableSource {
 public:
  FakeTable(std::string name, int rows, std::vector<std::string>& log) : name_(std::move(name)), rows_(rows), log_(log) {}
  TableLayout Layout() const override { return {name_, {&kExportColumns[0], &kExportColumns[15]}, rows_}; }
  void Open() override { next_ = 0; }
  bool Next(ExportRow& row) override {
    if (next_ == rows_) return false;
    ++next_;
    row = {{1, name_ + std::to_string(next_)}, {16, "id"}};
    return true;
  }
  void Close() override { log_.push_back("Close " + name_); }
  void Abandon() noexcept override { log_.push_back("Abandon " + name_); }

 private:
  std::string name_;
  int rows_;
  int next_ = 0;
  std::vector<std::string>& log_;
};

// Logs every step and writes one line per row to the temporary; throws at
// the step named `fail_at` (a row step fails on its second row).
class FakeWriter : public TableWriter {
 public:
  FakeWriter(const WriterTraits& traits, std::vector<std::string>& log, std::string fail_at = "")
      : TableWriter(traits), log_(log), fail_at_(std::move(fail_at)) {}

  std::string Refusal(const TableLayout& table) const override {
    return table.name == refused_ ? "no room for " + table.name : "";
  }
  void Begin(const ExportOutput& output) override {
    temporary_ = output.temporary;
    Log("Begin");
    if (output.lines == nullptr) out_.open(temporary_, std::ios::binary);
    lines_ = output.lines;
  }
  void BeginTable(const TableLayout& table) override {
    Log("Table " + table.name + " " + std::to_string(table.rows));
    Write("[" + table.name + "]");
  }
  void Row(const ExportRow& row) override {
    log_.push_back("Row " + row[0].value);
    if (fail_at_ == "Row" && row[0].value.back() == '2') Fail();
    Write(row[0].value);
  }
  void EndTable() override { Log("EndTable"); }
  void Finish() override {
    Log("Finish");
    out_.close();
  }
  void Abandon() noexcept override {
    // The temporary must still be there for the writer to let go of it.
    const bool gone = !temporary_.empty() && !std::filesystem::exists(temporary_);
    log_.push_back(gone ? "Abandon after the temporary went" : "Abandon");
    out_.close();
  }
  std::string refused_;

 private:
  void Log(const std::string& step) {
    log_.push_back(step);
    if (step.rfind(fail_at_, 0) == 0 && !fail_at_.empty()) Fail();
  }
  [[noreturn]] void Fail() { throw std::runtime_error("cannot go on with " + temporary_); }
  void Write(const std::string& line) {
    if (lines_ != nullptr) {
      lines_->WriteLine(line);
    } else {
      out_ << line << "\n";
    }
  }
  std::vector<std::string>& log_;
  std::string fail_at_;
  std::string temporary_;
  std::ofstream out_;
  File* lines_ = nullptr;
};

constexpr WriterTraits kAnnouncing = {msg::kDbError, 4, true, false, 3};
constexpr WriterTraits kLines = {msg::kSaveError, 4, false, true, 3};

struct DriverRun {
  Session s;
  std::vector<std::string> log;
  std::string path;
  DriverRun() {
    EXPECT_EQ(s.Load(People(2)), LoadOutcome::kLoaded);
    s.Tick({0});
    path = s.dir.File("out.dat");
    s.state.current_file_name = path;
    s.ws.calls.clear();
    s.ws.progress_steps = 0;
    s.ws.polls = 0;
  }
  bool Run(FakeWriter& writer, int rows_a = 3, int rows_b = 2) {
    std::vector<std::unique_ptr<TableSource>> tables;
    tables.push_back(std::make_unique<FakeTable>("a", rows_a, log));
    tables.push_back(std::make_unique<FakeTable>("b", rows_b, log));
    return RunExport(s.state, s.ws, writer, std::move(tables));
  }
};

TEST(ExportDriver, TwoTablesInOrderWithOneProgressBarOverBoth) {
  DriverRun run;
  FakeWriter writer(kAnnouncing, run.log);
  ASSERT_TRUE(run.Run(writer));
  EXPECT_EQ(run.log, (std::vector<std::string>{"Begin", "Table a 3", "Row a1", "Row a2", "Row a3", "Close a",
                                               "EndTable", "Table b 2", "Row b1", "Row b2", "Close b", "EndTable",
                                               "Finish"}));
  EXPECT_EQ(ReadBytes(run.path), "[a]\na1\na2\na3\n[b]\nb1\nb2\n");
  EXPECT_TRUE(LeftTemporaries(run.s.dir.path()).empty());
  // Five rows in all pass the threshold of four: one bar, counted on.
  EXPECT_EQ(run.s.ws.calls,
            (std::vector<std::string>{"Busy", "Status:One moment please...", "Status:Creating " + run.path + "...",
                                      "DoEvents", "ProgressMax:5", "ProgressShown", "ProgressHidden", "NotBusy",
                                      "Status:" + run.path,
                                      "Message:" + run.path + " created. Do you wish to view it now?"}));
  EXPECT_EQ(run.s.ws.progress_value, 5);
  EXPECT_EQ(run.s.ws.progress_steps, 6);

  // Four rows in all stay under the bar; a line writer gets its file open.
  DriverRun lines;
  FakeWriter line_writer(kLines, lines.log);
  ASSERT_TRUE(lines.Run(line_writer, 2, 2));
  EXPECT_EQ(ReadBytes(lines.path), "[a]\r\na1\r\na2\r\n[b]\r\nb1\r\nb2\r\n");
  EXPECT_EQ(lines.s.ws.progress_steps, 0);
  // No announcement, but the file being written is named all the same.
  EXPECT_EQ(lines.s.ws.calls, (std::vector<std::string>{"Busy", "Status:Creating " + lines.path + "...",
                                                        "ProgressHidden", "NotBusy", "Status:" + lines.path,
                                                        "Message:" + lines.path + " created. Do you wish to view it now?"}));
}

TEST(ExportDriver, AFailureAtAnyStepKeepsTheOldFileAndSaysSoOnce) {
  for (const char* step : {"Begin", "Table a", "Table b", "Row", "EndTable", "Finish"}) {
    for (const WriterTraits* traits : {&kAnnouncing, &kLines}) {
      DriverRun run;
      WriteBytes(run.path, "old");
      FakeWriter writer(*traits, run.log, step);
      EXPECT_FALSE(run.Run(writer)) << step;
      EXPECT_EQ(ReadBytes(run.path), "old") << step;
      EXPECT_TRUE(LeftTemporaries(run.s.dir.path()).empty()) << step;
      // The writer let go before its temporary was removed, and never
      // finished.
      EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "Abandon"), 1) << step;
      EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "Finish"), std::string(step) == "Finish") << step;
      // The table under way is abandoned; none after it is begun.
      const bool in_table = std::string(step) == "Row";
      EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "Abandon a"), in_table ? 1 : 0) << step;
      if (std::string(step) != "Finish" && std::string(step) != "EndTable") {
        EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "Table b 2"), std::string(step) == "Table b") << step;
      }
      // One message naming the chosen file, not the temporary.
      ASSERT_EQ(run.s.ws.messages.size(), 1u) << step;
      EXPECT_EQ(run.s.ws.messages[0].text, std::string(traits->failure_heading) + "\ncannot go on with " + run.path)
          << step;
      EXPECT_EQ(run.s.ws.messages[0].icon, MsgIcon::kExclamation);
      EXPECT_EQ(run.s.ws.status, "Not saved: " + run.path) << step;
      EXPECT_FALSE(run.s.ws.busy);
      EXPECT_FALSE(run.s.ws.progress_visible);
    }
  }
}

TEST(ExportDriver, CancelInTheMiddleOfTheSecondTable) {
  DriverRun run;
  WriteBytes(run.path, "old");
  // One question per row: the fifth row is never written.
  run.s.ws.cancel_at_poll = 5;
  FakeWriter writer(kAnnouncing, run.log);
  EXPECT_FALSE(run.Run(writer));
  EXPECT_EQ(run.log, (std::vector<std::string>{"Begin", "Table a 3", "Row a1", "Row a2", "Row a3", "Close a",
                                               "EndTable", "Table b 2", "Row b1", "Abandon", "Abandon b"}));
  EXPECT_EQ(ReadBytes(run.path), "old");
  EXPECT_TRUE(LeftTemporaries(run.s.dir.path()).empty());
  EXPECT_TRUE(run.s.ws.messages.empty());
  EXPECT_EQ(run.s.ws.status, "Export cancelled");
  EXPECT_FALSE(run.s.ws.progress_visible);
  EXPECT_FALSE(run.s.ws.busy);
}

TEST(ExportDriver, ARefusedTableStopsTheExportBeforeAnyFile) {
  DriverRun run;
  FakeWriter writer(kAnnouncing, run.log);
  writer.refused_ = "b";
  EXPECT_FALSE(run.Run(writer));
  EXPECT_EQ(run.log, std::vector<std::string>{"Abandon"});  // nothing begun
  EXPECT_FALSE(std::filesystem::exists(run.path));
  EXPECT_TRUE(LeftTemporaries(run.s.dir.path()).empty());
  ASSERT_EQ(run.s.ws.messages.size(), 1u);
  // A limit of the format, not a failure: no failure heading.
  EXPECT_EQ(run.s.ws.messages[0].text, "no room for b");
  EXPECT_EQ(run.s.ws.status, "Not saved: " + run.path);
}

}  // namespace
}  // namespace kinsheet::testing
