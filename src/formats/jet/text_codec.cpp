// Text encoding and decoding for both formats.
#include "formats/jet/text_codec.h"

#include "text/encoding.h"

namespace kinsheet::jet {
namespace {

// Windows-1252 leaves these five undefined and decoders disagree on them.
bool IsUndefinedIn1252(char16_t c) {
  return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

std::string Encode1252(std::u16string_view text) {
  std::u16string cleaned(text);
  for (char16_t& c : cleaned) {
    if (IsUndefinedIn1252(c)) c = u'?';
  }
  return text::EncodeWindows1252(cleaned, '?');
}

void AppendUtf16Le(std::string& out, std::u16string_view text) {
  for (char16_t c : text) PutU16(out, static_cast<std::uint16_t>(c));
}

bool Compresses(std::u16string_view text) {
  if (text.size() < 3 || text.size() > kMaxCompressedChars) return false;
  for (char16_t c : text) {
    if (c == 0 || c > 0xFF) return false;
  }
  return true;
}

}  // namespace

std::string EncodeText(const JetFormat& format, std::u16string_view text, bool compressible) {
  if (format.version == 3) return Encode1252(text);
  std::string out;
  if (compressible && Compresses(text)) {
    out.reserve(text.size() + 2);
    out.append("\xFF\xFE", 2);
    for (char16_t c : text) out.push_back(static_cast<char>(c));
    return out;
  }
  out.reserve(text.size() * 2 + 3);
  // Plain text starting with U+FEFF would begin FF FE and be taken for the
  // compressed form; FF FE 00 switches to two-byte units at once.
  if (!text.empty() && text[0] == 0xFEFF) out.append("\xFF\xFE\x00", 3);
  AppendUtf16Le(out, text);
  return out;
}

std::string EncodeName(const JetFormat& format, std::u16string_view name) {
  if (format.version == 3) return Encode1252(name);
  std::string out;
  AppendUtf16Le(out, name);
  return out;
}

std::u16string DecodeText(const JetFormat& format, std::string_view bytes) {
  std::u16string out;
  if (format.version == 3) {
    out.reserve(bytes.size());
    for (char c : bytes) out.push_back(text::Windows1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
  }
  if (bytes.size() >= 2 && GetU8(bytes, 0) == 0xFF && GetU8(bytes, 1) == 0xFE) {
    bool one_byte = true;
    std::size_t i = 2;
    while (i < bytes.size()) {
      if (GetU8(bytes, i) == 0) {
        one_byte = !one_byte;
        ++i;
      } else if (one_byte) {
        out.push_back(GetU8(bytes, i));
        ++i;
      } else {
        if (i + 1 >= bytes.size()) break;
        out.push_back(static_cast<char16_t>(GetU16(bytes, i)));
        i += 2;
      }
    }
    return out;
  }
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    out.push_back(static_cast<char16_t>(GetU16(bytes, i)));
  }
  return out;
}

std::u16string DecodeName(const JetFormat& format, std::string_view bytes) {
  std::u16string out;
  if (format.version == 3) return DecodeText(format, bytes);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    out.push_back(static_cast<char16_t>(GetU16(bytes, i)));
  }
  return out;
}

std::u16string Widen(std::string_view utf8) { return text::DecodeText(utf8); }
std::string Narrow(std::u16string_view text) { return text::Utf16ToUtf8(text); }

}  // namespace kinsheet::jet
