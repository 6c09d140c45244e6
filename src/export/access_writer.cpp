// The Access database writer: copies the template workfile of the chosen
// format, creates "tblKinsheet" with one field per selected column (text,
// Long Integer for the years), and appends one record per person through
// the database engine.
#include <array>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "export/columns.h"
#include "export/export_driver.h"
#include "export/writer_support.h"
#include "export/writers.h"
#include "formats/jet/dao.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

constexpr int kIdFieldSize = 30;

// Field size in characters, by catalogue position.
int FieldSize(int position) {
  static constexpr std::array<int, 22> kOwn = {30, 180, 120, 120, 60, 60,  120, 60, 1,  60, 120,
                                               60, 120, 60,  120, 60, 120, 30,  30, 120, 30, 120};
  static constexpr std::array<int, 6> kMarriage = {30, 30, 120, 60, 120, 2};
  // The "More fields": words, numbers, two ids, and texts of any length.
  static constexpr std::array<int, 13> kMore = {120, 10, 255, 1, 61, 6, 6, 6, 255, 255, 255, 6, 10};
  if (position > kSeedColumnCount) return kMore[static_cast<std::size_t>(position - kSeedColumnCount - 1)];
  if (position <= 22) return kOwn[position - 1];
  return kMarriage[(position - 23) % 6];
}

bool IsNumeric(int position) { return kExportColumns[static_cast<std::size_t>(position - 1)].numeric; }

// A value of at most `size` characters, cut where needed to `size` UTF-16
// units, as a Jet text field counts them: letters outside the Basic
// Multilingual Plane take two. The cut never falls inside a character nor
// between a letter and its accents. A value of more characters than the
// field holds stays whole, for the engine to refuse as too long.
std::u16string FitField(const std::string& value, std::size_t size) {
  std::u16string text = text::DecodeText(value);
  if (text.size() <= size) return text;
  const std::size_t characters = text::IsValidUtf8(value) ? text::CodePointCount(value) : value.size();
  if (characters > size) return text;
  // The characters whose units fit, a surrogate pair counted whole.
  std::size_t units = 0;
  std::size_t fitting = 0;
  for (std::size_t i = 0; i < text.size(); ++i, ++fitting) {
    const bool pair = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size();
    if (units + (pair ? 2 : 1) > size) break;
    units += pair ? 2 : 1;
    if (pair) ++i;
  }
  return text::DecodeText(std::string_view(value).substr(0, text::FitCharacters(value, fitting)));
}

constexpr WriterTraits kAccessTraits = {msg::kDbError, 100, true, false, 3};

class AccessWriter : public TableWriter {
 public:
  explicit AccessWriter(std::string template_path)
      : TableWriter(kAccessTraits), template_path_(std::move(template_path)) {}

  // The database is built under the temporary's name.
  void Begin(const ExportOutput& output) override {
    std::filesystem::copy_file(template_path_, output.temporary, std::filesystem::copy_options::overwrite_existing);
    db_ = engine_.OpenDatabase(output.temporary);
  }
  void BeginTable(const TableLayout& table) override {
    jet::TableDef def = db_->CreateTableDef(table.name);
    fields_ = TableFields(table.columns);
    for (const TableField& f : fields_) {
      // Years are Long Integers; everything else is text.
      if (IsNumeric(f.position)) {
        def.Fields().Append(def.CreateField(f.name, jet::dbLong, 4));
        continue;
      }
      jet::Field field = def.CreateField(f.name, jet::dbText, FieldSize(f.position));
      field.AllowZeroLength(true);
      def.Fields().Append(field);
    }
    db_->TableDefs().Append(def);
    rs_ = db_->OpenRecordset(table.name, jet::dbOpenDynaset);
  }
  void Row(const ExportRow& row) override {
    rs_->AddNew();
    by_position_.fill(nullptr);
    for (const ExportValue& v : row) by_position_[v.position] = &v.value;
    for (const TableField& f : fields_) {
      const std::string* value = by_position_[f.position] ? by_position_[f.position] : &empty_;
      if (IsNumeric(f.position)) {
        // No number stays NULL.
        if (!value->empty()) rs_->Fields(f.name).Value(static_cast<std::int32_t>(std::stol(*value)));
        continue;
      }
      const auto size = static_cast<std::size_t>(FieldSize(f.position));
      // A joined text of the "More fields" may pass its field: cut, not refused.
      std::string cut;
      if (f.position > kSeedColumnCount) {
        cut = value->substr(0, text::FitCharacters(*value, size));
        value = &cut;
      }
      rs_->Fields(f.name).Value(FitField(*value, size));
    }
    rs_->Update(jet::dbUpdateRegular, false);
  }
  void EndTable() override {
    rs_->Close();
    rs_.reset();
  }
  void Finish() override {
    db_->Close();
    db_.reset();
  }
  // Everything is closed before the temporary goes.
  void Abandon() noexcept override {
    try {
      if (rs_) rs_->Close();
    } catch (const std::exception&) {
    }
    rs_.reset();
    try {
      if (db_) db_->Close();
    } catch (const std::exception&) {
    }
    db_.reset();
  }

 private:
  std::string template_path_;
  const jet::DBEngine engine_;
  std::unique_ptr<jet::Database> db_;
  std::unique_ptr<jet::Recordset> rs_;
  std::vector<TableField> fields_;
  std::array<const std::string*, kColumnCount + 1> by_position_{};
  const std::string empty_;
};

}  // namespace

std::string AccessIdRefusal(std::int32_t longest_id) {
  if (longest_id <= kIdFieldSize) return {};
  return msg::kAccessIdTooLong + std::to_string(longest_id) + msg::kAccessIdTooLongEnd;
}

bool WriteAccessDatabase(RunState& state, WindowServices& ws, const std::string& AccessFormat) {
  const std::string template_path =
      state.program_folder + "/" + (AccessFormat == "95" ? kAccess95Template : kAccess2000Template);
  if (!FileExists(template_path)) {
    Say(ws, msg::kTemplateMissing, MsgIcon::kNone);
    return false;
  }
  AccessWriter writer(template_path);
  return RunExport(state, ws, writer);
}

}  // namespace kinsheet
