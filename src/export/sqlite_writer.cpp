// The SQLite export: the table tblKinsheet with the Access field names, all
// TEXT in UTF-8, one row per person in file order, an index on INDI_ID made
// after the rows, and the table kinsheet_info describing the export. All of
// it in one transaction through one prepared statement.
#include <sqlite3.h>

#include <array>
#include <ctime>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "export/columns.h"
#include "export/living.h"
#include "export/writer_support.h"
#include "export/writers.h"
#include "fileio/replacement.h"
#include "records/work_records.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

constexpr const char* kTableName = "tblKinsheet";
constexpr std::int32_t kProgressThreshold = 100;

class SqliteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Quoted(const std::string& identifier) {
  std::string q = "\"";
  for (char c : identifier) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

class Connection {
 public:
  explicit Connection(const std::string& path) {
    const int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
      const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      sqlite3_close(db_);
      db_ = nullptr;
      throw SqliteError(why);
    }
  }
  ~Connection() { sqlite3_close_v2(db_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* get() const { return db_; }
  void Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string why = error != nullptr ? error : sqlite3_errmsg(db_);
      sqlite3_free(error);
      throw SqliteError(why);
    }
  }
  [[noreturn]] void Fail() const { throw SqliteError(sqlite3_errmsg(db_)); }
  // Closes for good; throws when the file cannot be completed.
  void Close() {
    if (sqlite3_close(db_) != SQLITE_OK) Fail();
    db_ = nullptr;
  }

 private:
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(Connection& db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) db.Fail();
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // The text must live until Run.
  void Bind(int index, const std::string& text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC) != SQLITE_OK) {
      db_.Fail();
    }
  }
  void Run() {
    if (sqlite3_step(stmt_) != SQLITE_DONE) db_.Fail();
    sqlite3_reset(stmt_);
  }

 private:
  Connection& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buffer;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ExportInfo(const RunState& state) {
  std::string fields;
  for (const TableField& f : TableFields(state.selection)) {
    if (!fields.empty()) fields += ",";
    fields += f.name;
  }
  return {
      {"source_file", text::DecodeToUtf8(state.gedcom_path)},
      {"export_time", UtcNow()},
      {"program", "Kinsheet"},
      {"program_version", std::to_string(KINSHEET_VERSION_MAJOR) + "." + std::to_string(KINSHEET_VERSION_MINOR)},
      {"fields", fields},
      // What the export did with people presumed living, and by which limit.
      {"living", LivingModeName(state.living.mode)},
      {"living_years", std::to_string(state.living.years)},
  };
}

bool WriteSqliteDatabase(RunState& state, WindowServices& ws) {
  const std::string& path = state.current_file_name;
  const std::int32_t individuals = state.work.individual_count;
  std::optional<FileReplacement> replacement;
  WorkFiles files;
  ws.SetBusy(true);
  ws.SetStatusText(msg::kOneMoment);
  try {
    const LivingPlan& plan = SettleLiving(state, ws);
    const std::int32_t count = plan.rows;
    replacement.emplace(path);
    Connection db(replacement->temporary());
    // No journal: an unfinished file is thrown away whole, and the finished
    // one is flushed to disk before it takes the output's name.
    db.Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-65536;");
    db.Exec("BEGIN");

    const std::vector<TableField> fields = TableFields(state.selection);
    std::string create = std::string("CREATE TABLE ") + kTableName + " (";
    std::string insert = std::string("INSERT INTO ") + kTableName + " VALUES (";
    for (std::size_t i = 0; i < fields.size(); ++i) {
      create += (i ? ", " : "") + Quoted(fields[i].name) + " TEXT";
      insert += i ? ", ?" : "?";
    }
    db.Exec(create + ")");

    ws.SetStatusText(msg::kCreating + path + msg::kCreatingEnd);
    ws.DoEvents();
    RowProgress progress(ws, count, kProgressThreshold);
    files = OpenWorkFiles(state, ws);

    // Statements end before the connection closes.
    {
    Statement add(db, insert + ")");
    ExportRow row;
    const std::string empty;
    std::vector<std::string> values(fields.size());
    std::array<const std::string*, kColumnCount + 1> by_position{};
    std::int32_t written = 0;
    for (std::int32_t n = 1; n <= individuals; ++n) {
      if (!WritesRow(plan, state.living.mode, n)) continue;
      progress.Step(++written);
      AssembleRow(state, files, n, 3, row);
      by_position.fill(nullptr);
      for (const ExportValue& v : row) by_position[v.position] = &v.value;
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string* v = by_position[fields[i].position];
        // Empty values are the empty text, never NULL; most values are
        // UTF-8 already and are bound where they are.
        if (v == nullptr) {
          v = &empty;
        } else if (!text::IsValidUtf8(*v)) {
          values[i] = text::DecodeToUtf8(*v);
          v = &values[i];
        }
        add.Bind(static_cast<int>(i + 1), *v);
      }
      add.Run();
    }
    }
    files.individuals.Close();
    files.families.Close();

    for (const TableField& f : fields) {
      if (f.position == 1) {
        db.Exec(std::string("CREATE INDEX idx_tblKinsheet_INDI_ID ON ") + kTableName + " (\"INDI_ID\")");
      }
    }
    db.Exec("CREATE TABLE kinsheet_info (key TEXT PRIMARY KEY, value TEXT NOT NULL)");
    {
      Statement info(db, "INSERT INTO kinsheet_info (key, value) VALUES (?, ?)");
      for (const auto& [key, value] : ExportInfo(state)) {
        info.Bind(1, key);
        info.Bind(2, value);
        info.Run();
      }
    }
    db.Exec("COMMIT");
    db.Close();
    replacement->Commit();
  } catch (const std::exception& e) {
    files = WorkFiles();
    ReportWriterFailure(ws, msg::kDbError, e, replacement ? &*replacement : nullptr);
    return EndExport(state, ws, false);
  }
  return EndExport(state, ws, true);
}

}  // namespace kinsheet
