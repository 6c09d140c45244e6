#include "export/columns.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "export/living.h"
#include "ui/messages.h"

namespace kinsheet {

const char* ExportColumn::Caption(CaptionSet set) const {
  switch (set) {
    case CaptionSet::kText: return text;
    case CaptionSet::kCsv: return csv;
    case CaptionSet::kExcel: return excel;
    case CaptionSet::kAccess: return access;
  }
  return csv;
}

const std::array<ExportColumn, kColumnCount> kExportColumns = {{
    {1, 16, "INDI_ID", "INDI_ID", "INDI_ID", "INDI_ID"},
    {2, 25, "FullName", "FullName", "FullName", "FullName"},
    {3, 0, "Surname", "Surname", "Surname", "Surname"},
    {4, 1, "Given", "Given", "Given", "Given"},
    {5, 3, "Suffix", "Suffix", "Suffix", "Suffix"},
    {6, 2, "Prefix", "Prefix", "Prefix", "Prefix"},
    {7, 4, "Title", "Title", "Title", "Title"},
    {8, 5, "Nick", "Nick", "Nick", "Nick"},
    {9, 17, "Sex", "Sex", "Sex", "Sex"},
    {10, 6, "Birth", "Bir_Date", "Birth", "Bir_Date"},
    {11, 7, "Birth place", "Bir_Place", "Birth place", "Bir_Place"},
    {12, 8, "Christened", "Chr_Date", "Christened", "Chr_Date"},
    {13, 9, "Christened place", "Chr_Place", "Christened place", "Chr_Place"},
    {14, 10, "Death", "Dea_Date", "Death", "Dea_Date"},
    {15, 11, "Death place", "Dea_Place", "Death place", "Dea_Place"},
    {16, 12, "Burial", "Brl_Date", "Burial", "Brl_Date"},
    {17, 13, "Burial place", "Brl_Place", "Burial place", "Brl_Place"},
    {18, 26, "FAMC_ID", "FAMC_ID", "FAMC_ID", "FAMC_ID"},
    {19, 22, "Fath_ID", "Father_ID", "Father_ID", "Father_ID"},
    {20, 18, "Father", "Father", "Father", "Father"},
    {21, 23, "Moth_ID", "Mother_ID", "Mother_ID", "Mother_ID"},
    {22, 19, "Mother", "Mother", "Mother", "Mother"},
    {23, 27, "FAMS_ID", "FAMS_ID", "FAMS_ID 1", "FAMS_ID_1"},
    {24, 24, "Spou_ID", "Spouse_ID", "Spouse_ID 1", "Spouse_ID_1"},
    {25, 20, "Spouse", "Spouse", "Spouse 1", "Spouse_1"},
    {26, 14, "Marriage", "Mar_Date", "Marriage 1", "Mar_Date_1"},
    {27, 15, "Marriage place", "Mar_Place", "Marriage place 1", "Mar_Place_1"},
    {28, 21, "#Ch", "#Ch", "#Ch 1", "Ch_1"},
    {29, 27, nullptr, "FAMS_ID 2", "FAMS_ID 2", "FAMS_ID_2"},
    {30, 24, nullptr, "Spouse_ID 2", "Spouse_ID 2", "Spouse_ID_2"},
    {31, 20, nullptr, "Spouse 2", "Spouse 2", "Spouse_2"},
    {32, 14, nullptr, "Mar_Date 2", "Marriage 2", "Mar_Date_2"},
    {33, 15, nullptr, "Mar_Place 2", "Marriage place 2", "Mar_Place_2"},
    {34, 21, nullptr, "#Ch 2", "#Ch 2", "Ch_2"},
    {35, 27, nullptr, "FAMS_ID 3", "FAMS_ID 3", "FAMS_ID_3"},
    {36, 24, nullptr, "Spouse_ID 3", "Spouse_ID 3", "Spouse_ID_3"},
    {37, 20, nullptr, "Spouse 3", "Spouse 3", "Spouse_3"},
    {38, 14, nullptr, "Mar_Date 3", "Marriage 3", "Mar_Date_3"},
    {39, 15, nullptr, "Mar_Place 3", "Marriage place 3", "Mar_Place_3"},
    {40, 21, nullptr, "#Ch 3", "#Ch 3", "Ch_3"},
    {41, 28, "Relationship", "Relationship", "Relationship", "Relationship"},
    {42, 29, "Generation", "Generation", "Generation", "Generation"},
    {43, 30, "Ahnentafel", "Ahnentafel", "Ahnentafel", "Ahnentafel"},
    {44, 31, "Direct_Line", "Direct_Line", "Direct_Line", "Direct_Line"},
    {45, 32, "Common_Ancestor", "Common_Ancestor", "Common_Ancestor", "Common_Ancestor"},
    {46, 33, "Birth_Year", "Birth_Year", "Birth_Year", "Birth_Year", true},
    {47, 34, "Death_Year", "Death_Year", "Death_Year", "Death_Year", true},
    {48, 35, "Age_At_Death", "Age_At_Death", "Age_At_Death", "Age_At_Death"},
    {49, 36, "Occupation", "Occupation", "Occupation", "Occupation"},
    {50, 37, "Religion", "Religion", "Religion", "Religion"},
    {51, 38, "Residence", "Residence", "Residence", "Residence"},
    {52, 39, "Spouses", "Spouses", "Spouses", "Spouses"},
    {53, 40, "Children", "Children", "Children", "Children"},
}};

std::vector<const ExportColumn*> SelectedColumns(const FieldSelection& selection,
                                                 int max_position) {
  std::vector<const ExportColumn*> out;
  for (const ExportColumn& c : kExportColumns) {
    const bool in_range = c.position <= max_position || c.position > kSeedColumnCount;
    if (in_range && selection.ticked[static_cast<std::size_t>(c.selection)]) {
      out.push_back(&c);
    }
  }
  return out;
}

WorkFiles OpenWorkFiles(RunState& state, WindowServices& ws) {
  WorkFiles files;
  files.individuals = FileOpen(ws, state.IndividualWorkFile(), kModeRandom, kWorkFileUnit, false);
  files.families = FileOpen(ws, state.FamilyWorkFile(), kModeRandom, kWorkFileUnit, false);
  return files;
}

namespace {

// The own fields of columns 1..17, in catalogue order.
constexpr IndiField kOwnFields[17] = {
    IndiField::kIndiId,     IndiField::kFullName,  IndiField::kSurname,    IndiField::kGivenName,
    IndiField::kNameSuffix, IndiField::kNamePrefix, IndiField::kTitle,     IndiField::kNickname,
    IndiField::kSex,        IndiField::kBirthDate, IndiField::kBirthPlace, IndiField::kChrDate,
    IndiField::kChrPlace,   IndiField::kDeathDate, IndiField::kDeathPlace, IndiField::kBurialDate,
    IndiField::kBurialPlace,
};

bool Ticked(const FieldSelection& s, int index) {
  return s.ticked[static_cast<std::size_t>(index)];
}

// Fills the row's values in order, reusing the strings of the previous
// row: every row of an export has the same columns.
class RowFiller {
 public:
  explicit RowFiller(ExportRow& row) : row_(row) {}
  ~RowFiller() { row_.resize(used_); }
  void Add(int position, std::string_view value) {
    if (used_ < row_.size()) {
      ExportValue& v = row_[used_];
      v.position = position;
      // No value aliases the row: clear and append spare the general
      // replace its overlap checks.
      v.value.clear();
      if (!value.empty()) v.value.append(value.data(), value.size());
    } else {
      row_.push_back({position, std::string(value)});
    }
    ++used_;
  }

