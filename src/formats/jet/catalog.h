// The system catalog: the four system tables every Jet database has, the
// MSysObjects rows naming them, and the empty database built from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/jet/jet_format.h"
#include "formats/jet/row.h"
#include "formats/jet/table_def.h"

namespace kinsheet::jet {

// MSysObjects lives at page 2, always; readers look for it there.
inline constexpr std::uint32_t kCatalogTdefPage = 2;
inline constexpr std::uint32_t kTablesContainer = 0x0F000001;
inline constexpr std::uint32_t kSystemObjectFlags = 0x80000000;
inline constexpr std::uint16_t kObjectTable = 1;

// MSysObjects column numbers.
enum CatalogColumn : std::size_t {
  kCatId = 0,
  kCatParentId = 1,
  kCatName = 2,
  kCatType = 3,
  kCatDateCreate = 4,
  kCatDateUpdate = 5,
  kCatOwner = 6,
  kCatFlags = 7,
  kCatLvProp = 14,
  kCatColumns = 17,
};

// MSysObjects, MSysACEs, MSysQueries, MSysRelationships, laid out, without
// usage maps.
std::vector<TableShape> SystemTables(const JetFormat& format);

struct CatalogEntry {
  std::uint32_t id = 0;
  std::uint32_t parent_id = 0;
  std::u16string name;
  std::uint16_t type = 0;
  std::uint32_t flags = 0;
  double date = 0;
  Cell lv_prop;  // a long-value cell, or null

  std::uint32_t TdefPage() const { return id & 0x00FFFFFF; }
  bool IsTable() const { return (type & 0x7F) == kObjectTable; }
  bool IsSystem() const { return (flags & 0x80000002) != 0; }
};

std::vector<Cell> CatalogCells(const JetFormat& format, const TableShape& catalog, const CatalogEntry& entry);
CatalogEntry ParseCatalogCells(const JetFormat& format, const std::vector<Cell>& cells);

std::string EncodeDouble(double value);
double DecodeDouble(std::string_view bytes);

// The bytes of an empty database: header, global map, the system tables'
// definitions and usage maps, and the catalog page with its eight rows.
std::string BuildEmptyDatabase(const JetFormat& format, double creation_date);

// The fixed creation date of the build-time templates: 2026-01-01 12:00.
inline constexpr double kTemplateDate = 46023.5;

}  // namespace kinsheet::jet
