// Text as a search or a sort compares it: case and accents set aside, so
// that "muller" finds "Müller" and "Éire" sorts with "eire".
#pragma once

#include <string>
#include <string_view>

namespace kinsheet::text {

// `utf8` decomposed (NFD), its combining marks dropped and its case folded,
// as UTF-8. Plain ASCII takes a fast path; bytes that are not UTF-8 are read
// as Windows-1252, as the window shows them.
std::string FoldForSearch(std::string_view utf8);
// The same into `out` (cleared first), reusing its storage.
void FoldForSearch(std::string_view utf8, std::string& out);

}  // namespace kinsheet::text
