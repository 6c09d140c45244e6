// Household planning: a founder, the founder's marriages and children, and
// two more generations of marriages, with the ages, widowhoods, divorces,
// single parents and emigrations that real family trees show.
#include "population.h"

#include <algorithm>

#include "name_pools.h"

namespace kinsheet::gedgen {
namespace {

// Children of generation 2 still marry; their children do not, which keeps
// a household near thirty people.
constexpr int kMaxMarryingGeneration = 2;
constexpr int kMaxMarriages = 4;

std::uint32_t CultureWeight(std::size_t i) { return Cultures()[i].weight; }

class Planner {
 public:
  Planner(Rng& rng, std::size_t max_people, Household& out)
      : rng_(rng), max_people_(max_people), h_(out) {}

  void Run() {
    const int culture = PickCulture();
    static constexpr int kEraStart[] = {1600, 1700, 1800, 1870, 1930};
    static constexpr int kEraEnd[] = {1699, 1799, 1869, 1929, 1975};
    const int era = rng_.Weighted({4, 16, 40, 28, 12});
    const int birth = rng_.Between(kEraStart[era], kEraEnd[era]);
    const Sex sex = rng_.Percent(9) ? Sex::kFemale : Sex::kMale;
    const int surname = static_cast<int>(rng_.Below(
        static_cast<std::uint32_t>(Cultures()[culture].surnames.size())));
    const int founder = AddPerson(sex, culture, culture, surname, birth, 0);
    if (founder < 0) return;
    // The founder lives to found the family.
    PersonPlan& f = h_.people[founder];
    if (f.death_year != 0 && f.death_year < birth + 30) {
      f.death_year = ClampDeath(birth + rng_.Between(30, 85));
    }
    // A founding mother is a single mother; some founding fathers have no
    // known wife.
    const bool single = sex == Sex::kFemale || rng_.Percent(8);
    Marry(founder, true, single);
  }

 private:
  int PickCulture() {
    std::uint32_t total = 0;
    for (std::size_t i = 0; i < Cultures().size(); ++i)
      total += CultureWeight(i);
    std::uint32_t pick = rng_.Below(total);
    for (std::size_t i = 0; i < Cultures().size(); ++i) {
      if (pick < CultureWeight(i)) return static_cast<int>(i);
      pick -= CultureWeight(i);
    }
    return 0;
  }

  static std::int16_t ClampDeath(int year) {
    return static_cast<std::int16_t>(year > kPresentYear ? 0 : year);
  }

  PlaceRef RandomPlace(int culture) {
    const auto& pool = Cultures()[culture].places;
    return {static_cast<std::uint8_t>(culture),
            static_cast<std::uint16_t>(
                rng_.Below(static_cast<std::uint32_t>(pool.size())))};
  }

  PlaceRef RandomAbroad() {
    return {PlaceRef::kAbroad,
            static_cast<std::uint16_t>(rng_.Below(
                static_cast<std::uint32_t>(EmigrationPlaces().size())))};
  }

  int AddPerson(Sex sex, int culture, int surname_culture, int surname,
                int birth, int generation) {
    if (h_.people.size() >= max_people_) return -1;
    PersonPlan p;
    p.sex = sex;
    p.culture = static_cast<std::uint8_t>(culture);
    p.surname_culture = static_cast<std::uint8_t>(surname_culture);
    p.surname = static_cast<std::uint16_t>(surname);
    p.generation = static_cast<std::uint8_t>(generation);
    p.birth_year = static_cast<std::int16_t>(birth);
    const auto& c = Cultures()[culture];
    const auto& names = sex == Sex::kFemale ? c.female : c.male;
    p.given = static_cast<std::uint16_t>(
        rng_.Below(static_cast<std::uint32_t>(names.size())));
    if (sex == Sex::kUnknown) {
      // Children recorded without a sex are mostly those who died young.
      p.death_year = ClampDeath(birth + rng_.Between(0, 2));
    } else {
      int span;
      switch (rng_.Weighted({9, 5, 86})) {
        case 0:
          span = rng_.Between(0, 4);
          break;
        case 1:
          span = rng_.Between(5, 35);
          break;
        default:
          span = rng_.Between(40, 98);
      }
      p.death_year = ClampDeath(birth + span);
    }
    p.birth_place = RandomPlace(culture);
    p.linked_note = rng_.Percent(3);
    h_.people.push_back(p);
    return static_cast<int>(h_.people.size()) - 1;
  }

  // A spouse from outside the household: parents unknown.
  int AddSpouse(int partner, int year, bool remarriage) {
    const PersonPlan& p = h_.people[partner];
    const Sex sex = p.Female() ? Sex::kMale : Sex::kFemale;
    const int culture = rng_.Percent(85) ? p.culture : PickCulture();
    int age = sex == Sex::kFemale ? rng_.Between(17, 30) : rng_.Between(19, 36);
    if (remarriage) age += rng_.Between(0, 12);
    const int surname = static_cast<int>(rng_.Below(
        static_cast<std::uint32_t>(Cultures()[culture].surnames.size())));
    const int s =
        AddPerson(sex, culture, culture, surname, year - age, p.generation);
    if (s < 0) return -1;
    PersonPlan& spouse = h_.people[s];
    if (spouse.death_year != 0 && spouse.death_year <= year) {
      spouse.death_year = ClampDeath(year + rng_.Between(1, 45));
    }
    return s;
  }

