// Record composition. Every random draw here is made whatever the encoding
// and spelling options, so those options change spellings and never the
// people, families or dates. No call takes two draws among its arguments:
// their order of evaluation differs between compilers, and so would the
// files.
#include "records.h"

#include <charconv>

namespace kinsheet::gedgen {
namespace {

constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

void AppendInt(std::int64_t n, std::string& out) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, n);
  out.append(digits, result.ptr);
}

void AppendTwoDigits(int n, std::string& out) {
  out.push_back(static_cast<char>('0' + n / 10 % 10));
  out.push_back(static_cast<char>('0' + n % 10));
}

template <typename T>
const T& Pick(std::span<const T> pool, Rng& rng) {
  return pool[rng.Below(static_cast<std::uint32_t>(pool.size()))];
}

// Leading words in lower case are the surname's prefix ("van den", "de la",
// "von"): GEDCOM's SPFX.
std::size_t SurnamePrefixLength(std::string_view surname) {
  std::size_t end = 0;
  std::size_t pos = 0;
  while (pos < surname.size() && surname[pos] >= 'a' && surname[pos] <= 'z') {
    const std::size_t space = surname.find(' ', pos);
    if (space == std::string_view::npos) break;
    end = space;
    pos = space + 1;
  }
  return end;
}

}  // namespace

void AppendExactDate(int day, int month, int year, std::string& out) {
  AppendInt(day, out);
  out.push_back(' ');
  out.append(kMonths[month - 1]);
  out.push_back(' ');
  AppendInt(year, out);
}

void AppendDate(int year, Rng& rng, std::string& out) {
  const int month = rng.Between(1, 12);
  const int day = rng.Between(1, kMonthDays[month - 1]);
  const int spread = rng.Between(1, 10);
  switch (rng.Weighted({56, 9, 13, 7, 2, 2, 2, 2, 2, 1, 1})) {
    case 0:
      AppendExactDate(day, month, year, out);
      // Before 1752 the English year began in March: dual years.
      if (year < 1752 && month <= 3 && rng.Percent(25)) {
        out.push_back('/');
        AppendTwoDigits((year + 1) % 100, out);
      }
      break;
    case 1:
      out.append(kMonths[month - 1]);
      out.push_back(' ');
      AppendInt(year, out);
      break;
    case 2:
      AppendInt(year, out);
      break;
    case 3:
      out.append("ABT ");
      AppendInt(year, out);
      break;
    case 4:
      out.append("BEF ");
      AppendInt(year, out);
      break;
    case 5:
      out.append("AFT ");
      AppendInt(year, out);
      break;
    case 6:
      out.append("BET ");
      AppendInt(year - spread, out);
      out.append(" AND ");
      AppendInt(year, out);
      break;
    case 7:
      out.append("CAL ");
      AppendInt(year, out);
      break;
    case 8:
      out.append("EST ");
      AppendInt(year, out);
      break;
    case 9:
      AppendTwoDigits(day, out);
      out.push_back('/');
      AppendTwoDigits(month, out);
      out.push_back('/');
      AppendInt(year, out);
      break;
    default:
      out.append("FROM ");
      AppendInt(year - spread, out);
      out.append(" TO ");
      AppendInt(year, out);
  }
}

RecordComposer::RecordComposer(GedcomWriter& out, Encoding encoding,
                               bool non_ascii, std::uint64_t source_count)
    : out_(out),
      encoding_(encoding),
      non_ascii_(non_ascii),
      source_count_(source_count) {}

std::string_view RecordComposer::Spell(const Spelling& s) const {
  if (s.ascii == nullptr) return s.native;
  if (non_ascii_ && Representable(s.native, encoding_)) return s.native;
  return s.ascii;
}

std::string_view RecordComposer::Place(PlaceRef place) const {
  if (place.culture == PlaceRef::kAbroad)
    return Spell(EmigrationPlaces()[place.index]);
  return Spell(Cultures()[place.culture].places[place.index]);
}

std::string_view RecordComposer::Town(PlaceRef place) const {
  const std::string_view p = Place(place);
  return p.substr(0, p.find(','));
}

void RecordComposer::AppendGiven(const PersonPlan& p, std::string& out) const {
  const Culture& c = Cultures()[p.culture];
  out.append(Spell((p.Female() ? c.female : c.male)[p.given]));
}

