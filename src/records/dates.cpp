// DateYear: a GEDCOM date (5.5 to 7.0, all four calendars) read by its
// grammar; what the grammar does not cover goes to the loose reading that
// copes with what programs write: qualifiers and periods out, dual years cut
// at "/", every non-digit blanked, then a lone short number or the last 3- or
// 4-digit group wins.
#include "records/dates.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

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

namespace {

enum class Calendar { kGregorian, kJulian, kHebrew, kFrench, kOther };

std::string Upper(std::string_view s) {
  std::string u(s);
  std::transform(u.begin(), u.end(), u.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return u;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

// Digits only, and short enough that the value fits an int.
std::optional<int> Number(std::string_view s) {
  if (!AllDigits(s) || s.size() > 7) return std::nullopt;
  int n = 0;
  for (char c : s) n = n * 10 + (c - '0');
  return n;
}

// Month codes by calendar, 1-based; the Hebrew ones in the order of the
// year, which starts at Tishri (ADS, Adar II, only in leap years).
constexpr std::array<std::string_view, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                      "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::array<std::string_view, 13> kHebrewMonths = {"TSH", "CSH", "KSL", "TVT", "SHV", "ADR", "ADS",
                                                            "NSN", "IYR", "SVN", "TMZ", "AAV", "ELL"};
constexpr std::array<std::string_view, 13> kFrenchMonths = {"VEND", "BRUM", "FRIM", "NIVO", "PLUV", "VENT", "GERM",
                                                            "FLOR", "PRAI", "MESS", "THER", "FRUC", "COMP"};

template <std::size_t N>
int MonthIndex(const std::array<std::string_view, N>& months, std::string_view word) {
  for (std::size_t i = 0; i < N; ++i) {
    if (months[i] == word) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool IsMonth(std::string_view word) {
  return MonthIndex(kMonths, word) != 0 || MonthIndex(kHebrewMonths, word) != 0 ||
         MonthIndex(kFrenchMonths, word) != 0;
}

// Days since 1 Jan 1970 of a proleptic Gregorian date, and back to the year.
long DaysFromCivil(long y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

long YearFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  return yoe + era * 400 + (mp >= 10 ? 1 : 0);
}

// The Gregorian year a period of days lies in, 0 when it straddles two.
std::int16_t YearOfSpan(long first_day, long last_day) {
  const long a = YearFromDays(first_day), b = YearFromDays(last_day);
  return a == b && a > 0 && a <= 32767 ? static_cast<std::int16_t>(a) : 0;
}

// The Republican calendar as the French state kept it, years I to XIV:
// year I began on 22 September 1792, and III, VII and XI had a sixth
// complementary day. Later years were never kept, and the proposals for them
// disagree, so they give no year.
std::int16_t FrenchYear(int day, int month, int year) {
  if (year < 1 || year > 14) return 0;
  auto leap = [](int y) { return y == 3 || y == 7 || y == 11; };
  long start = DaysFromCivil(1792, 9, 22);
  for (int y = 1; y < year; ++y) start += leap(y) ? 366 : 365;
  const int last_of_year = leap(year) ? 365 : 364;
  if (month == 0) return YearOfSpan(start, start + last_of_year);
  const int month_days = month == 13 ? (leap(year) ? 6 : 5) : 30;
  const long month_start = start + (month - 1) * 30;
  if (day == 0) return YearOfSpan(month_start, month_start + month_days - 1);
  if (day > month_days) return 0;
  return YearOfSpan(month_start + day - 1, month_start + day - 1);
}

// ICU keeps the Hebrew calendar. Its months count from Tishri at 0 and
// hold a month 5 (Adar I) in leap years only, so Adar of a common year is 6;
// GEDCOM's ADR is Adar, or Adar I in a leap year, and ADS is Adar II.
std::int16_t HebrewYear(int day, int month, int year) {
  if (year < 1 || year > 9999) return 0;
  const bool leap = (7 * year + 1) % 19 < 7;
  int icu_month = 0;
  if (month >= 1 && month <= 5) icu_month = month - 1;
  if (month == 6) icu_month = leap ? 5 : 6;
  if (month == 7) {
    if (!leap) return 0;
    icu_month = 6;
  }
  if (month >= 8) icu_month = month - 1;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> hebrew(icu::Calendar::createInstance(
      icu::TimeZone::getGMT()->clone(), icu::Locale("en@calendar=hebrew"), status));
  if (U_FAILURE(status)) return 0;
  hebrew->setLenient(false);
  // Days since 1970 of a day's start; in UTC, so no zone moves the day.
  auto day_number = [&](int y, int m, int d) -> std::optional<long> {
    hebrew->clear();
    hebrew->set(y, m, d);
    UErrorCode s = U_ZERO_ERROR;
    const UDate ms = hebrew->getTime(s);
    if (U_FAILURE(s)) return std::nullopt;
    return static_cast<long>(std::floor(ms / 86400000.0));
  };
  std::optional<long> first, last;
  if (month == 0) {
    first = day_number(year, 0, 1);
    if (const std::optional<long> next = day_number(year + 1, 0, 1)) last = *next - 1;
  } else if (day == 0) {
    first = day_number(year, icu_month, 1);
    UErrorCode s = U_ZERO_ERROR;
    const int days = hebrew->getActualMaximum(UCAL_DATE, s);
    if (first && U_SUCCESS(s)) last = *first + days - 1;
  } else {
    first = last = day_number(year, icu_month, day);
  }
  if (!first || !last) return 0;
  return YearOfSpan(*first, *last);
}

// dd/mm/yyyy, mm/dd/yyyy, dd.mm.yyyy, dd-mm-yyyy and yyyy-mm-dd as one
// word: the 4-digit part is the year. The same with a 2-digit year gives no
// year: its century is anyone's guess, and its first part is a day.
std::optional<std::int16_t> NumericDateYear(std::string_view word) {
  std::vector<std::string_view> parts;
  char separator = 0;
  std::size_t from = 0;
  for (std::size_t i = 0; i <= word.size(); ++i) {
    if (i == word.size() || word[i] == '/' || word[i] == '.' || word[i] == '-') {
      if (i < word.size()) {
        if (separator != 0 && word[i] != separator) return std::nullopt;
        separator = word[i];
      }
      parts.push_back(word.substr(from, i - from));
      from = i + 1;
    }
  }
  if (parts.size() != 3 || !std::all_of(parts.begin(), parts.end(), AllDigits)) return std::nullopt;
  const bool short_front = parts[0].size() <= 2 && parts[1].size() <= 2;
  if (short_front && parts[2].size() == 4) return static_cast<std::int16_t>(*Number(parts[2]));
  if (short_front && parts[2].size() == 2 && separator != '-') return std::int16_t{0};
  if (separator == '-' && parts[0].size() == 4 && parts[1].size() <= 2 && parts[2].size() <= 2) {
    return static_cast<std::int16_t>(*Number(parts[0]));
  }
  return std::nullopt;
}

// One date of the grammar: [calendar] [[day] month] year [epoch]. Its
// result is nullopt when the words are not such a date, so the loose
// reading takes over; a year of two digits or fewer in the Gregorian or
// Julian calendar is left to it too, as it was always read.
class DateWords {
 public:
  explicit DateWords(std::vector<std::string> words) : words_(std::move(words)) {}

  bool AtEnd() const { return at_ >= words_.size(); }
  bool Take(std::string_view word) {
    if (AtEnd() || words_[at_] != word) return false;
    ++at_;
    return true;
  }
  bool TakeQualifier(std::initializer_list<std::string_view> words) {
    if (AtEnd()) return false;
    std::string_view w = words_[at_];
    if (w.size() > 1 && w.back() == '.') w.remove_suffix(1);
    for (std::string_view q : words) {
      if (w == q) {
        ++at_;
        return true;
      }
    }
    return false;
  }

  std::optional<std::int16_t> Date() {
    if (AtEnd()) return std::nullopt;
    if (auto numeric = NumericDateYear(words_[at_])) {
      ++at_;
      return numeric;
    }
    Calendar calendar = Calendar::kGregorian;
    bool named = true;
    const std::string& first = words_[at_];
    if (first == "@#DGREGORIAN@" || first == "GREGORIAN") {
      calendar = Calendar::kGregorian;
    } else if (first == "@#DJULIAN@" || first == "JULIAN") {
      calendar = Calendar::kJulian;
    } else if (first == "@#DHEBREW@" || first == "HEBREW") {
      calendar = Calendar::kHebrew;
    } else if (first == "@#DFRENCH_R@" || first == "FRENCH_R") {
      calendar = Calendar::kFrench;
    } else if ((first.rfind("@#D", 0) == 0 && first.size() > 4 && first.back() == '@') ||
               (first.size() > 1 && first[0] == '_')) {
      calendar = Calendar::kOther;  // ROMAN, UNKNOWN or an extension: no reckoning known
    } else {
      named = false;
    }
    if (named) ++at_;
    int day = 0, month = 0;
    bool unreadable = calendar == Calendar::kOther;
    std::optional<int> year;
    std::string_view year_text;
    if (!AtEnd() && AllDigits(words_[at_]) && words_[at_].size() <= 2 && at_ + 1 < words_.size() &&
        IsMonth(words_[at_ + 1])) {
      day = *Number(words_[at_]);
      ++at_;
    }
    if (!AtEnd() && !AllDigits(words_[at_])) {
      const std::string& m = words_[at_];
      if (int g = MonthIndex(kMonths, m); g != 0 && calendar != Calendar::kHebrew && calendar != Calendar::kFrench) {
        month = g;
      } else if (int h = MonthIndex(kHebrewMonths, m); h != 0 && (!named || calendar == Calendar::kHebrew)) {
        // A Hebrew or Republican month name tells the calendar where a
        // program left the escape out.
        calendar = Calendar::kHebrew;
        month = h;
      } else if (int f = MonthIndex(kFrenchMonths, m); f != 0 && (!named || calendar == Calendar::kFrench)) {
        calendar = Calendar::kFrench;
        month = f;
      } else if (calendar == Calendar::kHebrew || calendar == Calendar::kFrench) {
        unreadable = true;  // a month the calendar does not have
      } else if (calendar != Calendar::kOther) {
        return std::nullopt;
      }
      ++at_;
    }
    if (day > 31) return std::nullopt;
    if (AtEnd()) {
      // A day and a month without a year: the day is no year.
      if (month != 0 && !unreadable) return std::int16_t{0};
      return std::nullopt;
    }
    year_text = words_[at_];
    const auto slash = year_text.find('/');
    if (slash != std::string_view::npos) {
      // A dual year, 1648/9: the first, as every year was read before.
      if (calendar != Calendar::kGregorian && calendar != Calendar::kJulian) return std::nullopt;
      if (!AllDigits(year_text.substr(slash + 1))) return std::nullopt;
      year_text = year_text.substr(0, slash);
    }
    year = Number(year_text);
    if (!year) return std::nullopt;
    ++at_;
    bool before_christ = false;
    if (!AtEnd() && (words_[at_] == "BCE" || words_[at_] == "B.C." || words_[at_] == "BC")) {
      before_christ = true;
      ++at_;
    }
    if (unreadable || before_christ) return std::int16_t{0};
    switch (calendar) {
      case Calendar::kHebrew: return HebrewYear(day, month, *year);
      case Calendar::kFrench: return FrenchYear(day, month, *year);
      default: break;
    }
    if (year_text.size() <= 2 || year_text.size() > 4) return std::nullopt;
    return static_cast<std::int16_t>(*year);
  }

  // The rest from the current word on, as written: "(" ... ")".
  bool RestIsPhrase() const {
    if (AtEnd()) return false;
    return words_[at_].front() == '(' && words_.back().back() == ')';
  }
  const std::vector<std::string>& words() const { return words_; }

 private:
  std::vector<std::string> words_;
  std::size_t at_ = 0;
};

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

// A date followed by nothing, or by a phrase in parentheses that does not
// count.
std::optional<std::int16_t> DateThenEnd(DateWords& words, bool phrase_allowed) {
  const std::optional<std::int16_t> year = words.Date();
  if (!year) return std::nullopt;
  if (words.AtEnd() || (phrase_allowed && words.RestIsPhrase())) return year;
  return std::nullopt;
}

std::optional<std::int16_t> GrammarYear(std::string_view text, bool in_phrase = false) {
  // "FRENCH R" is the one escape with a space in it.
  std::string upper = Upper(text);
  for (auto p = upper.find("@#DFRENCH R@"); p != std::string::npos; p = upper.find("@#DFRENCH R@")) {
    upper.replace(p, 12, "@#DFRENCH_R@");
  }
  DateWords words(Words(upper));
  if (words.AtEnd()) return std::nullopt;
  const std::string& first = words.words().front();
  if (first.front() == '(') {
    // A date phrase: its text is no date, unless it holds just one.
    const std::string_view t = TrimSpaces(text);
    if (t.back() != ')') return std::nullopt;
    if (in_phrase) return std::int16_t{0};
    return GrammarYear(t.substr(1, t.size() - 2), true).value_or(0);
  }
  if (words.Take("INT")) return DateThenEnd(words, true);
  if (words.Take("BET") || words.Take("BETWEEN")) {
    const std::optional<std::int16_t> from = words.Date();
    if (!from) return std::nullopt;
    if (words.AtEnd()) return from;
    if (!words.Take("AND")) return std::nullopt;
    // A range gives its later end, as it always has: for a birth that keeps
    // the living rule on the safe side.
    return DateThenEnd(words, false);
  }
  if (words.Take("FROM")) {
    const std::optional<std::int16_t> from = words.Date();
    if (!from) return std::nullopt;
    if (words.AtEnd()) return from;
    if (!words.Take("TO")) return std::nullopt;
    return DateThenEnd(words, false);
  }
  if (words.Take("TO")) return DateThenEnd(words, false);
  words.TakeQualifier({"ABT", "ABOUT", "CAL", "EST", "BEF", "BEFORE", "AFT", "AFTER"});
  return DateThenEnd(words, true);
}

// What DateYear did before it knew the grammar, kept for the free forms.
std::int16_t LooseYear(std::string_view date) {
  const std::string text = ReplaceAll(date, ".", "");
  std::string cleaned;
  for (const std::string& word : SplitText(text, " ")) {
    const std::string upper = Upper(word);
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

}  // namespace

std::int16_t DateYear(std::string_view date) {
  if (TrimSpaces(date).empty()) return 0;
  if (const std::optional<std::int16_t> year = GrammarYear(date)) return *year;
  return LooseYear(date);
}

}  // namespace kinsheet
