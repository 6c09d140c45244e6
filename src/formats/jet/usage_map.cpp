// Usage-map rows and 0x05 pages. Bit i stands for page start + i (byte
// i / 8, least significant bit first).
#include "formats/jet/usage_map.h"

#include <algorithm>

#include "formats/jet/data_page.h"

namespace kinsheet::jet {
namespace {

constexpr std::size_t kInlineBitmapStart = 5;
constexpr std::size_t kBitmapPageDataStart = 4;

// Page 1 rows come in 32-byte (256-page) steps.
std::size_t GlobalRowBytes(const JetFormat& format, std::uint32_t page_count) {
  const std::size_t units = (static_cast<std::size_t>(page_count) + 255) / 256;
  return std::max(format.inline_map_bytes(), units * 32);
}

std::size_t MaxGlobalInlineBytes(const JetFormat& format) {
  // Two rows and their offsets on one data page; row 1 has the usual size.
  const std::size_t room =
      format.page_size - format.data_header_size - 4 - format.usage_map_row_size - kInlineBitmapStart;
  return room / 32 * 32;
}

}  // namespace

std::string InlineMapRow(std::uint32_t start, std::size_t bitmap_bytes,
                         const std::vector<std::uint32_t>& pages) {
  std::string row(kInlineBitmapStart + bitmap_bytes, '\0');
  SetU8(row, 0, kMapInline);
  SetU32(row, 1, start);
  for (std::uint32_t page : pages) SetInlineMapBit(row, page, true);
  return row;
}

void SetInlineMapBit(std::string& row, std::uint32_t page, bool on) {
  const std::uint32_t start = GetU32(row, 1);
  const std::size_t bits = (row.size() - kInlineBitmapStart) * 8;
  if (page < start || page - start >= bits) {
    throw JetError("Page " + std::to_string(page) + " lies outside its inline usage map.");
  }
  const std::size_t bit = page - start;
  char& byte = row[kInlineBitmapStart + bit / 8];
  const char mask = static_cast<char>(1 << (bit % 8));
  byte = static_cast<char>(on ? (byte | mask) : (byte & ~mask));
}

std::string EmptyReferenceMapRow(const JetFormat& format) {
  std::string row(format.usage_map_row_size, '\0');
  SetU8(row, 0, kMapReference);
  return row;
}

std::uint32_t ReferenceSlot(std::string_view row, std::size_t slot) { return GetU32(row, 1 + 4 * slot); }

void SetReferenceSlot(std::string& row, std::size_t slot, std::uint32_t bitmap_page) {
  SetU32(row, 1 + 4 * slot, bitmap_page);
}

std::string EmptyBitmapPage(const JetFormat& format) {
  std::string page(format.page_size, '\0');
  SetU8(page, 0, kPageUsageBitmap);
  SetU8(page, 1, 0x01);
  return page;
}

void SetBitmapPageBit(std::string& page, std::size_t bit, bool on) {
  char& byte = page[kBitmapPageDataStart + bit / 8];
  const char mask = static_cast<char>(1 << (bit % 8));
  byte = static_cast<char>(on ? (byte | mask) : (byte & ~mask));
}

bool GlobalMapFitsInline(const JetFormat& format, std::uint32_t page_count) {
  return GlobalRowBytes(format, page_count) <= MaxGlobalInlineBytes(format);
}

std::string GlobalBitmapPage(const JetFormat& format, std::size_t stretch, std::uint32_t page_count) {
  std::string page = EmptyBitmapPage(format);
  const std::uint64_t first = static_cast<std::uint64_t>(stretch) * format.bitmap_page_pages();
  for (std::size_t bit = 0; bit < format.bitmap_page_pages(); ++bit) {
    if (first + bit >= page_count) SetBitmapPageBit(page, bit, true);
  }
  return page;
}

std::string GlobalMapPage(const JetFormat& format, std::uint32_t page_count,
                          const std::vector<std::uint32_t>& global_bitmaps) {
  DataPage page(format, 1);
  std::string row0;
  if (global_bitmaps.empty()) {
    const std::size_t bytes = GlobalRowBytes(format, page_count);
    std::vector<std::uint32_t> free;
    for (std::uint32_t p = page_count; p < bytes * 8; ++p) free.push_back(p);
    row0 = InlineMapRow(0, bytes, free);
  } else {
    row0 = EmptyReferenceMapRow(format);
    for (std::size_t s = 0; s < global_bitmaps.size(); ++s) SetReferenceSlot(row0, s, global_bitmaps[s]);
  }
  page.AddRow(row0);
  page.AddRow(InlineMapRow(0, format.inline_map_bytes(), {}));
  return page.image();
}

std::vector<std::uint32_t> PagesOfMap(const JetFormat& format, std::string_view row,
                                      const PageReader& read_page) {
  std::vector<std::uint32_t> pages;
  if (row.empty()) throw JetError("Usage map row is empty.");
  if (GetU8(row, 0) == kMapInline) {
    if (row.size() < kInlineBitmapStart) throw JetError("Inline usage map is cut short.");
    const std::uint32_t start = GetU32(row, 1);
    for (std::size_t i = kInlineBitmapStart; i < row.size(); ++i) {
      const std::uint8_t byte = GetU8(row, i);
      for (int b = 0; b < 8; ++b) {
        if (byte & (1 << b)) pages.push_back(start + static_cast<std::uint32_t>((i - kInlineBitmapStart) * 8 + b));
      }
    }
  } else if (GetU8(row, 0) == kMapReference) {
    const std::size_t slots = (row.size() - 1) / 4;
    for (std::size_t s = 0; s < slots; ++s) {
      const std::uint32_t map_page = ReferenceSlot(row, s);
      if (map_page == 0) continue;
      const std::string page = read_page(map_page);
      if (GetU8(page, 0) != kPageUsageBitmap) {
        throw JetError("Page " + std::to_string(map_page) + " named by a usage map is not a bitmap page.");
      }
      const std::uint64_t first = static_cast<std::uint64_t>(s) * format.bitmap_page_pages();
      for (std::size_t i = kBitmapPageDataStart; i < page.size(); ++i) {
        const std::uint8_t byte = GetU8(page, i);
        if (byte == 0) continue;
        for (int b = 0; b < 8; ++b) {
          if (byte & (1 << b)) {
            pages.push_back(static_cast<std::uint32_t>(first + (i - kBitmapPageDataStart) * 8 + b));
          }
        }
      }
    }
  } else {
    throw JetError("Unknown usage map type " + std::to_string(GetU8(row, 0)) + ".");
  }
  return pages;
}

}  // namespace kinsheet::jet
