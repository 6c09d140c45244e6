// UTF-8 to Windows-1252, ANSEL and UTF-16 for the generator's output.
#include "encoding.h"

#include <unicode/unorm2.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <vector>

#include "text/charsets.h"

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

std::u32string CodePoints(std::string_view utf8) {
  std::u32string out;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c;
    if (!DecodeOne(utf8, pos, c)) {
      ++pos;
      c = 0xFFFD;
    }
    out.push_back(c);
  }
  return out;
}

// NFD through ICU; every character the generator writes is in the BMP or
// a pair that NFD leaves alone.
std::u32string Decomposed(std::string_view utf8) {
  std::u16string units;
  for (char32_t c : CodePoints(utf8)) {
    if (c >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
  }
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
  std::u16string result(units.size() * 4 + 1, u'\0');
  const int32_t n = unorm2_normalize(nfd, units.data(), static_cast<int32_t>(units.size()),
                                     result.data(), static_cast<int32_t>(result.size()), &status);
  if (U_FAILURE(status)) throw std::runtime_error("NFD failed");
  std::u32string out;
  for (int32_t i = 0; i < n; ++i) {
    char32_t c = result[static_cast<std::size_t>(i)];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
      c = 0x10000 + ((c - 0xD800) << 10) + (result[static_cast<std::size_t>(++i)] - 0xDC00);
    }
    out.push_back(c);
  }
  return out;
}

struct AnselByte {
  unsigned char byte;
  bool mark;
};

// The ANSEL byte of each character above ASCII (the first byte of two that
// give the same character).
const std::map<char32_t, AnselByte>& AnselBytes() {
  static const std::map<char32_t, AnselByte> table = [] {
    std::map<char32_t, AnselByte> t;
    for (int b = 0xA0; b <= 0xFF; ++b) {
      const char16_t cp = text::AnselCodePoint(static_cast<unsigned char>(b));
      if (cp >= 0x80) t.emplace(cp, AnselByte{static_cast<unsigned char>(b), text::IsAnselMark(static_cast<unsigned char>(b))});
    }
    return t;
  }();
  return table;
}

}  // namespace

bool FitsAnsel(std::string_view utf8) {
  if (IsAscii(utf8)) return true;
  for (char32_t c : Decomposed(utf8)) {
    if (c >= 0x80 && AnselBytes().count(c) == 0) return false;
  }
  return true;
}

void AppendAnsel(std::string_view utf8, std::string& out) {
  std::string letter;  // the last letter, waiting for its marks
  std::string marks;
  const auto flush = [&] {
    out += marks;
    out += letter;
    marks.clear();
    letter.clear();
  };
  for (char32_t c : Decomposed(utf8)) {
    if (c < 0x80) {
      flush();
      letter.push_back(static_cast<char>(c));
      continue;
    }
    const auto it = AnselBytes().find(c);
    if (it == AnselBytes().end()) {
      flush();
      letter.push_back('?');
    } else if (it->second.mark) {
      marks.push_back(static_cast<char>(it->second.byte));
    } else {
      flush();
      letter.push_back(static_cast<char>(it->second.byte));
    }
  }
  flush();
}

void AppendUtf16(std::string_view utf8, bool big_endian, std::string& out) {
  const auto unit = [&](char16_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out.push_back(big_endian ? hi : lo);
    out.push_back(big_endian ? lo : hi);
  };
  for (char32_t c : CodePoints(utf8)) {
    if (c >= 0x10000) {
      unit(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      unit(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      unit(static_cast<char16_t>(c));
    }
  }
}

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
    case Encoding::kAnsel:
      return FitsAnsel(utf8);
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      return true;
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
    case Encoding::kAnsel:
      return "ANSEL";
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      return "UNICODE";
  }
  return "ASCII";
}

}  // namespace kinsheet::gedgen
