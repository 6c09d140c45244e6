// Checking reader for generated GEDCOM.
#include "gedcom_check.h"

#include <set>

namespace kinsheet::gedgen::testing {
namespace {

std::string Where(const GedLine& l) {
  return "line " + std::to_string(l.number) + ": ";
}

bool IsPointer(std::string_view v) {
  return v.size() >= 3 && v.front() == '@' && v.back() == '@' &&
         v.find('@', 1) == v.size() - 1;
}

// Decodes one character; returns its length or 0 when malformed.
std::size_t DecodeOne(std::string_view s, std::size_t pos, char32_t& c) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  std::size_t n;
  if (b0 < 0x80) {
    c = b0;
    return 1;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    c = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    c = b0 & 0x07;
  } else {
    return 0;
  }
  if (pos + n > s.size()) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if ((n == 3 && c < 0x800) || (n == 4 && c < 0x10000) || c > 0x10FFFF ||
      (c >= 0xD800 && c <= 0xDFFF)) {
    return 0;
  }
  return n;
}

}  // namespace

bool SplitLines(std::string_view bytes, std::string_view terminator,
                std::vector<std::string_view>& lines) {
  lines.clear();
  while (!bytes.empty()) {
    const std::size_t end = bytes.find(terminator);
    if (end == std::string_view::npos) return false;  // last line unterminated
    const std::string_view line = bytes.substr(0, end);
    if (line.find_first_of("\r\n") != std::string_view::npos) return false;
    lines.push_back(line);
    bytes.remove_prefix(end + terminator.size());
  }
  return true;
}

bool ParseLine(std::string_view line, GedLine& out) {
  std::size_t pos = 0;
  int level = 0;
  while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
    level = level * 10 + (line[pos] - '0');
    ++pos;
  }
  if (pos == 0 || pos >= line.size() || line[pos] != ' ') return false;
  ++pos;
  out.level = level;
  out.xref.clear();
  if (pos < line.size() && line[pos] == '@') {
    const std::size_t close = line.find('@', pos + 1);
    if (close == std::string_view::npos || close + 1 >= line.size() ||
        line[close + 1] != ' ') {
      return false;
    }
    out.xref = std::string(line.substr(pos, close + 1 - pos));
    pos = close + 2;
  }
  const std::size_t space = line.find(' ', pos);
  out.tag = std::string(line.substr(
      pos, space == std::string_view::npos ? line.npos : space - pos));
  if (out.tag.empty()) return false;
  for (char c : out.tag) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
      return false;
  }
  out.value = space == std::string_view::npos
                  ? std::string()
                  : std::string(line.substr(space + 1));
  // A separator space must be followed by a value.
  return space == std::string_view::npos || !out.value.empty();
}

std::size_t GedFile::CountRecords(std::string_view tag) const {
  std::size_t n = 0;
  for (const auto& l : lines) n += l.level == 0 && l.tag == tag ? 1 : 0;
  return n;
}

