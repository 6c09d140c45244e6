#include "export/more_columns.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "export/living.h"
#include "records/dates.h"

namespace kinsheet {
namespace {

// Box numbers of the "More fields" group.
enum MoreBox {
  kRelationshipBox = kFieldCount, kGenerationBox, kAhnentafelBox, kDirectLineBox, kCommonAncestorBox,
  kBirthYearBox, kDeathYearBox, kAgeBox, kOccupationBox, kReligionBox, kResidenceBox, kSpousesBox,
  kChildrenBox,
};
// Catalogue position of box b is b + kMoreOffset.
constexpr int kMoreOffset = 41 - kFieldCount;

bool Ticked(const FieldSelection& s, int box) { return s.ticked[static_cast<std::size_t>(box)]; }

struct DayDate {
  int year = 0;
  int month = 0;
  int day = 0;
  bool exact = false;
};

std::vector<std::string> UpperWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

int Digits(std::string_view s) {
  if (s.empty() || s.size() > 4) return -1;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

constexpr std::array<const char*, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The common forms, read without the full grammar: an optional ABT, CAL,
// EST, BEF or AFT, then "1850", "MAR 1850" or "12 MAR 1850" (3- or 4-digit
// year, month in capitals), each word once separated by one space. Gives
// what DateYear gives for them; nullopt for anything else.
std::optional<DayDate> PlainDate(std::string_view text) {
  std::string_view words[4];
  std::size_t count = 0;
  for (std::size_t from = 0; from <= text.size();) {
    const std::size_t space = std::min(text.find(' ', from), text.size());
    if (space == from || count == 4) return std::nullopt;
    words[count++] = text.substr(from, space - from);
    from = space + 1;
  }
  std::size_t at = 0;
  bool qualified = false;
  for (std::string_view q : {"ABT", "CAL", "EST", "BEF", "AFT"}) {
    if (count > 1 && words[0] == q) qualified = true;
  }
  if (qualified) at = 1;
  DayDate d;
  if (count - at == 3) {
    const int day = words[at].size() <= 2 ? Digits(words[at]) : -1;
    if (day < 0 || day > 31) return std::nullopt;
    d.day = day;
    ++at;
  }
  if (count - at == 2) {
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
      if (words[at] == kMonths[i]) d.month = static_cast<int>(i) + 1;
    }
    if (d.month == 0) return std::nullopt;
    ++at;
  }
  if (count - at != 1 || words[at].size() < 3) return std::nullopt;
  d.year = Digits(words[at]);
  if (d.year <= 0) return std::nullopt;
  d.exact = !qualified && d.day >= 1 && d.month != 0;
  if (!d.exact) d.day = d.month = 0;
  return d;
}

// A date to the day when it is written as one Gregorian day and nothing
// else: "23 MAY 1817", "23/05/1817", "1817-05-23". Any other date gives
// its year alone.
DayDate ReadDay(std::string_view text, int date_year) {
  DayDate d;
  d.year = date_year;
  if (d.year <= 0) return d;
  if (const auto plain = PlainDate(text); plain && plain->year == date_year) return *plain;
  std::vector<std::string> words = UpperWords(text);
  if (!words.empty() && (words[0] == "@#DGREGORIAN@" || words[0] == "GREGORIAN")) words.erase(words.begin());
  int year = -1, month = 0, day = 0;
  if (words.size() == 3) {
    day = Digits(words[0]);
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
      if (words[1] == kMonths[i]) month = static_cast<int>(i) + 1;
    }
    year = words[2].size() >= 3 ? Digits(words[2]) : -1;
  } else if (words.size() == 1) {
    const std::string& w = words[0];
    const char sep = w.find('-') != std::string::npos ? '-' : w.find('/') != std::string::npos ? '/' : '.';
    std::vector<int> parts;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= w.size(); ++i) {
      if (i == w.size() || w[i] == sep) {
        parts.push_back(Digits(std::string_view(w).substr(from, i - from)));
        from = i + 1;
      }
    }
    if (parts.size() == 3 && sep == '-' && w.find('-') == 4) {
      year = parts[0];
      month = parts[1];
      day = parts[2];
    } else if (parts.size() == 3 && sep != '-' && parts[2] >= 100) {
      year = parts[2];
      // Day and month are told apart only when one of them passes 12.
      if (parts[0] > 12 && parts[1] <= 12) {
        day = parts[0];
        month = parts[1];
      } else if (parts[1] > 12 && parts[0] <= 12) {
        month = parts[0];
        day = parts[1];
      }
    }
  }
  if (year == d.year && month >= 1 && month <= 12 && day >= 1 && day <= 31) {
    d.month = month;
    d.day = day;
    d.exact = true;
  }
  return d;
}

