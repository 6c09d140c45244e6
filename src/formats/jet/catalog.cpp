// System tables shaped as Access makes them: fixed columns flagged 0x13,
// variable ones 0x12 (0x32 for the SID-like binaries), sort order on every
// column, no compression; every memo and OLE column with its own pair of
// usage maps, so that long values such as LvProp have somewhere to live.
#include "formats/jet/catalog.h"

#include <cassert>
#include <cstring>

#include "formats/jet/data_page.h"
#include "formats/jet/header.h"
#include "formats/jet/text_codec.h"
#include "formats/jet/usage_map.h"

namespace kinsheet::jet {
namespace {

constexpr std::uint8_t kSystemVariable = 0x12;
constexpr std::uint8_t kSystemFixed = 0x13;
constexpr std::uint8_t kSystemSid = 0x32;

struct ColumnPlan {
  const char* name;
  std::uint8_t type;
  bool sid = false;
};

ColumnShape SystemColumn(const JetFormat& format, const ColumnPlan& plan) {
  ColumnShape c;
  c.name = Widen(plan.name);
  c.type = plan.type;
  c.sort_order = kGeneralSortOrder;
  const bool variable = IsVariableType(plan.type);
  c.flags = plan.sid ? kSystemSid : variable ? kSystemVariable : kSystemFixed;
  switch (plan.type) {
    case kTypeText:
      c.length = static_cast<std::uint16_t>(255 * format.text_unit_bytes);
      c.code_page = format.version == 3 ? kCodePage1252 : 0;
      break;
    case kTypeBinary:
      c.length = static_cast<std::uint16_t>(255 * format.text_unit_bytes);
      break;
    case kTypeMemo:
      c.code_page = format.version == 3 ? kCodePage1252 : 0;
      c.length = 0;
      break;
    case kTypeOle:
      c.length = 0;
      break;
    case kTypeBoolean:
      c.length = 1;
      break;
    default:
      c.length = static_cast<std::uint16_t>(FixedTypeSize(plan.type));
  }
  return c;
}

TableShape SystemTable(const JetFormat& format, const char* name, const std::vector<ColumnPlan>& plans) {
  TableShape shape;
  shape.name = Widen(name);
  shape.table_type = kTableSystem;
  for (const ColumnPlan& p : plans) shape.columns.push_back(SystemColumn(format, p));
  LayOutColumns(shape);
  return shape;
}

struct MapSlot {
  std::uint32_t page = 0;
  std::uint8_t row = 0;
  std::uint32_t PageRowValue() const { return PageRow(page, row); }
};

}  // namespace

std::vector<TableShape> SystemTables(const JetFormat& format) {
  std::vector<TableShape> tables;
  tables.push_back(SystemTable(format, "MSysObjects",
                               {{"Id", kTypeLong},
                                {"ParentId", kTypeLong},
                                {"Name", kTypeText},
                                {"Type", kTypeInteger},
                                {"DateCreate", kTypeDate},
                                {"DateUpdate", kTypeDate},
                                {"Owner", kTypeBinary, true},
                                {"Flags", kTypeLong},
                                {"Database", kTypeMemo},
                                {"Connect", kTypeMemo},
                                {"ForeignName", kTypeText},
                                {"RmtInfoShort", kTypeBinary},
                                {"RmtInfoLong", kTypeOle},
                                {"Lv", kTypeOle},
                                {"LvProp", kTypeOle},
                                {"LvModule", kTypeOle},
                                {"LvExtra", kTypeOle}}));
  tables.push_back(SystemTable(format, "MSysACEs",
                               {{"ObjectId", kTypeLong},
                                {"SID", kTypeBinary, true},
                                {"ACM", kTypeLong},
                                {"FInheritable", kTypeBoolean}}));
  std::vector<ColumnPlan> queries = {{"ObjectId", kTypeLong}, {"Attribute", kTypeByte},
                                     {"Order", kTypeBinary},  {"Name1", kTypeText},
                                     {"Name2", kTypeText},    {"Expression", kTypeMemo},
                                     {"Flag", kTypeInteger}};
  if (format.version == 4) queries.push_back({"LvExtra", kTypeLong});
  tables.push_back(SystemTable(format, "MSysQueries", queries));
  tables.push_back(SystemTable(format, "MSysRelationships",
                               {{"szRelationship", kTypeText},
                                {"grbit", kTypeLong},
                                {"ccolumn", kTypeLong},
                                {"icolumn", kTypeLong},
                                {"szObject", kTypeText},
                                {"szColumn", kTypeText},
                                {"szReferencedObject", kTypeText},
                                {"szReferencedColumn", kTypeText}}));
  return tables;
}

std::string EncodeDouble(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  std::string out;
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
  return out;
}

double DecodeDouble(std::string_view bytes) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | GetU8(bytes, i);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::vector<Cell> CatalogCells(const JetFormat& format, const TableShape& catalog, const CatalogEntry& e) {
  std::vector<Cell> cells(catalog.columns.size());
  auto u32 = [](std::uint32_t v) {
    std::string s;
    PutU32(s, v);
    return Cell::Of(s);
  };
  std::string type;
  PutU16(type, e.type);
  cells[kCatId] = u32(e.id);
  cells[kCatParentId] = u32(e.parent_id);
  cells[kCatName] = Cell::Of(EncodeText(format, e.name, catalog.columns[kCatName].compressible));
  cells[kCatType] = Cell::Of(type);
  cells[kCatDateCreate] = Cell::Of(EncodeDouble(e.date));
  cells[kCatDateUpdate] = Cell::Of(EncodeDouble(e.date));
  cells[kCatFlags] = u32(e.flags);
  cells[kCatLvProp] = e.lv_prop;
  return cells;
}

CatalogEntry ParseCatalogCells(const JetFormat& format, const std::vector<Cell>& cells) {
  CatalogEntry e;
  if (cells.size() < kCatColumns) throw JetError("MSysObjects row has too few columns.");
  if (!cells[kCatId].null) e.id = GetU32(cells[kCatId].bytes, 0);
  if (!cells[kCatParentId].null) e.parent_id = GetU32(cells[kCatParentId].bytes, 0);
  if (!cells[kCatName].null) e.name = DecodeText(format, cells[kCatName].bytes);
  if (!cells[kCatType].null) e.type = GetU16(cells[kCatType].bytes, 0);
  if (!cells[kCatFlags].null) e.flags = GetU32(cells[kCatFlags].bytes, 0);
  if (!cells[kCatDateCreate].null) e.date = DecodeDouble(cells[kCatDateCreate].bytes);
  e.lv_prop = cells[kCatLvProp];
  return e;
}

std::string BuildEmptyDatabase(const JetFormat& format, double creation_date) {
  std::vector<TableShape> tables = SystemTables(format);
  const std::uint32_t first_map_page = kCatalogTdefPage + static_cast<std::uint32_t>(tables.size());

  // Usage-map rows, table after table: owned and free-space maps, then a
  // pair per long-value column; a new map page whenever one is full.
  std::vector<DataPage> map_pages;
  map_pages.emplace_back(format, 0);
  std::vector<std::vector<MapSlot>> slots(tables.size());
  const std::string empty_row = InlineMapRow(0, format.inline_map_bytes(), {});
  for (std::size_t t = 0; t < tables.size(); ++t) {
    std::size_t rows = 2;
    for (const ColumnShape& c : tables[t].columns) rows += IsLongValueType(c.type) ? 2 : 0;
    for (std::size_t r = 0; r < rows; ++r) {
      if (!map_pages.back().Fits(empty_row.size())) map_pages.emplace_back(format, 0);
      const std::uint8_t row = map_pages.back().AddRow(empty_row);
      slots[t].push_back({first_map_page + static_cast<std::uint32_t>(map_pages.size() - 1), row});
    }
  }
  const std::uint32_t catalog_page = first_map_page + static_cast<std::uint32_t>(map_pages.size());
  const MapSlot owned = slots[0][0];
  map_pages[owned.page - first_map_page].OverwriteRow(
      owned.row, InlineMapRow(InlineStartFor(catalog_page), format.inline_map_bytes(), {catalog_page}));

  for (std::size_t t = 0; t < tables.size(); ++t) {
    TableShape& shape = tables[t];
    shape.owned_map = slots[t][0].PageRowValue();
    shape.free_map = slots[t][1].PageRowValue();
    std::size_t next = 2;
    for (const ColumnShape& c : shape.columns) {
      if (!IsLongValueType(c.type)) continue;
      shape.long_value_maps.push_back({c.number, slots[t][next].PageRowValue(), slots[t][next + 1].PageRowValue()});
      next += 2;
    }
  }

  const std::vector<CatalogEntry> entries = {
      {0x0F000001, 0x0F000000, u"Tables", 3, kSystemObjectFlags, creation_date, {}},
      {0x0F000002, 0x0F000000, u"Databases", 3, kSystemObjectFlags, creation_date, {}},
      {0x0F000003, 0x0F000000, u"Relationships", 3, kSystemObjectFlags, creation_date, {}},
      {0x10000000, 0x0F000002, u"MSysDb", 2, kSystemObjectFlags, creation_date, {}},
      {2, kTablesContainer, u"MSysObjects", kObjectTable, kSystemObjectFlags, creation_date, {}},
      {3, kTablesContainer, u"MSysACEs", kObjectTable, kSystemObjectFlags, creation_date, {}},
      {4, kTablesContainer, u"MSysQueries", kObjectTable, kSystemObjectFlags, creation_date, {}},
      {5, kTablesContainer, u"MSysRelationships", kObjectTable, kSystemObjectFlags, creation_date, {}},
  };
  DataPage catalog(format, kCatalogTdefPage);
  for (const CatalogEntry& e : entries) {
    const std::string row = EncodeRow(format, tables[0], CatalogCells(format, tables[0], e));
    catalog.AddRow(row);
  }
  tables[0].row_count = static_cast<std::uint32_t>(entries.size());

  const std::uint32_t page_count = catalog_page + 1;
  std::string file;
  file.reserve(static_cast<std::size_t>(page_count) * format.page_size);
  file += BuildHeaderPage(format, creation_date);
  file += GlobalMapPage(format, page_count, {});
  for (std::size_t t = 0; t < tables.size(); ++t) {
    const std::vector<std::string> pages = SplitTableDefinition(
        format, BuildTableDefinition(format, tables[t]), kCatalogTdefPage + static_cast<std::uint32_t>(t));
    assert(pages.size() == 1);
    file += pages[0];
  }
  for (const DataPage& p : map_pages) file += p.image();
  file += catalog.image();
  return file;
}

}  // namespace kinsheet::jet
