// GEDCOM bytes to lines: the encoding from the first bytes, one line
// splitter for every line end, the first-line "0 HEAD" rule, and the
// character set the header declares. Fed in pieces, so a file is read once,
// from start to end, and a pipe loses nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/charsets.h"

namespace kinsheet {

enum class FileEncoding { kBytes, kUtf8Bom, kUtf16Le, kUtf16Be };

// Where the lines go, in file order, without their line ends.
class LineSink {
 public:
  virtual ~LineSink() = default;
  virtual void OnLine(std::string_view line) = 0;
  // Once per file, before its first line: how it is being read.
  virtual void OnReading(FileEncoding /*encoding*/, text::Charset /*charset*/) {}
  // During OnLine: the line's number in the file, from 1 (CR LF, LF CR,
  // CR and LF each end one line; blank lines count).
  std::int64_t line_number = 0;
};

// Longest line kept whole; a longer one keeps its head and its last 16
// bytes (the record kind is read from the end of a line).
inline constexpr std::size_t kMaxLine = 1 << 20;

// Appends to `line` as if it had no length limit, clipped as above.
void AppendClipped(std::string& line, const char* bytes, std::size_t n);

class GedcomTextReader {
 public:
  explicit GedcomTextReader(LineSink& sink) : sink_(sink) {}
  void Feed(const char* bytes, std::size_t n);
  // The end of the file: the last line, and anything still held.
  void Finish();

 private:
  // Decides the encoding from head_ (three bytes, or all there were).
  void Detect();
  void Split(const char* p, std::size_t n);
  void Line(std::string_view line);
  void Decide(text::Charset charset);
  void Deliver(std::string_view line, std::int64_t number);

  LineSink& sink_;
  bool detected_ = false;
  std::string head_;  // the first bytes, until the encoding is known
  FileEncoding encoding_ = FileEncoding::kBytes;
  text::Utf16Decoder utf16_{false};
  std::string decoded_;
  std::string partial_;  // a line that continues in the next piece
  std::int64_t line_ends_ = 0;  // line ends so far
  char last_end_ = 0;           // the byte of the last line end, while nothing followed it
  bool first_line_ = true;
  // Lines of the header, held until the declared set is known.
  bool decided_ = false;
  bool seen_level0_ = false;
  std::vector<std::string> held_;
  std::vector<std::int64_t> held_numbers_;
  std::size_t held_bytes_ = 0;
  text::Charset charset_ = text::Charset::kNone;
  std::string converted_;
};

// The literal reading of `kinsheet-batch --literal`: no encodings, line ends
// decided from the first 200 bytes (a CR there: lines end at CR or CR LF,
// a lone LF stays in its line; none: lines end at LF, a CR stays).
class LiteralTextReader {
 public:
  explicit LiteralTextReader(LineSink& sink) : sink_(sink) {}
  void Feed(const char* bytes, std::size_t n);
  void Finish();

 private:
  void Decide();
  void Run(const char* p, std::size_t n);
  void HandOn();

  LineSink& sink_;
  bool decided_ = false;
  bool line_mode_ = false;
  std::string probe_;
  std::string line_;
  bool skip_lf_ = false;       // line mode: a CR ended the last piece
  bool line_started_ = false;  // line mode: bytes since the last CR
  std::int64_t counter_ = 0;   // bytes read so far
  std::int64_t lines_ = 0;     // lines handed on
  bool first_ = true;
};

}  // namespace kinsheet
