// The record browser: twenty people from the scroll value on, read straight
// from the individual work file, with birth and death years.
#include <algorithm>

#include "records/dates.h"
#include "records/work_records.h"
#include "state/commands.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {
constexpr std::int32_t kPageLength = 20;

std::string YearText(std::string_view date) {
  const std::int16_t year = DateYear(TrimSpaces(date));
  return year > 0 ? std::to_string(year) : std::string();
}
}  // namespace

std::string GroupedNumber(std::int64_t n) {
  const std::string digits = std::to_string(n < 0 ? -n : n);
  std::string out = n < 0 ? "-" : "";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string PageRangeText(std::int32_t first, std::int32_t last, std::int32_t count) {
  return msg::kPageRangeStart + GroupedNumber(first) + msg::kPageRangeDash + GroupedNumber(last) +
         msg::kPageRangeOf + GroupedNumber(count);
}

void BrowsePage(RunState& state, WindowServices& ws) {
  const std::int32_t first = state.scroll.value;
  if (first == 0) return;
  const std::int32_t last = first + kPageLength - 1;
  ws.ShowPageRange(PageRangeText(first, std::min(last, state.work.individual_count), state.work.individual_count));
  File file = FileOpen(ws, state.IndividualWorkFile(), kModeRandom, kWorkFileUnit, true);
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
