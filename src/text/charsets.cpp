// Declared character sets to UTF-8: GEDCOM's ANSEL (marks before their
// letter, moved after it and composed to NFC), code page 437 (glibc's iconv
// table) and Mac OS Roman (ICU's), and UTF-16.
#include "text/charsets.h"

#include <iconv.h>
#include <unicode/ucnv.h>
#include <unicode/unorm2.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "text/encoding.h"

namespace kinsheet::text {
namespace {

// ANSEL 0x80..0xFF as GEDCOM reads it; 0 where the byte is not defined.
// 0xE0..0xFE (but 0xFD) are combining marks.
constexpr std::array<char16_t, 128> kAnselHigh = {
    // 0x80..0x9F: not defined
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0..0xAF
    0, 0x0141, 0x00D8, 0x0110, 0x00DE, 0x00C6, 0x0152, 0x02B9,
    0x00B7, 0x266D, 0x00AE, 0x00B1, 0x01A0, 0x01AF, 0x02BE, 0,
    // 0xB0..0xBF
    0x02BB, 0x0142, 0x00F8, 0x0111, 0x00FE, 0x00E6, 0x0153, 0x02BA,
    0x0131, 0x00A3, 0x00F0, 0, 0x01A1, 0x01B0, 0x25A1, 0x25A0,
    // 0xC0..0xCF
    0x00B0, 0x2113, 0x2117, 0x00A9, 0x266F, 0x00BF, 0x00A1, 0x00DF,
    0x20AC, 0, 0, 0, 0, 0x0065, 0x006F, 0x00DF,
    // 0xD0..0xDF: not defined
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xE0..0xEF: combining marks
    0x0309, 0x0300, 0x0301, 0x0302, 0x0303, 0x0304, 0x0306, 0x0307,
    0x0308, 0x030C, 0x030A, 0xFE20, 0xFE21, 0x0315, 0x030B, 0x0310,
    // 0xF0..0xFF: combining marks
    0x0327, 0x0328, 0x0323, 0x0324, 0x0325, 0x0333, 0x0332, 0x0326,
    0x031C, 0x032E, 0xFE22, 0xFE23, 0x0338, 0, 0x0313, 0};

using HighHalf = std::array<char16_t, 128>;

// 0x80..0xFF of an ICU converter; 0x00..0x7F stay ASCII.
HighHalf HighHalfFromIcu(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = ucnv_open(name, &status);
  if (U_FAILURE(status)) throw std::runtime_error(std::string("No converter for ") + name);
  HighHalf table{};
  for (int b = 0x80; b <= 0xFF; ++b) {
    const char in = static_cast<char>(b);
    UChar out[4];
    status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv, out, 4, &in, 1, &status);
    table[b - 0x80] = (U_SUCCESS(status) && n == 1) ? out[0] : 0xFFFD;
  }
  ucnv_close(conv);
  return table;
}

// 0x80..0xFF of glibc's CP437. ICU's ibm-437 is not used: it reads 0xE6 as
// Greek mu rather than the micro sign and swaps 0x1A, 0x1C and 0x7F.
HighHalf Cp437FromIconv() {
  iconv_t cd = iconv_open("UTF-16LE", "CP437");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("No converter for CP437");
  HighHalf table{};
  for (int b = 0x80; b <= 0xFF; ++b) {
    char in = static_cast<char>(b);
    unsigned char out[4] = {};
    char* in_p = &in;
    char* out_p = reinterpret_cast<char*>(out);
    std::size_t in_left = 1, out_left = sizeof out;
    const std::size_t r = iconv(cd, &in_p, &in_left, &out_p, &out_left);
    table[b - 0x80] = (r != static_cast<std::size_t>(-1) && out_left == 2)
                          ? static_cast<char16_t>(out[0] | out[1] << 8)
                          : u'\uFFFD';
  }
  iconv_close(cd);
  return table;
}

const HighHalf& Cp437High() {
  static const HighHalf table = Cp437FromIconv();
  return table;
}

const HighHalf& MacRomanHigh() {
  static const HighHalf table = HighHalfFromIcu("macos-0_2-10.2");
  return table;
}

void ConvertByTable(const HighHalf& high, std::string_view bytes, std::string& out) {
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      AppendUtf8(out, high[b - 0x80]);
    }
  }
}

