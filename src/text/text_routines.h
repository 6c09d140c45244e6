// The splitter the loader, parser, name analysis and dates share, and the
// last-occurrence search used to split paths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kinsheet {

// Returns the text before the first `delimiter` and removes it and the
// delimiter from `work`; "~TWA" (work unchanged) when there is none.
std::string NextToken(std::string& work, std::string_view delimiter);

// Splits at every `delimiter` (a space when empty). A piece that is exactly
// "~TWA" ends the split early and is dropped; the rest stays in the last
// element. `limit` -1 means no limit.
std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter,
                                   int limit = -1);

// SplitText(text, " ")[1] without building the array; nullopt when the
// split has a single element.
std::optional<std::string_view> SecondWord(std::string_view text);

// Removes leading and trailing spaces only (tabs, CR and LF stay).
std::string_view TrimSpaces(std::string_view text);

// 1-based position of the last occurrence of `search` in `text`, 0 when
// absent; with `from_end` non-zero, counted from the end instead.
std::int32_t InStrLast(std::string_view text, std::string_view search, int ignored = 0,
                       std::int16_t from_end = 0);

}  // namespace kinsheet
