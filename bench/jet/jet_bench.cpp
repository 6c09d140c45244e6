// Figures for the database engine alone: appending rows of the Access
// export's 40 fields through the engine members the writer uses, both
// formats, on generated values (no GEDCOM, no work files).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/jet/catalog.h"
#include "formats/jet/dao.h"
#include "formats/jet/text_codec.h"

namespace {

using kinsheet::jet::JetFormat;

struct BenchField {
  std::string name;
  int size;
};

std::vector<BenchField> Fields() {
  std::vector<BenchField> f = {{"INDI_ID", 30},   {"FullName", 180}, {"Surname", 120},  {"Given", 120},
                               {"Nick", 60},      {"Prefix", 60},    {"Suffix", 60},    {"Title", 120},
                               {"Sex", 1},        {"Bir_Date", 60},  {"Bir_Place", 120}, {"Chr_Date", 60},
                               {"Chr_Place", 120}, {"Dea_Date", 60}, {"Dea_Place", 120}, {"Brl_Date", 60},
                               {"Brl_Place", 120}, {"FAMC_ID", 30},  {"Father_ID", 30}, {"Father", 120},
                               {"Mother_ID", 30}, {"Mother", 120}};
  for (int m = 1; m <= 3; ++m) {
    const std::string n = std::to_string(m);
    for (const BenchField& g : std::vector<BenchField>{{"FAMS_ID_", 30}, {"Spouse_ID_", 30}, {"Spouse_", 120},
                                                       {"Mar_Date_", 60}, {"Mar_Place_", 120}, {"Ch_", 2}}) {
      f.push_back({g.name + n, g.size});
    }
  }
  return f;
}

// Values like a real export: ids, names, dates, places, some empty.
std::u16string Value(const BenchField& field, std::int64_t row, std::size_t column) {
  if ((row + static_cast<std::int64_t>(column)) % 4 == 0) return u"";
  if (field.size <= 2) return u"3";
  if (field.size == 30) return kinsheet::jet::Widen("I" + std::to_string(row));
  if (field.size == 60) return u"12 MAR 1851";
  return kinsheet::jet::Widen("M\xC3\xBCller von Stra\xC3\x9F" "e " + std::to_string(row % 977));
}

void BM_JetAppendRows(benchmark::State& state) {
  const JetFormat& format = state.range(0) == 3 ? JetFormat::Jet3() : JetFormat::Jet4();
  const std::int64_t rows = state.range(1);
  const std::vector<BenchField> fields = Fields();
  const std::string path =
      (std::filesystem::temp_directory_path() / ("kinsheet-jet-bench-" + std::to_string(format.version) + ".mdb"))
          .string();
  std::uintmax_t size = 0;
  for (auto _ : state) {
    kinsheet::jet::CreateEmptyDatabase(path, format, kinsheet::jet::kTemplateDate);
    const kinsheet::jet::DBEngine engine;
    auto db = engine.OpenDatabase(path);
    kinsheet::jet::TableDef def = db->CreateTableDef("tblKinsheet");
    for (const BenchField& f : fields) {
      kinsheet::jet::Field field = def.CreateField(f.name, kinsheet::jet::dbText, f.size);
      field.AllowZeroLength(true);
      def.Fields().Append(field);
    }
    db->TableDefs().Append(def);
    auto rs = db->OpenRecordset("tblKinsheet", kinsheet::jet::dbOpenDynaset);
    for (std::int64_t r = 0; r < rows; ++r) {
      rs->AddNew();
      for (std::size_t c = 0; c < fields.size(); ++c) rs->Fields(fields[c].name).Value(Value(fields[c], r, c));
      rs->Update();
    }
    rs->Close();
    db->Close();
    size = std::filesystem::file_size(path);
  }
  state.SetItemsProcessed(state.iterations() * rows);
  state.counters["file_MB"] = static_cast<double>(size) / 1e6;
  std::filesystem::remove(path);
}

BENCHMARK(BM_JetAppendRows)
    ->ArgNames({"jet", "rows"})
    ->Args({3, 100000})
    ->Args({4, 100000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
