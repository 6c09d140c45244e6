// Test helpers for the engine suites.
#include "jet_test_support.h"

#include <iconv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "formats/jet/text_codec.h"

namespace kinsheet::jet::testing {

TempDir::TempDir() {
  std::string name = (std::filesystem::temp_directory_path() / "kinsheet-jet-XXXXXX").string();
  if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a folder for " + name);
  path_ = name;
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
    const std::string s = m == 1 ? "" : " " + n;
    fields.push_back({"FAMS_ID_" + n, 30, "FAMS_ID" + s});
    fields.push_back({"Spouse_ID_" + n, 30, "Spouse_ID" + s});
    fields.push_back({"Spouse_" + n, 120, "Spouse" + s});
    fields.push_back({"Mar_Date_" + n, 60, "Mar_Date" + s});
    fields.push_back({"Mar_Place_" + n, 120, "Mar_Place" + s});
    fields.push_back({"Ch_" + n, 2, "#Ch" + s});
  }
  return fields;
}

void AppendTestTable(Database& db, const std::vector<TestField>& fields) {
  TableDef def = db.CreateTableDef("tblKinsheet");
  for (const TestField& f : fields) {
    Field field = def.CreateField(f.name, dbText, f.size);
    field.AllowZeroLength(true);
    def.Fields().Append(field);
  }
  db.TableDefs().Append(def);
}

void WriteTestTable(const JetFormat& format, const std::string& path, const std::vector<TestField>& fields,
                    const std::vector<TestRow>& rows, EngineOptions options) {
  std::filesystem::copy_file(TemplatePath(format), path, std::filesystem::copy_options::overwrite_existing);
  DBEngine engine(options);
  auto db = engine.OpenDatabase(path);
  AppendTestTable(*db, fields);
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
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool HaveMdbtools() { return HaveCommand("mdb-ver") && HaveCommand("mdb-export") && HaveCommand("mdb-prop"); }

bool HaveMdbReader() {
  return HaveCommand("node") &&
         std::filesystem::exists(std::string(KINSHEET_ORACLE_NODE_DIR) + "/node_modules/mdb-reader/package.json");
}

std::string CheckWithMdbReader(const std::string& db, const ReaderExpectation& expected,
                               const std::string& scratch_file) {
  // Every text unit escaped: plain JSON whatever the text holds.
  const auto json = [](std::u16string_view text) {
    std::string quoted = "\"";
    char buf[8];
    for (char16_t c : text) {
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      quoted += buf;
    }
    return quoted + "\"";
  };
  std::string out = "{\"tables\":[";
  if (expected.has_table) {
    out += "\"tblKinsheet\"],\"table\":\"tblKinsheet\",\"columns\":[";
    for (std::size_t i = 0; i < expected.columns.size(); ++i) {
      out += (i ? "," : "") + std::string("{\"name\":\"") + expected.columns[i].first +
             "\",\"size\":" + std::to_string(expected.columns[i].second) + "}";
    }
  }
  out += "]";
  if (expected.row_count) out += ",\"rowCount\":" + std::to_string(*expected.row_count);
  out += "}\n";
  for (const TestRow& row : expected.rows) {
    out += "[";
    for (std::size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + (row[i] ? json(*row[i]) : "null");
    out += "]\n";
  }
  if (!(std::ofstream(scratch_file, std::ios::binary) << out)) return "cannot write " + scratch_file;
  const auto result = RunCommand("node " + ShellQuote(std::string(KINSHEET_JET_TEST_DIR) + "/mdb_reader_check.mjs") +
                                 " " + ShellQuote(KINSHEET_ORACLE_NODE_DIR) + " " + ShellQuote(db) + " " +
                                 ShellQuote(scratch_file) + " 2>&1");
  return result.exit_code == 0 ? "" : result.output;
}

namespace {

std::optional<std::string> Iconv(const char* from, const char* to, std::string bytes) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("glibc lacks a character set");
  std::string out(bytes.size() * 4 + 4, '\0');
  char* in_p = bytes.data();
  char* out_p = out.data();
  std::size_t in_left = bytes.size(), out_left = out.size();
  const std::size_t r = iconv(cd, &in_p, &in_left, &out_p, &out_left);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

std::string Utf16Bytes(std::u16string_view s) {
  std::string bytes;
  for (char16_t c : s) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::u16string FromUtf16Bytes(const std::string& bytes) {
  std::u16string out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                        static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return out;
}

}  // namespace

std::u16string GlibcDecode(const std::string& bytes) {
  if (auto utf16 = Iconv("UTF-8", "UTF-16LE", bytes)) return FromUtf16Bytes(*utf16);
  std::u16string out;
  for (char c : bytes) {
    const auto one = Iconv("WINDOWS-1252", "UTF-16LE", std::string(1, c));
    out += one ? FromUtf16Bytes(*one) : std::u16string(1, static_cast<unsigned char>(c));
  }
  return out;
}

std::u16string StoredInJet3(std::u16string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF;
    out.push_back(!pair && Iconv("UTF-16LE", "WINDOWS-1252", Utf16Bytes(text.substr(i, 1))) ? text[i] : u'?');
    if (pair) ++i;
  }
  return out;
}

std::string GlibcUtf8(std::u16string_view text) {
  return Iconv("UTF-16LE", "UTF-8", Utf16Bytes(text)).value_or("(not UTF-16)");
}

}  // namespace kinsheet::jet::testing
