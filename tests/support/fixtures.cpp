#include "support/fixtures.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kinsheet::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "kinsheet-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> CrLfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end = 0; start < bytes.size(); start = end + 2) {
    end = std::min(bytes.find("\r\n", start), bytes.size());
    lines.push_back(bytes.substr(start, end - start));
  }
  return lines;
}

std::string Ged(const std::vector<std::string>& lines, const std::string& eol) {
  std::string out;
  for (const auto& l : lines) out += l + eol;
  return out;
}

std::string People(int count, const std::string& surname, const std::string& eol) {
  std::vector<std::string> lines = {"0 HEAD"};
  for (int i = 1; i <= count; ++i) {
    const std::string n = std::to_string(i);
    lines.insert(lines.end(), {"0 @I" + n + "@ INDI", "1 NAME Given" + n + " /" + surname + "/", "1 BIRT",
                               "2 DATE " + std::to_string(1800 + i % 150)});
  }
  for (int f = 1; f <= count / 2; ++f) {
    lines.insert(lines.end(), {"0 @F" + std::to_string(f) + "@ FAM", "1 HUSB @I" + std::to_string(2 * f - 1) + "@",
                               "1 WIFE @I" + std::to_string(2 * f) + "@"});
  }
  lines.push_back("0 TRLR");
  return Ged(lines, eol);
}

Session::Session() {
  state.program_folder = dir.path();
  state.work_folder = dir.path();
  state.opener = "true";
}

LoadOutcome Session::Load(const std::string& bytes, const std::string& name) {
  const std::string path = dir.File(name);
  WriteBytes(path, bytes);
  return LoadFile(path);
}

LoadOutcome Session::LoadFile(const std::string& path) {
  ws.AnswerOpen(path);
  return LoadGedcom(state, ws);
}

void Session::Tick(std::initializer_list<int> boxes) {
  for (int b : boxes) SetFieldBox(state, ws, b, true);
}

void Session::TickAll() { SelectAll(state, ws); }

bool Session::Export(std::int16_t index, const std::string& name) {
  ws.AnswerSave(dir.File(name));
  return mnuSheetifyItem_Click(state, ws, index);
}

std::vector<std::string> LeftTemporaries(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 1 && name[0] == '.' && name.find(".kinsheet-") != std::string::npos) found.push_back(name);
  }
  return found;
}

std::string PublicGedcom(const std::string& name) { return (fs::path(KINSHEET_TESTDATA) / name).string(); }

std::string PublicGedcomMissing() {
  std::error_code ec;
  if (fs::is_directory(KINSHEET_TESTDATA, ec)) return "";
  return std::string("the public GEDCOM folder ") + KINSHEET_TESTDATA + " is missing (set KINSHEET_TESTDATA)";
}

bool PublicGedcomRequired() { return KINSHEET_REQUIRE_TESTDATA != 0; }

}  // namespace kinsheet::testing
