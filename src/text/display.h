// Text from a file made safe to show: control characters and bytes that are
// not UTF-8 written as escapes, so that a crafted file cannot drive the
// terminal (title, screen, colours) through a message or a listing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kinsheet::text {

// Longest quoted text a message holds, in characters.
inline constexpr std::size_t kMaxQuotedChars = 200;

// The mark after a quoted text that was cut.
inline constexpr std::string_view kCutMark = "\xE2\x80\xA6";  // U+2026

// A piece of the file quoted in a message: every C0 control (tab as "\t",
// the rest as "\x1b"), DEL, the C1 controls U+0080-U+009F (as "\u009b") and
// every byte that is not part of valid UTF-8 (as "\xe9") escaped; past
// `max_chars` characters (an escape or a stray byte counts as one) cut,
// never inside a character, and followed by kCutMark.
std::string EscapeForDisplay(std::string_view text, std::size_t max_chars = kMaxQuotedChars);

// The same escapes for a whole line the program writes to a terminal, whose
// own line breaks and tab-separated columns stay: LF and tab are kept, and
// nothing is cut. Text EscapeForDisplay made comes through unchanged.
std::string EscapeForTerminal(std::string_view text);

}  // namespace kinsheet::text