std::u16string Nfc(const std::u16string& text) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status)) throw std::runtime_error("No NFC data");
  // NFC never makes a text more than three times longer.
  std::u16string result(text.size() * 3 + 1, u'\0');
  const int32_t n = unorm2_normalize(nfc, text.data(), static_cast<int32_t>(text.size()),
                                     result.data(), static_cast<int32_t>(result.size()), &status);
  if (U_FAILURE(status)) throw std::runtime_error("NFC failed");
  result.resize(static_cast<std::size_t>(n));
  return result;
}

bool AnselToUtf8(std::string_view bytes, std::string& out) {
  std::u16string text;
  text.reserve(bytes.size());
  std::u16string marks;  // a run waiting for the character it sits on
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      text.push_back(b);
    } else {
      const char16_t cp = kAnselHigh[b - 0x80];
      if (cp == 0) return false;
      if (IsAnselMark(b)) {
        marks.push_back(cp);
        continue;
      }
      text.push_back(cp);
    }
    text += marks;
    marks.clear();
  }
  // A run with nothing after it is not composed with the letter before it.
  out += Utf16ToUtf8(Nfc(text));
  out += Utf16ToUtf8(marks);
  return true;
}

char CaseFold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (CaseFold(a[i]) != CaseFold(b[i])) return false;
  }
  return true;
}

}  // namespace

Charset CharsetFromDeclared(std::string_view value) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (EqualsNoCase(value, "ANSEL")) return Charset::kAnsel;
  for (std::string_view name : {"IBMPC", "IBM-PC", "IBM PC", "IBM DOS", "MSDOS", "CP437", "CP-437"}) {
    if (EqualsNoCase(value, name)) return Charset::kCp437;
  }
  for (std::string_view name : {"MACINTOSH", "MACROMAN", "MAC"}) {
    if (EqualsNoCase(value, name)) return Charset::kMacRoman;
  }
  return Charset::kNone;
}

bool IsAscii(std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t n = bytes.size();
  // Eight bytes at a time: this runs on every line of a declared file.
  while (n >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & 0x8080808080808080ULL) != 0) return false;
    p += 8;
    n -= 8;
  }
  for (; n > 0; --n, ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  }
  return true;
}

char16_t AnselCodePoint(unsigned char byte) {
  return byte < 0x80 ? byte : kAnselHigh[byte - 0x80];
}

bool IsAnselMark(unsigned char byte) { return byte >= 0xE0 && kAnselHigh[byte - 0x80] != 0; }

bool ConvertToUtf8(Charset set, std::string_view bytes, std::string& out) {
  switch (set) {
    case Charset::kNone:
      out.append(bytes);
      return true;
    case Charset::kAnsel:
      return AnselToUtf8(bytes, out);
    case Charset::kCp437:
      ConvertByTable(Cp437High(), bytes, out);
      return true;
    case Charset::kMacRoman:
      ConvertByTable(MacRomanHigh(), bytes, out);
      return true;
  }
  return false;
}

void Utf16Decoder::Unit(char16_t unit, std::string& out) {
  if (high_ != 0) {
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(high_) - 0xD800) << 10) + (unit - 0xDC00));
      high_ = 0;
      return;
    }
    AppendUtf8(out, 0xFFFD);
    high_ = 0;
  }
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    high_ = unit;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    AppendUtf8(out, 0xFFFD);
  } else {
    AppendUtf8(out, unit);
  }
}

void Utf16Decoder::Feed(const char* bytes, std::size_t n, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  const unsigned char* const end = p + n;
  if (have_byte_ && p < end) {
    const unsigned char second = *p++;
    have_byte_ = false;
    Unit(big_endian_ ? static_cast<char16_t>(byte_ << 8 | second)
                     : static_cast<char16_t>(second << 8 | byte_),
         out);
  }
  const int hi = big_endian_ ? 0 : 1;
  while (end - p >= 2) {
    const auto unit = static_cast<char16_t>(p[hi] << 8 | p[1 - hi]);
    p += 2;
    // Most GEDCOM text is ASCII: one byte out, nothing else to decide.
    if (unit < 0x80 && high_ == 0) {
      out.push_back(static_cast<char>(unit));
    } else {
      Unit(unit, out);
    }
  }
  if (p < end) {
    byte_ = *p;
    have_byte_ = true;
  }
}

void Utf16Decoder::Finish(std::string& out) {
  if (high_ != 0) {
    AppendUtf8(out, 0xFFFD);
    high_ = 0;
  }
  if (have_byte_) {
    AppendUtf8(out, 0xFFFD);
    have_byte_ = false;
  }
}

}  // namespace kinsheet::text
