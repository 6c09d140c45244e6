// Escaping of file text for messages and terminals.
#include "text/display.h"

#include <algorithm>

namespace kinsheet::text {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendByteEscape(std::string& out, unsigned char b) {
  out += "\\x";
  out += kHex[b >> 4];
  out += kHex[b & 0xF];
}

// Length of the valid UTF-8 sequence at `i` (strict, as IsValidUtf8), 0 when
// the byte there does not start one; its code point in `cp`.
std::size_t Sequence(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t n = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < n) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
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
    const std::size_t n = Sequence(text, i, cp);
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