  int AddFamily(int husband, int wife, int year) {
    FamilyPlan f;
    f.husband = husband;
    f.wife = wife;
    f.marriage_year = static_cast<std::int16_t>(year);
    const int head = husband >= 0 ? husband : wife;
    const int culture = h_.people[head].culture;
    f.home = RandomPlace(culture);
    if (year >= 1840 && year <= 1913 && rng_.Percent(12)) {
      f.emigration_year = static_cast<std::int16_t>(year + rng_.Between(0, 6));
      f.abroad = RandomAbroad();
    }
    h_.families.push_back(f);
    const int index = static_cast<int>(h_.families.size()) - 1;
    for (int member : {husband, wife}) {
      if (member < 0) continue;
      PersonPlan& m = h_.people[member];
      m.fams[m.fams_count++] = index;
    }
    return index;
  }

  void AddChildren(int fam) {
    // Copies, not references: adding children moves the people around.
    const FamilyPlan f = h_.families[fam];
    const bool has_father = f.husband >= 0;
    const PersonPlan head = h_.people[has_father ? f.husband : f.wife];
    int last = kPresentYear;
    if (f.wife >= 0) {
      const PersonPlan& mother = h_.people[f.wife];
      last = std::min(last, mother.birth_year + 46);
      if (mother.death_year) last = std::min<int>(last, mother.death_year);
    }
    if (has_father) {
      last = std::min(last, head.birth_year + 65);
      if (head.death_year) last = std::min(last, head.death_year + 1);
    }
    const int culture = head.culture;
    const int generation = head.generation + 1;

    const int count = rng_.Weighted({9, 15, 22, 20, 13, 9, 5, 3, 2, 1, 1});
    int year = f.marriage_year + rng_.Between(0, 2);
    int added = 0;
    int first = -1;
    bool son_named = false;
    for (int i = 0; i < count && year <= last; ++i) {
      const int pick = rng_.Weighted({49, 49, 2});
      const Sex sex = pick == 0   ? Sex::kMale
                      : pick == 1 ? Sex::kFemale
                                  : Sex::kUnknown;
      const int c = AddPerson(sex, culture, head.surname_culture, head.surname,
                              year, generation);
      if (c < 0) break;
      if (first < 0) first = c;
      ++added;
      PersonPlan& child = h_.people[c];
      child.famc = fam;
      if (f.emigration_year != 0 && year >= f.emigration_year) {
        child.birth_place = f.abroad;
      } else if (rng_.Percent(80)) {
        child.birth_place = f.home;
      }
      // The eldest son often carries his father's name.
      if (sex == Sex::kMale && has_father && !son_named) {
        son_named = true;
        if (rng_.Percent(25)) child.given = head.given;
      }
      year += rng_.Between(1, 3);
    }
    FamilyPlan& out = h_.families[fam];
    out.first_child = first < 0 ? 0 : first;
    out.child_count = added;
  }

  // Every marriage of `p`, each with its children and their own lives.
  void Marry(int p, bool founder, bool founder_single) {
    {
      const PersonPlan& person = h_.people[p];
      if (!founder) {
        if (person.sex == Sex::kUnknown) return;
        if (person.birth_year + 17 > kPresentYear) return;
        if (person.death_year != 0 &&
            person.death_year < person.birth_year + 18)
          return;
        if (!rng_.Percent(72)) return;
      }
    }
    const bool female = h_.people[p].Female();
    int year = h_.people[p].birth_year +
               (female ? rng_.Between(17, 28) : rng_.Between(19, 32));
    for (int m = 0; m < kMaxMarriages; ++m) {
      if (m > 0) {
        static constexpr std::uint32_t kMen[] = {0, 240, 60, 20};
        static constexpr std::uint32_t kWomen[] = {0, 110, 25, 8};
        if (!rng_.PerMille(female ? kWomen[m] : kMen[m])) return;
        const FamilyPlan& prev = h_.families[h_.people[p].fams[m - 1]];
        const int prev_spouse = female ? prev.husband : prev.wife;
        if (prev_spouse < 0) {
          year = prev.marriage_year + rng_.Between(3, 12);
        } else if (h_.people[prev_spouse].death_year != 0) {
          year = h_.people[prev_spouse].death_year + rng_.Between(1, 3);
        } else {
          const int divorce = prev.marriage_year + rng_.Between(2, 15);
          if (divorce > kPresentYear) return;
          h_.families[h_.people[p].fams[m - 1]].divorce_year =
              static_cast<std::int16_t>(divorce);
          year = divorce + rng_.Between(1, 4);
        }
      }
      const PersonPlan& person = h_.people[p];
      if (year > kPresentYear) return;
      if (person.death_year != 0 && year > person.death_year) return;
      const bool single = founder && m == 0 ? founder_single : rng_.Percent(6);
      int spouse = -1;
      if (!single) {
        spouse = AddSpouse(p, year, m > 0);
        if (spouse < 0) return;
      }
      const int fam =
          female ? AddFamily(spouse, p, year) : AddFamily(p, spouse, year);
      AddChildren(fam);
      const FamilyPlan f = h_.families[fam];
      for (int c = f.first_child; c < f.first_child + f.child_count; ++c) {
        if (h_.people[c].generation <= kMaxMarryingGeneration)
          Marry(c, false, false);
      }
    }
  }

  Rng& rng_;
  std::size_t max_people_;
  Household& h_;
};

}  // namespace

void PlanHousehold(Rng& rng, std::size_t max_people, Household& out) {
  out.Clear();
  Planner(rng, max_people, out).Run();
}

}  // namespace kinsheet::gedgen
