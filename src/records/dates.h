// Years out of free-form GEDCOM date texts, and the replace routine that
// dates and CSV quoting share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kinsheet {

// Every occurrence replaced, searching again from the start after each
// replacement; the result is trimmed of spaces. A replacement that holds the
// searched text is applied once per original occurrence, never endlessly.
std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement);

// The year of a date text, 0 when it yields none.
std::int16_t DateYear(std::string_view date);

}  // namespace kinsheet