void RecordComposer::AppendSurname(const PersonPlan& p,
                                   std::string& out) const {
  const Culture& c = Cultures()[p.surname_culture];
  const Spelling& s = c.surnames[p.surname];
  if (!p.Female() || c.feminine == FeminineRule::kNone) {
    out.append(Spell(s));
    return;
  }
  // The woman's form exists in both spellings; use the native one only
  // where the output holds it.
  if (s.ascii != nullptr && non_ascii_) {
    const std::string native = FeminineSurname(s.native, c.feminine, false);
    if (Representable(native, encoding_)) {
      out.append(native);
      return;
    }
  }
  const bool ascii_form = s.ascii != nullptr || IsAscii(s.native);
  out.append(FeminineSurname(s.Ascii(), c.feminine, ascii_form));
}

void RecordComposer::AppendMarriedSurname(const Household& h,
                                          const PersonPlan& wife,
                                          std::string& out) const {
  const FamilyPlan& f = h.families[wife.fams[0]];
  PersonPlan as_wife = h.people[f.husband];
  as_wife.sex = Sex::kFemale;
  AppendSurname(as_wife, out);
}

void RecordComposer::Event(std::string_view tag, int year, PlaceRef place,
                           std::uint32_t date_percent,
                           std::uint32_t place_percent, Rng& rng) {
  const bool with_date = rng.Percent(date_percent);
  const bool with_place = rng.Percent(place_percent);
  const bool cited = rng.Percent(12);
  if (!with_date && !with_place) {
    out_.Line(1, tag, "Y");  // the event is known to have happened
    return;
  }
  out_.Line(1, tag);
  if (with_date) {
    value_.clear();
    AppendDate(year, rng, value_);
    out_.Line(2, "DATE", value_);
  }
  if (with_place) out_.Line(2, "PLAC", Place(place));
  if (cited) Citation(2, rng);
}

void RecordComposer::Citation(int level, Rng& rng) {
  out_.Pointer(level, "SOUR", 'S',
               1 + rng.Below(static_cast<std::uint32_t>(source_count_)));
  value_.clear();
  switch (rng.Below(3)) {
    case 0:
      value_.append("Folio ");
      AppendInt(rng.Between(1, 400), value_);
      value_.append(", entry ");
      AppendInt(rng.Between(1, 60), value_);
      break;
    case 1:
      value_.append("p. ");
      AppendInt(rng.Between(1, 900), value_);
      break;
    default:
      value_.append("Film 00");
      AppendInt(rng.Between(10000, 99999), value_);
      value_.append(", item ");
      AppendInt(rng.Between(1, 12), value_);
  }
  out_.Line(level + 1, "PAGE", value_);
  if (rng.Percent(40)) {
    value_.clear();
    AppendInt(rng.Between(0, 3), value_);
    out_.Line(level + 1, "QUAY", value_);
  }
}

void RecordComposer::Change(Rng& rng) {
  out_.Line(1, "CHAN");
  value_.clear();
  const int month = rng.Between(1, 12);
  const int day = rng.Between(1, kMonthDays[month - 1]);
  AppendExactDate(day, month, rng.Between(1998, kPresentYear), value_);
  out_.Line(2, "DATE", value_);
  value_.clear();
  AppendTwoDigits(rng.Between(0, 23), value_);
  value_.push_back(':');
  AppendTwoDigits(rng.Between(0, 59), value_);
  value_.push_back(':');
  AppendTwoDigits(rng.Between(0, 59), value_);
  out_.Line(3, "TIME", value_);
}

void RecordComposer::Uid(Rng& rng) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  value_.clear();
  for (int half = 0; half < 2; ++half) {
    std::uint64_t bits = rng.Next();
    for (int i = 0; i < 16; ++i, bits >>= 4) value_.push_back(kHex[bits & 15]);
  }
  out_.Line(1, "_UID", value_);
}

std::size_t RecordComposer::NoteChunk(Rng& rng) {
  // Programs wrap notes at their own widths.
  static constexpr std::size_t kWidths[] = {60, 80, 120, 200,
                                            GedcomWriter::kMaxTextChunk};
  return kWidths[rng.Below(5)];
}

