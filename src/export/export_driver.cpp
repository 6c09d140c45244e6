#include "export/export_driver.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

#include "export/living.h"
#include "export/more_columns.h"
#include "export/writer_support.h"
#include "fileio/replacement.h"
#include "ui/messages.h"

namespace kinsheet {

std::string TableWriter::Refusal(const TableLayout&) const { return {}; }

namespace {

constexpr const char* kPeopleTableName = "tblKinsheet";
// A person's own fields and parents, then six columns per marriage.
constexpr int kOwnColumns = 22;
constexpr int kMarriageColumns = 6;

class ExportRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The progress bar over the rows of every table together, shown when they
// are more than the writer's threshold. Each step is a point where a
// cancelled export stops (Cancelled is thrown); EndExport hides the bar.
class Progress {
 public:
  Progress(WindowServices& ws, std::int64_t total, std::int32_t threshold) : ws_(ws), shown_(total > threshold) {
    if (shown_) {
      ws_.SetProgressMax(Clamped(total));
      ws_.SetProgressValue(0);
      ws_.SetProgressVisible(true);
    }
  }
  void Step() {
    ++done_;
    if (shown_) ws_.SetProgressValue(Clamped(done_));
    ThrowIfCancelled(ws_);
  }

 private:
  static std::int32_t Clamped(std::int64_t n) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(n, std::numeric_limits<std::int32_t>::max()));
  }
  WindowServices& ws_;
  bool shown_;
  std::int64_t done_ = 0;
};

class PeopleRows : public TableSource {
 public:
  PeopleRows(RunState& state, WindowServices& ws, int marriages, const std::vector<std::int32_t>* order)
      : state_(state), ws_(ws), marriages_(marriages), order_(order) {}

  TableLayout Layout() const override {
    return {kPeopleTableName, SelectedColumns(state_.selection, kOwnColumns + kMarriageColumns * marriages_),
            order_ != nullptr ? static_cast<std::int32_t>(order_->size()) : state_.living_plan.rows};
  }
  void Open() override {
    files_ = OpenWorkFiles(state_, ws_);
    next_ = 1;
    if (state_.selection.AnyMore()) more_ = std::make_unique<MoreColumns>(state_);
  }
  bool Next(ExportRow& row) override {
    if (order_ != nullptr) {
      const auto i = static_cast<std::size_t>(next_ - 1);
      if (i >= order_->size()) return false;
      ++next_;
      AssembleRow(state_, files_, (*order_)[i], marriages_, row);
      return true;
    }
    for (; next_ <= state_.work.individual_count; ++next_) {
      if (WritesRow(state_.living_plan, state_.living.mode, next_)) {
        AssembleRow(state_, files_, next_, marriages_, row);
        if (more_) more_->Append(state_, files_, next_, row);
        ++next_;
        return true;
      }
    }
    return false;
  }
  void Close() override {
    files_.individuals.Close();
    files_.families.Close();
    more_.reset();
  }
  void Abandon() noexcept override {
    files_ = WorkFiles();
    more_.reset();
  }

 private:
  RunState& state_;
  WindowServices& ws_;
  int marriages_;
  const std::vector<std::int32_t>* order_;
  WorkFiles files_;
  std::unique_ptr<MoreColumns> more_;
  std::int32_t next_ = 1;
};

// Every table's rows, each table between BeginTable and EndTable.
void WriteTables(TableWriter& writer, std::vector<std::unique_ptr<TableSource>>& tables,
                 const std::vector<TableLayout>& layouts, Progress& progress, TableSource*& open_table) {
  ExportRow row;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    writer.BeginTable(layouts[i]);
    open_table = tables[i].get();
    open_table->Open();
    while (open_table->Next(row)) {
      progress.Step();
      writer.Row(row);
    }
    open_table->Close();
    open_table = nullptr;
    writer.EndTable();
  }
}

}  // namespace

std::unique_ptr<TableSource> PeopleTable(RunState& state, WindowServices& ws, int marriages,
                                         const std::vector<std::int32_t>* order) {
  return std::make_unique<PeopleRows>(state, ws, marriages, order);
}

std::int32_t PeopleRowCount(const RunState& state) {
  if (state.export_rows) return static_cast<std::int32_t>(state.export_rows->size());
  return state.living_plan.rows;
}

bool RunExport(RunState& state, WindowServices& ws, TableWriter& writer,
               std::vector<std::unique_ptr<TableSource>> tables) {
  const WriterTraits& traits = writer.traits();
  const std::string& path = state.current_file_name;
  ws.SetBusy(true);
  if (traits.announces) ws.SetStatusText(msg::kOneMoment);
  std::optional<FileReplacement> replacement;
  File lines;
  TableSource* open_table = nullptr;
  try {
    SettleLiving(state, ws);
    std::vector<TableLayout> layouts;
    std::int64_t total = 0;
    for (const auto& table : tables) {
      layouts.push_back(table->Layout());
      total += layouts.back().rows;
      // Refused before any file exists.
      if (std::string refusal = writer.Refusal(layouts.back()); !refusal.empty()) throw ExportRefused(refusal);
    }
    // Standard output, a pipe or /dev/null has no old file to keep safe.
    const bool stream = traits.writes_lines && IsStreamOutput(path);
    if (stream) {
      lines = OpenStreamOutput(path);
    } else if (traits.writes_lines) {
      lines = FileOpenReplacing(ws, path, replacement);
      // The file layer has shown its message; its reason ends the export.
      if (!replacement) lines.Write({});
    } else {
      replacement.emplace(path);
    }
    static const std::string kNoTemporary;
    writer.Begin({path, replacement ? replacement->temporary() : kNoTemporary,
                  traits.writes_lines ? &lines : nullptr});
    // Every format names the file it writes while it writes it.
    ws.SetStatusText(msg::kCreating + path + msg::kCreatingEnd);
    if (traits.announces) ws.DoEvents();
    Progress progress(ws, total, traits.progress_threshold);
    WriteTables(writer, tables, layouts, progress, open_table);
    writer.Finish();
    lines.Close();
    if (replacement) replacement->Commit();
  } catch (const ExportRefused& e) {
    // A format's limit, found before any file was made: said on its own,
    // not as a failure.
    writer.Abandon();
    Say(ws, e.what(), MsgIcon::kExclamation);
    return EndExport(state, ws, false);
  } catch (const std::exception& e) {
    writer.Abandon();
    if (open_table != nullptr) open_table->Abandon();
    lines = File();
    ReportWriterFailure(ws, traits.failure_heading, e, replacement ? &*replacement : nullptr);
    // Nothing uses the temporary any more.
    replacement.reset();
    return EndExport(state, ws, false);
  }
  return EndExport(state, ws, true);
}

bool RunExport(RunState& state, WindowServices& ws, TableWriter& writer) {
  std::vector<std::unique_ptr<TableSource>> tables;
  const std::vector<std::int32_t>* order = state.export_rows ? &*state.export_rows : nullptr;
  tables.push_back(PeopleTable(state, ws, writer.traits().marriages, order));
  return RunExport(state, ws, writer, std::move(tables));
}

}  // namespace kinsheet
