// The database engine the Access writer talks to, shaped after the members
// it uses: DBEngine.OpenDatabase, Database.CreateTableDef, TableDef.
// CreateField, Field.AllowZeroLength, Fields.Append, TableDefs.Append,
// Database.OpenRecordset, Recordset.AddNew / Fields(name).Value / Update /
// Close, Database.Close. Text fields only, appended rows only. Each Update
// lands in a page buffer that is written, in an order that keeps the file
// readable, as soon as it is full; memory does not grow with the rows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/jet/jet_format.h"
#include "formats/jet/page_file.h"
#include "formats/jet/table_def.h"

namespace kinsheet::jet {

inline constexpr int dbLong = 4;
inline constexpr int dbText = 10;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbUpdateRegular = 1;

struct EngineOptions {
  // OLE date stamped on new catalog rows; 0 = now.
  double date = 0;
  // Largest file the engine may write; 0 = the format's own limit.
  std::uint64_t max_file_size = 0;
};

class Field {
 public:
  Field(std::string name, int type, int size) : name_(std::move(name)), type_(type), size_(size) {}
  const std::string& Name() const { return name_; }
  int Type() const { return type_; }
  int Size() const { return size_; }
  bool AllowZeroLength() const { return allow_zero_length_; }
  void AllowZeroLength(bool allow) { allow_zero_length_ = allow; }

 private:
  std::string name_;
  int type_;
  int size_;
  bool allow_zero_length_ = false;
};

class FieldCollection {
 public:
  void Append(const Field& field);
  std::size_t Count() const { return fields_.size(); }
  const Field& operator[](std::size_t i) const { return fields_[i]; }

 private:
  std::vector<Field> fields_;
};

class TableDef {
 public:
  explicit TableDef(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }
  // Type 10 (text), `size` in characters, 1 to 255; or type 4 (Long
  // Integer), whose size is 4.
  Field CreateField(const std::string& name, int type, int size) const;
  FieldCollection& Fields() { return fields_; }
  const FieldCollection& Fields() const { return fields_; }

 private:
  std::string name_;
  FieldCollection fields_;
};

class Database;
class TableWriter;

class TableDefCollection {
 public:
  explicit TableDefCollection(Database& db) : db_(&db) {}
  // Writes the table into the file; from then on it exists there.
  void Append(const TableDef& def);

 private:
  Database* db_;
};

class Recordset;

// The edit buffer's field: assigning checks the value against the field.
class RecordsetField {
 public:
  RecordsetField(Recordset& rs, std::size_t index) : rs_(&rs), index_(index) {}
  void Value(std::u16string_view value);
  // A Long Integer field's value.
  void Value(std::int32_t value);

 private:
  Recordset* rs_;
  std::size_t index_;
};

class Recordset {
 public:
  Recordset(Database& db, TableWriter& table);
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;
  ~Recordset();

  void AddNew();
  RecordsetField Fields(const std::string& name);
  void Update(int type = dbUpdateRegular, bool force = false);
  // Writes the partly filled page; the rows so far are then in the file.
  void Close();

 private:
  friend class RecordsetField;
  void SetValue(std::size_t index, std::u16string_view value);
  void SetNumber(std::size_t index, std::int32_t value);

  Database* db_;
  TableWriter* table_;
  bool editing_ = false;
  bool open_ = true;
  std::vector<std::u16string> values_;  // buffers kept from record to record
  std::vector<std::int32_t> numbers_;   // of Long Integer fields
  std::vector<bool> set_;                // false: the field stays NULL
  std::unordered_map<std::string, std::size_t> index_;  // field name -> column
};

class Database {
 public:
  Database(const std::string& path, const EngineOptions& options);
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  // Closes if still open, silently.
  ~Database();

  const JetFormat& format() const { return file_.format(); }
  const std::string& path() const { return file_.path(); }

  TableDef CreateTableDef(const std::string& name) const { return TableDef(name); }
  TableDefCollection& TableDefs() { return table_defs_; }
  std::unique_ptr<Recordset> OpenRecordset(const std::string& name, int type = dbOpenDynaset);
  // Writes every pending page and the global page map, then closes.
  void Close();

 private:
  friend class TableDefCollection;
  friend class TableWriter;
  friend class Recordset;

  void AppendTable(const TableDef& def);
  // Numbers for `count` new pages at the end of the file, refused when the
  // file would outgrow its format.
  std::uint32_t ReservePages(std::uint32_t count);
  void WriteGlobalMap();

  PageFile file_;
  EngineOptions options_;
  TableDefCollection table_defs_{*this};
  TableShape catalog_;
  std::uint32_t catalog_data_page_ = 0;
  std::uint32_t lv_prop_owned_map_ = 0;  // (page << 8) | row
  std::vector<std::u16string> object_names_;
  std::uint32_t next_page_ = 0;
  std::uint32_t max_pages_ = 0;
  std::vector<std::unique_ptr<TableWriter>> tables_;
  bool open_ = true;
};

class DBEngine {
 public:
  explicit DBEngine(EngineOptions options = {}) : options_(options) {}
  std::unique_ptr<Database> OpenDatabase(const std::string& path) const;

 private:
  EngineOptions options_;
};

// Writes an empty database of `format` (the template workfiles).
void CreateEmptyDatabase(const std::string& path, const JetFormat& format, double creation_date);

}  // namespace kinsheet::jet
