// Who is presumed living, and what an export shows of them: the one rule
// every writer goes by, settled for the whole load before a file is chosen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "records/work_records.h"
#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// The year a birth or christening date gives the rule: DateYear's, but none
// for a range open towards the present (AFT, FROM without TO, BET without
// AND) and none below 100, whose century is anyone's guess ("JUN 95").
int LivingRuleYear(std::string_view date);

// Presumed dead when the file records a death or a burial (a date, a place
// or the bare event), or when a birth or christening year lies at least
// `options.years` before `options.current_year`. Everyone else, people
// without any date included, is presumed living.
bool PresumedLiving(const IndividualView& record, bool death_recorded, const LivingOptions& options);

// Settles who is living for every person of the load (one pass over the
// individual work file; none with kInclude) unless the plan already holds
// for the current options and load. Throws FileError on a read failure.
const LivingPlan& SettleLiving(RunState& state, WindowServices& ws);

// Whether record n of a settled plan is presumed living; always false
// with kInclude.
inline bool IsLiving(const LivingPlan& plan, std::int32_t n) {
  const auto i = static_cast<std::size_t>(n);
  return i < plan.living.size() && plan.living[i];
}

// Whether an export under `mode` writes a row for record n.
inline bool WritesRow(const LivingPlan& plan, LivingMode mode, std::int32_t n) {
  return mode != LivingMode::kExclude || !IsLiving(plan, n);
}

// "Living" followed by the surname, or "Living" alone.
std::string LivingName(std::string_view surname);

// The mode's name on the command line and in saved settings: include,
// private, exclude.
const char* LivingModeName(LivingMode mode);
bool LivingModeFromName(std::string_view name, LivingMode& mode);

}  // namespace kinsheet