// A birth or death date, else the christening or burial that stands in
// for it, with its year: read once a row, for the years and the age.
struct LifeDate {
  std::string_view text;
  int year = 0;
  bool stand_in = false;
};

int YearOf(std::string_view date) {
  if (date.empty()) return 0;
  if (const auto plain = PlainDate(date)) return plain->year;
  return DateYear(date);
}

LifeDate DateOrStandIn(std::string_view date, std::string_view stand_in) {
  LifeDate d{date, YearOf(date), false};
  if (d.year <= 0) d = {stand_in, YearOf(stand_in), true};
  return d;
}

std::string YearText(int year) { return year > 0 ? std::to_string(year) : std::string(); }

std::string Age(const LifeDate& birth, const LifeDate& death) {
  const DayDate b = ReadDay(birth.text, birth.year);
  const DayDate d = ReadDay(death.text, death.year);
  if (b.year <= 0 || d.year <= 0) return {};
  int age = d.year - b.year;
  // A christening or a burial stands in for the day itself: never exact.
  const bool exact = b.exact && d.exact && !birth.stand_in && !death.stand_in;
  if (exact && (d.month < b.month || (d.month == b.month && d.day < b.day))) --age;
  if (age < 0) return {};
  return (exact ? "" : "~") + std::to_string(age);
}

}  // namespace

std::string RootIdFrom(std::string_view typed) {
  std::string id(TrimSpaces(typed));
  if (id.size() >= 2 && id.front() == '@' && id.back() == '@') id = id.substr(1, id.size() - 2);
  return std::string(TrimSpaces(id));
}

std::optional<std::int32_t> FindRoot(const RunState& state) {
  const std::string id = RootIdFrom(state.root_id);
  if (id.empty()) return std::nullopt;
  return state.work.individual_index.Find(id, state.work.individual_count);
}

RootPerson SetRootPerson(RunState& state, WindowServices& ws, std::string_view typed) {
  RootPerson out;
  out.id = RootIdFrom(typed);
  if (out.id.empty()) {
    state.root_id.clear();
    return out;
  }
  const auto n = state.work.individual_index.Find(out.id, state.work.individual_count);
  if (!n) return out;
  out.found = true;
  state.root_id = out.id;
  File file = FileOpen(ws, state.IndividualWorkFile(), kModeRandom, kWorkFileUnit, true);
  if (file.is_open()) {
    std::string scratch;
    out.name = ViewIndividual(file, state.work.individual_records, *n, scratch).Trimmed(IndiField::kFullName);
  }
  return out;
}

std::string IdOfRecord(const RunState& state, std::int32_t n) {
  if (n < 1 || n > state.work.individual_count) return {};
  return std::string(TrimSpaces(state.work.individual_index.Id(n)));
}

std::string AgeAtDeath(std::string_view birth, std::string_view death) {
  return Age({birth, DateYear(birth), false}, {death, DateYear(death), false});
}

MoreColumns::MoreColumns(const RunState& state) : selection_(state.selection) {
  const FieldSelection& s = selection_;
  const bool kin = Ticked(s, kRelationshipBox) || Ticked(s, kGenerationBox) || Ticked(s, kAhnentafelBox) ||
                   Ticked(s, kDirectLineBox) || Ticked(s, kCommonAncestorBox);
  if (kin || Ticked(s, kSpousesBox) || Ticked(s, kChildrenBox)) graph_.emplace(FamilyGraph::Build(state));
  if (kin) map_.emplace(KinshipMap::Compute(*graph_, FindRoot(state).value_or(0)));
  if (graph_) graph_->KeepCountsOnly();
  if (Ticked(s, kOccupationBox) || Ticked(s, kReligionBox) || Ticked(s, kResidenceBox)) {
    texts_path_ = state.KinWorkFile();
    texts_ = std::make_unique<KinLogReader>(texts_path_);
  }
}

MoreColumns::~MoreColumns() = default;

