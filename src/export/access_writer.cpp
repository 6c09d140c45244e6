// The Access database writer: copies the template workfile of the chosen
// format, creates "tblKinsheet" with one text field per selected column,
// and appends one record per person through the database engine.
#include <array>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "export/columns.h"
#include "export/living.h"
#include "export/writer_support.h"
#include "export/writers.h"
#include "fileio/replacement.h"
#include "formats/jet/dao.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

constexpr const char* kTableName = "tblKinsheet";
constexpr int kProgressThreshold = 100;

// Field size in characters, by catalogue position.
int FieldSize(int position) {
  static constexpr std::array<int, 22> kOwn = {30, 180, 120, 120, 60, 60,  120, 60, 1,  60, 120,
                                               60, 120, 60,  120, 60, 120, 30,  30, 120, 30, 120};
  static constexpr std::array<int, 6> kMarriage = {30, 30, 120, 60, 120, 2};
  if (position <= 22) return kOwn[position - 1];
  return kMarriage[(position - 23) % 6];
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
  const std::int32_t people = state.work.individual_count;
  std::unique_ptr<jet::Database> db;
  std::unique_ptr<jet::Recordset> rs;
  WorkFiles files;
  // The database is built under the temporary's name and takes the
  // user's only once closed.
  std::optional<FileReplacement> replacement;
  ws.SetBusy(true);
  ws.SetStatusText(msg::kOneMoment);
  try {
    const LivingPlan& plan = SettleLiving(state, ws);
    const std::int32_t count = plan.rows;
    const bool show_progress = count > kProgressThreshold;
    replacement.emplace(path);
    std::filesystem::copy_file(template_path, replacement->temporary(),
                               std::filesystem::copy_options::overwrite_existing);
    ws.DoEvents();

    const jet::DBEngine engine;
    db = engine.OpenDatabase(replacement->temporary());
    jet::TableDef def = db->CreateTableDef(kTableName);
    const std::vector<TableField> fields = TableFields(state.selection);
    for (const TableField& f : fields) {
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
    std::int32_t written = 0;
    for (std::int32_t n = 1; n <= people; ++n) {
      if (!WritesRow(plan, state.living.mode, n)) continue;
      if (show_progress) ws.SetProgressValue(++written);
      ThrowIfCancelled(ws);
      rs->AddNew();
      AssembleRow(state, files, n, 3, row);
      by_position.fill(nullptr);
      for (const ExportValue& v : row) by_position[v.position] = &v.value;
      for (const TableField& f : fields) {
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
    replacement->Commit();
  } catch (const std::exception& e) {
    ReportWriterFailure(ws, msg::kDbError, e, replacement ? &*replacement : nullptr);
    // Everything is closed before the temporary goes.
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
