// The reading of GEDCOM text, step by step: encoding, lines, the first-line
// rule, the header's CHAR line, and each line that is not UTF-8 converted
// from the declared set.
#include "gedcom/text_reader.h"

#include <algorithm>
#include <cstring>

#include "text/encoding.h"

namespace kinsheet {
namespace {

// Past this much held header the set is taken as undeclared: a file that is
// not GEDCOM may never show a second level-0 line.
constexpr std::size_t kMaxHeld = 16 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipBlanks(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

// "1", blanks, CHAR in any case, then the end or blanks and the value.
bool CharLineValue(std::string_view line, std::string_view& value) {
  line = SkipBlanks(line);
  if (line.size() < 2 || line[0] != '1' || !IsBlank(line[1])) return false;
  line = SkipBlanks(line.substr(1));
  if (line.size() < 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    const char c = static_cast<char>(line[i] & ~0x20);
    if (c != "CHAR"[i]) return false;
  }
  line.remove_prefix(4);
  if (!line.empty() && !IsBlank(line[0])) return false;
  value = line;
  return true;
}

const char* Find(const char* p, const char* end, char c) {
  const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
  return hit != nullptr ? static_cast<const char*>(hit) : end;
}

}  // namespace

void AppendClipped(std::string& line, const char* bytes, std::size_t n) {
  if (line.size() + n <= kMaxLine) {
    line.append(bytes, n);
    return;
  }
  constexpr std::size_t kTail = 16;
  constexpr std::size_t kHead = kMaxLine - kTail;
  std::string tail;
  if (n >= kTail) {
    tail.assign(bytes + n - kTail, kTail);
  } else {
    tail = line.substr(line.size() - std::min(line.size(), kTail - n));
    tail.append(bytes, n);
  }
  if (line.size() < kHead) line.append(bytes, std::min(n, kHead - line.size()));
  line.resize(kHead);
  line += tail;
}

void GedcomTextReader::Feed(const char* bytes, std::size_t n) {
  if (!detected_) {
    head_.append(bytes, n);
    if (head_.size() < 3) return;
    Detect();
    return;
  }
  if (encoding_ == FileEncoding::kUtf16Le || encoding_ == FileEncoding::kUtf16Be) {
    decoded_.clear();
    utf16_.Feed(bytes, n, decoded_);
    Split(decoded_.data(), decoded_.size());
  } else {
    Split(bytes, n);
  }
}

void GedcomTextReader::Detect() {
  detected_ = true;
  const auto b = [&](std::size_t i) { return i < head_.size() ? static_cast<unsigned char>(head_[i]) : -1; };
  std::size_t drop = 0;
  if (b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
    encoding_ = FileEncoding::kUtf8Bom, drop = 3;
  } else if (b(0) == 0xFF && b(1) == 0xFE) {
    encoding_ = FileEncoding::kUtf16Le, drop = 2;
  } else if (b(0) == 0xFE && b(1) == 0xFF) {
    encoding_ = FileEncoding::kUtf16Be, drop = 2;
  } else if (b(0) == '0' && b(1) == 0) {
    encoding_ = FileEncoding::kUtf16Le;
  } else if (b(0) == 0 && b(1) == '0') {
    encoding_ = FileEncoding::kUtf16Be;
  }
  if (encoding_ == FileEncoding::kUtf16Be) utf16_ = text::Utf16Decoder(true);
  std::string head;
  head.swap(head_);
  Feed(head.data() + drop, head.size() - drop);
}

void GedcomTextReader::Split(const char* p, std::size_t n) {
  const char* const end = p + n;
  // Every CR and every LF ends a line (the empty lines between a CR and
  // its LF are skipped); the next of each is found once and kept.
  const char* cr = Find(p, end, '\r');
  const char* lf = Find(p, end, '\n');
  while (p < end) {
    const char* stop = std::min(cr, lf);
    if (stop == end) {
      if (p < end) last_end_ = 0;
      AppendClipped(partial_, p, static_cast<std::size_t>(end - p));
      return;
    }
    // The second byte of a CR LF or LF CR pair ends no line of its own.
    if (stop == p && partial_.empty() && last_end_ != 0 && last_end_ != *stop) {
      last_end_ = 0;
      p = stop + 1;
      if (cr < p) cr = Find(p, end, '\r');
      if (lf < p) lf = Find(p, end, '\n');
      continue;
    }
    last_end_ = *stop;
    ++line_ends_;
    if (partial_.empty() && static_cast<std::size_t>(stop - p) <= kMaxLine) {
      Line(std::string_view(p, static_cast<std::size_t>(stop - p)));
    } else {
      AppendClipped(partial_, p, static_cast<std::size_t>(stop - p));
      Line(partial_);
      partial_.clear();
    }
    p = stop + 1;
    if (cr < p) cr = Find(p, end, '\r');
    if (lf < p) lf = Find(p, end, '\n');
  }
}

void GedcomTextReader::Line(std::string_view line) {
  const std::string_view body = SkipBlanks(line);
  if (body.empty()) return;
  if (first_line_) {
    first_line_ = false;
    if (line.find("0 HEAD") != std::string_view::npos) line = "0 HEAD";
  }
  // The line being ended is the one after the previous line end.
  const std::int64_t number = line_ends_ > 0 && last_end_ != 0 ? line_ends_ : line_ends_ + 1;
  if (decided_) {
    Deliver(line, number);
    return;
  }
  if (body.front() == '0') {
    if (seen_level0_) {
      Decide(text::Charset::kNone);
      Deliver(line, number);
      return;
    }
    seen_level0_ = true;
  }
  held_.emplace_back(line);
  held_numbers_.push_back(number);
  held_bytes_ += line.size();
  std::string_view value;
  if (CharLineValue(line, value)) {
    Decide(text::CharsetFromDeclared(value));
  } else if (held_bytes_ > kMaxHeld) {
    Decide(text::Charset::kNone);
  }
}

void GedcomTextReader::Decide(text::Charset charset) {
  decided_ = true;
  charset_ = charset;
  sink_.OnReading(encoding_, charset_);
  std::vector<std::string> held;
  held.swap(held_);
  std::vector<std::int64_t> numbers;
  numbers.swap(held_numbers_);
  for (std::size_t i = 0; i < held.size(); ++i) Deliver(held[i], numbers[i]);
  held_bytes_ = 0;
}

void GedcomTextReader::Deliver(std::string_view line, std::int64_t number) {
  sink_.line_number = number;
  // A valid UTF-8 line is kept whatever the header says; this check is the
  // whole cost of a declared set on an ASCII or UTF-8 line.
  if (charset_ != text::Charset::kNone && !text::IsAscii(line) && !text::IsValidUtf8(line)) {
    converted_.clear();
    if (text::ConvertToUtf8(charset_, line, converted_)) {
      sink_.OnLine(converted_);
      return;
    }
  }
  sink_.OnLine(line);
}

void GedcomTextReader::Finish() {
  if (!detected_) Detect();
  if (encoding_ == FileEncoding::kUtf16Le || encoding_ == FileEncoding::kUtf16Be) {
    decoded_.clear();
    utf16_.Finish(decoded_);
    Split(decoded_.data(), decoded_.size());
  }
  if (!partial_.empty()) {
    std::string last;
    last.swap(partial_);
    Line(last);
  }
  if (!decided_) Decide(text::Charset::kNone);
}

void LiteralTextReader::Feed(const char* bytes, std::size_t n) {
  if (!decided_) {
    probe_.append(bytes, n);
    if (probe_.size() < 200) return;
    Decide();
    return;
  }
  Run(bytes, n);
}

void LiteralTextReader::Decide() {
  decided_ = true;
  line_mode_ = std::string_view(probe_).substr(0, 200).find('\r') != std::string_view::npos;
  std::string probe;
  probe.swap(probe_);
  Run(probe.data(), probe.size());
}

void LiteralTextReader::HandOn() {
  if (line_mode_) {
    if (first_ && line_.find("0 HEAD") != std::string::npos) line_ = "0 HEAD";
  } else if (counter_ < 100 && line_.find("0 HEAD") != std::string::npos) {
    line_ = "0 HEAD";
  }
  first_ = false;
  sink_.line_number = ++lines_;
  sink_.OnLine(line_);
  line_.clear();
}

void LiteralTextReader::Run(const char* p, std::size_t n) {
  const char* const end = p + n;
  if (!line_mode_) {
    while (p < end) {
      const char* lf = Find(p, end, '\n');
      AppendClipped(line_, p, static_cast<std::size_t>(lf - p));
      counter_ += lf - p;
      if (lf == end) return;
      ++counter_;
      HandOn();
      p = lf + 1;
    }
    return;
  }
  while (p < end) {
    if (skip_lf_) {
      skip_lf_ = false;
      if (*p == '\n') {
        ++p;
        ++counter_;
        continue;
      }
    }
    const char* cr = Find(p, end, '\r');
    AppendClipped(line_, p, static_cast<std::size_t>(cr - p));
    counter_ += cr - p;
    if (cr > p) line_started_ = true;
    if (cr == end) return;
    ++counter_;
    HandOn();
    line_started_ = false;
    skip_lf_ = true;
    p = cr + 1;
  }
}

void LiteralTextReader::Finish() {
  if (!decided_) Decide();
  // A last line without its line end is data too.
  if (line_mode_ ? line_started_ : !line_.empty()) HandOn();
}

}  // namespace kinsheet
