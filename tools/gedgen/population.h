// The shape of one synthetic household: who is born to whom, who marries
// whom and when. A household is planned from its own random stream, so every
// output pass can plan it again, identically, instead of keeping it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "rng.h"

namespace kinsheet::gedgen {

enum class Sex : std::uint8_t { kMale, kFemale, kUnknown };

// A place in a culture's pool, or (culture kAbroad) in the emigration pool.
struct PlaceRef {
  static constexpr std::uint8_t kAbroad = 0xFF;
  std::uint8_t culture = 0;
  std::uint16_t index = 0;
};

struct PersonPlan {
  Sex sex = Sex::kMale;
  std::uint8_t culture = 0;          // pool of the given name
  std::uint8_t surname_culture = 0;  // pool of the birth surname
  std::uint8_t generation = 0;       // 0 for the founder and spouses
  std::uint16_t given = 0;           // index in the male or female pool
  std::uint16_t surname = 0;
  std::int16_t birth_year = 0;
  std::int16_t death_year = 0;  // 0: living or unknown
  PlaceRef birth_place;
  bool linked_note = false;  // has a NOTE record of its own
  std::int32_t famc = -1;    // household-local family
  std::array<std::int32_t, 4> fams{};
  std::uint8_t fams_count = 0;

  bool Female() const { return sex == Sex::kFemale; }
};

struct FamilyPlan {
  std::int32_t husband = -1;  // household-local person, -1 when unknown
  std::int32_t wife = -1;
  std::int32_t first_child = 0;  // children are consecutive people
  std::int32_t child_count = 0;
  std::int16_t marriage_year = 0;
  std::int16_t divorce_year = 0;     // 0: not divorced
  std::int16_t emigration_year = 0;  // 0: stayed at home
  PlaceRef home;                     // where the children are born
  PlaceRef abroad;                   // where they are born after the emigration
};

struct Household {
  std::vector<PersonPlan> people;
  std::vector<FamilyPlan> families;

  void Clear() {
    people.clear();
    families.clear();
  }
};

// Latest year of any event in the data.
inline constexpr int kPresentYear = 2023;

// Plans one household of at most `max_people` people (at least one) into
// `out`, drawing from `rng` only. Families and people point at each other
// consistently whatever the cut: a family is made only with a member, a
// child is listed by exactly the family it names.
void PlanHousehold(Rng& rng, std::size_t max_people, Household& out);

}  // namespace kinsheet::gedgen