 private:
  ExportRow& row_;
  std::size_t used_ = 0;
};

// Where a row's values live while it is assembled: the values are views
// into the work records, the id tables and these buffers, and are copied
// once, into the row.
struct RowScratch {
  // A relative's or a family's record when the work file cannot be
  // mapped; unused otherwise.
  std::string relative;
  std::string family;
  std::string own_name;       // "Living ..." of the person
  std::string relative_name;  // "Living ..." of a relative
  char children[8];           // a 16-bit count in digits
};

// A relative found by id: the id on record and the full name, or under a
// living-people option for someone presumed living, "Living" and the
// surname. Both stay empty when nobody has the id. Only the relative's own
// record is read, and only one at a time is valid: the next lookup reuses
// the scratch.
struct Relative {
  std::string_view id;
  std::string_view name;
};

Relative LookUpPerson(RunState& state, WorkFiles& files, std::string_view id, RowScratch& scratch) {
  Relative out;
  const auto n = state.work.individual_index.Find(id, state.work.individual_count);
  if (!n) return out;
  const IndividualView rec = ViewIndividual(files.individuals, state.work.individual_records, *n, scratch.relative);
  if (state.living.mode != LivingMode::kInclude && IsLiving(state.living_plan, *n)) {
    scratch.relative_name = LivingName(rec.Trimmed(IndiField::kSurname));
    out.name = scratch.relative_name;
  } else {
    out.name = rec.Trimmed(IndiField::kFullName);
  }
  out.id = rec.Trimmed(IndiField::kIndiId);
  return out;
}

bool IdIsLiving(const RunState& state, std::string_view id) {
  const auto n = state.work.individual_index.Find(id, state.work.individual_count);
  return n && IsLiving(state.living_plan, *n);
}

struct Marriage {
  std::string_view spouse_id;
  std::string_view spouse_name;
  std::string_view date;
  std::string_view place;
  std::string_view children;
};

// The date and place stay valid until the next family is read.
void LookUpMarriage(RunState& state, WorkFiles& files, std::string_view own_id, bool own_living,
                    std::string_view fams, RowScratch& scratch, Marriage& m) {
  const auto f = state.work.family_index.Find(fams, state.work.family_count);
  if (!f) return;
  const FamilyView family = ViewFamily(files.families, state.work.family_records, *f, scratch.family);
  m.date = family.Trimmed(FamField::kMarriageDate);
  m.place = family.Trimmed(FamField::kMarriagePlace);
  const auto digits = std::to_chars(scratch.children, scratch.children + sizeof scratch.children,
                                    family.Count());
  m.children = std::string_view(scratch.children, static_cast<std::size_t>(digits.ptr - scratch.children));
  const std::string_view husband = TrimSpaces(state.work.family_index.Extra(*f, 1));
  const std::string_view wife = TrimSpaces(state.work.family_index.Extra(*f, 2));
  m.spouse_id = own_id == husband ? wife : husband;
  // A marriage of anyone presumed living keeps its date and place private.
  if (state.living.mode != LivingMode::kInclude &&
      (own_living || IdIsLiving(state, husband) || IdIsLiving(state, wife))) {
    m.date = {};
    m.place = {};
  }
  // An empty spouse id finds nobody, so a missing partner never borrows
  // the name of a stranger without an id.
  m.spouse_name = LookUpPerson(state, files, m.spouse_id, scratch).name;
}

// Columns 1..17 of a person presumed living, under the private option:
// the id, surname and sex stay, the given name is "Living", the rest goes.
std::string_view PrivateOwnField(const IndividualView& rec, IndiField field, std::string& name) {
  switch (field) {
    case IndiField::kIndiId:
    case IndiField::kSurname:
    case IndiField::kSex: return rec.Trimmed(field);
    case IndiField::kGivenName: return msg::kLiving;
    case IndiField::kFullName:
      name = LivingName(rec.Trimmed(IndiField::kSurname));
      return name;
    default: return {};
  }
}

}  // namespace

void AssembleRow(RunState& state, WorkFiles& files, std::int32_t n, int marriages,
                 ExportRow& row) {
  AssembleRow(state, files, n, marriages, state.selection, row);
}

void AssembleRow(RunState& state, WorkFiles& files, std::int32_t n, int marriages,
                 const FieldSelection& sel, ExportRow& row) {
  RowFiller fill(row);
  RowScratch scratch;
  // The person's record stays valid to the end: relatives are read into
  // the scratch, never into the working record.
  const IndividualView rec =
      ViewIndividual(files.individuals, state.work.individual_records, n, state.work.individual_scratch);
  const std::string_view own_id = rec.Trimmed(IndiField::kIndiId);
  const std::string_view famc = rec.Trimmed(IndiField::kFamc);

  constexpr IndiField kFams[3] = {IndiField::kFams1, IndiField::kFams2, IndiField::kFams3};
  const std::string_view fams[3] = {rec.Trimmed(kFams[0]), rec.Trimmed(kFams[1]), rec.Trimmed(kFams[2])};

  const bool own_living = state.living.mode != LivingMode::kInclude && IsLiving(state.living_plan, n);
  for (int c = 0; c < 17; ++c) {
    if (Ticked(sel, kExportColumns[static_cast<std::size_t>(c)].selection)) {
      if (own_living) {
        fill.Add(c + 1, PrivateOwnField(rec, kOwnFields[c], scratch.own_name));
      } else {
        fill.Add(c + 1, rec.Trimmed(kOwnFields[c]));
      }
    }
  }

  // Columns 18..22: the child family, then each parent as soon as found.
  const auto wanted = [&](int c) { return Ticked(sel, kExportColumns[static_cast<std::size_t>(c)].selection); };
  if (wanted(17)) fill.Add(18, famc);
  const bool wants_parents = Ticked(sel, 18) || Ticked(sel, 19) || Ticked(sel, 22) || Ticked(sel, 23);
  std::optional<std::int32_t> parents;
  if (wants_parents && !famc.empty()) parents = state.work.family_index.Find(famc, state.work.family_count);
  for (int which = 1; which <= 2; ++which) {
    Relative parent;
    if (parents) {
      parent = LookUpPerson(state, files, TrimSpaces(state.work.family_index.Extra(*parents, which)),
                            scratch);
    }
    const int c = 18 + 2 * (which - 1);  // Father_ID, Mother_ID
    if (wanted(c)) fill.Add(c + 1, parent.id);
    if (wanted(c + 1)) fill.Add(c + 2, parent.name);
  }

  const bool wants_marriages = Ticked(sel, 14) || Ticked(sel, 15) || Ticked(sel, 20) ||
                               Ticked(sel, 21) || Ticked(sel, 24) || Ticked(sel, 27);
  for (int k = 0; k < marriages && k < 3; ++k) {
    Marriage m;
    if (wants_marriages && !fams[0].empty() && !fams[k].empty()) {
      LookUpMarriage(state, files, own_id, own_living, fams[k], scratch, m);
    }
    const std::string_view values[6] = {fams[k], m.spouse_id, m.spouse_name, m.date, m.place, m.children};
    for (int j = 0; j < 6; ++j) {
      const int c = 22 + 6 * k + j;
      if (wanted(c)) fill.Add(c + 1, values[j]);
    }
  }
}

}  // namespace kinsheet
