// Text in Jet files: Windows-1252 bytes in Jet 3; UTF-16LE in Jet 4, or its
// compressed form (FF FE, then one byte per character, 00 toggling to
// two-byte units and back).
#pragma once

#include <string>
#include <string_view>

#include "formats/jet/jet_format.h"

namespace kinsheet::jet {

// Longest text Jet compresses, in characters.
inline constexpr std::size_t kMaxCompressedChars = 1024;

// The stored bytes of a text value. `compressible` is the column's flag
// (Jet 4 only). Jet 3 turns characters outside Windows-1252 into "?".
std::string EncodeText(const JetFormat& format, std::u16string_view text, bool compressible);

// Names (tables, columns, properties): never compressed.
std::string EncodeName(const JetFormat& format, std::u16string_view name);

// Stored bytes back to text; Jet 4 values starting FF FE are decompressed.
std::u16string DecodeText(const JetFormat& format, std::string_view bytes);
std::u16string DecodeName(const JetFormat& format, std::string_view bytes);

// UTF-8 (our names and test strings) to UTF-16 and back, through the
// project's one decoder.
std::u16string Widen(std::string_view utf8);
std::string Narrow(std::u16string_view text);

}  // namespace kinsheet::jet
