// Turns planned households into GEDCOM records: individuals, families,
// notes, sources and repositories, with names spelt for the output's
// encoding and dates in the forms genealogists write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "encoding.h"
#include "gedcom_writer.h"
#include "name_pools.h"
#include "population.h"
#include "rng.h"

namespace kinsheet::gedgen {

// Where a household's people and families start in the file's numbering:
// the household's person i is @I<first_person + i + 1>@.
struct HouseholdBase {
  std::uint64_t first_person = 0;
  std::uint64_t first_family = 0;
};

class RecordComposer {
 public:
  // `non_ascii` allows native spellings where `encoding` can hold them;
  // `source_count` SOUR records exist for citations to point at.
  RecordComposer(GedcomWriter& out, Encoding encoding, bool non_ascii,
                 std::uint64_t source_count);

  void Person(const Household& h, int index, HouseholdBase base, Rng& rng);
  void Family(const Household& h, int index, HouseholdBase base, Rng& rng);
  // The NOTE record of a person whose plan has linked_note.
  void NoteRecord(const Household& h, int index, HouseholdBase base, Rng& rng);
  void Source(std::uint64_t number, std::uint64_t repository_count, Rng& rng);
  void Repository(std::uint64_t number, Rng& rng);

  // The spelling of `s` that this output uses.
  std::string_view Spell(const Spelling& s) const;

 private:
  void AppendSurname(const PersonPlan& p, std::string& out) const;
  void AppendGiven(const PersonPlan& p, std::string& out) const;
  void AppendMarriedSurname(const Household& h, const PersonPlan& wife,
                            std::string& out) const;
  std::string_view Place(PlaceRef place) const;
  std::string_view Town(PlaceRef place) const;

  void Event(std::string_view tag, int year, PlaceRef place,
             std::uint32_t date_percent, std::uint32_t place_percent, Rng& rng);
  void Citation(int level, Rng& rng);
  void Change(Rng& rng);
  void Uid(Rng& rng);
  void AppendNoteText(const Household& h, int index, bool long_note, Rng& rng,
                      std::string& out);
  std::size_t NoteChunk(Rng& rng);

  GedcomWriter& out_;
  Encoding encoding_;
  bool non_ascii_;
  std::uint64_t source_count_;
  // Scratch texts, reused to spare allocations.
  std::string value_;
  std::string given_;
  std::string surname_;
  std::string name_;
  std::string note_;
};

// Appends a date near `year` in one of the usual forms ("12 MAR 1850",
// "MAR 1850", "1850", "ABT 1850", "BEF 1850", "AFT 1850", "BET 1840 AND
// 1850", "CAL 1850", "EST 1850", "12/03/1850", "FROM 1840 TO 1850", and
// "12 FEB 1731/32" before 1752).
void AppendDate(int year, Rng& rng, std::string& out);

// Appends an exact date: "d MON yyyy".
void AppendExactDate(int day, int month, int year, std::string& out);

}  // namespace kinsheet::gedgen