void RecordComposer::AppendNoteText(const Household& h, int index,
                                    bool long_note, Rng& rng,
                                    std::string& out) {
  const PersonPlan& p = h.people[index];
  const Culture& c = Cultures()[p.culture];
  const std::string_view his = p.Female() ? "her" : "his";
  const int sentences = long_note ? rng.Between(5, 14) : rng.Between(1, 3);
  const int paragraph_every = long_note ? rng.Between(2, 5) : 99;
  for (int i = 0; i < sentences; ++i) {
    if (i > 0) out.append(i % paragraph_every == 0 ? "\n" : " ");
    const int year = p.birth_year + rng.Between(0, 60);
    switch (rng.Below(12)) {
      case 0:
        AppendGiven(p, out);
        out.append(" was baptised in the parish church of ");
        out.append(Town(p.birth_place));
        out.append(".");
        break;
      case 1:
        out.append("Family tradition holds that ");
        out.append(p.Female() ? "she" : "he");
        out.append(" crossed to ");
        out.append(Town(
            {PlaceRef::kAbroad,
             static_cast<std::uint16_t>(rng.Below(
                 static_cast<std::uint32_t>(EmigrationPlaces().size())))}));
        out.append(" aboard the ");
        out.append(Pick(ShipNames(), rng));
        out.append(" in ");
        AppendInt(year, out);
        out.append(".");
        break;
      case 2:
        out.append("Listed in the census of ");
        AppendInt(year, out);
        out.append(" as a ");
        out.append(Pick(Occupations(), rng));
        out.append(" living in ");
        out.append(Town(p.birth_place));
        out.append(".");
        break;
      case 3:
        out.append("Witnesses at the wedding were ");
        out.append(Spell(Pick(c.male, rng)));
        out.append(" ");
        out.append(Spell(Pick(c.surnames, rng)));
        out.append(" and ");
        out.append(Spell(Pick(c.female, rng)));
        out.append(" ");
        out.append(Spell(Pick(c.surnames, rng)));
        out.append(".");
        break;
      case 4: {
        const Spelling& s = Cultures()[p.surname_culture].surnames[p.surname];
        out.append("The surname is also written ");
        out.append(s.Ascii());
        out.append(" or <");
        out.append(Spell(s));
        out.append("> in older records.");
        break;
      }
      case 5:
        out.append("Served in the militia from ");
        AppendInt(p.birth_year + 18, out);
        out.append(" to ");
        AppendInt(p.birth_year + 18 + rng.Between(1, 8), out);
        out.append(".");
        break;
      case 6:
        out.append("Buried beside ");
        out.append(his);
        out.append(" parents in the old churchyard.");
        break;
      case 7:
        out.append("A letter dated ");
        {
          // One draw per statement: the order in which arguments are
          // evaluated is the compiler's choice.
          const int day = rng.Between(1, 28);
          const int month = rng.Between(1, 12);
          AppendExactDate(day, month, year, out);
        }
        out.append(" says: \"We are all well here & the harvest was good.\"");
        break;
      case 8:
        out.append("Inherited the farm at ");
        out.append(Town(p.birth_place));
        out.append(" after the death of ");
        out.append(his);
        out.append(" father; the deed names ");
        AppendInt(rng.Between(3, 60), out);
        out.append(" acres.");
        break;
      case 9:
        out.append("The register reads: ");
        AppendGiven(p, out);
        out.append(" ");
        AppendSurname(p, out);
        out.append(", aged ");
        AppendInt(rng.Between(1, 90), out);
        out.append(", ");
        out.append(Pick(Occupations(), rng));
        out.append(".");
        break;
      case 10:
        out.append("Entry hard to read; the age might be ");
        AppendInt(rng.Between(20, 60), out);
        out.append(" or ");
        AppendInt(rng.Between(61, 90), out);
        out.append(" (see the original, 100% legible only under UV light).");
        break;
      default:
        out.append("Godparents: ");
        out.append(Spell(Pick(c.male, rng)));
        out.append(" & ");
        out.append(Spell(Pick(c.female, rng)));
        out.append(" ");
        out.append(Spell(Pick(c.surnames, rng)));
        out.append("; research notes from ");
        AppendInt(rng.Between(1975, kPresentYear), out);
        out.append(".");
    }
  }
}

