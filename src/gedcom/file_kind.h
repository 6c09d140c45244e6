// What a file looks like from its first bytes: GEDCOM text (in any of the
// encodings the text reader takes), or some other kind of file that the
// loader refuses with one message instead of reading its bytes as lines.
#pragma once

#include <cstddef>
#include <string_view>

namespace kinsheet {

enum class FileKind {
  kText,         // read as GEDCOM
  kZip,          // a ZIP archive of no kind named below
  kOfficeZip,    // a ZIP holding an Office Open XML or OpenDocument file (.docx, .odt, ...)
  kOfficeOld,    // a compound file: Word 97-2003 (.doc), Excel (.xls), ...
  kPdf,
  kPng,
  kJpeg,
  kGif,
  kGzip,
  kRtf,
  kBinary,       // no known kind, but not text either
};

// How many first bytes Sniff needs to see to decide (fewer when the file
// is shorter).
inline constexpr std::size_t kSniffBytes = 4096;

// The kind of a file from its first bytes. A ZIP is only ever kZip or
// kOfficeZip here: a reader of GEDCOM archives looks into kZip first.
FileKind SniffFileKind(std::string_view head);

// "is a ZIP archive, not a GEDCOM file" and the like, for a file that is
// not kText (nullptr for kText).
const char* FileKindMessage(FileKind kind);

}  // namespace kinsheet
