// A small, independent GEDCOM reader for checking generated files: splits
// bytes into lines, parses each line, and checks structure, links and
// encodings. It shares no code with the generator.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kinsheet::gedgen::testing {

struct GedLine {
  int level = -1;
  std::string xref;  // "@I1@" on record lines, else empty
  std::string tag;
  std::string value;
  std::size_t number = 0;  // 1-based line number
};

// Splits at exactly `terminator`; fails (returns false) when any other line
// end byte is left in a line or the text does not end with `terminator`.
bool SplitLines(std::string_view bytes, std::string_view terminator,
                std::vector<std::string_view>& lines);

// Parses "level [@xref@] TAG [value]"; false when the line is malformed.
bool ParseLine(std::string_view line, GedLine& out);

struct GedFile {
  std::vector<GedLine> lines;
  // Record id -> index of its level-0 line.
  std::map<std::string, std::size_t> records;
  std::size_t CountRecords(std::string_view tag) const;
};

// Parses every line (after an optional UTF-8 byte-order mark) and lists the
// problems found in structure and links; an empty list means a sound file.
// Checks: HEAD first and TRLR last; levels start at 0 and rise by at most
// one; ids only on level-0 lines and unique; every pointer names a record
// of the right kind; FAMS/FAMC and HUSB/WIFE/CHIL point back at each other;
// CONC/CONT lines sit right under a NOTE (or another CONC/CONT) one level
// deeper and never begin or end with a space; no line exceeds 255 bytes.
std::vector<std::string> CheckStructure(std::string_view bytes,
                                        std::string_view terminator,
                                        GedFile* parsed = nullptr);

// Notes with their CONC/CONT lines joined back: CONC appends, CONT starts a
// new line ('\n').
std::vector<std::string> JoinedNotes(const GedFile& file);

// Strict UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Code points of valid UTF-8.
std::u32string DecodeUtf8(std::string_view bytes);

}  // namespace kinsheet::gedgen::testing