void RecordComposer::Person(const Household& h, int index, HouseholdBase base,
                            Rng& rng) {
  const PersonPlan& p = h.people[index];
  const Culture& c = Cultures()[p.culture];
  const std::uint64_t id =
      base.first_person + static_cast<std::uint64_t>(index) + 1;
  out_.Record('I', id, "INDI");

  // Name: mostly "Given /Surname/", with the variants real files carry.
  std::string& given = given_;
  given.clear();
  AppendGiven(p, given);
  std::string& surname = surname_;
  surname.clear();
  AppendSurname(p, surname);
  const int form = rng.Weighted({955, 15, 10, 10, 10});
  const bool emoji = rng.PerMille(12);
  const Spelling& emoji_pick = Pick(NameEmoji(), rng);
  if (emoji) {
    const std::string_view e = Spell(emoji_pick);
    if (!e.empty()) {
      given.push_back(' ');
      given.append(e);
    }
  }
  const bool with_parts = rng.Percent(35);
  const bool prefix = rng.PerMille(15);
  const bool suffix = p.sex == Sex::kMale && rng.PerMille(25);
  const bool suffix_in_name = rng.Percent(50);
  const bool nickname = rng.PerMille(30);
  const char* npfx = Pick(NamePrefixes(), rng);
  const char* nsfx = Pick(NameSuffixes(), rng);
  const Spelling& nick = Pick(Nicknames(), rng);
  const bool surname_first = rng.Percent(50);
  name_.clear();
  switch (form) {
    case 1:  // given name only
      name_.append(given);
      break;
    case 2:  // surname only
      name_.append("/").append(surname).append("/");
      break;
    case 3:  // surname unknown
      name_.append(given).append(" //");
      break;
    case 4:  // no space before the surname, as some programs write it
      name_.append(given).append("/").append(surname).append("/");
      break;
    default:
      if (c.surname_first && surname_first) {
        name_.append("/").append(surname).append("/ ").append(given);
      } else {
        name_.append(given).append(" /").append(surname).append("/");
      }
  }
  if (suffix && suffix_in_name && form != 1) name_.append(" ").append(nsfx);
  out_.Line(1, "NAME", name_);
  if (with_parts) {
    if (prefix) out_.Line(2, "NPFX", npfx);
    if (form != 2) out_.Line(2, "GIVN", given);
    if (form != 1 && form != 3) {
      const std::size_t spfx = SurnamePrefixLength(surname);
      if (spfx > 0) {
        out_.Line(2, "SPFX", std::string_view(surname).substr(0, spfx));
        out_.Line(2, "SURN", std::string_view(surname).substr(spfx + 1));
      } else {
        out_.Line(2, "SURN", surname);
      }
    }
    if (suffix) out_.Line(2, "NSFX", nsfx);
  } else if (prefix) {
    out_.Line(2, "NPFX", npfx);
  }
  if (nickname) out_.Line(2, "NICK", Spell(nick));

  // A wife's name after marriage.
  const bool married_name = rng.Percent(12);
  if (married_name && p.Female() && p.fams_count > 0 &&
      h.families[p.fams[0]].husband >= 0) {
    name_.clear();
    AppendGiven(p, name_);
    name_.append(" /");
    AppendMarriedSurname(h, p, name_);
    name_.append("/");
    out_.Line(1, "NAME", name_);
    out_.Line(2, "TYPE", "married");
  }
  if (rng.PerMille(7)) out_.Line(1, "TITL", Pick(Titles(), rng));

  const int sex_form = rng.Below(100);
  if (sex_form > 0) {
    out_.Line(1, "SEX", p.sex == Sex::kMale ? "M" : p.Female() ? "F" : "U");
  }

  // Life events.
  if (rng.Percent(92)) Event("BIRT", p.birth_year, p.birth_place, 92, 80, rng);
  const bool christened = rng.Percent(p.birth_year < 1900 ? 40 : 10);
  if (christened) Event("CHR", p.birth_year, p.birth_place, 90, 75, rng);
  if (rng.Percent(4)) Event("BAPM", p.birth_year, p.birth_place, 80, 60, rng);

  const bool adult = p.death_year == 0 || p.death_year >= p.birth_year + 16;
  if (adult && rng.Percent(30)) out_.Line(1, "OCCU", Pick(Occupations(), rng));
  if (rng.Percent(6)) {
    const int from = p.birth_year + rng.Between(0, 30);
    out_.Line(1, "RESI");
    value_.assign("FROM ");
    AppendInt(from, value_);
    value_.append(" TO ");
    AppendInt(from + rng.Between(1, 20), value_);
    out_.Line(2, "DATE", value_);
    out_.Line(2, "PLAC", Place(p.birth_place));
  }
  if (rng.Percent(2)) {
    out_.Line(1, "EVEN");
    out_.Line(2, "TYPE", "Military service");
    value_.clear();
    AppendDate(p.birth_year + 20, rng, value_);
    out_.Line(2, "DATE", value_);
  }

  // Emigration of a couple whose family moved overseas.
  PlaceRef last_home = p.birth_place;
  for (int i = 0; i < p.fams_count; ++i) {
    const FamilyPlan& f = h.families[p.fams[i]];
    last_home = f.home;
    if (f.emigration_year == 0) continue;
    if (p.death_year == 0 || p.death_year >= f.emigration_year) {
      out_.Line(1, "EMIG");
      value_.clear();
      AppendInt(f.emigration_year, value_);
      out_.Line(2, "DATE", value_);
      out_.Line(2, "PLAC", Place(f.home));
      out_.Line(1, "IMMI");
      out_.Line(2, "DATE", value_);
      out_.Line(2, "PLAC", Place(f.abroad));
      last_home = f.abroad;
    }
  }

  if (p.death_year != 0) {
    if (rng.Percent(92)) Event("DEAT", p.death_year, last_home, 93, 70, rng);
    if (rng.Percent(40)) Event("BURI", p.death_year, last_home, 85, 85, rng);
  } else if (p.birth_year < kPresentYear - 100 && rng.Percent(35)) {
    out_.Line(1, "DEAT", "Y");
  }

  // Links.
  if (p.famc >= 0) {
    out_.Pointer(1, "FAMC", 'F',
                 base.first_family + static_cast<std::uint64_t>(p.famc) + 1);
    if (rng.Percent(5)) out_.Line(2, "PEDI", "birth");
  }
  for (int i = 0; i < p.fams_count; ++i) {
    out_.Pointer(1, "FAMS", 'F',
                 base.first_family + static_cast<std::uint64_t>(p.fams[i]) + 1);
  }

  // Notes, sources and bookkeeping.
  if (rng.Percent(7)) {
    note_.clear();
    const bool long_note = rng.Percent(20);
    AppendNoteText(h, index, long_note, rng, note_);
    out_.Text(1, "NOTE", note_, NoteChunk(rng));
  }
  if (p.linked_note) out_.Pointer(1, "NOTE", 'N', id);
  if (rng.Percent(8)) Citation(1, rng);
  if (rng.Percent(10)) Uid(rng);
  if (rng.Percent(35)) Change(rng);
}

