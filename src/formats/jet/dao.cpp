// The engine. A finished data page is written in this order: the page, the
// 0x05 bitmap page that lists it, the usage-map page when a reference slot
// was just filled, then the TDEF with the new row count. A map never names a
// page that is not yet a complete data page of its table, so a failure at
// any point leaves a readable file.
#include "formats/jet/dao.h"

#include <algorithm>

#include "formats/jet/catalog.h"
#include "formats/jet/data_page.h"
#include "formats/jet/database_reader.h"
#include "formats/jet/properties.h"
#include "formats/jet/text_codec.h"
#include "formats/jet/usage_map.h"

namespace kinsheet::jet {
namespace {

constexpr std::size_t kMaxNameLength = 64;
constexpr int kMaxTextSize = 255;

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

std::uint32_t TdefPageCount(const JetFormat& format, std::size_t length) {
  if (length <= format.page_size) return 1;
  const std::size_t rest = length - format.page_size;
  return static_cast<std::uint32_t>(1 + (rest + format.page_size - 9) / (format.page_size - 8));
}

}  // namespace

// Appends rows to one new table, one page buffer at a time.
class TableWriter {
 public:
  TableWriter(Database& db, TableShape shape, std::vector<Field> fields, std::uint32_t tdef_page,
              std::string tdef_first, std::uint32_t map_page, std::string map_image)
      : db_(db),
        shape_(std::move(shape)),
        fields_(std::move(fields)),
        tdef_page_(tdef_page),
        tdef_first_(std::move(tdef_first)),
        map_page_(map_page),
        map_image_(std::move(map_image)) {
    ref_row_offset_ = RowsOfPage(db_.format(), map_image_).at(0).offset;
  }

  const TableShape& shape() const { return shape_; }
  const std::vector<Field>& fields() const { return fields_; }

  void Append(const std::vector<Cell>& cells) {
    const JetFormat& format = db_.format();
    const std::string row = EncodeRow(format, shape_, cells);
    const std::uint64_t number = rows_on_disk_ + (page_ ? page_->row_count() : 0) + 1;
    if (row.size() > format.max_row_size) {
      throw JetError("Record is too large. Record " + std::to_string(number) + " of table " +
                     Quoted(Narrow(shape_.name)) + " needs " + std::to_string(row.size()) + " bytes; a " +
                     format.name + " data page holds at most " + std::to_string(format.max_row_size) + ".");
    }
    if (!page_ || !page_->Fits(row.size())) {
      Flush();
      StartPage();
    }
    page_->AddRow(row);
  }

  void Flush() {
    if (!page_ || page_->row_count() == 0) return;
    const JetFormat& format = db_.format();
    PageFile& file = db_.file_;
    file.Write(page_no_, page_->image());
    SetBitmapPageBit(bitmap_image_, page_no_ - bitmap_stretch_ * format.bitmap_page_pages(), true);
    file.Write(bitmap_no_, bitmap_image_);
    if (slot_new_) {
      SetU32(map_image_, ref_row_offset_ + 1 + 4 * bitmap_stretch_, bitmap_no_);
      file.Write(map_page_, map_image_);
      slot_new_ = false;
    }
    const std::uint32_t rows = rows_on_disk_ + static_cast<std::uint32_t>(page_->row_count());
    SetTableDefRowCount(format, tdef_first_, rows);
    file.Write(tdef_page_, tdef_first_);
    rows_on_disk_ = rows;
    page_.reset();
  }

 private:
  // Reserves the next page (and the 0x05 page of its stretch, the first
  // time the table reaches that stretch) before any row goes on it, so
  // that a full disk or file refuses the row, not rows already accepted.
  void StartPage() {
    const JetFormat& format = db_.format();
    const std::uint32_t next = db_.next_page_;
    const std::size_t stretch = next / format.bitmap_page_pages();
    if (stretch >= format.reference_slots()) {
      throw JetError("Table " + Quoted(Narrow(shape_.name)) + " cannot list page " + std::to_string(next) + ".");
    }
    const bool new_stretch = stretch != bitmap_stretch_;
    const std::uint32_t existing = GetU32(map_image_, ref_row_offset_ + 1 + 4 * stretch);
    const bool need_bitmap = new_stretch && existing == 0;
    const std::uint32_t first = db_.ReservePages(need_bitmap ? 2 : 1);
    if (new_stretch) {
      if (need_bitmap) {
        bitmap_no_ = first + 1;
        bitmap_image_ = EmptyBitmapPage(format);
        slot_new_ = true;
      } else {
        bitmap_no_ = existing;
        bitmap_image_ = db_.file_.Read(existing);
      }
      bitmap_stretch_ = stretch;
    }
    page_no_ = first;
    page_.emplace(format, tdef_page_);
  }

