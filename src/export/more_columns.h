// The "More fields" columns of a person's row: kinship to the root person,
// plain years, the age at death, and what the load kept of occupations,
// religion, residence, marriages and children.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "export/columns.h"
#include "export/kinship.h"
#include "records/kin_log.h"
#include "state/run_state.h"
#include "ui/window_services.h"

namespace kinsheet {

// An id as typed or as the file writes it, without spaces and @s.
std::string RootIdFrom(std::string_view typed);
// The record number of the root person; nullopt when nobody has the id
// (and when no root is set).
std::optional<std::int32_t> FindRoot(const RunState& state);

// The root person as the window shows it: the id and the full name.
struct RootPerson {
  bool found = false;
  std::string id;    // without @s
  std::string name;  // empty when not found
};
// Makes `typed` the root when someone has that id (an empty text clears the
// root); otherwise the root stays as it was. Reads the person's record for
// the name.
RootPerson SetRootPerson(RunState& state, WindowServices& ws, std::string_view typed);
// The id of record n, for "Set as root person" on a row of the browser.
std::string IdOfRecord(const RunState& state, std::int32_t n);

// Whole years from birth to death, "~" before them when either date is not
// exact (a qualifier, a range or period, a year or a month alone); '' when
// either gives no year or death comes first.
std::string AgeAtDeath(std::string_view birth, std::string_view death);

// Appends the ticked "More fields" values to the rows of one export, in
// record order. Made once the living plan is settled; computes the
// kinship of everyone once, here.
class MoreColumns {
 public:
  explicit MoreColumns(const RunState& state);
  ~MoreColumns();
  MoreColumns(const MoreColumns&) = delete;
  MoreColumns& operator=(const MoreColumns&) = delete;

  // Row n as AssembleRow left it, plus the ticked columns after it. Rows
  // in rising record order read the texts in one pass.
  void Append(RunState& state, WorkFiles& files, std::int32_t n, ExportRow& row);

 private:
  void TextsOf(std::int32_t n);

  const FieldSelection& selection_;
  std::optional<FamilyGraph> graph_;
  std::optional<KinshipMap> map_;
  std::unique_ptr<KinLogReader> texts_;
  std::string texts_path_;
  std::int32_t last_text_row_ = 0;
  KinEntry pending_;
  bool has_pending_ = false;
  std::string occupation_, religion_, residence_;
  std::string scratch_;  // the person's record when the file is not mapped
};

}  // namespace kinsheet
