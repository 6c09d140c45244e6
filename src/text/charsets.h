// The single-byte character sets a GEDCOM file may declare (ANSEL, code page
// 437, Mac OS Roman), converted line by line to UTF-8, and the streaming
// UTF-16 decoder. ANSEL's table is ours; code pages and NFC come from ICU.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kinsheet::text {

enum class Charset { kNone, kAnsel, kCp437, kMacRoman };

// The set a header's CHAR value names (compared without regard to case,
// trimmed of spaces and tabs); kNone for every value read as it is.
Charset CharsetFromDeclared(std::string_view value);

// True when no byte is 0x80 or above.
bool IsAscii(std::string_view bytes);

// Appends the UTF-8 form of `bytes` read in `set` to `out`. Returns false,
// leaving `out` as it was, when a byte is not defined in the set (only
// ANSEL has such bytes). kNone copies the bytes.
bool ConvertToUtf8(Charset set, std::string_view bytes, std::string& out);

// One ANSEL byte: its code point (0 when undefined) and whether it is a
// combining mark written before its letter. Bytes below 0x80 are ASCII.
char16_t AnselCodePoint(unsigned char byte);
bool IsAnselMark(unsigned char byte);

// UTF-16 bytes in, UTF-8 out, fed in pieces of any size: a surrogate pair
// becomes its character; an unpaired surrogate, and an odd last byte, U+FFFD.
class Utf16Decoder {
 public:
  explicit Utf16Decoder(bool big_endian) : big_endian_(big_endian) {}
  void Feed(const char* bytes, std::size_t n, std::string& out);
  // Ends the stream: a byte or a high surrogate still waiting becomes U+FFFD.
  void Finish(std::string& out);

 private:
  void Unit(char16_t unit, std::string& out);

  bool big_endian_;
  bool have_byte_ = false;
  unsigned char byte_ = 0;
  char16_t high_ = 0;  // a high surrogate waiting for its low half
};

}  // namespace kinsheet::text