  Database& db_;
  TableShape shape_;
  std::vector<Field> fields_;
  std::uint32_t tdef_page_;
  std::string tdef_first_;
  std::uint32_t map_page_;
  std::string map_image_;
  std::size_t ref_row_offset_ = 0;
  std::optional<DataPage> page_;
  std::uint32_t page_no_ = 0;
  std::size_t bitmap_stretch_ = static_cast<std::size_t>(-1);
  std::uint32_t bitmap_no_ = 0;
  std::string bitmap_image_;
  bool slot_new_ = false;
  std::uint32_t rows_on_disk_ = 0;
};

void FieldCollection::Append(const Field& field) {
  for (const Field& f : fields_) {
    if (f.Name() == field.Name()) throw JetError("Field " + Quoted(field.Name()) + " is already in the table.");
  }
  fields_.push_back(field);
}

Field TableDef::CreateField(const std::string& name, int type, int size) const {
  if (name.empty() || name.size() > kMaxNameLength) {
    throw JetError("Field name " + Quoted(name) + " must have 1 to 64 characters.");
  }
  if (type == dbLong) return Field(name, type, 4);
  if (type != dbText) {
    throw JetError("Field " + Quoted(name) + ": only text (type 10) and Long Integer (type 4) fields are "
                   "supported, not type " + std::to_string(type) + ".");
  }
  if (size < 1 || size > kMaxTextSize) {
    throw JetError("Field " + Quoted(name) + ": size " + std::to_string(size) + " is outside 1 to 255.");
  }
  return Field(name, type, size);
}

void TableDefCollection::Append(const TableDef& def) { db_->AppendTable(def); }

Database::Database(const std::string& path, const EngineOptions& options)
    : file_(PageFile::Open(path, true)), options_(options) {
  const JetFormat& fmt = format();
  const PageReader pages = [this](std::uint32_t p) { return file_.Read(p); };
  catalog_ = ReadTableDef(fmt, pages, kCatalogTdefPage);
  const std::vector<std::uint32_t> data = TableDataPages(fmt, pages, catalog_, kCatalogTdefPage);
  if (data.empty()) throw JetError("The catalog of " + Quoted(path) + " has no data page.");
  catalog_data_page_ = data.back();
  for (std::uint32_t p : data) {
    const std::string page = file_.Read(p);
    for (const RowSlot& slot : RowsOfPage(fmt, page)) {
      if (slot.deleted || slot.overflow) continue;
      const std::vector<Cell> cells =
          DecodeRow(fmt, catalog_, std::string_view(page).substr(slot.offset, slot.length));
      object_names_.push_back(ParseCatalogCells(fmt, cells).name);
    }
  }
  const ColumnShape* lv_prop = catalog_.FindColumn(u"LvProp");
  for (const LongValueMaps& m : catalog_.long_value_maps) {
    if (lv_prop && m.column == lv_prop->number) lv_prop_owned_map_ = m.owned;
  }
  if (lv_prop_owned_map_ == 0) {
    throw JetError("The catalog of " + Quoted(path) + " has no usage map for table properties.");
  }
  next_page_ = file_.page_count();
  const std::uint64_t limit = options_.max_file_size ? options_.max_file_size : fmt.max_file_size;
  const std::uint64_t pages_allowed = limit / fmt.page_size;
  // Room kept back for the 0x05 pages of the global map, written at Close.
  const std::uint64_t keep = (pages_allowed + fmt.bitmap_page_pages() - 1) / fmt.bitmap_page_pages() + 1;
  max_pages_ = static_cast<std::uint32_t>(pages_allowed > keep ? pages_allowed - keep : 0);
}

Database::~Database() {
  try {
    Close();
  } catch (...) {
    // Destructors stay quiet; callers who care call Close themselves.
  }
}

std::uint32_t Database::ReservePages(std::uint32_t count) {
  if (static_cast<std::uint64_t>(next_page_) + count > max_pages_) {
    const std::uint64_t limit = options_.max_file_size ? options_.max_file_size : format().max_file_size;
    const std::string size_text =
        options_.max_file_size ? std::to_string(limit) + " bytes" : std::string(format().max_file_text);
    throw JetError("The database " + Quoted(path()) + " cannot grow past " + size_text + ", the largest " +
                   format().name + " file allows: page " + std::to_string(next_page_) +
                   " cannot be added.");
  }
  const std::uint32_t first = next_page_;
  next_page_ += count;
  return first;
}

void Database::AppendTable(const TableDef& def) {
  if (!open_) throw JetError("Database " + Quoted(path()) + " is closed.");
  const JetFormat& fmt = format();
  const std::u16string table_name = Widen(def.Name());
  if (def.Name().empty() || def.Name().size() > kMaxNameLength) {
    throw JetError("Table name " + Quoted(def.Name()) + " must have 1 to 64 characters.");
  }
  for (const std::u16string& n : object_names_) {
    if (n == table_name) throw JetError("Table " + Quoted(def.Name()) + " already exists in " + Quoted(path()) + ".");
  }
  if (def.Fields().Count() == 0) {
    throw JetError("No field defined--cannot append table " + Quoted(def.Name()) + ".");
  }

  TableShape shape;
  shape.name = table_name;
  shape.table_type = kTableUser;
  std::vector<PropertyMap> properties;
  std::vector<Field> fields;
  for (std::size_t i = 0; i < def.Fields().Count(); ++i) {
    const Field& f = def.Fields()[i];
    ColumnShape c;
    c.name = Widen(f.Name());
    if (f.Type() == dbLong) {
      c.type = kTypeLong;
      c.length = 4;
      c.flags = kColumnFixed | kColumnUpdatable;
      shape.columns.push_back(c);
      fields.push_back(f);
      continue;
    }
    c.type = kTypeText;
    c.length = static_cast<std::uint16_t>(f.Size() * fmt.text_unit_bytes);
    c.flags = kColumnUpdatable;
    c.compressible = fmt.version == 4;
    c.sort_order = kGeneralSortOrder;
    c.code_page = fmt.version == 3 ? kCodePage1252 : 0;
    shape.columns.push_back(c);
    properties.push_back({c.name, kPropertiesOfColumn, {BooleanProperty(u"AllowZeroLength", f.AllowZeroLength())}});
    fields.push_back(f);
  }
  LayOutColumns(shape);

  const std::string block = BuildPropertyBlock(fmt, properties);
  const std::size_t tdef_length = BuildTableDefinition(fmt, shape).size();
  const std::uint32_t tdef_pages = TdefPageCount(fmt, tdef_length);
  std::uint32_t lval_pages = 0;
  const bool inline_block = block.size() <= fmt.max_inline_long_value;
  if (!inline_block) {
    const std::size_t chunk = fmt.max_long_value_row() - 4;
    lval_pages = block.size() <= fmt.max_long_value_row()
                     ? 1
                     : static_cast<std::uint32_t>((block.size() + chunk - 1) / chunk);
  }
  const std::uint32_t first = ReservePages(tdef_pages + 1 + lval_pages);
  const std::uint32_t tdef_page = first;
  const std::uint32_t map_page = first + tdef_pages;
  const std::uint32_t lval_first = map_page + 1;
  shape.owned_map = PageRow(map_page, 0);
  shape.free_map = PageRow(map_page, 1);

  // 1. The definition and its usage maps: nothing names them yet.
  const std::vector<std::string> tdef = SplitTableDefinition(fmt, BuildTableDefinition(fmt, shape), tdef_page);
  for (std::uint32_t i = 0; i < tdef.size(); ++i) file_.Write(tdef_page + i, tdef[i]);
  DataPage maps(fmt, 0);
  maps.AddRow(EmptyReferenceMapRow(fmt));
  maps.AddRow(InlineMapRow(0, fmt.inline_map_bytes(), {}));
  file_.Write(map_page, maps.image());

  // 2. The property block on long-value pages, then the map that owns them.
  Cell lv_prop;
  if (inline_block) {
    lv_prop = Cell::Of(LongValueHeader(static_cast<std::uint32_t>(block.size()), kLongValueInline, 0) + block);
  } else if (lval_pages == 1) {
    DataPage lval = DataPage::LongValuePage(fmt);
    const std::uint8_t row = lval.AddRow(block);
    file_.Write(lval_first, lval.image());
    lv_prop = Cell::Of(LongValueHeader(static_cast<std::uint32_t>(block.size()), kLongValueOnePage,
                                       PageRow(lval_first, row)));
  } else {
    const std::size_t chunk = fmt.max_long_value_row() - 4;
    for (std::uint32_t i = 0; i < lval_pages; ++i) {
      const std::uint32_t next = i + 1 < lval_pages ? PageRow(lval_first + i + 1, 0) : 0;
      std::string row;
      PutU32(row, next);
      row += block.substr(i * chunk, chunk);
      DataPage lval = DataPage::LongValuePage(fmt);
      lval.AddRow(row);
      file_.Write(lval_first + i, lval.image());
    }
    lv_prop = Cell::Of(LongValueHeader(static_cast<std::uint32_t>(block.size()), 0, PageRow(lval_first, 0)));
  }
  if (lval_pages > 0) {
    std::string page = file_.Read(lv_prop_owned_map_ >> 8);
    const std::vector<RowSlot> rows = RowsOfPage(fmt, page);
    const RowSlot& slot = rows.at(lv_prop_owned_map_ & 0xFF);
    std::string row = page.substr(slot.offset, slot.length);
    if (GetU8(row, 0) != kMapInline) throw JetError("The property usage map is not an inline map.");
    if (row.find_first_not_of('\0', 5) == std::string::npos) SetU32(row, 1, InlineStartFor(lval_first));
    for (std::uint32_t i = 0; i < lval_pages; ++i) SetInlineMapBit(row, lval_first + i, true);
    page.replace(slot.offset, row.size(), row);
    file_.Write(lv_prop_owned_map_ >> 8, page);
  }

  // 3. The catalog row, then the catalog's row count: the table exists.
  CatalogEntry entry;
  entry.id = tdef_page;
  entry.parent_id = kTablesContainer;
  entry.name = table_name;
  entry.type = kObjectTable;
  entry.flags = 0;
  entry.date = options_.date != 0 ? options_.date : OleDateNow();
  entry.lv_prop = lv_prop;
  const std::string catalog_row = EncodeRow(fmt, catalog_, CatalogCells(fmt, catalog_, entry));
  DataPage catalog = DataPage::FromImage(fmt, file_.Read(catalog_data_page_));
  if (!catalog.Fits(catalog_row.size())) {
    throw JetError("The catalog page of " + Quoted(path()) + " is full; table " + Quoted(def.Name()) +
                   " cannot be added.");
  }
  catalog.AddRow(catalog_row);
  file_.Write(catalog_data_page_, catalog.image());
  std::string catalog_tdef = file_.Read(kCatalogTdefPage);
  SetTableDefRowCount(fmt, catalog_tdef, GetU32(catalog_tdef, fmt.tdef_row_count_offset) + 1);
  file_.Write(kCatalogTdefPage, catalog_tdef);

  object_names_.push_back(table_name);
  tables_.push_back(std::make_unique<TableWriter>(*this, std::move(shape), std::move(fields), tdef_page, tdef[0],
                                                  map_page, maps.image()));
}

std::unique_ptr<Recordset> Database::OpenRecordset(const std::string& name, int type) {
  if (!open_) throw JetError("Database " + Quoted(path()) + " is closed.");
  if (type != dbOpenDynaset) {
    throw JetError("Recordset type " + std::to_string(type) + " is not supported; only dynasets (2) are.");
  }
  const std::u16string wide = Widen(name);
  for (const auto& t : tables_) {
    if (t->shape().name == wide) return std::make_unique<Recordset>(*this, *t);
  }
  for (const std::u16string& n : object_names_) {
    if (n == wide) {
      throw JetError("Table " + Quoted(name) + " can only be read; records are appended to new tables only.");
    }
  }
  throw JetError("Table " + Quoted(name) + " not found in " + Quoted(path()) + ".");
}

void Database::WriteGlobalMap() {
  const JetFormat& fmt = format();
  const std::uint32_t count = std::max(next_page_, file_.page_count());
  if (GlobalMapFitsInline(fmt, count)) {
    file_.Write(1, GlobalMapPage(fmt, count, {}));
    return;
  }
  // Too many pages for page 1: a reference map whose 0x05 pages, appended
  // here, cover the file including themselves.
  const std::uint32_t per_page = fmt.bitmap_page_pages();
  std::uint32_t extra = 0;
  while (true) {
    const std::uint32_t needed = (count + extra + per_page - 1) / per_page;
    if (needed == extra) break;
    extra = needed;
  }
  const std::uint32_t total = count + extra;
  std::vector<std::uint32_t> bitmaps;
  for (std::uint32_t s = 0; s < extra; ++s) {
    bitmaps.push_back(count + s);
    file_.Write(count + s, GlobalBitmapPage(fmt, s, total));
  }
  next_page_ = total;
  file_.Write(1, GlobalMapPage(fmt, total, bitmaps));
}

void Database::Close() {
  if (!open_) return;
  open_ = false;
  for (const auto& t : tables_) t->Flush();
  WriteGlobalMap();
  file_.Close();
}

std::unique_ptr<Database> DBEngine::OpenDatabase(const std::string& path) const {
  return std::make_unique<Database>(path, options_);
}

Recordset::Recordset(Database& db, TableWriter& table)
    : db_(&db),
      table_(&table),
      values_(table.shape().columns.size()),
      numbers_(values_.size(), 0),
      set_(values_.size(), false) {
  for (std::size_t i = 0; i < table.fields().size(); ++i) index_.emplace(table.fields()[i].Name(), i);
}

Recordset::~Recordset() {
  try {
    Close();
  } catch (...) {
    // Quiet in destructors; Close reports.
  }
}

void Recordset::AddNew() {
  if (!open_) throw JetError("The recordset is closed.");
  std::fill(set_.begin(), set_.end(), false);
  editing_ = true;
}

RecordsetField Recordset::Fields(const std::string& name) {
  const auto found = index_.find(name);
  if (found != index_.end()) return RecordsetField(*this, found->second);
  throw JetError("Item " + Quoted(name) + " not found in the fields of table " +
                 Quoted(Narrow(table_->shape().name)) + ".");
}

void RecordsetField::Value(std::u16string_view value) { rs_->SetValue(index_, value); }
void RecordsetField::Value(std::int32_t value) { rs_->SetNumber(index_, value); }

void Recordset::SetNumber(std::size_t index, std::int32_t value) {
  if (!editing_) throw JetError("Update or CancelUpdate without AddNew or Edit.");
  const Field& field = table_->fields()[index];
  if (field.Type() != dbLong) throw JetError("Field " + Quoted(field.Name()) + " takes text, not a number.");
  numbers_[index] = value;
  set_[index] = true;
}

void Recordset::SetValue(std::size_t index, std::u16string_view value) {
  if (!editing_) throw JetError("Update or CancelUpdate without AddNew or Edit.");
  const Field& field = table_->fields()[index];
  if (field.Type() != dbText) throw JetError("Field " + Quoted(field.Name()) + " takes a number, not text.");
  if (value.size() > static_cast<std::size_t>(field.Size())) {
    throw JetError("The field " + Quoted(field.Name()) +
                   " is too small to accept the amount of data you attempted to add: its size is " +
                   std::to_string(field.Size()) + " characters, the value has " + std::to_string(value.size()) +
                   " (\"" + Narrow(value) + "\").");
  }
  if (value.empty() && !field.AllowZeroLength()) {
    throw JetError("Field " + Quoted(field.Name()) + " cannot be a zero-length string.");
  }
  values_[index].assign(value);
  set_[index] = true;
}

void Recordset::Update(int type, bool force) {
  (void)force;
  if (!open_) throw JetError("The recordset is closed.");
  if (!editing_) throw JetError("Update or CancelUpdate without AddNew or Edit.");
  if (type != dbUpdateRegular) throw JetError("Update type " + std::to_string(type) + " is not supported.");
  const JetFormat& fmt = db_->format();
  const auto& columns = table_->shape().columns;
  std::vector<Cell> cells(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (!set_[i]) continue;
    if (columns[i].type == kTypeLong) {
      std::string bytes;
      PutU32(bytes, static_cast<std::uint32_t>(numbers_[i]));
      cells[i] = Cell::Of(std::move(bytes));
    } else {
      cells[i] = Cell::Of(EncodeText(fmt, values_[i], columns[i].compressible));
    }
  }
  table_->Append(cells);
  editing_ = false;
}

void Recordset::Close() {
  if (!open_) return;
  open_ = false;
  editing_ = false;
  if (db_->open_) table_->Flush();
}

void CreateEmptyDatabase(const std::string& path, const JetFormat& format, double creation_date) {
  const std::string bytes = BuildEmptyDatabase(format, creation_date);
  PageFile file = PageFile::Create(path, format);
  for (std::uint32_t p = 0; p * format.page_size < bytes.size(); ++p) {
    file.Write(p, std::string_view(bytes).substr(p * format.page_size, format.page_size));
  }
  file.Close();
}

}  // namespace kinsheet::jet
