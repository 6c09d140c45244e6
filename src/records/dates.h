// Years out of GEDCOM date texts, free-form ones too, and the replace
// routine that dates and CSV quoting share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kinsheet {

// Every occurrence replaced, searching again from the start after each
// replacement; the result is trimmed of spaces. A replacement that holds the
// searched text is applied once per original occurrence, never endlessly.
std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement);

// The year of a date text, 0 when it yields none. GEDCOM's dates (5.5 to
// 7.0) are read by their grammar: a range or period gives its later end, so
// a birth "BET 1850 AND 1860" keeps the living rule on the safe side; Hebrew
// and Republican dates give the Gregorian year they fall in, 0 when they
// straddle two; a year before Christ, a day and month without a year and a
// date phrase's words give 0. dd/mm/yyyy, mm/dd/yyyy, dd.mm.yyyy and
// yyyy-mm-dd give their 4-digit year. Anything else is read loosely: the
// last 3- or 4-digit group, or a lone group of up to four digits.
std::int16_t DateYear(std::string_view date);

}  // namespace kinsheet
