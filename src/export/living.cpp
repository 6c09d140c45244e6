#include "export/living.h"

#include <algorithm>
#include <cctype>

#include "export/columns.h"
#include "records/dates.h"
#include "ui/messages.h"

namespace kinsheet {

int LivingRuleYear(std::string_view date) {
  // The words as the year routine sees them: periods out, split at spaces.
  bool after = false, from = false, to = false, between = false, and_ = false;
  for (std::string word : SplitText(ReplaceAll(date, ".", ""), " ")) {
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (word.rfind("AFT", 0) == 0) after = true;
    if (word == "FROM") from = true;
    if (word == "TO") to = true;
    if (word == "BET" || word == "BETWEEN") between = true;
    if (word == "AND") and_ = true;
  }
  if (after || (from && !to) || (between && !and_)) return 0;
  const int year = DateYear(date);
  return year >= 100 ? year : 0;
}

bool PresumedLiving(const IndividualView& record, bool death_recorded, const LivingOptions& options) {
  if (death_recorded) return false;
  for (IndiField f : {IndiField::kDeathDate, IndiField::kDeathPlace, IndiField::kBurialDate,
                      IndiField::kBurialPlace}) {
    if (!record.Trimmed(f).empty()) return false;
  }
  for (IndiField f : {IndiField::kBirthDate, IndiField::kChrDate}) {
    const int year = LivingRuleYear(record.Trimmed(f));
    if (year > 0 && options.current_year - year >= options.years) return false;
  }
  return true;
}

const LivingPlan& SettleLiving(RunState& state, WindowServices& ws) {
  LivingPlan& plan = state.living_plan;
  const LivingOptions& options = state.living;
  const std::int32_t count = state.work.individual_count;
  if (plan.settled && plan.individual_count == count && plan.settled_for.mode == options.mode &&
      plan.settled_for.years == options.years && plan.settled_for.current_year == options.current_year) {
    return plan;
  }
  LivingPlan fresh;
  fresh.settled_for = options;
  fresh.individual_count = count;
  fresh.rows = count;
  if (options.mode != LivingMode::kInclude && count > 0) {
    fresh.living.assign(static_cast<std::size_t>(count) + 1, false);
    const std::vector<bool>& deaths = state.work.death_recorded;
    File individuals = FileOpen(ws, state.IndividualWorkFile(), kModeRandom, kWorkFileUnit, false);
    std::string scratch;
    std::int32_t living = 0;
    for (std::int32_t n = 1; n <= count; ++n) {
      const IndividualView record = ViewIndividual(individuals, state.work.individual_records, n, scratch);
      const auto i = static_cast<std::size_t>(n);
      const bool died = i < deaths.size() && deaths[i];
      if (PresumedLiving(record, died, options)) {
        fresh.living[i] = true;
        ++living;
      }
    }
    individuals.Close();
    if (options.mode == LivingMode::kExclude) fresh.rows = count - living;
  }
  fresh.settled = true;
  plan = std::move(fresh);
  return plan;
}

std::string LivingName(std::string_view surname) {
  std::string name = msg::kLiving;
  if (!surname.empty()) {
    name += ' ';
    name += surname;
  }
  return name;
}

const char* LivingModeName(LivingMode mode) {
  switch (mode) {
    case LivingMode::kPrivate: return "private";
    case LivingMode::kExclude: return "exclude";
    case LivingMode::kInclude: break;
  }
  return "include";
}

bool LivingModeFromName(std::string_view name, LivingMode& mode) {
  for (LivingMode m : {LivingMode::kInclude, LivingMode::kPrivate, LivingMode::kExclude}) {
    if (name == LivingModeName(m)) {
      mode = m;
      return true;
    }
  }
  return false;
}

}  // namespace kinsheet
