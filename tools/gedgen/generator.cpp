// Generation passes. The file lists individuals first, then families, then
// notes and sources, as most genealogy programs export; a household's
// people and families are therefore far apart in the file, and rather than
// keeping every household until its families are due, each pass plans the
// households again from their own random streams.
#include "generator.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "population.h"
#include "records.h"
#include "rng.h"

namespace kinsheet::gedgen {
namespace {

// Independent random streams of one household (or one source record).
enum Stream : std::uint64_t {
  kPlanStream = 1,
  kPersonStream,
  kFamilyStream,
  kNoteStream,
  kSourceStream,
  kRepositoryStream,
};

// A cap that no household reaches by itself; only the last household of
// the file is cut to the exact person count.
constexpr std::uint64_t kHouseholdCap = 100000;

// Calls `visit(household, base)` for every household in file order.
template <typename Visit>
void ForEachHousehold(const GeneratorOptions& options, Household& h,
                      Visit visit) {
  HouseholdBase base;
  std::uint64_t remaining = options.people;
  for (std::uint64_t u = 0; remaining > 0; ++u) {
    Rng plan(StreamSeed(options.seed, u, kPlanStream));
    PlanHousehold(
        plan, static_cast<std::size_t>(std::min(remaining, kHouseholdCap)), h);
    visit(u, h, base);
    base.first_person += h.people.size();
    base.first_family += h.families.size();
    remaining -= h.people.size();
  }
}

void Header(GedcomWriter& out, const GeneratorOptions& options) {
  if (options.encoding == Encoding::kUtf8Bom) out.Raw("\xEF\xBB\xBF");
  out.Line(0, "HEAD");
  out.Line(1, "SOUR", "KINSHEET_GEDGEN");
  out.Line(2, "NAME", "Kinsheet synthetic GEDCOM generator");
  out.Line(2, "VERS", "1.0");
  out.Line(1, "DEST", "ANY");
  out.Line(1, "DATE", "1 JAN 2024");
  out.Line(1, "SUBM", "@U1@");
  out.Line(1, "GEDC");
  out.Line(2, "VERS", "5.5.1");
  out.Line(2, "FORM", "LINEAGE-LINKED");
  out.Line(1, "CHAR", CharsetName(options.encoding));
  std::string note =
      "Synthetic family trees: " + std::to_string(options.people) +
      " people, seed " + std::to_string(options.seed) +
      ".\nEvery name, date and place in this file is made up.";
  out.Text(1, "NOTE", note);
  out.Line(0, "@U1@ SUBM");
  out.Line(1, "NAME", "Kinsheet test data");
}

}  // namespace

GenerationSummary GenerateGedcom(const GeneratorOptions& options,
                                 OutputSink& sink) {
  if (options.non_ascii && options.encoding == Encoding::kAscii) {
    throw std::invalid_argument(
        "non-ASCII names need an encoding other than ascii");
  }
  GenerationSummary summary;
  summary.sources = 1 + options.people / 250;
  summary.repositories = 1 + summary.sources / 40;

  GedcomWriter out(sink, options.line_end, options.encoding);
  RecordComposer records(out, options.encoding, options.non_ascii,
                         summary.sources);
  Household h;
  Header(out, options);

  ForEachHousehold(
      options, h,
      [&](std::uint64_t u, const Household& hh, HouseholdBase base) {
        Rng rng(StreamSeed(options.seed, u, kPersonStream));
        for (std::size_t i = 0; i < hh.people.size(); ++i) {
          records.Person(hh, static_cast<int>(i), base, rng);
        }
        summary.people += hh.people.size();
      });
  ForEachHousehold(
      options, h,
      [&](std::uint64_t u, const Household& hh, HouseholdBase base) {
        Rng rng(StreamSeed(options.seed, u, kFamilyStream));
        for (std::size_t i = 0; i < hh.families.size(); ++i) {
          records.Family(hh, static_cast<int>(i), base, rng);
        }
        summary.families += hh.families.size();
      });
  ForEachHousehold(
      options, h,
      [&](std::uint64_t u, const Household& hh, HouseholdBase base) {
        Rng rng(StreamSeed(options.seed, u, kNoteStream));
        for (std::size_t i = 0; i < hh.people.size(); ++i) {
          if (!hh.people[i].linked_note) continue;
          records.NoteRecord(hh, static_cast<int>(i), base, rng);
          ++summary.notes;
        }
      });
  for (std::uint64_t s = 1; s <= summary.sources; ++s) {
    Rng rng(StreamSeed(options.seed, s, kSourceStream));
    records.Source(s, summary.repositories, rng);
  }
  for (std::uint64_t r = 1; r <= summary.repositories; ++r) {
    Rng rng(StreamSeed(options.seed, r, kRepositoryStream));
    records.Repository(r, rng);
  }
  out.Line(0, "TRLR");
  out.Flush();
  summary.lines = out.lines();
  summary.bytes = out.bytes();
  return summary;
}

}  // namespace kinsheet::gedgen
