// Line formatting, text continuation and output blocking.
#include "gedcom_writer.h"

#include <cassert>
#include <charconv>

namespace kinsheet::gedgen {
namespace {

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::size_t TextCut(std::string_view text, std::size_t chunk) {
  if (text.size() <= chunk) return text.size();
  // The longest cut that splits neither a character nor a space from its
  // word.
  for (std::size_t cut = chunk; cut > 0; --cut) {
    if (IsContinuationByte(text[cut])) continue;
    if (text[cut] == ' ' || text[cut - 1] == ' ') continue;
    return cut;
  }
  // Only spaces to cut between: any character boundary will do.
  std::size_t cut = chunk;
  while (cut > 0 && IsContinuationByte(text[cut])) --cut;
  return cut == 0 ? chunk : cut;
}

GedcomWriter::GedcomWriter(OutputSink& sink, LineEnd line_end,
                           Encoding encoding)
    : sink_(sink),
      line_end_(line_end == LineEnd::kLf     ? "\n"
                : line_end == LineEnd::kCrLf ? "\r\n"
                                             : "\r"),
      encoding_(encoding) {
  buffer_.reserve(kBlockSize + 4096);
}

void GedcomWriter::Raw(std::string_view bytes) { buffer_.append(bytes); }

void GedcomWriter::Begin(int level) {
  assert(level >= 0 && level <= 9);
  buffer_.push_back(static_cast<char>('0' + level));
  buffer_.push_back(' ');
}

void GedcomWriter::AppendNumber(std::uint64_t n) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, n);
  buffer_.append(digits, result.ptr);
}

void GedcomWriter::AppendValue(std::string_view utf8) {
  if (encoding_ == Encoding::kCp1252 && !IsAscii(utf8)) {
    AppendCp1252(utf8, buffer_);
  } else if (encoding_ == Encoding::kAnsel && !IsAscii(utf8)) {
    AppendAnsel(utf8, buffer_);
  } else {
    buffer_.append(utf8);
  }
}

void GedcomWriter::End() {
  buffer_.append(line_end_);
  ++lines_;
  if (buffer_.size() >= kBlockSize) Flush();
}

void GedcomWriter::Line(int level, std::string_view tag,
                        std::string_view value) {
  Begin(level);
  buffer_.append(tag);
  if (!value.empty()) {
    buffer_.push_back(' ');
    AppendValue(value);
  }
  End();
}

void GedcomWriter::Pointer(int level, std::string_view tag, char kind,
                           std::uint64_t number) {
  Begin(level);
  buffer_.append(tag);
  buffer_.append(" @");
  buffer_.push_back(kind);
  AppendNumber(number);
  buffer_.push_back('@');
  End();
}

void GedcomWriter::Record(char kind, std::uint64_t number,
                          std::string_view tag) {
  Begin(0);
  buffer_.push_back('@');
  buffer_.push_back(kind);
  AppendNumber(number);
  buffer_.append("@ ");
  buffer_.append(tag);
  End();
}

void GedcomWriter::Text(int level, std::string_view tag, std::string_view text,
                        std::size_t chunk, bool text_on_head) {
  TextBody(level, tag, text, chunk, text_on_head);
}

void GedcomWriter::RecordText(char kind, std::uint64_t number,
                              std::string_view tag, std::string_view text,
                              std::size_t chunk, bool text_on_head) {
  head_.clear();
  head_.push_back('@');
  head_.push_back(kind);
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, number);
  head_.append(digits, result.ptr);
  head_.append("@ ");
  head_.append(tag);
  TextBody(0, head_, text, chunk, text_on_head);
}

void GedcomWriter::TextBody(int level, std::string_view head,
                            std::string_view text, std::size_t chunk,
                            bool text_on_head) {
  if (chunk == 0 || chunk > kMaxTextChunk) chunk = kMaxTextChunk;
  bool first = true;
  while (true) {
    const std::size_t newline = text.find('\n');
    std::string_view paragraph = text.substr(0, newline);
    if (first) {
      std::size_t cut = text_on_head ? TextCut(paragraph, chunk) : 0;
      Line(level, head, paragraph.substr(0, cut));
      paragraph.remove_prefix(cut);
      first = false;
    } else {
      const std::size_t cut = TextCut(paragraph, chunk);
      Line(level + 1, "CONT", paragraph.substr(0, cut));
      paragraph.remove_prefix(cut);
    }
    while (!paragraph.empty()) {
      const std::size_t cut = TextCut(paragraph, chunk);
      Line(level + 1, "CONC", paragraph.substr(0, cut));
      paragraph.remove_prefix(cut);
    }
    if (newline == std::string_view::npos) break;
    text.remove_prefix(newline + 1);
  }
}

void GedcomWriter::Flush() {
  if (buffer_.empty()) return;
  if (IsUtf16(encoding_)) {
    // Lines are gathered in UTF-8 and leave as whole 16-bit units, the
    // first block behind a byte-order mark.
    std::string units;
    if (bytes_ == 0) units = encoding_ == Encoding::kUtf16Le ? "\xFF\xFE" : "\xFE\xFF";
    AppendUtf16(buffer_, encoding_ == Encoding::kUtf16Be, units);
    sink_.Write(units);
    bytes_ += units.size();
  } else {
    sink_.Write(buffer_);
    bytes_ += buffer_.size();
  }
  buffer_.clear();
}

}  // namespace kinsheet::gedgen
