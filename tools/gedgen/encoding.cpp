// UTF-8 to Windows-1252 for the generator's output.
#include "encoding.h"

#include <cstdint>

namespace kinsheet::gedgen {
namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252; 0 where the byte is
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D). 0xA0..0xFF equal Latin-1.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte of a code point, or -1.
int Cp1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == c) return 0x80 + i;
  }
  return -1;
}

// Decodes one UTF-8 character at `pos`; returns false on malformed input.
bool DecodeOne(std::string_view s, std::size_t& pos, char32_t& out) {
  const auto lead = static_cast<unsigned char>(s[pos]);
  int extra = 0;
  char32_t c = 0;
  if (lead < 0x80) {
    out = lead;
    ++pos;
    return true;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    c = lead & 0x07;
  } else {
    return false;
  }
  if (pos + extra >= s.size()) return false;  // truncated sequence
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return false;
    c = (c << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values beyond U+10FFFF.
  if ((extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000) ||
      (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
    return false;
  }
  pos += extra + 1;
  out = c;
  return true;
}

}  // namespace

bool IsAscii(std::string_view text) {
  for (char ch : text) {
    if (static_cast<unsigned char>(ch) >= 0x80) return false;
  }
  return true;
}

bool FitsCp1252(std::string_view utf8) {
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c;
    if (!DecodeOne(utf8, pos, c) || Cp1252Byte(c) < 0) return false;
  }
  return true;
}

void AppendCp1252(std::string_view utf8, std::string& out) {
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c;
    if (!DecodeOne(utf8, pos, c)) {
      ++pos;
      out.push_back('?');
      continue;
    }
    const int b = Cp1252Byte(c);
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
  }
}

bool Representable(std::string_view utf8, Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8:
    case Encoding::kUtf8Bom:
      return true;
    case Encoding::kCp1252:
      return FitsCp1252(utf8);
    case Encoding::kAscii:
      return IsAscii(utf8);
  }
  return false;
}

std::string_view CharsetName(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8:
    case Encoding::kUtf8Bom:
      return "UTF-8";
    case Encoding::kCp1252:
      return "ANSI";
    case Encoding::kAscii:
      return "ASCII";
  }
  return "ASCII";
}

}  // namespace kinsheet::gedgen