void RecordComposer::Family(const Household& h, int index, HouseholdBase base,
                            Rng& rng) {
  const FamilyPlan& f = h.families[index];
  out_.Record('F', base.first_family + static_cast<std::uint64_t>(index) + 1,
              "FAM");
  if (f.husband >= 0) {
    out_.Pointer(1, "HUSB", 'I',
                 base.first_person + static_cast<std::uint64_t>(f.husband) + 1);
  }
  if (f.wife >= 0) {
    out_.Pointer(1, "WIFE", 'I',
                 base.first_person + static_cast<std::uint64_t>(f.wife) + 1);
  }
  const bool couple = f.husband >= 0 && f.wife >= 0;
  const int kind =
      couple ? rng.Weighted({78, 7, 5, 10}) : rng.Weighted({15, 5, 5, 75});
  const PlaceRef place = f.wife >= 0 ? h.people[f.wife].birth_place : f.home;
  switch (kind) {
    case 0:
      out_.Line(1, "MARR");
      value_.clear();
      AppendDate(f.marriage_year, rng, value_);
      out_.Line(2, "DATE", value_);
      if (rng.Percent(80)) out_.Line(2, "PLAC", Place(place));
      if (rng.Percent(15)) Citation(2, rng);
      break;
    case 1:
      out_.Line(1, "MARR", "Y");
      break;
    case 2:
      out_.Line(1, "MARR");
      out_.Line(2, "PLAC", Place(place));
      break;
    default:
      break;
  }
  if (f.divorce_year != 0) {
    out_.Line(1, "DIV");
    value_.clear();
    AppendDate(f.divorce_year, rng, value_);
    out_.Line(2, "DATE", value_);
  }
  for (int c = 0; c < f.child_count; ++c) {
    out_.Pointer(
        1, "CHIL", 'I',
        base.first_person + static_cast<std::uint64_t>(f.first_child + c) + 1);
  }
  if (rng.Percent(3)) {
    note_.clear();
    note_.append("Marriage banns read three times in the parish church.");
    if (rng.Percent(50)) note_.append("\nNo objection was raised.");
    out_.Text(1, "NOTE", note_, NoteChunk(rng));
  }
  if (rng.Percent(10)) Uid(rng);
  if (rng.Percent(35)) Change(rng);
}

