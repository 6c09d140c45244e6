// Property block and long-value layouts.
#include "formats/jet/properties.h"

#include <set>

#include "formats/jet/data_page.h"
#include "formats/jet/text_codec.h"

namespace kinsheet::jet {
namespace {

constexpr std::uint16_t kNameListChunk = 0x0080;

void PutName(const JetFormat& format, std::string& out, std::u16string_view name) {
  const std::string bytes = EncodeName(format, name);
  PutU16(out, static_cast<std::uint16_t>(bytes.size()));
  out += bytes;
}

void NeedBlock(std::string_view block, std::size_t end) {
  if (end > block.size()) throw JetError("Property block is cut short.");
}

}  // namespace

Property BooleanProperty(std::u16string name, bool value) {
  return {std::move(name), kTypeBoolean, std::string(1, value ? '\xFF' : '\0'), true};
}

std::string BuildPropertyBlock(const JetFormat& format, const std::vector<PropertyMap>& maps) {
  std::vector<std::u16string> names;
  for (const PropertyMap& map : maps) {
    for (const Property& p : map.properties) {
      bool known = false;
      for (const std::u16string& n : names) known = known || n == p.name;
      if (!known) names.push_back(p.name);
    }
  }
  std::string out(format.property_magic, 3);
  out.push_back('\0');

  const std::size_t list_start = out.size();
  PutU32(out, 0);
  PutU16(out, kNameListChunk);
  for (const std::u16string& n : names) PutName(format, out, n);
  SetU32(out, list_start, static_cast<std::uint32_t>(out.size() - list_start));

  for (const PropertyMap& map : maps) {
    if (map.properties.empty()) continue;
    const std::size_t chunk_start = out.size();
    PutU32(out, 0);
    PutU16(out, map.kind);
    const std::size_t name_start = out.size();
    PutU32(out, 0);
    PutName(format, out, map.object);
    SetU32(out, name_start, static_cast<std::uint32_t>(out.size() - name_start));
    for (const Property& p : map.properties) {
      std::uint16_t index = 0;
      while (names[index] != p.name) ++index;
      PutU16(out, static_cast<std::uint16_t>(8 + p.value.size()));
      PutU8(out, p.ddl ? 1 : 0);
      PutU8(out, p.type);
      PutU16(out, index);
      PutU16(out, static_cast<std::uint16_t>(p.value.size()));
      out += p.value;
    }
    SetU32(out, chunk_start, static_cast<std::uint32_t>(out.size() - chunk_start));
  }
  return out;
}

std::vector<PropertyMap> ParsePropertyBlock(const JetFormat& format, std::string_view block) {
  NeedBlock(block, 4);
  if (block.substr(0, 3) != std::string_view(format.property_magic, 3) || block[3] != '\0') {
    throw JetError("Property block does not start with " + std::string(format.property_magic) + ".");
  }
  std::vector<std::u16string> names;
  std::vector<PropertyMap> maps;
  std::size_t pos = 4;
  while (pos < block.size()) {
    NeedBlock(block, pos + 6);
    const std::uint32_t len = GetU32(block, pos);
    const std::uint16_t kind = GetU16(block, pos + 4);
    if (len < 6) throw JetError("Property chunk has a bad length.");
    NeedBlock(block, pos + len);
    const std::string_view chunk = block.substr(pos + 6, len - 6);
    if (kind == kNameListChunk) {
      for (std::size_t p = 0; p < chunk.size();) {
        NeedBlock(chunk, p + 2);
        const std::uint16_t n = GetU16(chunk, p);
        NeedBlock(chunk, p + 2 + n);
        names.push_back(DecodeName(format, chunk.substr(p + 2, n)));
        p += 2 + n;
      }
    } else {
      PropertyMap map;
      map.kind = kind;
      NeedBlock(chunk, 6);
      const std::uint32_t name_len = GetU32(chunk, 0);
      const std::uint16_t n = GetU16(chunk, 4);
      NeedBlock(chunk, 6 + n);
      map.object = DecodeName(format, chunk.substr(6, n));
      for (std::size_t p = name_len; p < chunk.size();) {
        NeedBlock(chunk, p + 8);
        const std::uint16_t entry_len = GetU16(chunk, p);
        const std::uint16_t index = GetU16(chunk, p + 4);
        const std::uint16_t size = GetU16(chunk, p + 6);
        NeedBlock(chunk, p + 8 + size);
        if (index >= names.size() || entry_len < 8) throw JetError("Property entry is damaged.");
        map.properties.push_back({names[index], GetU8(chunk, p + 3), std::string(chunk.substr(p + 8, size)),
                                  GetU8(chunk, p + 2) != 0});
        p += entry_len;
      }
      maps.push_back(std::move(map));
    }
    pos += len;
  }
  return maps;
}

std::string LongValueHeader(std::uint32_t length, std::uint32_t flags, std::uint32_t page_row) {
  std::string out;
  PutU32(out, length | flags);
  PutU32(out, page_row);
  PutU32(out, 0);
  return out;
}

std::string ReadLongValue(const JetFormat& format, std::string_view cell, const PageReader& read_page) {
  if (cell.size() < kLongValueHeaderSize) throw JetError("Long value header is cut short.");
  const std::uint32_t raw = GetU32(cell, 0);
  const std::uint32_t length = raw & 0x3FFFFFFF;
  if (raw & kLongValueInline) return std::string(cell.substr(kLongValueHeaderSize));
  std::uint32_t page_row = GetU32(cell, 4);
  if (raw & kLongValueOnePage) {
    const std::string page = read_page(page_row >> 8);
    return std::string(RowOfPage(format, page, page_row & 0xFF).substr(0, length));
  }
  std::string value;
  std::set<std::uint32_t> seen;
  while (page_row != 0 && value.size() < length) {
    if (!seen.insert(page_row).second) throw JetError("Long value chain loops.");
    const std::string page = read_page(page_row >> 8);
    const std::string_view row = RowOfPage(format, page, page_row & 0xFF);
    if (row.size() < 4) throw JetError("Long value chain row is cut short.");
    page_row = GetU32(row, 0);
    value += row.substr(4);
  }
  if (value.size() > length) value.resize(length);
  return value;
}

}  // namespace kinsheet::jet
