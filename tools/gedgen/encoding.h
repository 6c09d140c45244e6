// Output encodings of the generator. Names and texts are composed in UTF-8
// and turned into the chosen encoding line by line on the way out.
#pragma once

#include <string>
#include <string_view>

namespace kinsheet::gedgen {

enum class Encoding { kUtf8, kUtf8Bom, kCp1252, kAscii, kAnsel, kUtf16Le, kUtf16Be };

// True when every byte is below 0x80.
bool IsAscii(std::string_view text);

// True when `utf8` is valid UTF-8 and every character of it has a
// Windows-1252 byte.
bool FitsCp1252(std::string_view utf8);

// Appends `utf8` to `out` in Windows-1252. Characters without a byte there
// become '?'; the generator only passes texts that FitsCp1252 accepted.
void AppendCp1252(std::string_view utf8, std::string& out);

// True when every character of `utf8`, decomposed (NFD), is ASCII, an ANSEL
// letter or an ANSEL combining mark.
bool FitsAnsel(std::string_view utf8);

// Appends `utf8` to `out` in ANSEL: decomposed, each letter's marks written
// before it. Characters ANSEL lacks become '?'; the generator only passes
// texts that FitsAnsel accepted.
void AppendAnsel(std::string_view utf8, std::string& out);

// Appends valid UTF-8 `utf8` to `out` as UTF-16 bytes.
void AppendUtf16(std::string_view utf8, bool big_endian, std::string& out);

// True for the encodings written as 16-bit units.
inline bool IsUtf16(Encoding e) { return e == Encoding::kUtf16Le || e == Encoding::kUtf16Be; }

// True when `utf8` can be written in `encoding` unchanged in meaning.
bool Representable(std::string_view utf8, Encoding encoding);

// The value of the header's CHAR line for the encoding.
std::string_view CharsetName(Encoding encoding);

}  // namespace kinsheet::gedgen
