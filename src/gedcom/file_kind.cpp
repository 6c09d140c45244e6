// Telling GEDCOM text from other files by their magic numbers and, for an
// unknown kind, by the control bytes of the first block.
#include "gedcom/file_kind.h"

#include <algorithm>
#include <array>

#include "ui/messages.h"

namespace kinsheet {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// A ZIP's first entry names what the archive is: Office Open XML packages
// begin with "[Content_Types].xml" (Word writes it first), OpenDocument
// files with "mimetype". The name follows the 30-byte local header; its
// length is the 16-bit value at offset 26.
FileKind ZipKind(std::string_view head) {
  if (head.size() < 30) return FileKind::kZip;
  const std::size_t name_length =
      static_cast<unsigned char>(head[26]) | static_cast<std::size_t>(static_cast<unsigned char>(head[27])) << 8;
  const std::string_view name = head.substr(30, name_length);
  if (name == "[Content_Types].xml" || name == "mimetype") return FileKind::kOfficeZip;
  return FileKind::kZip;
}

// UTF-16 text without a byte-order mark has its zero bytes on one side of
// each pair (the high byte of every ASCII character); binary data has them
// anywhere.
bool LooksLikeUtf16(std::string_view head) {
  std::array<std::size_t, 2> zeros{};
  for (std::size_t i = 0; i + 1 < head.size(); i += 2) {
    zeros[0] += head[i] == 0;
    zeros[1] += head[i + 1] == 0;
  }
  const std::size_t pairs = head.size() / 2;
  const std::size_t most = std::max(zeros[0], zeros[1]);
  const std::size_t least = std::min(zeros[0], zeros[1]);
  // A good share of ASCII on one side, few zeros on the other (CJK text
  // has a zero low byte now and then).
  return most * 4 >= pairs && least * 10 <= most;
}

// Bytes no text file holds: NUL, and the C0 controls other than tab, line
// ends, form feed, ESC (some old programs' markup) and DOS's end-of-file
// Ctrl+Z.
bool IsBinaryByte(unsigned char b) {
  if (b >= 0x20) return false;
  switch (b) {
    case '\t': case '\n': case '\v': case '\f': case '\r': case 0x1A: case 0x1B: return false;
    default: return true;
  }
}

}  // namespace

FileKind SniffFileKind(std::string_view head) {
  head = head.substr(0, kSniffBytes);
  // Marks of text first: these files are GEDCOM whatever follows.
  if (StartsWith(head, "\xEF\xBB\xBF") || StartsWith(head, "\xFF\xFE") || StartsWith(head, "\xFE\xFF")) {
    return FileKind::kText;
  }
  if (StartsWith(head, "PK\x03\x04") || StartsWith(head, std::string_view("PK\x05\x06", 4)) ||
      StartsWith(head, "PK\x07\x08")) {
    return ZipKind(head);
  }
  if (StartsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return FileKind::kOfficeOld;
  if (StartsWith(head, "%PDF-")) return FileKind::kPdf;
  if (StartsWith(head, "\x89PNG\r\n\x1A\n")) return FileKind::kPng;
  if (StartsWith(head, "\xFF\xD8\xFF")) return FileKind::kJpeg;
  if (StartsWith(head, "GIF87a") || StartsWith(head, "GIF89a")) return FileKind::kGif;
  if (StartsWith(head, "\x1F\x8B")) return FileKind::kGzip;
  if (StartsWith(head, "{\\rtf")) return FileKind::kRtf;
  if (LooksLikeUtf16(head)) return FileKind::kText;
  // A stray control byte or two is a damaged GEDCOM line, which the parser
  // reports; a first block where one byte in 32 is one is no text at all
  // (random bytes have one in ten).
  std::size_t binary = 0;
  for (char c : head) binary += IsBinaryByte(static_cast<unsigned char>(c));
  return binary > 0 && binary * 32 >= head.size() ? FileKind::kBinary : FileKind::kText;
}

const char* FileKindMessage(FileKind kind) {
  switch (kind) {
    case FileKind::kText: return nullptr;
    case FileKind::kZip: return msg::kNotGedcomZip;
    case FileKind::kOfficeZip: return msg::kNotGedcomOfficeZip;
    case FileKind::kOfficeOld: return msg::kNotGedcomOfficeOld;
    case FileKind::kPdf: return msg::kNotGedcomPdf;
    case FileKind::kPng: return msg::kNotGedcomPng;
    case FileKind::kJpeg: return msg::kNotGedcomJpeg;
    case FileKind::kGif: return msg::kNotGedcomGif;
    case FileKind::kGzip: return msg::kNotGedcomGzip;
    case FileKind::kRtf: return msg::kNotGedcomRtf;
    case FileKind::kBinary: return msg::kNotGedcomBinary;
  }
  return nullptr;
}

}  // namespace kinsheet
