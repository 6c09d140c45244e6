// Strict UTF-8 validation and the Windows-1252 fallback.
#include "text/encoding.h"

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <array>
#include <memory>

namespace kinsheet::text {
namespace {

// 0x80..0x9F of Windows-1252; the five undefined bytes keep their C1 value.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view s, std::size_t i, char32_t* cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    if (cp) *cp = b0;
    return 1;
  }
  std::size_t len;
  char32_t value;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, value = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, value = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, value = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  if (cp) *cp = value;
  return len;
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = Utf8SequenceLength(bytes, i, nullptr);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::size_t CodePointCount(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::size_t FitCharacters(std::string_view value, std::size_t max_chars) {
  // Bytes are never fewer than characters: most values end here.
  if (value.size() <= max_chars) return value.size();
  if (!IsValidUtf8(value)) return max_chars;
  const std::size_t end = CodePointPrefixBytes(value, max_chars);
  if (end == value.size()) return end;
  // Only a value that is really cut asks where its clusters begin.
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UText, decltype(&utext_close)> text(
      utext_openUTF8(nullptr, value.data(), static_cast<std::int64_t>(value.size()), &status), &utext_close);
  std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> clusters(
      ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status), &ubrk_close);
  if (U_FAILURE(status)) return end;
  ubrk_setUText(clusters.get(), text.get(), &status);
  if (U_FAILURE(status) || ubrk_isBoundary(clusters.get(), static_cast<std::int32_t>(end))) return end;
  const std::int32_t before = ubrk_preceding(clusters.get(), static_cast<std::int32_t>(end));
  return before == UBRK_DONE ? 0 : static_cast<std::size_t>(before);
}

std::size_t CodePointPrefixBytes(std::string_view utf8, std::size_t count) {
  std::size_t i = 0;
  while (i < utf8.size() && count > 0) {
    ++i;
    while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) ++i;
    --count;
  }
  return i;
}

std::string FitColumns(std::string_view value, std::size_t width) {
  std::string out;
  if (!IsAscii(value) && IsValidUtf8(value)) {
    const std::size_t keep = FitCharacters(value, width);
    out.assign(value.substr(0, keep));
    out.append(width - CodePointCount(out), ' ');
  } else {
    out.assign(value.substr(0, width));
    out.append(width - out.size(), ' ');
  }
  return out;
}

char16_t Windows1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
  return byte;
}

std::string DecodeToUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Utf16ToUtf8(DecodeText(bytes));
}

std::u16string DecodeText(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  if (IsValidUtf8(bytes)) {
    for (std::size_t i = 0; i < bytes.size();) {
      char32_t cp = 0;
      i += Utf8SequenceLength(bytes, i, &cp);
      AppendUtf16(out, cp);
    }
  } else {
    for (char c : bytes) out.push_back(Windows1252ToUnicode(static_cast<unsigned char>(c)));
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string EncodeWindows1252(std::u16string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    char mapped = replacement;
    for (std::size_t k = 0; k < kCp1252High.size(); ++k) {
      if (kCp1252High[k] == c) {
        mapped = static_cast<char>(0x80 + k);
        break;
      }
    }
    // A surrogate pair is one character: one replacement, not two.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    }
    out.push_back(mapped);
  }
  return out;
}

}  // namespace kinsheet::text
