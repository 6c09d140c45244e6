// DateYear: qualifiers and periods out, dual years cut at "/", every non-digit
// blanked, then a lone short number or the last 3- or 4-digit group wins.
#include "records/dates.h"

#include <algorithm>
#include <cctype>

#include "records/work_records.h"
#include "text/text_routines.h"

namespace kinsheet {

std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement) {
  std::string work(TrimSpaces(text));
  if (search.empty()) return work;
  if (replacement.find(search) != std::string_view::npos) {
    // Searching from the start again would find the replacement itself:
    // replace left to right in one pass, then trim like every round would.
    std::string out;
    std::size_t from = 0;
    for (auto p = work.find(search); p != std::string::npos; p = work.find(search, from)) {
      out.append(work, from, p - from);
      out.append(replacement);
      from = p + search.size();
    }
    out.append(work, from);
    return std::string(TrimSpaces(out));
  }
  for (auto p = work.find(search); p != std::string::npos; p = work.find(search)) {
    work.replace(p, search.size(), replacement);
    work = std::string(TrimSpaces(work));
  }
  return work;
}

std::int16_t DateYear(std::string_view date) {
  if (TrimSpaces(date).empty()) return 0;
  const std::string text = ReplaceAll(date, ".", "");
  std::string cleaned;
  for (const std::string& word : SplitText(text, " ")) {
    std::string upper = word;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper == "BEF" || upper == "BEFORE" || upper == "AFT" || upper == "AFTER" ||
        upper == "ABT" || upper == "ABOUT") {
      continue;
    }
    const auto slash = word.find('/');
    if (slash != std::string::npos && slash >= 1) {
      cleaned.append(word, 0, slash);
    } else {
      cleaned.append(word);
    }
    cleaned.push_back(' ');
  }
  for (char& c : cleaned) {
    if (c < '0' || c > '9') c = ' ';
  }
  const std::string_view whole = TrimSpaces(cleaned);
  if (!whole.empty() && whole.size() <= 4 &&
      whole.find(' ') == std::string_view::npos) {
    return static_cast<std::int16_t>(std::stoi(std::string(whole)));
  }
  std::int16_t year = 0;
  for (const std::string& word : SplitText(cleaned, " ")) {
    const std::string_view w = TrimSpaces(word);
    if (w.size() == 3 || w.size() == 4) year = static_cast<std::int16_t>(std::stoi(std::string(w)));
  }
  return year;
}

}  // namespace kinsheet
