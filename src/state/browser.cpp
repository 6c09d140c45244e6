// The record browser: twenty people from the scroll value on, read straight
// from the individual work file, with birth and death years.
#include "records/dates.h"
#include "records/work_records.h"
#include "state/commands.h"

namespace kinsheet {
namespace {
constexpr std::int32_t kPageLength = 20;

std::string YearText(std::string_view date) {
  const std::int16_t year = DateYear(TrimSpaces(date));
  return year > 0 ? std::to_string(year) : std::string();
}
}  // namespace

void BrowsePage(RunState& state, WindowServices& ws) {
  const std::int32_t first = state.scroll.value;
  if (first == 0) return;
  const std::int32_t last = first + kPageLength - 1;
  File file = FileOpen(ws, state.IndividualWorkFile(), kModeRandom, 1, true);
  ws.ListClear();
  if (!file.is_open()) return;
  try {
    for (std::int32_t n = first; n <= last && n <= state.work.individual_count; ++n) {
      const IndividualView rec =
          ViewIndividual(file, state.work.individual_records, n, state.work.individual_scratch);
      std::string name = std::string(rec.Trimmed(IndiField::kSurname)) + ", " +
                         std::string(rec.Trimmed(IndiField::kGivenName)) + " " +
                         std::string(rec.Trimmed(IndiField::kNameSuffix));
      ws.ListAddRow(YearText(rec.Trimmed(IndiField::kBirthDate)), YearText(rec.Trimmed(IndiField::kDeathDate)),
                    std::string(TrimSpaces(name)));
    }
  } catch (const FileError&) {
    // A page that cannot be read stays as far as it got; the next scroll
    // tries again.
  }
}

}  // namespace kinsheet
