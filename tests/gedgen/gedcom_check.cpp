// Checking reader for generated GEDCOM.
#include "gedcom_check.h"

#include <iconv.h>

#include <set>
#include <tuple>

namespace kinsheet::gedgen::testing {
namespace {

// "level [@xref@] TAG [value]", with one space between the parts.
bool ParseLine(std::string_view line, GedLine& out) {
  std::size_t pos = line.find_first_not_of("0123456789");
  if (pos == 0 || pos == line.npos || line[pos] != ' ') return false;
  out.level = std::stoi(std::string(line.substr(0, pos)));
  line.remove_prefix(pos + 1);
  if (line.starts_with('@')) {
    const std::size_t close = line.find('@', 1);
    if (close == line.npos || line.substr(close + 1, 1) != " ") return false;
    out.xref = line.substr(0, close + 1);
    line.remove_prefix(close + 2);
  }
  const std::size_t space = line.find(' ');
  out.tag = line.substr(0, space);
  if (space != line.npos) out.value = line.substr(space + 1);
  return !out.tag.empty() && (space == line.npos || !out.value.empty()) &&
         out.tag.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") ==
             std::string::npos;
}

}  // namespace

std::size_t GedFile::Count(std::string_view record_tag) const {
  std::size_t n = 0;
  for (const auto& l : lines) n += l.level == 0 && l.tag == record_tag;
  return n;
}

GedFile ReadGedcom(std::string_view bytes, std::string_view terminator) {
  GedFile file;
  auto problem = [&](std::size_t line, const std::string& text) {
    if (file.problems.size() < 20)
      file.problems.push_back("line " + std::to_string(line) + ": " + text);
  };
  while (!bytes.empty()) {
    const std::size_t end = bytes.find(terminator);
    const std::string_view raw = bytes.substr(0, end);
    const std::size_t number = file.lines.size() + 1;
    if (end == bytes.npos || raw.find_first_of("\r\n") != raw.npos) {
      problem(number, "does not end in the expected terminator");
      return file;
    }
    GedLine l;
    if (raw.size() > 255) problem(number, "longer than 255 bytes");
    if (!ParseLine(raw, l)) problem(number, "malformed: " + std::string(raw));
    const int previous = file.lines.empty() ? -1 : file.lines.back().level;
    if (l.level > previous + 1) problem(number, "level jumps");
    if (!l.xref.empty() &&
        (l.level != 0 || !file.records.emplace(l.xref, number - 1).second)) {
      problem(number, "id not on level 0 or not unique: " + l.xref);
    }
    if (l.tag == "CONC" || l.tag == "CONT") {
      const GedLine before = number > 1 ? file.lines.back() : GedLine{};
      if (!(before.level == l.level - 1 && before.tag == "NOTE") &&
          !(before.level == l.level &&
            (before.tag == "CONC" || before.tag == "CONT"))) {
        problem(number, l.tag + " not right under a NOTE");
      }
      if (l.value.starts_with(' ') || l.value.ends_with(' '))
        problem(number, l.tag + " value begins or ends with a space");
    }
    file.lines.push_back(std::move(l));
    bytes.remove_prefix(end + terminator.size());
  }
  if (file.lines.empty() || file.lines.front().tag != "HEAD" ||
      file.lines.back().level != 0 || file.lines.back().tag != "TRLR") {
    problem(0, "not from 0 HEAD to 0 TRLR");
    return file;
  }

  static const std::map<std::string, std::string> kTargets = {
      {"FAMS", "FAM"},  {"FAMC", "FAM"},  {"HUSB", "INDI"},
      {"WIFE", "INDI"}, {"CHIL", "INDI"}, {"NOTE", "NOTE"},
      {"SOUR", "SOUR"}, {"REPO", "REPO"}, {"SUBM", "SUBM"}};
  static const std::multimap<std::string, std::string> kBackLinks = {
      {"FAMS", "HUSB"}, {"FAMS", "WIFE"}, {"FAMC", "CHIL"},
      {"HUSB", "FAMS"}, {"WIFE", "FAMS"}, {"CHIL", "FAMC"}};
  std::set<std::tuple<std::string, std::string, std::string>> links;
  std::string record;
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    const GedLine& l = file.lines[i];
    if (l.level == 0) record = l.xref;
    if (!l.value.starts_with('@')) continue;
    const auto target = kTargets.find(l.tag);
    const auto found = file.records.find(l.value);
    if (target == kTargets.end() || found == file.records.end() ||
        file.lines[found->second].tag != target->second) {
      problem(i + 1, "pointer to no such record: " + l.tag + " " + l.value);
    } else if (l.level == 1) {
      links.emplace(record, l.tag, l.value);
    }
  }
  for (const auto& [from, tag, to] : links) {
    const auto [first, last] = kBackLinks.equal_range(tag);
    bool back = first == last;
    for (auto it = first; it != last; ++it)
      back |= links.count({to, it->second, from}) > 0;
    if (!back) problem(0, from + " " + tag + " " + to + " without a link back");
  }
  return file;
}

std::vector<std::string> JoinedNotes(const GedFile& file) {
  std::vector<std::string> notes;
  int note_level = -9;
  for (const GedLine& l : file.lines) {
    if (l.level == note_level + 1 && (l.tag == "CONC" || l.tag == "CONT")) {
      notes.back() += (l.tag == "CONT" ? "\n" : "") + l.value;
      continue;
    }
    note_level = l.tag == "NOTE" && !l.value.starts_with('@') ? l.level : -9;
    if (note_level >= 0) notes.push_back(l.value);
  }
  return notes;
}

std::optional<std::string> Iconv(std::string_view bytes, const char* from,
                                 const char* to) {
  const iconv_t cd = iconv_open(to, from);
  std::string in(bytes), out(bytes.size() * 4, '\0');
  char *src = in.data(), *dst = out.data();
  std::size_t src_left = in.size(), dst_left = out.size();
  const bool ok =
      iconv(cd, &src, &src_left, &dst, &dst_left) != std::size_t(-1);
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  return ok ? std::optional(out) : std::nullopt;
}

}  // namespace kinsheet::gedgen::testing
