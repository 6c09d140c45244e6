// Reading what the engine wrote: table definitions across pages, the pages a
// usage map lists, rows, catalog entries and property blocks. The engine
// uses it to find its way in a template; tests use it for round trips.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/jet/catalog.h"
#include "formats/jet/header.h"
#include "formats/jet/page_file.h"
#include "formats/jet/properties.h"
#include "formats/jet/row.h"
#include "formats/jet/table_def.h"
#include "formats/jet/usage_map.h"

namespace kinsheet::jet {

// The definition bytes of the table whose first TDEF page is `page`.
std::string ReadTableDefinitionBytes(const JetFormat& format, const PageReader& read_page, std::uint32_t page);
TableShape ReadTableDef(const JetFormat& format, const PageReader& read_page, std::uint32_t page);
// The row a (page << 8) | row pointer names.
std::string ReadPointedRow(const JetFormat& format, const PageReader& read_page, std::uint32_t page_row);
// The table's data pages from its owned map, each checked to be a data page
// of this table.
std::vector<std::uint32_t> TableDataPages(const JetFormat& format, const PageReader& read_page,
                                          const TableShape& shape, std::uint32_t tdef_page);

class DatabaseReader {
 public:
  explicit DatabaseReader(const std::string& path);

  const JetFormat& format() const { return file_.format(); }
  const HeaderInfo& header() const { return header_; }
  std::uint32_t page_count() const { return file_.page_count(); }
  std::string ReadPage(std::uint32_t page) const { return file_.Read(page); }
  PageReader Pages() const;

  std::vector<CatalogEntry> Catalog() const;
  std::optional<CatalogEntry> FindObject(std::u16string_view name) const;
  TableShape Table(const CatalogEntry& entry) const;
  // Calls `row` for each row of the table, in page and row order.
  void ForEachRow(const CatalogEntry& entry, const std::function<void(const std::vector<Cell>&)>& row) const;
  std::vector<PropertyMap> Properties(const CatalogEntry& entry) const;

 private:
  PageFile file_;
  HeaderInfo header_;
};

}  // namespace kinsheet::jet
