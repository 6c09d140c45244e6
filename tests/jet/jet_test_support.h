// Shared pieces of the database engine tests: temporary folders, the
// templates, writing a table through the engine, running external readers.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "formats/jet/dao.h"
#include "formats/jet/jet_format.h"

namespace kinsheet::jet::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string TemplatePath(const JetFormat& format);

struct TestField {
  std::string name;
  int size;
  std::string csv = {};  // the CSV export's caption when it is not `name`
};
using TestRow = std::vector<std::optional<std::u16string>>;  // nullopt: left unset (NULL)

// The Access export's 40 fields, in table order, with their CSV captions.
std::vector<TestField> KinsheetFields();

// Appends "tblKinsheet" with `fields` as text fields that take empty values.
void AppendTestTable(Database& db, const std::vector<TestField>& fields);

// Copies the template and writes `fields` and `rows` into "tblKinsheet".
void WriteTestTable(const JetFormat& format, const std::string& path, const std::vector<TestField>& fields,
                    const std::vector<TestRow>& rows, EngineOptions options = {});

struct CommandResult {
  int exit_code = -1;
  std::string output;  // stdout only
};
CommandResult RunCommand(const std::string& command);
bool HaveCommand(const std::string& name);
std::string ShellQuote(const std::string& s);

// Expected text from glibc's tables rather than from our own codec: a
// value's bytes as UTF-8 when they are, else as Windows-1252 (its five
// gaps as the C1 controls); what Jet 3 keeps of a text ("?" for every
// character Windows-1252 lacks); and UTF-8 for messages.
std::u16string GlibcDecode(const std::string& bytes);
std::u16string StoredInJet3(std::u16string_view text);
std::string GlibcUtf8(std::u16string_view text);

bool HaveMdbtools();
bool HaveMdbReader();

// What mdb-reader should find: tblKinsheet with these columns (name, size
// in bytes) and rows, or no user table when `has_table` is false. With
// `row_count` only the count and the rows given are compared.
struct ReaderExpectation {
  bool has_table = true;
  std::vector<std::pair<std::string, int>> columns;
  std::vector<TestRow> rows;
  std::optional<std::size_t> row_count;
};

// Runs mdb-reader over `db`; returns "" when it agrees, else its report.
std::string CheckWithMdbReader(const std::string& db, const ReaderExpectation& expected,
                               const std::string& scratch_file);

}  // namespace kinsheet::jet::testing
