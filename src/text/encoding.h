// Text encodings shared by every layer: the one rule for turning the bytes of
// a GEDCOM value into characters (strict UTF-8 when valid, else Windows-1252),
// and cuts by characters that never split a character or a letter from its
// accents.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kinsheet::text {

// Strict: no overlong forms, no surrogates, nothing above U+10FFFF.
// Pure ASCII (and the empty text) is valid.
bool IsValidUtf8(std::string_view bytes);
// Length of the valid UTF-8 sequence at byte `i` by the same rule, 0 when
// the bytes there are not one; its code point in `*cp` when not null.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i, char32_t* cp);

// Number of code points of valid UTF-8 (callers check validity first).
std::size_t CodePointCount(std::string_view utf8);

// Byte length of the longest prefix of `value` that holds at most
// `max_chars` characters (code points) and does not part a letter from the
// combining marks after it: such a cut moves to before the whole
// cluster. Text that is not valid UTF-8 is read one byte a character, as
// Windows-1252 reads it.
std::size_t FitCharacters(std::string_view value, std::size_t max_chars);

// Byte length of the first `count` code points of valid UTF-8.
std::size_t CodePointPrefixBytes(std::string_view utf8, std::size_t count);

// Cuts and pads `value` to exactly `width` columns: by characters as
// FitCharacters cuts when it is valid UTF-8 and not pure ASCII, by bytes
// otherwise.
std::string FitColumns(std::string_view value, std::size_t width);

// The value as UTF-16: decoded as UTF-8 when valid, otherwise as Windows-1252.
std::u16string DecodeText(std::string_view bytes);

// The value as UTF-8 by the same rule: valid UTF-8 unchanged, anything
// else decoded as Windows-1252.
std::string DecodeToUtf8(std::string_view bytes);

// UTF-16 to UTF-8 (unpaired surrogates become U+FFFD).
std::string Utf16ToUtf8(std::u16string_view text);

// One code point as UTF-8, appended.
void AppendUtf8(std::string& out, char32_t cp);

// UTF-16 to Windows-1252; characters it cannot hold become `replacement`.
std::string EncodeWindows1252(std::u16string_view text, char replacement = '?');

// The Unicode character of one Windows-1252 byte (undefined bytes map to
// the C1 control of the same value, as Windows does).
char16_t Windows1252ToUnicode(unsigned char byte);

}  // namespace kinsheet::text
