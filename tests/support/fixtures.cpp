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
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start));
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string Ged(const std::vector<std::string>& lines, const std::string& eol) {
  std::string out;
  for (const auto& l : lines) out += l + eol;
  return out;
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

std::string TestDataPath(const std::string& relative) {
  return std::string(KINSHEET_TESTDATA) + "/" + relative;
}

std::vector<std::string> PublicGedcomFiles() {
  std::vector<std::string> files;
  std::error_code missing;
  if (!fs::is_directory(TestDataPath("gedcom"), missing)) return files;
  for (const auto& e : fs::directory_iterator(TestDataPath("gedcom"))) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext == ".ged") files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace kinsheet::testing
