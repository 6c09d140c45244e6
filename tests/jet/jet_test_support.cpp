// Test helpers for the engine suites.
#include "jet_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "export/jet/text_codec.h"

namespace kinsheet::jet::testing {

TempDir::TempDir() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("kinsheet-jet-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TemplatePath(const JetFormat& format) {
  return std::string(KINSHEET_BIN_DIR) + (format.version == 3 ? "/Kinsheet95.mdb" : "/Kinsheet2K.mdb");
}

std::vector<TestField> KinsheetFields() {
  std::vector<TestField> fields = {
      {"INDI_ID", 30},   {"FullName", 180},  {"Surname", 120},  {"Given", 120},    {"Nick", 60},
      {"Prefix", 60},    {"Suffix", 60},     {"Title", 120},    {"Sex", 1},        {"Bir_Date", 60},
      {"Bir_Place", 120}, {"Chr_Date", 60},  {"Chr_Place", 120}, {"Dea_Date", 60}, {"Dea_Place", 120},
      {"Brl_Date", 60},  {"Brl_Place", 120}, {"FAMC_ID", 30},   {"Father_ID", 30}, {"Father", 120},
      {"Mother_ID", 30}, {"Mother", 120}};
  for (int m = 1; m <= 3; ++m) {
    const std::string n = std::to_string(m);
    fields.push_back({"FAMS_ID_" + n, 30});
    fields.push_back({"Spouse_ID_" + n, 30});
    fields.push_back({"Spouse_" + n, 120});
    fields.push_back({"Mar_Date_" + n, 60});
    fields.push_back({"Mar_Place_" + n, 120});
    fields.push_back({"Ch_" + n, 2});
  }
  return fields;
}

void WriteTestTable(const JetFormat& format, const std::string& path, const std::vector<TestField>& fields,
                    const std::vector<TestRow>& rows, EngineOptions options) {
  std::filesystem::copy_file(TemplatePath(format), path, std::filesystem::copy_options::overwrite_existing);
  DBEngine engine(options);
  auto db = engine.OpenDatabase(path);
  TableDef def = db->CreateTableDef("tblKinsheet");
  for (const TestField& f : fields) {
    Field field = def.CreateField(f.name, dbText, f.size);
    field.AllowZeroLength(true);
    def.Fields().Append(field);
  }
  db->TableDefs().Append(def);
  auto rs = db->OpenRecordset("tblKinsheet", dbOpenDynaset);
  for (const TestRow& row : rows) {
    rs->AddNew();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (row[i]) rs->Fields(fields[i].name).Value(*row[i]);
    }
    rs->Update(dbUpdateRegular, false);
  }
  rs->Close();
  db->Close();
}

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
  const int status = ::pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool HaveCommand(const std::string& name) {
  return RunCommand("command -v " + ShellQuote(name) + " >/dev/null 2>&1").exit_code == 0;
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string JsonString(std::u16string_view text) {
  std::string out = "\"";
  for (char16_t c : text) {
    if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace kinsheet::jet::testing