void MoreColumns::TextsOf(std::int32_t n) {
  // Rows out of record order (the preview's sorted blocks) read the log
  // again from its start.
  if (n < last_text_row_) {
    texts_ = std::make_unique<KinLogReader>(texts_path_);
    has_pending_ = false;
  }
  last_text_row_ = n;
  occupation_.clear();
  religion_.clear();
  residence_.clear();
  const auto join = [](std::string& to, const std::string& value) {
    const std::string_view v = TrimSpaces(value);
    if (v.empty()) return;
    if (!to.empty()) to += "; ";
    to += v;
  };
  for (;;) {
    if (!has_pending_) {
      if (!texts_->Next(pending_)) return;
      has_pending_ = true;
    }
    KinEntry& e = pending_;
    const bool own = e.kind == KinLine::kOccupation || e.kind == KinLine::kReligion ||
                     e.kind == KinLine::kResidence || e.kind == KinLine::kResidencePlace;
    // A person's lines come together, people in record order.
    if (own && e.owner > n) return;
    has_pending_ = false;
    if (!own || e.owner < n) continue;
    switch (e.kind) {
      case KinLine::kOccupation: join(occupation_, e.value); break;
      case KinLine::kReligion: join(religion_, e.value); break;
      case KinLine::kResidence: residence_ = std::string(TrimSpaces(e.value)); break;
      case KinLine::kResidencePlace:
        if (!TrimSpaces(e.value).empty()) residence_ = std::string(TrimSpaces(e.value));
        break;
      default: break;
    }
  }
}

void MoreColumns::Append(RunState& state, WorkFiles& files, std::int32_t n, ExportRow& row) {
  const FieldSelection& s = selection_;
  if (texts_) TextsOf(n);
  const IndividualView rec = ViewIndividual(files.individuals, state.work.individual_records, n, scratch_);
  const bool hidden = state.living.mode == LivingMode::kPrivate && IsLiving(state.living_plan, n);
  const std::string_view sex = rec.Trimmed(IndiField::kSex);
  LifeDate birth, death;
  if (Ticked(s, kBirthYearBox) || Ticked(s, kAgeBox)) {
    birth = DateOrStandIn(rec.Trimmed(IndiField::kBirthDate), rec.Trimmed(IndiField::kChrDate));
  }
  if (Ticked(s, kDeathYearBox) || Ticked(s, kAgeBox)) {
    death = DateOrStandIn(rec.Trimmed(IndiField::kDeathDate), rec.Trimmed(IndiField::kBurialDate));
  }
  std::string value;
  for (int box = kFieldCount; box < kAllFieldCount; ++box) {
    if (!Ticked(s, box)) continue;
    value.clear();
    // A private row keeps where the person stands, nothing of the life.
    const bool kept = box <= kDirectLineBox;
    if (!hidden || kept) {
      switch (box) {
        case kRelationshipBox: value = map_->Relationship(n, sex.empty() ? ' ' : sex.front()); break;
        case kGenerationBox: value = map_->Generation(n); break;
        case kAhnentafelBox: value = map_->Ahnentafel(n); break;
        case kDirectLineBox: value = map_->DirectLine(n); break;
        case kCommonAncestorBox:
          if (const std::int32_t f = map_->CommonCouple(n); f != 0) {
            const IdTable& ids = state.work.individual_index;
            value = std::string(TrimSpaces(ids.Id(graph_->Husband(f)))) + "+" +
                    std::string(TrimSpaces(ids.Id(graph_->Wife(f))));
          } else if (const std::int32_t a = map_->CommonAncestor(n); a != 0) {
            value = TrimSpaces(state.work.individual_index.Id(a));
          }
          break;
        case kBirthYearBox: value = YearText(birth.year); break;
        case kDeathYearBox: value = YearText(death.year); break;
        case kAgeBox: value = Age(birth, death); break;
        case kOccupationBox: value = occupation_; break;
        case kReligionBox: value = religion_; break;
        case kResidenceBox: value = residence_; break;
        case kSpousesBox: value = std::to_string(graph_->SpouseLines(n)); break;
        case kChildrenBox: value = std::to_string(graph_->ChildCount(n)); break;
        default: break;
      }
    }
    row.push_back({box + kMoreOffset, value});
  }
}

}  // namespace kinsheet