void RecordComposer::NoteRecord(const Household& h, int index,
                                HouseholdBase base, Rng& rng) {
  note_.clear();
  AppendNoteText(h, index, rng.Percent(70), rng, note_);
  const bool on_head = rng.Percent(75);
  out_.RecordText('N',
                  base.first_person + static_cast<std::uint64_t>(index) + 1,
                  "NOTE", note_, NoteChunk(rng), on_head);
  if (rng.Percent(30)) Change(rng);
}

void RecordComposer::Source(std::uint64_t number,
                            std::uint64_t repository_count, Rng& rng) {
  const int culture = static_cast<int>(
      rng.Below(static_cast<std::uint32_t>(Cultures().size())));
  const Culture& c = Cultures()[culture];
  const PlaceRef place = {static_cast<std::uint8_t>(culture),
                          static_cast<std::uint16_t>(rng.Below(
                              static_cast<std::uint32_t>(c.places.size())))};
  const int year = rng.Between(1650, 1950);
  out_.Record('S', number, "SOUR");
  value_.clear();
  switch (rng.Below(6)) {
    case 0:
      value_.append("Parish registers of ")
          .append(Town(place))
          .append(", baptisms, marriages and burials ");
      AppendInt(year, value_);
      value_.push_back('-');
      AppendInt(year + 50, value_);
      break;
    case 1:
      value_.append("Civil registration of births, ").append(Place(place));
      break;
    case 2:
      value_.append("Census of ");
      AppendInt(year, value_);
      value_.append(", ").append(Place(place));
      break;
    case 3:
      value_.append("Passenger list of the ")
          .append(Pick(ShipNames(), rng))
          .append(", ");
      AppendInt(year, value_);
      break;
    case 4:
      value_.append("Family Bible of the ")
          .append(Spell(Pick(c.surnames, rng)))
          .append(" family");
      break;
    default:
      value_.append("Gravestone inscriptions, ").append(Town(place));
  }
  out_.Line(1, "TITL", value_);
  value_.clear();
  if (rng.Percent(50)) {
    value_.append("Church of ").append(Town(place));
  } else {
    value_.append(Spell(Pick(c.male, rng)))
        .append(" ")
        .append(Spell(Pick(c.surnames, rng)));
  }
  out_.Line(1, "AUTH", value_);
  if (rng.Percent(50)) {
    value_.assign("Transcribed ");
    AppendInt(rng.Between(1960, kPresentYear), value_);
    out_.Line(1, "PUBL", value_);
  }
  out_.Pointer(1, "REPO", 'R',
               1 + rng.Below(static_cast<std::uint32_t>(repository_count)));
  if (rng.Percent(20)) {
    note_.assign(
        "Microfilmed copy; some pages water-damaged.\nIndex compiled by "
        "volunteers, checked "
        "against the originals where legible.");
    out_.Text(1, "NOTE", note_, NoteChunk(rng));
  }
}

void RecordComposer::Repository(std::uint64_t number, Rng& rng) {
  const int culture = static_cast<int>(
      rng.Below(static_cast<std::uint32_t>(Cultures().size())));
  const Culture& c = Cultures()[culture];
  const PlaceRef place = {static_cast<std::uint8_t>(culture),
                          static_cast<std::uint16_t>(rng.Below(
                              static_cast<std::uint32_t>(c.places.size())))};
  out_.Record('R', number, "REPO");
  value_.clear();
  switch (rng.Below(3)) {
    case 0:
      value_.append("State Archives of ").append(Town(place));
      break;
    case 1:
      value_.append("Parish office of ").append(Town(place));
      break;
    default:
      value_.append("Private collection of the ")
          .append(Spell(Pick(c.surnames, rng)))
          .append(" family");
  }
  out_.Line(1, "NAME", value_);
  out_.Line(1, "ADDR", Place(place));
}

}  // namespace kinsheet::gedgen
