#include "export/columns.h"

#include <charconv>

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
}};

std::vector<const ExportColumn*> SelectedColumns(const FieldSelection& selection,
                                                 int max_position) {
  std::vector<const ExportColumn*> out;
  for (const ExportColumn& c : kExportColumns) {
    if (c.position <= max_position && selection.ticked[static_cast<std::size_t>(c.selection)]) {
      out.push_back(&c);
    }
  }
  return out;
}

WorkFiles OpenWorkFiles(RunState& state, WindowServices& ws) {
  WorkFiles files;
  files.individuals =
      FileOpen(ws, state.IndividualWorkFile(), kModeRandom, kIndividualRecordLength, false);
  files.families = FileOpen(ws, state.FamilyWorkFile(), kModeRandom, kFamilyRecordLength, false);
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

struct Marriage {
  std::string spouse_id;
  std::string spouse_name;
  std::string date;
  std::string place;
  std::string children;
};

bool Ticked(const FieldSelection& s, int index) {
  return s.ticked[static_cast<std::size_t>(index)];
}

// Full name and id of the individual with `id`; both empty when nobody
// has it. Only those two fields are read. Under a living-people option a
// relative presumed living shows as "Living" and the surname.
void LookUpPerson(RunState& state, WorkFiles& files, std::string_view id, std::string& name,
                  std::string* found_id) {
  const auto n = state.work.individual_index.Find(id, state.work.individual_count);
  if (!n) return;
  if (state.living.mode != LivingMode::kInclude && IsLiving(state.living_plan, *n)) {
    name = LivingName(ReadIndividualField(files.individuals, *n, IndiField::kSurname));
  } else {
    name = ReadIndividualField(files.individuals, *n, IndiField::kFullName);
  }
  if (found_id) *found_id = ReadIndividualField(files.individuals, *n, IndiField::kIndiId);
}

bool IdIsLiving(const RunState& state, std::string_view id) {
  const auto n = state.work.individual_index.Find(id, state.work.individual_count);
  return n && IsLiving(state.living_plan, *n);
}

// Fills the row's values in order, reusing the strings of the previous
// row: every row of an export has the same columns.
class RowFiller {
 public:
  explicit RowFiller(ExportRow& row) : row_(row) {}
  ~RowFiller() { row_.resize(used_); }
  void Add(int position, std::string_view value) {
    if (used_ < row_.size()) {
      row_[used_].position = position;
      row_[used_].value.assign(value);
    } else {
      row_.push_back({position, std::string(value)});
    }
    ++used_;
  }

 private:
  ExportRow& row_;
  std::size_t used_ = 0;
};

void LookUpMarriage(RunState& state, WorkFiles& files, std::string_view own_id, bool own_living,
                    std::string_view fams, Marriage& m) {
  const auto f = state.work.family_index.Find(fams, state.work.family_count);
  if (!f) return;
  ReadFamily(state.work.family, files.families, *f);
  m.date = state.work.family.Trimmed(FamField::kMarriageDate);
  m.place = state.work.family.Trimmed(FamField::kMarriagePlace);
  m.children = std::to_string(state.work.family.Count());
  const std::string_view husband = TrimSpaces(state.work.family_index.Extra(*f, 1));
  const std::string_view wife = TrimSpaces(state.work.family_index.Extra(*f, 2));
  m.spouse_id = own_id == husband ? wife : husband;
  // A marriage of anyone presumed living keeps its date and place private.
  if (state.living.mode != LivingMode::kInclude &&
      (own_living || IdIsLiving(state, husband) || IdIsLiving(state, wife))) {
    m.date.clear();
    m.place.clear();
  }
  // An empty spouse id finds nobody, so a missing partner never borrows
  // the name of a stranger without an id.
  LookUpPerson(state, files, m.spouse_id, m.spouse_name, nullptr);
}

// Columns 1..17 of a person presumed living, under the private option:
// the id, surname and sex stay, the given name is "Living", the rest goes.
std::string PrivateOwnField(const IndividualView& rec, IndiField field) {
  switch (field) {
    case IndiField::kIndiId:
    case IndiField::kSurname:
    case IndiField::kSex: return std::string(rec.Trimmed(field));
    case IndiField::kGivenName: return msg::kLiving;
    case IndiField::kFullName: return LivingName(rec.Trimmed(IndiField::kSurname));
    default: return std::string();
  }
}

}  // namespace

void AssembleRow(RunState& state, WorkFiles& files, std::int32_t n, int marriages,
                 ExportRow& row) {
  const FieldSelection& sel = state.selection;
  RowFiller fill(row);
  const IndividualView rec = ViewIndividual(files.individuals, n, state.work.individual);
  const std::string own_id(rec.Trimmed(IndiField::kIndiId));
  const std::string famc(rec.Trimmed(IndiField::kFamc));
  const std::string fams[3] = {std::string(rec.Trimmed(IndiField::kFams1)),
                               std::string(rec.Trimmed(IndiField::kFams2)),
                               std::string(rec.Trimmed(IndiField::kFams3))};

  const bool own_living = state.living.mode != LivingMode::kInclude && IsLiving(state.living_plan, n);
  for (int c = 0; c < 17; ++c) {
    if (Ticked(sel, kExportColumns[static_cast<std::size_t>(c)].selection)) {
      if (own_living) {
        fill.Add(c + 1, PrivateOwnField(rec, kOwnFields[c]));
      } else {
        fill.Add(c + 1, rec.Trimmed(kOwnFields[c]));
      }
    }
  }

  std::string father_id, father_name, mother_id, mother_name;
  const bool wants_parents = Ticked(sel, 18) || Ticked(sel, 19) || Ticked(sel, 22) || Ticked(sel, 23);
  if (wants_parents && !famc.empty()) {
    if (const auto f = state.work.family_index.Find(famc, state.work.family_count)) {
      const std::string husband(TrimSpaces(state.work.family_index.Extra(*f, 1)));
      const std::string wife(TrimSpaces(state.work.family_index.Extra(*f, 2)));
      LookUpPerson(state, files, husband, father_name, &father_id);
      LookUpPerson(state, files, wife, mother_name, &mother_id);
    }
  }
  const std::string* parent_values[5] = {&famc, &father_id, &father_name, &mother_id, &mother_name};
  for (int c = 17; c < 22; ++c) {
    if (Ticked(sel, kExportColumns[static_cast<std::size_t>(c)].selection)) {
      fill.Add(c + 1, *parent_values[c - 17]);
    }
  }

  Marriage m[3];
  const bool wants_marriages = Ticked(sel, 14) || Ticked(sel, 15) || Ticked(sel, 20) ||
                               Ticked(sel, 21) || Ticked(sel, 24) || Ticked(sel, 27);
  if (wants_marriages && !fams[0].empty()) {
    for (int k = 0; k < marriages && k < 3; ++k) {
      if (!fams[k].empty()) LookUpMarriage(state, files, own_id, own_living, fams[k], m[k]);
    }
  }
  for (int k = 0; k < marriages && k < 3; ++k) {
    const std::string* values[6] = {&fams[k], &m[k].spouse_id, &m[k].spouse_name,
                                    &m[k].date, &m[k].place, &m[k].children};
    for (int j = 0; j < 6; ++j) {
      const int c = 22 + 6 * k + j;
      if (Ticked(sel, kExportColumns[static_cast<std::size_t>(c)].selection)) {
        fill.Add(c + 1, *values[j]);
      }
    }
  }
}

}  // namespace kinsheet
