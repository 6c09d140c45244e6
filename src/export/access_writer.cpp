// The Access database writer: copies the template workfile of the chosen
// format, creates "tblKinsheet" with one text field per selected column,
// and appends one record per person through the database engine.
#include <array>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "export/columns.h"
#include "export/writer_support.h"
#include "export/writers.h"
#include "formats/jet/dao.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

constexpr const char* kTableName = "tblKinsheet";
constexpr int kProgressThreshold = 100;

// The table's field order: catalogue order, except that Nick, Prefix,
// Suffix and Title follow Given.
constexpr std::array<int, kColumnCount> kFieldOrder = {
    1,  2,  3,  4,  8,  6,  5,  7,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
    21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40};

// Field size in characters, by catalogue position.
int FieldSize(int position) {
  static constexpr std::array<int, 22> kOwn = {30, 180, 120, 120, 60, 60,  120, 60, 1,  60, 120,
                                               60, 120, 60,  120, 60, 120, 30,  30, 120, 30, 120};
  static constexpr std::array<int, 6> kMarriage = {30, 30, 120, 60, 120, 2};
  if (position <= 22) return kOwn[position - 1];
  return kMarriage[(position - 23) % 6];
}

struct AccessField {
  int position;
  std::string name;
};

// The selected columns in the table's field order.
std::vector<AccessField> TableFields(const FieldSelection& selection) {
  std::array<bool, kColumnCount + 1> selected{};
  for (const ExportColumn* c : SelectedColumns(selection)) selected[c->position] = true;
  std::vector<AccessField> fields;
  for (int position : kFieldOrder) {
    if (selected[position]) {
      fields.push_back({position, kExportColumns[position - 1].Caption(CaptionSet::kAccess)});
    }
  }
  return fields;
}

}  // namespace

bool WriteAccessDatabase(RunState& state, WindowServices& ws, const std::string& AccessFormat) {
  const std::string template_path =
      state.program_folder + (AccessFormat == "95" ? "/Kinsheet95.mdb" : "/Kinsheet2K.mdb");
  if (!FileExists(template_path)) {
    Say(ws, msg::kTemplateMissing, MsgIcon::kNone);
    return false;
  }

  const std::string path = state.current_file_name;
  const std::int32_t count = state.work.individual_count;
  const bool show_progress = count > kProgressThreshold;
  std::unique_ptr<jet::Database> db;
  std::unique_ptr<jet::Recordset> rs;
  WorkFiles files;
  ws.SetBusy(true);
  ws.SetStatusText(msg::kOneMoment);
  try {
    std::filesystem::copy_file(template_path, path, std::filesystem::copy_options::overwrite_existing);
    ws.DoEvents();

    const jet::DBEngine engine;
    db = engine.OpenDatabase(path);
    jet::TableDef def = db->CreateTableDef(kTableName);
    const std::vector<AccessField> fields = TableFields(state.selection);
    for (const AccessField& f : fields) {
      jet::Field field = def.CreateField(f.name, jet::dbText, FieldSize(f.position));
      field.AllowZeroLength(true);
      def.Fields().Append(field);
    }
    db->TableDefs().Append(def);
    rs = db->OpenRecordset(kTableName, jet::dbOpenDynaset);

    ws.SetStatusText(msg::kCreating + path + msg::kCreatingEnd);
    if (show_progress) {
      ws.SetProgressMax(count);
      ws.SetProgressValue(0);
      ws.SetProgressVisible(true);
    }
    files = OpenWorkFiles(state, ws);

    ExportRow row;
    const std::string empty;
    std::array<const std::string*, kColumnCount + 1> by_position{};
    for (std::int32_t n = 1; n <= count; ++n) {
      if (show_progress) ws.SetProgressValue(n);
      rs->AddNew();
      AssembleRow(state, files, n, 3, row);
      by_position.fill(nullptr);
      for (const ExportValue& v : row) by_position[v.position] = &v.value;
      for (const AccessField& f : fields) {
        const std::string* value = by_position[f.position] ? by_position[f.position] : &empty;
        rs->Fields(f.name).Value(text::DecodeText(*value));
      }
      rs->Update(jet::dbUpdateRegular, false);
    }

    files.individuals.Close();
    files.families.Close();
    rs->Close();
    rs.reset();
    db->Close();
    db.reset();
  } catch (const std::exception& e) {
    ReportWriterFailure(ws, msg::kDbError, e);
    // Closing writes the records stored so far; a second failure here
    // leaves the file as the last complete page left it.
    try {
      if (rs) rs->Close();
    } catch (const std::exception&) {
    }
    rs.reset();
    try {
      if (db) db->Close();
    } catch (const std::exception&) {
    }
    db.reset();
    files = WorkFiles();
    return EndExport(state, ws, false);
  }
  return EndExport(state, ws, true);
}

}  // namespace kinsheet
