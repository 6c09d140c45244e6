// Name, place and word pools of the generator, grouped by culture. Each
// entry has its native spelling and, where that is not plain ASCII, an ASCII
// one used when the output cannot hold the native one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kinsheet::gedgen {

struct Spelling {
  const char* native;
  const char* ascii = nullptr;  // null: the native spelling is ASCII

  std::string_view Ascii() const { return ascii ? ascii : native; }
};

// How a culture makes a woman's form of a family name.
enum class FeminineRule { kNone, kPolish, kCzech };

struct Culture {
  std::string_view name;
  std::uint32_t weight;  // relative share of households
  std::span<const Spelling> male;
  std::span<const Spelling> female;
  std::span<const Spelling> surnames;
  std::span<const Spelling> places;
  FeminineRule feminine;
  bool surname_first;  // names written "/Surname/ Given"
};

std::span<const Culture> Cultures();

// Places across the ocean that emigrants' children are born in.
std::span<const Spelling> EmigrationPlaces();

// Nicknames, some with emoji (their ASCII form drops the picture).
std::span<const Spelling> Nicknames();

// Emoji some people carry after their given name in the newer apps.
std::span<const Spelling> NameEmoji();

std::span<const char* const> Occupations();
std::span<const char* const> NamePrefixes();
std::span<const char* const> NameSuffixes();
std::span<const char* const> Titles();
std::span<const char* const> ShipNames();

// The woman's form of `surname` under `rule`; `ascii_form` says which of the
// two spellings `surname` is.
std::string FeminineSurname(std::string_view surname, FeminineRule rule,
                            bool ascii_form);

}  // namespace kinsheet::gedgen