std::vector<std::string> CheckStructure(std::string_view bytes,
                                        std::string_view terminator,
                                        GedFile* parsed) {
  std::vector<std::string> problems;
  auto problem = [&](std::string text) {
    if (problems.size() < 20) problems.push_back(std::move(text));
  };
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::vector<std::string_view> raw;
  if (!SplitLines(bytes, terminator, raw)) {
    problem("lines do not all end in the expected terminator");
    return problems;
  }
  GedFile file;
  file.lines.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    GedLine l;
    l.number = i + 1;
    if (raw[i].size() > 255)
      problem("line " + std::to_string(i + 1) + " longer than 255 bytes");
    if (!ParseLine(raw[i], l)) {
      problem("line " + std::to_string(i + 1) +
              " malformed: " + std::string(raw[i]));
      continue;
    }
    file.lines.push_back(std::move(l));
  }
  if (file.lines.empty()) {
    problem("no lines");
    return problems;
  }
  if (file.lines.front().level != 0 || file.lines.front().tag != "HEAD")
    problem("first line is not 0 HEAD");
  if (file.lines.back().level != 0 || file.lines.back().tag != "TRLR")
    problem("last line is not 0 TRLR");

  // Levels, ids, continuation lines.
  int previous = -1;
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    const GedLine& l = file.lines[i];
    if (l.level > previous + 1)
      problem(Where(l) + "level jumps from " + std::to_string(previous));
    previous = l.level;
    if (!l.xref.empty()) {
      if (l.level != 0) problem(Where(l) + "id on a level above 0");
      if (!file.records.emplace(l.xref, i).second)
        problem(Where(l) + "duplicate id " + l.xref);
    }
    if (l.tag == "CONC" || l.tag == "CONT") {
      const GedLine* before = i > 0 ? &file.lines[i - 1] : nullptr;
      const bool under_head =
          before && before->level == l.level - 1 && before->tag == "NOTE";
      const bool after_sibling =
          before && before->level == l.level &&
          (before->tag == "CONC" || before->tag == "CONT");
      if (!under_head && !after_sibling)
        problem(Where(l) + l.tag + " not right under a NOTE");
      if (!l.value.empty() &&
          (l.value.front() == ' ' || l.value.back() == ' ')) {
        problem(Where(l) + l.tag + " value begins or ends with a space");
      }
    }
  }

  // Pointers and back-links.
  static const std::map<std::string, std::string> kTargets = {
      {"FAMS", "FAM"},  {"FAMC", "FAM"},  {"HUSB", "INDI"},
      {"WIFE", "INDI"}, {"CHIL", "INDI"}, {"NOTE", "NOTE"},
      {"SOUR", "SOUR"}, {"REPO", "REPO"}, {"SUBM", "SUBM"}};
  std::set<std::pair<std::string, std::string>>
      links;  // (record, "TAG target")
  std::string current;
  for (const GedLine& l : file.lines) {
    if (l.level == 0) current = l.xref;
    if (l.level == 0 || !IsPointer(l.value)) continue;
    const auto target = kTargets.find(l.tag);
    if (target == kTargets.end()) {
      problem(Where(l) + "pointer under unexpected tag " + l.tag);
      continue;
    }
    const auto record = file.records.find(l.value);
    if (record == file.records.end()) {
      problem(Where(l) + "pointer to missing record " + l.value);
      continue;
    }
    if (file.lines[record->second].tag != target->second) {
      problem(Where(l) + l.tag + " points at a " +
              file.lines[record->second].tag);
    }
    if (l.level == 1) links.emplace(current, l.tag + " " + l.value);
  }
  for (const auto& [from, link] : links) {
    const std::string tag = link.substr(0, 4);
    const std::string to = link.substr(5);
    auto has = [&](const std::string& rec, const std::string& what) {
      return links.count({rec, what}) > 0;
    };
    if (tag == "FAMS" && !has(to, "HUSB " + from) && !has(to, "WIFE " + from)) {
      problem(from + " has FAMS " + to + ", which names no such spouse");
    } else if (tag == "FAMC" && !has(to, "CHIL " + from)) {
      problem(from + " has FAMC " + to + ", which does not list the child");
    } else if ((tag == "HUSB" || tag == "WIFE") && !has(to, "FAMS " + from)) {
      problem(from + " has " + tag + " " + to + " without FAMS back");
    } else if (tag == "CHIL" && !has(to, "FAMC " + from)) {
      problem(from + " has CHIL " + to + " without FAMC back");
    }
  }
  if (parsed) *parsed = std::move(file);
  return problems;
}

std::vector<std::string> JoinedNotes(const GedFile& file) {
  std::vector<std::string> notes;
  int note_level = -1;
  for (const GedLine& l : file.lines) {
    if (note_level >= 0 && l.level == note_level + 1 &&
        (l.tag == "CONC" || l.tag == "CONT")) {
      if (l.tag == "CONT") notes.back().push_back('\n');
      notes.back() += l.value;
      continue;
    }
    note_level = -1;
    if (l.tag == "NOTE" && (l.value.empty() || l.value.front() != '@')) {
      note_level = l.level;
      notes.push_back(l.value);
    }
  }
  return notes;
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    char32_t c;
    const std::size_t n = DecodeOne(bytes, pos, c);
    if (n == 0) return false;
    pos += n;
  }
  return true;
}

std::u32string DecodeUtf8(std::string_view bytes) {
  std::u32string out;
  for (std::size_t pos = 0; pos < bytes.size();) {
    char32_t c;
    const std::size_t n = DecodeOne(bytes, pos, c);
    if (n == 0) {
      out.push_back(0xFFFD);
      ++pos;
    } else {
      out.push_back(c);
      pos += n;
    }
  }
  return out;
}

}  // namespace kinsheet::gedgen::testing
