// A small GEDCOM reader of its own for checking generated files; it shares
// no code with the generator.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kinsheet::gedgen::testing {

struct GedLine {
  int level = -1;
  std::string xref;  // "@I1@" on record lines, else empty
  std::string tag;
  std::string value;
};

struct GedFile {
  std::vector<GedLine> lines;
  std::map<std::string, std::size_t> records;  // id -> its level-0 line
  // Empty for a sound file: every line ends in the terminator, parses and
  // has at most 255 bytes; HEAD first, TRLR last; levels start at 0 and rise
  // by at most one; ids only on level 0 and unique; every pointer names a
  // record of the right kind; FAMS/FAMC and HUSB/WIFE/CHIL point back at
  // each other; CONC/CONT lines sit right under a NOTE (or another CONC/CONT)
  // and neither begin nor end with a space.
  std::vector<std::string> problems;

  std::size_t Count(std::string_view record_tag) const;
};

GedFile ReadGedcom(std::string_view bytes, std::string_view terminator);

// Notes with their CONC/CONT lines joined back: CONT starts a new line.
std::vector<std::string> JoinedNotes(const GedFile& file);

// `bytes` converted by the C library's iconv; nothing when they are not
// valid in `from`.
std::optional<std::string> Iconv(std::string_view bytes, const char* from,
                                 const char* to);

inline bool IsUtf8(std::string_view bytes) {
  return Iconv(bytes, "UTF-8", "UTF-16LE").has_value();
}

}  // namespace kinsheet::gedgen::testing
