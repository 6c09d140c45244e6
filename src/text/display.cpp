// Escaping of file text for messages and terminals.
#include "text/display.h"

#include <algorithm>

#include "text/encoding.h"

namespace kinsheet::text {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendByteEscape(std::string& out, unsigned char b) {
  out += "\\x";
  out += kHex[b >> 4];
  out += kHex[b & 0xF];
}

std::string Escape(std::string_view text, std::size_t max_chars, bool keep_layout) {
  std::string out;
  out.reserve(std::min(text.size(), max_chars) + 8);
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (chars == max_chars) {
      out += kCutMark;
      break;
    }
    ++chars;
    char32_t cp = 0;
    const std::size_t n = Utf8SequenceLength(text, i, &cp);
    if (n == 0) {
      AppendByteEscape(out, static_cast<unsigned char>(text[i]));
      ++i;
      continue;
    }
    if (cp == '\t' || cp == '\n') {
      if (keep_layout) {
        out += static_cast<char>(cp);
      } else {
        out += cp == '\t' ? "\\t" : "\\n";
      }
    } else if (cp < 0x20 || cp == 0x7F) {
      AppendByteEscape(out, static_cast<unsigned char>(cp));
    } else if (cp >= 0x80 && cp <= 0x9F) {
      // A C1 control as a character, told apart from the stray byte.
      out += "\\u00";
      out += kHex[cp >> 4];
      out += kHex[cp & 0xF];
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  return out;
}

}  // namespace

std::string EscapeForDisplay(std::string_view text, std::size_t max_chars) {
  return Escape(text, max_chars, false);
}

std::string EscapeForTerminal(std::string_view text) { return Escape(text, std::string_view::npos, true); }

}  // namespace kinsheet::text
