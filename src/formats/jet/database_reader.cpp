// Pointer-following reads: catalog row -> TDEF -> usage map -> data pages.
#include "formats/jet/database_reader.h"

#include <set>

#include "formats/jet/data_page.h"

namespace kinsheet::jet {

std::string ReadTableDefinitionBytes(const JetFormat& format, const PageReader& read_page, std::uint32_t page) {
  std::string def = read_page(page);
  if (GetU8(def, 0) != kPageTableDef) {
    throw JetError("Page " + std::to_string(page) + " is not a table definition.");
  }
  std::set<std::uint32_t> seen = {page};
  std::uint32_t next = GetU32(def, 4);
  while (next != 0) {
    if (!seen.insert(next).second) throw JetError("Table definition pages loop.");
    const std::string more = read_page(next);
    if (GetU8(more, 0) != kPageTableDef) {
      throw JetError("Continuation page " + std::to_string(next) + " is not a table definition.");
    }
    def.append(more, 8, std::string::npos);
    next = GetU32(more, 4);
  }
  (void)format;
  return def;
}

TableShape ReadTableDef(const JetFormat& format, const PageReader& read_page, std::uint32_t page) {
  const std::string def = ReadTableDefinitionBytes(format, read_page, page);
  const std::uint32_t length = GetU32(def, 8);
  if (length > def.size()) throw JetError("Table definition is shorter than its stated length.");
  return ParseTableDefinition(format, std::string_view(def).substr(0, length));
}

std::string ReadPointedRow(const JetFormat& format, const PageReader& read_page, std::uint32_t page_row) {
  const std::string page = read_page(page_row >> 8);
  return std::string(RowOfPage(format, page, page_row & 0xFF));
}

std::vector<std::uint32_t> TableDataPages(const JetFormat& format, const PageReader& read_page,
                                          const TableShape& shape, std::uint32_t tdef_page) {
  const std::string map = ReadPointedRow(format, read_page, shape.owned_map);
  std::vector<std::uint32_t> pages = PagesOfMap(format, map, read_page);
  for (std::uint32_t p : pages) {
    const std::string page = read_page(p);
    if (GetU8(page, 0) != kPageData || GetU32(page, 4) != tdef_page) {
      throw JetError("Page " + std::to_string(p) + " from the usage map is not a data page of its table.");
    }
  }
  return pages;
}

DatabaseReader::DatabaseReader(const std::string& path) : file_(PageFile::Open(path, false)) {
  header_ = ParseHeaderPage(file_.Read(0));
}

PageReader DatabaseReader::Pages() const {
  return [this](std::uint32_t page) { return file_.Read(page); };
}

std::vector<CatalogEntry> DatabaseReader::Catalog() const {
  const PageReader pages = Pages();
  const TableShape catalog = ReadTableDef(format(), pages, kCatalogTdefPage);
  std::vector<CatalogEntry> entries;
  for (std::uint32_t p : TableDataPages(format(), pages, catalog, kCatalogTdefPage)) {
    const std::string page = file_.Read(p);
    for (const RowSlot& slot : RowsOfPage(format(), page)) {
      if (slot.deleted || slot.overflow) continue;
      entries.push_back(ParseCatalogCells(
          format(), DecodeRow(format(), catalog, std::string_view(page).substr(slot.offset, slot.length))));
    }
  }
  return entries;
}

std::optional<CatalogEntry> DatabaseReader::FindObject(std::u16string_view name) const {
  for (CatalogEntry& e : Catalog()) {
    if (e.name == name) return e;
  }
  return std::nullopt;
}

TableShape DatabaseReader::Table(const CatalogEntry& entry) const {
  return ReadTableDef(format(), Pages(), entry.TdefPage());
}

void DatabaseReader::ForEachRow(const CatalogEntry& entry,
                                const std::function<void(const std::vector<Cell>&)>& row) const {
  const PageReader pages = Pages();
  const TableShape shape = Table(entry);
  for (std::uint32_t p : TableDataPages(format(), pages, shape, entry.TdefPage())) {
    const std::string page = file_.Read(p);
    for (const RowSlot& slot : RowsOfPage(format(), page)) {
      if (slot.deleted || slot.overflow) continue;
      row(DecodeRow(format(), shape, std::string_view(page).substr(slot.offset, slot.length)));
    }
  }
}

std::vector<PropertyMap> DatabaseReader::Properties(const CatalogEntry& entry) const {
  if (entry.lv_prop.null || entry.lv_prop.bytes.empty()) return {};
  return ParsePropertyBlock(format(), ReadLongValue(format(), entry.lv_prop.bytes, Pages()));
}

}  // namespace kinsheet::jet
