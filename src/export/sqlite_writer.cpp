// The SQLite export: the table tblKinsheet with the Access field names, all
// TEXT in UTF-8 but the numeric columns (INTEGER), one row per person in file order, an index on INDI_ID made
// after the rows, and the table kinsheet_info describing the export. All of
// it in one transaction through one prepared statement.
#include <sqlite3.h>

#include <array>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "export/columns.h"
#include "export/export_driver.h"
#include "export/living.h"
#include "export/writer_support.h"
#include "export/writers.h"
#include "state/startup.h"
#include "records/work_records.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

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
  void BindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) db_.Fail();
  }
  void BindNumber(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) db_.Fail();
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
      {"program_version", VersionText()},
      {"fields", fields},
      // What the export did with people presumed living, and by which limit.
      {"living", LivingModeName(state.living.mode)},
      {"living_years", std::to_string(state.living.years)},
  };
}

namespace {

constexpr WriterTraits kSqliteTraits = {msg::kDbError, 100, true, false, 3};

class SqliteWriter : public TableWriter {
 public:
  explicit SqliteWriter(const RunState& state) : TableWriter(kSqliteTraits), state_(state) {}

  void Begin(const ExportOutput& output) override {
    db_.emplace(output.temporary);
    // No journal: an unfinished file is thrown away whole, and the finished
    // one is flushed to disk before it takes the output's name.
    db_->Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-65536;");
    db_->Exec("BEGIN");
  }
  void BeginTable(const TableLayout& table) override {
    table_ = table.name;
    fields_ = TableFields(table.columns);
    std::string create = "CREATE TABLE " + table_ + " (";
    std::string insert = "INSERT INTO " + table_ + " VALUES (";
    numeric_.assign(fields_.size(), false);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      numeric_[i] = kExportColumns[static_cast<std::size_t>(fields_[i].position - 1)].numeric;
      create += (i ? ", " : "") + Quoted(fields_[i].name) + (numeric_[i] ? " INTEGER" : " TEXT");
      insert += i ? ", ?" : "?";
    }
    db_->Exec(create + ")");
    add_.emplace(*db_, insert + ")");
    values_.assign(fields_.size(), std::string());
  }
  void Row(const ExportRow& row) override {
    by_position_.fill(nullptr);
    for (const ExportValue& v : row) by_position_[v.position] = &v.value;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      const std::string* v = by_position_[fields_[i].position];
      if (numeric_[i]) {
        // A number column has no empty text: a missing number is NULL.
        if (v == nullptr || v->empty()) {
          add_->BindNull(static_cast<int>(i + 1));
        } else {
          add_->BindNumber(static_cast<int>(i + 1), std::stoll(*v));
        }
        continue;
      }
      // Empty values are the empty text, never NULL; most values are
      // UTF-8 already and are bound where they are.
      if (v == nullptr) {
        v = &empty_;
      } else if (!text::IsValidUtf8(*v)) {
        values_[i] = text::DecodeToUtf8(*v);
        v = &values_[i];
      }
      add_->Bind(static_cast<int>(i + 1), *v);
    }
    add_->Run();
  }
  // The index comes after the rows, which go in faster without it.
  void EndTable() override {
    add_.reset();
    for (const TableField& f : fields_) {
      if (f.position == 1) db_->Exec("CREATE INDEX idx_" + table_ + "_INDI_ID ON " + table_ + " (\"INDI_ID\")");
    }
  }
  void Finish() override {
    db_->Exec("CREATE TABLE kinsheet_info (key TEXT PRIMARY KEY, value TEXT NOT NULL)");
    {
      Statement info(*db_, "INSERT INTO kinsheet_info (key, value) VALUES (?, ?)");
      for (const auto& [key, value] : ExportInfo(state_)) {
        info.Bind(1, key);
        info.Bind(2, value);
        info.Run();
      }
    }
    db_->Exec("COMMIT");
    db_->Close();
    db_.reset();
  }
  // Statements end before the connection closes.
  void Abandon() noexcept override {
    add_.reset();
    db_.reset();
  }

 private:
  const RunState& state_;
  std::optional<Connection> db_;
  std::optional<Statement> add_;
  std::string table_;
  std::vector<TableField> fields_;
  std::vector<bool> numeric_;
  std::vector<std::string> values_;
  std::array<const std::string*, kColumnCount + 1> by_position_{};
  const std::string empty_;
};

}  // namespace

bool WriteSqliteDatabase(RunState& state, WindowServices& ws) {
  SqliteWriter writer(state);
  return RunExport(state, ws, writer);
}

}  // namespace kinsheet
